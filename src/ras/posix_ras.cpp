#include "ras/posix_ras.h"

#include <charconv>

#include "ras/ras_errors.h"

namespace ras {

namespace {

// Order of the progress states this backend reports.
int Rank(RASCONNSTATE state) {
  switch (state) {
    case RASCS_Authenticate:
      return 1;
    case RASCS_Projected:
      return 2;
    case RASCS_Connected:
      return 3;
    default:
      return 0;
  }
}

bool Dialling(RASCONNSTATE state) {
  return state != RASCS_Connected && state != RASCS_Disconnected;
}

}  // namespace

PosixRas::PosixRas(core::EventLoop& loop, std::string phonebookPath)
    : LineBackend(loop, std::move(phonebookPath)) {
  if (monitor_.EventFd() >= 0) {
    // The kernel's announcements are no answer the simulated clock should wait for.
    watch_ = Loop().WatchFd(
        monitor_.EventFd(), core::kIoRead,
        [this](unsigned) {
          if (monitor_.DrainEvents()) Evaluate();
        },
        false);
  } else {
    Log("netlink is unavailable; interfaces are looked at once a second");
    poll_ = std::make_unique<core::Timer>(Loop(), "PosixRasPoll", 1000, true);
    poll_->OnTimer = [this] { Evaluate(); };
  }
  // The first call looks at the interfaces (the phonebook has not been read yet), so an owner can
  // install its log first.
}

PosixRas::~PosixRas() {
  if (watch_ != 0) Loop().Unwatch(watch_);
}

PosixRas::Session& PosixRas::SessionOf(HRasConn handle) {
  return sessions_.try_emplace(handle, Loop()).first->second;
}

std::vector<std::pair<std::string, std::string>> PosixRas::EntryKeyDefaults() const {
  return {{"Dial", ""},          {"HangUp", ""},     {"Interface", ""},
          {"DeviceType", "vpn"}, {"DeviceName", ""}, {"DialTimeoutMs", "60000"}};
}

std::string PosixRas::Interface(const std::string& entry) {
  return Book().GetOr(entry, "Interface", "");
}

bool PosixRas::Active(const InterfaceState& state) const {
  return state.Exists && state.Up && !state.Address.empty();
}

void PosixRas::Refresh() {
  retired_.clear();
  Book();  // notices an edited phonebook
  if (monitor_.EventFd() < 0 || monitor_.DrainEvents() ||
      BookGeneration() != evaluatedGeneration_) {
    Evaluate();
  }
}

void PosixRas::SetAddresses(Line& line, const InterfaceState& state, const std::string& iface) {
  line.ClientIP = state.Address;
  line.ServerIP = state.Peer;
  if (line.ServerIP.empty()) line.ServerIP = monitor_.DefaultGateway(iface);
  if (line.ServerIP.empty()) line.ServerIP = "0.0.0.0";
  line.Projected = true;
}

void PosixRas::Reach(Line& line, RASCONNSTATE target) {
  for (RASCONNSTATE state : {RASCS_Authenticate, RASCS_Projected, RASCS_Connected}) {
    if (Rank(state) > Rank(target)) break;
    if (Rank(state) > Rank(line.State)) Advance(line, state);
  }
}

void PosixRas::Evaluate() {
  if (evaluating_) return;
  evaluating_ = true;
  evaluatedGeneration_ = BookGeneration();
  std::vector<HRasConn> handles;
  for (const auto& [handle, line] : Lines()) {
    if (!line.Ended) handles.push_back(handle);
  }
  for (HRasConn h : handles) FollowLine(h);
  FindOutsideConnections();
  evaluatedGeneration_ = BookGeneration();
  evaluating_ = false;
}

void PosixRas::FollowLine(HRasConn handle) {
  Line* line = FindLine(handle);
  if (line == nullptr || line->Ended) return;
  const std::string iface = Interface(line->Entry);
  const InterfaceState state = iface.empty() ? InterfaceState{} : monitor_.Query(iface);
  const bool active = Active(state);
  auto session = sessions_.find(handle);

  if (session != sessions_.end() && session->second.HangingUp) {
    if (!active && !CommandRunning(handle)) {
      Log(line->Entry + ": hung up");
      Forget(handle);
      ReleaseLine(handle);
    }
    return;
  }
  if (!Dialling(line->State)) {
    if (active) {
      SetAddresses(*line, state, iface);
    } else {
      Log(line->Entry + ": interface " + iface + " is gone; the line dropped");
      line->Error = ERROR_REMOTE_DISCONNECTION;
      EndLine(*line);
      if (!CommandRunning(handle)) Forget(handle);
    }
    return;
  }
  if (active) {
    SetAddresses(*line, state, iface);
    if (session != sessions_.end()) session->second.Timer.Cancel();
    Reach(*line, RASCS_Connected);
    Log(line->Entry + ": connected on " + iface + ", client " + line->ClientIP + ", server " +
        line->ServerIP);
  } else if (state.Exists && state.Up) {
    Reach(*line, RASCS_Projected);
  }
}

void PosixRas::FindOutsideConnections() {
  for (const std::string& entry : Book().Sections()) {
    const std::string iface = Interface(entry);
    if (iface.empty() || LiveLine(entry) != nullptr) continue;
    const InterfaceState state = monitor_.Query(iface);
    if (!Active(state)) continue;
    Line& line = AddLine(entry, nullptr);
    line.DeviceType = Book().GetOr(entry, "DeviceType", "vpn");
    line.DeviceName = Book().GetOr(entry, "DeviceName", iface);
    SetAddresses(line, state, iface);
    line.State = RASCS_Connected;
    Log(entry + ": interface " + iface + " is up; connection found, client " + line.ClientIP);
  }
}

bool PosixRas::CommandRunning(HRasConn handle) const {
  auto it = sessions_.find(handle);
  if (it == sessions_.end()) return false;
  const Session& s = it->second;
  return (s.DialCommand && s.DialCommand->Running()) ||
         (s.HangUpCommand && s.HangUpCommand->Running());
}

void PosixRas::Forget(HRasConn handle) {
  auto it = sessions_.find(handle);
  if (it == sessions_.end()) return;
  // This may run inside a command's exit handler: the command objects live on until the next
  // call from outside.
  if (it->second.DialCommand) retired_.push_back(std::move(it->second.DialCommand));
  if (it->second.HangUpCommand) retired_.push_back(std::move(it->second.HangUpCommand));
  sessions_.erase(it);
}

bool PosixRas::StartCommand(std::unique_ptr<ShellCommand>& slot, const std::string& what,
                            const std::string& entry, const std::string& user,
                            const std::string& password, ShellCommand::ExitHandler onExit) {
  const std::string command = Book().GetOr(entry, what, "");
  if (command.empty()) return false;
  if (slot && slot->Running()) return true;
  if (slot) retired_.push_back(std::move(slot));
  slot = std::make_unique<ShellCommand>(Loop());
  std::string error;
  const bool started = slot->Start(command,
                                   {{"STAYLINE_USER", user},
                                    {"STAYLINE_PASSWORD", password},
                                    {"STAYLINE_ENTRY", entry},
                                    {"STAYLINE_INTERFACE", Interface(entry)}},
                                   std::move(onExit), &error);
  Log(entry + ": " + (started ? what + " command started" : what + " command failed: " + error));
  return started;
}

std::uint32_t PosixRas::RasDialA(const RASDIALPARAMSA& params, RasDialFunc notifier,
                                 HRasConn* handle) {
  retired_.clear();
  if (handle == nullptr) return ERROR_INVALID_PARAMETER;
  *handle = 0;
  if (params.dwSize != kSizeRasDialParams) return ERROR_INVALID_SIZE;
  const std::string entry = GetRasField(params.szEntryName);
  if (!Book().HasSection(entry)) return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  const std::string iface = Interface(entry);
  if (iface.empty()) {
    Log(entry + ": no Interface= in the phonebook");
    return ERROR_DEVICE_DOES_NOT_EXIST;
  }
  Evaluate();
  if (Line* existing = LiveLine(entry)) {
    auto s = sessions_.find(existing->Handle);
    if (s != sessions_.end() && s->second.HangingUp) return ERROR_PORT_ALREADY_OPEN;
    return RedialLiveLine(*existing, notifier, handle);
  }

  std::int64_t timeoutMs = kDefaultDialTimeoutMs;
  const std::string timeoutText = Book().GetOr(entry, "DialTimeoutMs", "");
  std::from_chars(timeoutText.data(), timeoutText.data() + timeoutText.size(), timeoutMs);
  if (timeoutMs <= 0) timeoutMs = kDefaultDialTimeoutMs;

  Line& line = AddLine(entry, notifier);
  line.DeviceType = Book().GetOr(entry, "DeviceType", "vpn");
  line.DeviceName = Book().GetOr(entry, "DeviceName", iface);
  const HRasConn h = line.Handle;
  *handle = h;
  Session& session = SessionOf(h);
  Advance(line, RASCS_ConnectDevice);
  const bool hasDial = !Book().GetOr(entry, "Dial", "").empty();
  if (hasDial && !StartCommand(session.DialCommand, "Dial", entry, GetRasField(params.szUserName),
                               GetRasField(params.szPassword),
                               [this, h](int status) { DialExited(h, status); })) {
    FailDial(line, ERROR_FROM_DEVICE, "the dial command could not be started");
  } else {
    session.Timer.Start(timeoutMs, [this, h] { DialTimedOut(h); });
    FollowLine(h);  // the interface may be up already
  }
  if (notifier != nullptr) return ERROR_SUCCESS;
  return WaitForDial(h, timeoutMs + 5'000);
}

void PosixRas::FailDial(Line& line, std::uint32_t error, const std::string& why) {
  Log(line.Entry + ": " + why + "; dial failed with error " + std::to_string(error));
  auto s = sessions_.find(line.Handle);
  if (s != sessions_.end()) s->second.Timer.Cancel();
  Advance(line, line.State, error);
  EndLine(line);
}

void PosixRas::DialExited(HRasConn handle, int status) {
  Line* line = FindLine(handle);
  const std::string entry = line != nullptr ? line->Entry : std::string("(hung up)");
  Log(entry + ": dial command exited with status " + std::to_string(status));
  auto s = sessions_.find(handle);
  const bool hangingUp = s != sessions_.end() && s->second.HangingUp;
  if (line != nullptr && !line->Ended && Dialling(line->State) && !hangingUp) {
    FollowLine(handle);  // the interface may have come up just before the command ended
    line = FindLine(handle);
    if (line != nullptr && !line->Ended && Dialling(line->State) && status != 0) {
      FailDial(*line, ERROR_FROM_DEVICE,
               "the dial command exited with status " + std::to_string(status));
    }
  } else {
    FollowLine(handle);
  }
  line = FindLine(handle);
  if ((line == nullptr || line->Ended) && !CommandRunning(handle)) Forget(handle);
}

void PosixRas::DialTimedOut(HRasConn handle) {
  auto s = sessions_.find(handle);
  Line* line = FindLine(handle);
  if (line == nullptr || line->Ended || !Dialling(line->State)) return;
  if (s != sessions_.end() && s->second.DialCommand) s->second.DialCommand->Terminate();
  const std::string entry = line->Entry;
  FailDial(*line, ERROR_NO_ANSWER, "no connection in time");
  // Whatever the dial command left half up is taken down again.
  if (s != sessions_.end()) {
    const auto credentials = EntryCredentials(entry);
    StartCommand(s->second.HangUpCommand, "HangUp", entry, credentials.UserName,
                 credentials.Password, [this, handle, entry](int status) {
                   Log(entry + ": hang-up command exited with status " + std::to_string(status));
                   if (!CommandRunning(handle) && FindLine(handle) == nullptr) Forget(handle);
                 });
  }
}

std::uint32_t PosixRas::RasHangUpA(HRasConn handle) {
  retired_.clear();
  Line* line = FindLine(handle);
  if (line == nullptr) return ERROR_INVALID_HANDLE;
  if (line->Ended) {
    ReleaseLine(handle);
    if (!CommandRunning(handle)) Forget(handle);
    return ERROR_SUCCESS;
  }
  line->Notifier = nullptr;  // a hung-up dial reports nothing more
  Session& session = SessionOf(handle);
  if (session.HangingUp) return ERROR_SUCCESS;
  session.Timer.Cancel();
  const std::string entry = line->Entry;
  bool acting = false;
  if (session.DialCommand && session.DialCommand->Running()) {
    session.DialCommand->Terminate();
    acting = true;
  }
  const auto credentials = EntryCredentials(entry);
  acting = StartCommand(session.HangUpCommand, "HangUp", entry, credentials.UserName,
                        credentials.Password,
                        [this, handle](int status) { HangUpExited(handle, status); }) ||
           acting;
  if (!acting) {
    const InterfaceState state = monitor_.Query(Interface(entry));
    if (Active(state)) {
      Log(entry + ": no HangUp= command; the connection cannot be hung up");
      return ERROR_FROM_DEVICE;
    }
  }
  session.HangingUp = true;
  Log(entry + ": hanging up");
  FollowLine(handle);
  return ERROR_SUCCESS;
}

void PosixRas::HangUpExited(HRasConn handle, int status) {
  Line* line = FindLine(handle);
  Log((line != nullptr ? line->Entry : std::string("(released)")) +
      ": hang-up command exited with status " + std::to_string(status));
  FollowLine(handle);
  auto s = sessions_.find(handle);
  if (s == sessions_.end()) return;
  if (FindLine(handle) == nullptr) {
    if (!CommandRunning(handle)) Forget(handle);
    return;
  }
  // The interface may take a moment to go; if it stays, the line is up again after a while.
  s->second.Timer.Start(kHangUpGraceMs, [this, handle] {
    auto it = sessions_.find(handle);
    if (it == sessions_.end()) return;
    if (FindLine(handle) != nullptr && it->second.HangingUp) {
      Log("the interface stayed up after the hang-up command");
      it->second.HangingUp = false;
    }
  });
}

}  // namespace ras

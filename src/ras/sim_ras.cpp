#include "ras/sim_ras.h"

#include <arpa/inet.h>

#include <charconv>
#include <sstream>

#include "ras/ras_errors.h"

namespace ras {

namespace {

// The progress states a simulated dial passes, spread evenly over its ConnectMs; "Connected"
// comes at ConnectMs.
constexpr RASCONNSTATE kProgress[] = {
    RASCS_OpenPort,        RASCS_PortOpened,          RASCS_ConnectDevice,
    RASCS_DeviceConnected, RASCS_AllDevicesConnected, RASCS_Authenticate,
    RASCS_AuthNotify,      RASCS_AuthProject,         RASCS_Authenticated,
    RASCS_Projected,
};
constexpr std::int64_t kSteps = sizeof(kProgress) / sizeof(kProgress[0]);

// Line errors show where a real line would report them: a refused password while
// authenticating, everything else while the device connects.
RASCONNSTATE FailingState(std::uint32_t error) {
  return error == ERROR_AUTHENTICATION_FAILURE ? RASCS_Authenticate : RASCS_ConnectDevice;
}

bool IsDottedQuad(const std::string& text) {
  in_addr addr{};
  return ::inet_pton(AF_INET, text.c_str(), &addr) == 1;
}

}  // namespace

SimRas::SimRas(core::EventLoop& loop, std::string phonebookPath)
    : LineBackend(loop, std::move(phonebookPath)) {}

SimRas::~SimRas() {
  for (auto& [handle, ids] : timers_) {
    for (auto id : ids) Loop().Cancel(id);
  }
}

std::vector<std::pair<std::string, std::string>> SimRas::EntryKeyDefaults() const {
  return {{"DeviceType", "PPPoE"},   {"DeviceName", "Simulated PPPoE line"},
          {"ConnectMs", "1500"},     {"ClientIPs", "10.64.0.10"},
          {"ServerIP", "10.64.0.1"}, {"DropAfterMs", "0"},
          {"BrokenAfterMs", "0"},    {"FailDials", "0"},
          {"FailError", "678"}};
}

std::int64_t SimRas::Number(const std::string& entry, const std::string& key,
                            std::int64_t fallback) {
  const auto text = Book().Get(entry, key);
  if (!text || text->empty()) return fallback;
  std::int64_t value = 0;
  const auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), value);
  if (ec != std::errc() || end != text->data() + text->size() || value < 0) {
    Log(entry + ": " + key + "=" + *text + " is no number; using " + std::to_string(fallback));
    return fallback;
  }
  return value;
}

SimRas::Config SimRas::ReadConfig(const std::string& entry) {
  std::map<std::string, std::string> defaults;
  for (const auto& [key, value] : EntryKeyDefaults()) defaults[key] = value;
  const PhonebookFile& book = Book();
  Config c;
  c.DeviceType = book.GetOr(entry, "DeviceType", defaults["DeviceType"]);
  c.DeviceName = book.GetOr(entry, "DeviceName", defaults["DeviceName"]);
  c.ConnectMs = Number(entry, "ConnectMs", 1500);
  std::istringstream ips(book.GetOr(entry, "ClientIPs", defaults["ClientIPs"]));
  for (std::string ip; ips >> ip;) {
    if (IsDottedQuad(ip)) {
      c.ClientIPs.push_back(ip);
    } else {
      Log(entry + ": client address " + ip + " is no dotted quad; skipped");
    }
  }
  if (c.ClientIPs.empty()) c.ClientIPs.push_back(defaults["ClientIPs"]);
  c.ServerIP = book.GetOr(entry, "ServerIP", defaults["ServerIP"]);
  c.DropAfterMs = Number(entry, "DropAfterMs", 0);
  c.BrokenAfterMs = Number(entry, "BrokenAfterMs", 0);
  c.FailDials = Number(entry, "FailDials", 0);
  c.FailError = static_cast<std::uint32_t>(Number(entry, "FailError", ERROR_NO_ANSWER));
  return c;
}

void SimRas::At(HRasConn handle, std::int64_t delayMs, std::function<void(Line&)> step) {
  const auto id = Loop().CallAfter(delayMs, [this, handle, step = std::move(step)] {
    Line* line = FindLine(handle);
    if (line != nullptr && !line->Ended) step(*line);
  });
  timers_[handle].push_back(id);
}

void SimRas::CancelTimers(HRasConn handle) {
  auto it = timers_.find(handle);
  if (it == timers_.end()) return;
  for (auto id : it->second) Loop().Cancel(id);
  timers_.erase(it);
}

std::uint32_t SimRas::RasDialA(const RASDIALPARAMSA& params, RasDialFunc notifier,
                               HRasConn* handle) {
  if (handle == nullptr) return ERROR_INVALID_PARAMETER;
  *handle = 0;
  if (params.dwSize != kSizeRasDialParams) return ERROR_INVALID_SIZE;
  const std::string entry = GetRasField(params.szEntryName);
  if (!Book().HasSection(entry)) return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;

  if (Line* existing = LiveLine(entry)) return RedialLiveLine(*existing, notifier, handle);

  const Config config = ReadConfig(entry);
  std::uint32_t failError = 0;
  if (++dials_[entry] <= config.FailDials) {
    failError = config.FailError;
  } else {
    const std::string password = Book().GetOr(entry, "Password", "");
    const std::string user = Book().GetOr(entry, "UserName", "");
    if ((!user.empty() && GetRasField(params.szUserName) != user) ||
        (!password.empty() && GetRasField(params.szPassword) != password)) {
      failError = ERROR_AUTHENTICATION_FAILURE;
    }
  }

  Line& line = AddLine(entry, notifier);
  line.DeviceType = config.DeviceType;
  line.DeviceName = config.DeviceName;
  *handle = line.Handle;
  const HRasConn h = line.Handle;
  Log(entry + ": dialling");
  StartLine(line, config, failError);
  if (notifier != nullptr) return ERROR_SUCCESS;

  // Without a notifier the dial blocks until it ends; the line lives on the loop's timers, so
  // the loop runs meanwhile.
  return WaitForDial(h, config.ConnectMs + 60'000);
}

void SimRas::StartLine(Line& line, const Config& config, std::uint32_t failError) {
  const RASCONNSTATE failAt = FailingState(failError);
  for (std::int64_t i = 0; i < kSteps; ++i) {
    const RASCONNSTATE state = kProgress[i];
    const std::int64_t at = config.ConnectMs * i / kSteps;
    if (failError != 0 && state == failAt) {
      At(line.Handle, at, [this, failError](Line& l) {
        Log(l.Entry + ": dial failed with error " + std::to_string(failError));
        const RASCONNSTATE reached = FailingState(failError);
        CancelTimers(l.Handle);
        Advance(l, reached, failError);
        EndLine(l);
      });
      return;
    }
    if (state == RASCS_Projected) {
      At(line.Handle, at, [this, config](Line& l) { Project(l, config); });
    } else {
      At(line.Handle, at, [this, state](Line& l) { Advance(l, state); });
    }
  }
  At(line.Handle, config.ConnectMs, [this, config](Line& l) { Connect(l, config); });
}

void SimRas::Project(Line& line, const Config& config) {
  auto next = nextClientIp_.find(line.Entry);
  line.ClientIP = next != nextClientIp_.end()
                      ? next->second
                      : config.ClientIPs[connections_[line.Entry] % config.ClientIPs.size()];
  line.ServerIP = config.ServerIP;
  line.Projected = true;
  Advance(line, RASCS_Projected);
}

void SimRas::Connect(Line& line, const Config& config) {
  // The address is used up only by a dial that got through.
  nextClientIp_.erase(line.Entry);
  ++connections_[line.Entry];
  Advance(line, RASCS_Connected);
  Log(line.Entry + ": connected, client " + line.ClientIP + ", server " + line.ServerIP);
  if (config.DropAfterMs > 0) {
    At(line.Handle, config.DropAfterMs, [this](Line& l) { DropLine(l, "line dropped"); });
  }
  if (config.BrokenAfterMs > 0) {
    At(line.Handle, config.BrokenAfterMs, [this](Line& l) {
      if (l.State == RASCS_Connected) BreakLine(l, "line broken");
    });
  }
}

void SimRas::DropLine(Line& line, const char* why) {
  Log(line.Entry + ": " + why);
  CancelTimers(line.Handle);
  line.Error = ERROR_REMOTE_DISCONNECTION;
  EndLine(line);
}

void SimRas::BreakLine(Line& line, const char* why) {
  Log(line.Entry + ": " + why);
  line.State = RASCS_Disconnected;
}

std::uint32_t SimRas::RasHangUpA(HRasConn handle) {
  Line* line = FindLine(handle);
  if (line == nullptr) return ERROR_INVALID_HANDLE;
  if (!line->Ended) Log(line->Entry + ": hung up");
  CancelTimers(handle);
  ReleaseLine(handle);
  return ERROR_SUCCESS;
}

std::vector<HRasConn> SimRas::UpLines(const std::string& entry, bool brokenToo) {
  std::vector<HRasConn> out;
  for (const auto& [handle, line] : Lines()) {
    if (line.Ended || (!entry.empty() && line.Entry != entry)) continue;
    if (line.State == RASCS_Connected || (brokenToo && line.State == RASCS_Disconnected)) {
      out.push_back(handle);
    }
  }
  return out;
}

std::string SimRas::NoLineToDisturb(const std::string& entry, bool breaking) {
  if (!entry.empty() && !Book().HasSection(entry)) return "no such entry: " + entry;
  if (!UpLines(entry, !breaking).empty()) return "";
  bool dialling = false;
  bool broken = false;
  for (const auto& [handle, line] : Lines()) {
    if (line.Ended || (!entry.empty() && line.Entry != entry)) continue;
    (line.State == RASCS_Disconnected ? broken : dialling) = true;
  }
  const std::string what = entry.empty() ? "the line" : entry;
  if (broken) return what + " is broken already";
  if (dialling) return what + " is still dialling";
  return what + " is not connected";
}

int SimRas::Drop(const std::string& entry) {
  const auto handles = UpLines(entry, true);
  for (HRasConn h : handles) {
    if (Line* line = FindLine(h)) DropLine(*line, "line dropped on request");
  }
  return static_cast<int>(handles.size());
}

int SimRas::Break(const std::string& entry) {
  const auto handles = UpLines(entry, false);
  for (HRasConn h : handles) {
    if (Line* line = FindLine(h)) BreakLine(*line, "line broken on request");
  }
  return static_cast<int>(handles.size());
}

bool SimRas::SetNextClientIp(const std::string& entry, const std::string& ip) {
  if (!Book().HasSection(entry) || !IsDottedQuad(ip)) return false;
  nextClientIp_[entry] = ip;
  return true;
}

}  // namespace ras

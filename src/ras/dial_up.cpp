#include "ras/dial_up.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "ras/ras_errors.h"
#include "ras/ras_string_table.h"

namespace ras {

namespace {

constexpr std::uint32_t kMaxRecords = 100;
constexpr std::uint32_t kErrorTextSize = 100;

}  // namespace

// The one-slot mailbox between the notifier thread and the loop's thread.
struct TDialUp::Mailbox : std::enable_shared_from_this<TDialUp::Mailbox> {
  explicit Mailbox(core::EventLoop& loop, TDialUp* owner) : Loop(loop), Owner(owner) {}

  // Notifier thread: waits while the slot is full, fills it, and asks the loop to deliver.
  void Put(unsigned message, std::uint32_t state, std::uint32_t error) {
    std::unique_lock lock(Mutex);
    Freed.wait(lock, [this] { return !Pending || Closed; });
    if (Closed) return;
    Pending = true;
    Message = message;
    State = state;
    Error = error;
    lock.unlock();
    Loop.PostFromAnyThread([weak = weak_from_this()] {
      if (auto box = weak.lock(); box && box->Owner) box->Owner->AsyncTimerTick();
    });
  }

  void Release() {
    {
      std::lock_guard lock(Mutex);
      Pending = false;
    }
    Freed.notify_all();
  }

  void Close() {
    {
      std::lock_guard lock(Mutex);
      Closed = true;
      Pending = false;
    }
    Freed.notify_all();
  }

  core::EventLoop& Loop;
  TDialUp* Owner;  // loop thread only; cleared when the component goes
  std::mutex Mutex;
  std::condition_variable Freed;
  bool Pending = false;
  bool Closed = false;
  unsigned Message = 0;
  std::uint32_t State = 0;
  std::uint32_t Error = 0;
};

namespace {

// The instance that dialled asynchronously last; the notifier has no other way to find it.
std::mutex gDiallerMutex;
std::weak_ptr<TDialUp::Mailbox> gAsyncDialler;

void AsyncDialNotifier(unsigned message, RASCONNSTATE state, std::uint32_t error) {
  std::shared_ptr<TDialUp::Mailbox> box;
  {
    std::lock_guard lock(gDiallerMutex);
    box = gAsyncDialler.lock();
  }
  if (box) box->Put(message, state, error);
}

}  // namespace

TDialUp::TDialUp(core::EventLoop& loop, RasApi& ras)
    : loop_(loop), ras_(ras), mailbox_(std::make_shared<Mailbox>(loop, this)) {
  // The dial-up adapter list comes from the statistics keys of Windows 9x; other systems have
  // none, so DUNA stays empty.
}

TDialUp::~TDialUp() {
  // Releases a notifier that waits for the slot; it does not hang up.
  mailbox_->Owner = nullptr;
  mailbox_->Close();
  std::lock_guard lock(gDiallerMutex);
  if (gAsyncDialler.lock() == mailbox_) gAsyncDialler.reset();
}

void TDialUp::SetLanguage(TRasLanguage language) {
  language_ = language;
  stringTableBase_ = (static_cast<int>(language) + 1) * 1000;
}

std::string TDialUp::ErrorText(std::uint32_t error) {
  char buffer[kErrorTextSize] = {};
  ras_.RasGetErrorStringA(error, buffer, kErrorTextSize);
  return std::string(buffer, strnlen(buffer, kErrorTextSize));
}

std::string TDialUp::GetStatusText(std::uint32_t state, std::uint32_t error) {
  if (error != 0) return ErrorText(error);
  const int offset = RasStateTextOffset(state);
  if (offset == 0) return {};
  return LoadRasString(stringTableBase_ + offset);
}

int TDialUp::Dial() {
  HangUp();

  RASDIALPARAMSA params{};
  params.dwSize = kSizeRasDialParams;
  SetRasField(params.szEntryName, entry_);
  bool passwordSaved = false;
  std::uint32_t rc = ras_.RasGetEntryDialParamsA(&params, &passwordSaved);
  if (rc != 0) {
    if (OnError) OnError(*this, static_cast<int>(rc), "GetEntryDialParams failed");
    return static_cast<int>(rc);
  }

  dialHandle_ = 0;
  if (dialMode_ == TDialMode::dmSync) {
    if (OnDialing) OnDialing(*this);
    rc = ras_.RasDialA(params, nullptr, &dialHandle_);
    if (rc == 0) {
      if (OnConnect) OnConnect(*this);
    } else {
      if (dialHandle_ != 0) HangUpConnection(dialHandle_);
      const std::string text = ErrorText(rc);
      if (OnNotConnected) OnNotConnected(*this, static_cast<int>(rc), text);
    }
    return static_cast<int>(rc);
  }

  {
    std::lock_guard lock(gDiallerMutex);
    gAsyncDialler = mailbox_;
  }
  if (OnDialing) OnDialing(*this);
  rc = ras_.RasDialA(params, &AsyncDialNotifier, &dialHandle_);
  if (rc != 0) {
    // The handle stays as the platform returned it; the connection keeper hangs up before its
    // next dial.
    const std::string text = ErrorText(rc);
    if (OnError) OnError(*this, static_cast<int>(rc), text);
  }
  return static_cast<int>(rc);
}

int TDialUp::HangUp() {
  if (dialHandle_ != 0) return HangUpConnection(dialHandle_);
  if (currentHandle_ != 0) return HangUpConnection(currentHandle_);
  return HangUpConnection(0);
}

int TDialUp::HangUpConnection(HRasConn handle) {
  std::uint32_t rc = ras_.RasHangUpA(handle);
  if (rc != 0) return static_cast<int>(rc);

  // Bounded in program time and in real time, so neither a stuck backend nor a loop that is
  // quitting (and so runs no timers) can hold the program here for good.
  const std::int64_t startMs = loop_.NowMs();
  const auto startReal = std::chrono::steady_clock::now();
  for (;;) {
    RASCONNSTATUSA status{};
    status.dwSize = kSizeRasConnStatus;
    rc = ras_.RasGetConnectStatusA(handle, &status);
    if (rc == ERROR_INVALID_HANDLE) return 0;
    const auto realMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - startReal)
                            .count();
    if (std::max<std::int64_t>(loop_.NowMs() - startMs, realMs) >= kHangUpWaitMs) {
      return static_cast<int>(rc != 0 ? rc : ERROR_TIMEOUT);
    }
    if (loop_.QuitRequested()) {
      if (!loop_.ProcessMessages()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } else {
      loop_.RunFor(kHangUpPollMs);
    }
  }
}

int TDialUp::GetEntries() {
  entries_.clear();
  std::vector<RASENTRYNAMEA> records(kMaxRecords);
  records[0].dwSize = kSizeRasEntryName;
  std::uint32_t bytes = kMaxRecords * kSizeRasEntryName;
  std::uint32_t count = 0;
  const std::uint32_t rc = ras_.RasEnumEntriesA(records.data(), &bytes, &count);
  if (rc != 0) return static_cast<int>(rc);
  count = std::min(count, kMaxRecords);
  for (std::uint32_t i = 0; i < count; ++i) {
    auto& name = records[i].szEntryName;
    name[kMaxEntryName - 1] = '\0';
    entries_.push_back(GetRasField(name));
    if (OnEntryGet) OnEntryGet(*this, name);
  }
  return 0;
}

int TDialUp::GetConnections(int& count) {
  std::vector<RASCONNA> conns(kMaxRecords);
  conns[0].dwSize = kSizeRasConn;
  std::uint32_t bytes = kMaxRecords * kSizeRasConn;
  std::uint32_t n = 0;
  const std::uint32_t rc = ras_.RasEnumConnectionsA(conns.data(), &bytes, &n);
  count = static_cast<int>(n);
  if (rc != 0) return static_cast<int>(rc);
  n = std::min(n, kMaxRecords);
  for (std::uint32_t i = 0; i < n; ++i) {
    RASCONNA& conn = conns[i];
    conn.szEntryName[kMaxEntryName - 1] = '\0';
    conn.szDeviceType[kMaxDeviceType - 1] = '\0';
    conn.szDeviceName[kMaxDeviceName - 1] = '\0';
    RASCONNSTATUSA status{};
    status.dwSize = kSizeRasConnStatus;
    ras_.RasGetConnectStatusA(conn.hrasconn, &status);  // result ignored: the state says it all
    currentHandle_ = conn.hrasconn;
    const std::string text = GetStatusText(status.rasconnstate, status.dwError);
    if (OnActiveConnection) {
      OnActiveConnection(*this, conn.hrasconn, status, text, conn.szEntryName, conn.szDeviceType,
                         conn.szDeviceName);
    }
  }
  return 0;
}

int TDialUp::GetIPAddresses(HRasConn handle) {
  serverIP_.clear();
  clientIP_.clear();
  if (handle == 0) return 0;
  RASPPPIPA projection{};
  projection.dwSize = kSizeRasPppIp;
  std::uint32_t size = kSizeRasPppIp;
  const std::uint32_t rc = ras_.RasGetProjectionInfoA(handle, RASP_PppIp, &projection, &size);
  if (rc != 0) return static_cast<int>(rc);
  clientIP_ = GetRasField(projection.szIpAddress);
  serverIP_ = GetRasField(projection.szServerIpAddress);
  return 0;
}

void TDialUp::AsyncTimerTick() {
  std::shared_ptr<Mailbox> box = mailbox_;
  std::uint32_t state = 0;
  std::uint32_t error = 0;
  {
    std::lock_guard lock(box->Mutex);
    if (!box->Pending) return;
    state = box->State;
    error = box->Error;
  }
  // The slot is freed only after the handler ran, so a notification never overtakes the one
  // being delivered, even when the handler runs the loop.
  struct FreeSlot {
    Mailbox& Box;
    ~FreeSlot() { Box.Release(); }
  } freeSlot{*box};
  if (OnAsyncEvent) {
    const std::string text = GetStatusText(state, error);
    OnAsyncEvent(*this, static_cast<int>(state), static_cast<int>(error), text);
  }
}

}  // namespace ras

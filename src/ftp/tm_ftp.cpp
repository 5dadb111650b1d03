#include "ftp/tm_ftp.h"

#include <algorithm>

#include "ftp/ftp_reply_text.h"
#include "ftp/tm_ftp_transfer_state.h"

namespace ftp {

namespace {

#define STAYLINE_STR2(x) #x
#define STAYLINE_STR(x) STAYLINE_STR2(x)

constexpr std::size_t kControlReadBytes = 16 * 1024;
constexpr std::size_t kMaxViews = 4;

}  // namespace

TMFtp::TMFtp(core::EventLoop& loop)
    : loop_(loop),
      alive_(std::make_shared<bool>(true)),
      resolver_(loop),
      control_(loop, resolver_),
      data_(loop, resolver_),
      keepAlive_(loop, "NoopTimer", 30'000, false),
      replyTimer_(loop),
      retryTimer_(loop) {
  control_.OnResolving = [this](const std::string& host) {
    Info(FtpInfo::kResolvingAddress, host);
  };
  control_.OnResolved = [this](const std::string& address) {
    Info(FtpInfo::kAddressResolved, address);
  };
  control_.OnConnected = [this] {
    connected_ = true;
    reader_.Reset();
    pending_ = [this](const std::string& line) { Greeting(line); };
    ArmReplyTimer();
    Info(FtpInfo::kServerConnected, control_.PeerAddress());
  };
  control_.OnReadable = [this] { ControlReadable(); };
  control_.OnWritable = [this] { WriteControl(); };
  control_.OnError = [this](const FtpFailure& failure) {
    const bool tlsRefused = securing_ && failure.Code == FtpError::kProtocolError;
    securing_ = false;
    if (!tlsRefused) {
      ConnectFailed(failure);  // a lost connection or a time-out is retried
      return;
    }
    // A certificate that does not verify now will not verify on a retry either.
    Fail(failure.Code, failure.Text, true);
  };

  data_.OnConnected = [this] {
    if (transfer_) Info(FtpInfo::kDebug, "Datenverbindung hergestellt");
  };
  data_.OnFinished = [this] { DataFinished(); };
  data_.OnError = [this](const FtpFailure& failure) { DataFailed(failure.Code, failure.Text); };
  data_.OnProgress = [this](std::size_t moved) {
    // Moving data is the one activity that stretches the wait for a transfer's reply.
    lastActivityMs_ = loop_.NowMs();
    bytes_ += moved;
    if (transfer_ && transfer_->TransferKind != Transfer::Kind::kList) {
      Info(FtpInfo::kDataTrace, std::to_string(bytes_));
    }
  };
  keepAlive_.OnTimer = [this] { KeepAliveTimer(); };
}

TMFtp::~TMFtp() {
  *alive_ = false;
  retryTimer_.Cancel();
  replyTimer_.Cancel();
  CloseSockets();
}

std::string TMFtp::Version() {
  return "TMFtp " STAYLINE_STR(STAYLINE_VERSION_MAJOR) "." STAYLINE_STR(
      STAYLINE_VERSION_MINOR) "." STAYLINE_STR(STAYLINE_VERSION_PATCH) "." STAYLINE_STR(STAYLINE_VERSION_TWEAK);
}

bool TMFtp::BindView(TMFtpObserver* view) {
  if (!view || views_.size() >= kMaxViews) return false;
  if (std::find(views_.begin(), views_.end(), view) != views_.end()) return true;
  views_.push_back(view);
  return true;
}

void TMFtp::UnbindView(TMFtpObserver* view) {
  views_.erase(std::remove(views_.begin(), views_.end(), view), views_.end());
}

int TMFtp::PurgeCache(bool folders, bool files, int days) {
  return store_ ? store_->Purge(folders, files, days) : 0;
}

void TMFtp::ForgetCurrentListing() {
  if (store_) store_->Forget(CacheKey());
}

// ---- events ----

void TMFtp::Info(FtpInfo info, const std::string& text) {
  const std::string shown = text.empty() ? std::string(FtpInfoDefaultText(info)) : text;
  if (OnFtpInfo) OnFtpInfo(info, shown);
  for (auto* view : std::vector<TMFtpObserver*>(views_)) view->EngineInfo(info, shown);
}

void TMFtp::Error(FtpError error, const std::string& text) {
  lastError_ = error;
  lastErrorText_ = text;
  if (OnFtpError) OnFtpError(error, text);
  for (auto* view : std::vector<TMFtpObserver*>(views_)) view->EngineError(error, text);
}

std::string TMFtp::Ask(TMFtpInfoNeeded need, std::string value) {
  if (OnFtpNeedInfo) OnFtpNeedInfo(need, value);
  return value;
}

void TMFtp::PostSelf(std::function<void()> task) {
  std::weak_ptr<bool> alive = alive_;
  loop_.Post([alive, task = std::move(task)] {
    if (alive.lock()) task();
  });
}

// ---- claim, end and ready ----

bool TMFtp::Claim(TMFtpOperation op) {
  if (!connected_) {
    Info(FtpInfo::kServerDisconnected);
    return false;
  }
  if (busy_) {
    Info(FtpInfo::kAlreadyBusy);
    return false;
  }
  BeginOperation(op);
  return true;
}

void TMFtp::BeginOperation(TMFtpOperation op) {
  busy_ = true;
  op_ = op;
  aborted_ = false;
  ++opSerial_;
  keepAlive_.SetEnabled(false);
  lastError_ = FtpError::kNone;
  lastErrorText_.clear();
  bytes_ = 0;
  if (op != TMFtpOperation::kDownload) queriedSize_.reset();
  if (OnFtpBusy) OnFtpBusy();
  for (auto* view : std::vector<TMFtpObserver*>(views_)) view->EngineBusy();
}

void TMFtp::Fail(FtpError error, const std::string& text, bool closeConnection) {
  const std::uint64_t serial = opSerial_;
  Error(error, text);
  if (serial != opSerial_) return;  // the error handler closed or aborted the engine itself
  if (closeConnection) {
    CloseSockets();
    connected_ = false;
    loggedIn_ = false;
  }
  EndOperation(false);
}

void TMFtp::EndOperation(bool succeeded) {
  if (op_ == TMFtpOperation::kIdle) return;
  replyTimer_.Cancel();
  pending_ = nullptr;
  data_.Close();
  transfer_.reset();
  batch_.clear();
  const TMFtpOperation op = op_;
  const bool aborted = aborted_;
  op_ = TMFtpOperation::kIdle;
  aborted_ = false;
  ++opSerial_;
  PostSelf([this, op, succeeded, aborted] { ReadyMessage(op, succeeded, aborted); });
}

void TMFtp::ReadyMessage(TMFtpOperation op, bool succeeded, bool aborted) {
  if (op_ == TMFtpOperation::kIdle) busy_ = false;
  StartKeepAlive();
  if (aborted && OnAborted) OnAborted();
  if (OnFtpReady) OnFtpReady();
  for (auto* view : std::vector<TMFtpObserver*>(views_)) view->EngineReady();
  if (succeeded) FireOwnEvent(op);
}

void TMFtp::FireOwnEvent(TMFtpOperation op) {
  const auto fire = [](const std::function<void()>& event) {
    if (event) event();
  };
  switch (op) {
    case TMFtpOperation::kLogin:
      fire(OnLoggedIn);
      break;
    case TMFtpOperation::kChangeDir:
    case TMFtpOperation::kParentDir:
      fire(OnDirectoryChanged);
      break;
    case TMFtpOperation::kMakeDir:
      fire(OnDirectoryCreated);
      break;
    case TMFtpOperation::kRemoveDir:
      fire(OnDirectoryDeleted);
      break;
    case TMFtpOperation::kDelete:
      fire(OnFileDeleted);
      break;
    case TMFtpOperation::kRename:
      fire(OnFileRenamed);
      break;
    case TMFtpOperation::kList:
      fire(OnListingDone);
      break;
    case TMFtpOperation::kDownload:
      fire(OnFileReceived);
      fire(OnFileTransferred);
      break;
    case TMFtpOperation::kUpload:
      fire(OnFileStored);
      fire(OnFileTransferred);
      break;
    default:
      break;
  }
}

void TMFtp::WaitIfSynchronous() {
  if (Asynchronous) return;
  std::weak_ptr<bool> alive = alive_;
  // Transfers may take long; the engine's own time-outs end a stuck operation.
  loop_.RunUntil([&] { return !alive.lock() || (!busy_ && op_ == TMFtpOperation::kIdle); },
                 INT64_C(1) << 40);
}

// ---- control connection ----

namespace {

// A CR or LF would end the command early and send the rest as a command of its own; a NUL cuts
// it short on many servers.
bool HasLineBreakOrNul(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

}  // namespace

bool TMFtp::ArgumentsSafe(std::initializer_list<std::string_view> arguments,
                          std::string_view verb) {
  for (const std::string_view argument : arguments) {
    if (!HasLineBreakOrNul(argument)) continue;
    // Nothing is sent. The argument is not shown: it may be a password or drive a terminal.
    // A login cannot go on without it, so the half-made session is closed.
    Fail(FtpError::kProtocolError, std::string(kTextBadSyntax) + ": " + std::string(verb),
         op_ == TMFtpOperation::kLogin);
    return false;
  }
  return true;
}

void TMFtp::SendCommand(const std::string& command, ReplyHandler next) {
  if (!control_.IsConnected()) return;
  const std::string_view verb = std::string_view(command).substr(0, command.find(' '));
  if (!ArgumentsSafe({command}, HasLineBreakOrNul(verb) ? std::string_view("?") : verb)) return;
  const std::uint64_t generation = controlGeneration_;
  Info(FtpInfo::kTraceOut,
       command.rfind("PASS ", 0) == 0 ? std::string(kTextPasswordSent) : command);
  if (generation != controlGeneration_ || !control_.IsConnected()) return;
  controlOut_ += command;
  controlOut_ += "\r\n";
  WriteControl();
  if (generation != controlGeneration_ || !control_.IsConnected()) return;
  pending_ = std::move(next);
  ArmReplyTimer();
}

void TMFtp::WriteControl() {
  while (!controlOut_.empty()) {
    const long n = control_.Send(controlOut_.data(), controlOut_.size());
    if (n == TMSocket::kWouldBlock) {
      control_.SetWantWrite(true);
      return;
    }
    if (n == TMSocket::kFailed) {
      const FtpFailure failure = control_.LastFailure();
      Error(failure.Code, failure.Text);
      ConnectionLost();
      return;
    }
    controlOut_.erase(0, static_cast<std::size_t>(n));
  }
  control_.SetWantWrite(false);
}

void TMFtp::ControlReadable() {
  const std::uint64_t generation = controlGeneration_;
  char buffer[kControlReadBytes];
  for (;;) {
    const long n = control_.Receive(buffer, sizeof buffer);
    if (n == TMSocket::kWouldBlock) return;
    if (n == 0) {
      ConnectionLost();
      return;
    }
    if (n == TMSocket::kFailed) {
      const FtpFailure failure = control_.LastFailure();
      Error(failure.Code, failure.Text);
      if (generation == controlGeneration_) ConnectionLost();
      return;
    }
    const std::string_view chunk(buffer, static_cast<std::size_t>(n));
    Info(FtpInfo::kTraceIn, std::string(chunk));
    if (generation != controlGeneration_) return;
    std::vector<FtpReplyEvent> events;
    const FtpReplyReader::Status status = reader_.Feed(chunk, events);
    for (auto& event : events) {
      if (generation != controlGeneration_) return;
      if (event.EventKind == FtpReplyEvent::Kind::kMultiLineDone) {
        multiLine_ = event.Lines;
        Info(FtpInfo::kMultiLineReply, event.Text());
      } else {
        HandleReply(event.Lines.front());
      }
    }
    if (generation != controlGeneration_) return;
    if (status != FtpReplyReader::Status::kOk) {
      // The reply stream cannot be trusted any more: end the session.
      Fail(FtpError::kProtocolError,
           std::string(status == FtpReplyReader::Status::kLineTooLong ? kTextReplyLineTooLong
                                                                      : kTextReplyTooLong),
           true);
      return;
    }
  }
}

void TMFtp::HandleReply(const std::string& line) {
  lastReply_ = line;
  ReplyHandler next = std::move(pending_);
  pending_ = nullptr;
  if (!next) {
    // Unasked for: it stops no clock (a transfer's data may still be owed).
    Info(FtpInfo::kDebug, "Unerwartete Antwort: " + line);
    return;
  }
  replyTimer_.Cancel();
  next(line);
}

// A reply must be complete within TimeOut seconds of its command (or of the connect, for the
// greeting); bytes of it trickling in do not stretch that.
void TMFtp::ArmReplyTimer() {
  lastActivityMs_ = loop_.NowMs();
  replyTimer_.Start(std::int64_t{TimeOut} * 1000, [this] { ReplyTimedOut(); });
}

void TMFtp::ReplyTimedOut() {
  // After the transfer's final reply its data is still owed, under the same limit.
  const bool dataOwed = transfer_ && transfer_->ReplyDone && !transfer_->DataDone;
  if (!pending_ && !dataOwed) return;
  // A transfer that still moves data is not stuck, however long its final reply takes.
  const std::int64_t limit = std::int64_t{TimeOut} * 1000;
  const std::int64_t idle = loop_.NowMs() - lastActivityMs_;
  if (idle < limit) {
    replyTimer_.Start(limit - idle, [this] { ReplyTimedOut(); });
    return;
  }
  pending_ = nullptr;
  if (op_ == TMFtpOperation::kLogin && !loggedIn_) {
    ConnectFailed({FtpError::kConnectTimeOut, std::string(kTextTimedOut)});
    return;
  }
  // A data connection that failed first is why the server never finished; it stays a time-out
  // (callers act on the code), with that failure named.
  std::string text(kTextTimedOut);
  if (transfer_ && transfer_->PendingError != FtpError::kNone) {
    text += " (data connection: " + transfer_->PendingText + ")";
  }
  Fail(FtpError::kConnectTimeOut, text, true);
}

void TMFtp::ConnectionLost() {
  if (op_ == TMFtpOperation::kLogin && !loggedIn_) {
    ConnectFailed({FtpError::kPrematureDisconnect, std::string(kTextConnectionLost)});
    return;
  }
  // A transfer not yet confirmed by its final reply (and its whole data) is cut off: whatever
  // arrived of it is not the file.
  const bool cutOff = transfer_ != nullptr;
  CloseSockets();
  connected_ = false;
  if (cutOff) {
    const std::uint64_t serial = opSerial_;
    Error(FtpError::kPrematureDisconnect, std::string(kTextConnectionLost));
    if (serial != opSerial_) return;  // the error handler closed or aborted the engine
  }
  Info(FtpInfo::kServerDisconnected, std::string(kTextConnectionLost));
  PostSelf([this] { QuitMessage(); });
  EndOperation(false);
}

void TMFtp::QuitMessage() {
  busy_ = busy_ && op_ != TMFtpOperation::kIdle;
  keepAlive_.SetEnabled(false);
  loggedIn_ = false;
  if (OnFtpQuit) OnFtpQuit();
  for (auto* view : std::vector<TMFtpObserver*>(views_)) view->EngineQuit();
}

void TMFtp::CloseSockets() {
  data_.Close();
  control_.Close();
  securing_ = false;
  controlOut_.clear();
  reader_.Reset();
  pending_ = nullptr;
  replyTimer_.Cancel();
  keepAlive_.SetEnabled(false);
  ++controlGeneration_;
  transfer_.reset();
}

// ---- keep-alive ----

void TMFtp::StartKeepAlive() {
  if (!connected_ || !loggedIn_ || busy_ || NoopInterval <= 0) return;
  keepAlive_.SetEnabled(false);
  keepAlive_.SetInterval(static_cast<std::uint32_t>(NoopInterval) * 1000);
  keepAlive_.SetEnabled(true);
}

void TMFtp::KeepAliveTimer() {
  keepAlive_.SetEnabled(false);
  if (!connected_ || !loggedIn_ || busy_) return;
  if (!Claim(TMFtpOperation::kKeepAlive)) return;
  SendCommand("NOOP", [this](const std::string&) { EndOperation(true); });
}

// ---- closing and aborting ----

void TMFtp::Close() {
  retryTimer_.Cancel();
  retriesLeft_ = 0;
  CloseSockets();
  connected_ = false;
  loggedIn_ = false;
  busy_ = false;
  aborted_ = false;
  op_ = TMFtpOperation::kIdle;
  batch_.clear();
  ++opSerial_;
}

void TMFtp::Abort() {
  transfer_.reset();
  PutFileOpen = false;
  PutIssued = false;
  Close();
}

void TMFtp::AbortTransfer() {
  if (op_ == TMFtpOperation::kLogin) {
    retryTimer_.Cancel();
    retriesLeft_ = 0;
    CloseSockets();
    connected_ = false;
    aborted_ = true;
    EndOperation(false);
    return;
  }
  const bool transferring = op_ == TMFtpOperation::kList || op_ == TMFtpOperation::kDownload ||
                            op_ == TMFtpOperation::kUpload || op_ == TMFtpOperation::kMultiUpload;
  if (!transferring) {
    if (op_ != TMFtpOperation::kIdle) aborted_ = true;
    return;
  }
  if (aborted_) return;  // already on its way
  aborted_ = true;
  const bool listing = op_ == TMFtpOperation::kList;
  // Stop the data at once: the server sees the connection go and answers the transfer.
  data_.Close();
  transfer_.reset();
  batch_.clear();
  // Replies still owed: the transfer command's (when one is outstanding) and ABOR's.
  auto owed = std::make_shared<int>(pending_ ? 2 : 1);
  pending_ = nullptr;
  const std::uint64_t generation = controlGeneration_;
  Info(FtpInfo::kTraceOut, "ABOR");
  // Telnet Interrupt Process, then the Synch (Data Mark as urgent data), then ABOR. No second
  // Data Mark after ABOR: stock servers read it as the start of the next command and refuse that.
  // Over TLS there is no urgent data, and servers read the ABOR line as it comes.
  static constexpr char kInterrupt[] = {'\xFF', '\xF4'};
  static constexpr char kDataMark[] = {'\xFF', '\xF2'};
  if (!control_.Secure() &&
      (control_.Send(kInterrupt, sizeof kInterrupt) == TMSocket::kFailed ||
       control_.Send(kDataMark, sizeof kDataMark, true) == TMSocket::kFailed)) {
    ConnectionLost();
    return;
  }
  controlOut_ += "ABOR\r\n";
  WriteControl();
  if (generation != controlGeneration_) return;
  AbsorbAbortReplies(owed);
  if (listing) Info(FtpInfo::kSearchStopped);
}

void TMFtp::AbsorbAbortReplies(std::shared_ptr<int> owed) {
  pending_ = [this, owed](const std::string& line) {
    if (ReplyClass(line) != '1') --*owed;
    if (*owed <= 0) {
      EndOperation(false);
    } else {
      AbsorbAbortReplies(owed);
    }
  };
  ArmReplyTimer();
}

std::string TMFtp::Location() const {
  std::string dir = currentDir_.empty() ? "/" : currentDir_;
  if (dir.front() != '/') dir.insert(dir.begin(), '/');
  if (dir.back() != '/') dir += '/';
  const int port = Port == 0 ? 21 : Port;
  return "ftp://" + Server + (port != 21 ? ":" + std::to_string(port) : std::string()) + dir;
}

}  // namespace ftp

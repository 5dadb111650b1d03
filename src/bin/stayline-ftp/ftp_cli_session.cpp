#include "bin/stayline-ftp/ftp_cli_session.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string_view>

#include "ftp/ftp_reply_text.h"
#include "ftp/listing_parser.h"
#include "platform/paths.h"

namespace staylineftp {

namespace {

// Received protocol text for -v: line by line, each made printable.
std::string PrintableTrace(const std::string& chunk) {
  std::string out;
  std::size_t start = 0;
  while (start < chunk.size()) {
    std::size_t end = chunk.find('\n', start);
    const bool lineEnd = end != std::string::npos;
    if (!lineEnd) end = chunk.size();
    std::string_view line(chunk.data() + start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    out += ftp::PrintableText(line);
    if (lineEnd) out += '\n';
    start = end + 1;
  }
  return out;
}

}  // namespace

std::int64_t LocalSize(const std::string& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  return ec ? -1 : static_cast<std::int64_t>(size);
}

FtpCliSession::FtpCliSession(const Options& options, const FtpUrl& url)
    : ftp_(loop_), options_(options) {
  ftp_.Server = url.Host;
  ftp_.Port = url.Port;
  ftp_.Username = url.User.empty() ? "anonymous" : url.User;
  if (url.Password) {
    ftp_.Password = *url.Password;
  } else if (const char* env = std::getenv("STAYLINE_FTP_PASSWORD")) {
    ftp_.Password = env;
  } else if (!url.User.empty() && url.User != "anonymous" && url.User != "ftp") {
    ftp_.Password.clear();
  }
  ftp_.InitialDirectory = url.Dir;
  ftp_.Security =
      url.Tls || options.Tls ? ftp::TMFtpSecurity::ExplicitTls : ftp::TMFtpSecurity::None;
  ftp_.TlsCAFile = options.CaFile;
  ftp_.Passive = options.Passive;
  ftp_.TransferMode = options.Ascii ? ftp::TMFtpTransferMode::AsciiTransfer
                                    : ftp::TMFtpTransferMode::BinaryTransfer;
  ftp_.ServerType = options.Type.value_or(ftp::TMFtpServerType::ftpstAutoDetect);
  ftp_.Retries = 0;
  ftp_.NoopInterval = 0;
  ftp_.Cache = !options.NoCache;
  if (!options.NoCache) {
    cache_.emplace(platform::Paths::Resolve("").dataDir + "/ftpcache");
    if (cache_->Prepare()) {
      store_.emplace(*cache_);
      ftp_.SetListingStore(&*store_);
    }
  }
  ftp_.OnFtpReady = [this] { ready_ = true; };
  ftp_.OnFtpError = [this](ftp::FtpError error, const std::string& text) {
    const int osError = errno;  // a local-file error comes straight from the failed call
    if (error_ == ftp::FtpError::kNone) Record(error, text, osError);
  };
  ftp_.OnFtpInfo = [this](ftp::FtpInfo info, const std::string& text) { Info(info, text); };
  ftp_.OnFtpNeedInfo = [this](ftp::TMFtpInfoNeeded need, std::string& value) {
    if (need == ftp::TMFtpInfoNeeded::kLocalFileExists) {
      value = options_.Existing.empty() ? "Cancel" : options_.Existing;
      if (options_.Existing.empty()) cancelled_ = true;
    }
  };
}

bool FtpCliSession::Run(const std::function<bool()>& op) {
  ready_ = false;
  replied_ = false;
  cutOff_ = false;
  if (!op()) {
    Fail(ftp_.Connected() ? "engine refused the operation" : "not connected to the server");
    return false;
  }
  loop_.RunUntil([this] { return ready_; }, INT64_C(1) << 40);
  if (error_ != ftp::FtpError::kNone) return false;
  if (!refusal_.empty()) {
    Fail(refusal_);
    return false;
  }
  // The engine ends a plain command quietly when the connection goes; nothing confirmed it.
  if (cutOff_) {
    Fail("connection closed by the server before it answered " + lastCommand_ +
         "; whether it was done is unknown");
    return false;
  }
  if (cancelled_) {
    Fail("target exists; use --resume or --overwrite");
    return false;
  }
  return true;
}

bool FtpCliSession::Login() {
  if (!Run([this] { return ftp_.Login(); })) return false;
  if (!ftp_.LoggedIn()) {
    Fail("login failed");
    return false;
  }
  return true;
}

// Everything printed here may carry the server's text, so it is made printable.
int FtpCliSession::Report() const {
  std::cerr << "stayline-ftp: ";
  if (error_ != ftp::FtpError::kNone) {
    std::cerr << ftp::FtpErrorName(error_) << " (" << static_cast<int>(error_)
              << "): " << ftp::PrintableText(errorText_);
    if (!serverLine_.empty()) std::cerr << " (server: " << ftp::PrintableText(serverLine_) << ")";
  } else {
    std::cerr << ftp::PrintableText(message_);
  }
  std::cerr << "\n";
  return 1;
}

void FtpCliSession::Quit() {
  if (ftp_.Connected()) Run([this] { return ftp_.Quit(); });
}

void FtpCliSession::Fail(const std::string& message) {
  if (message_.empty()) message_ = message;
}

void FtpCliSession::Record(ftp::FtpError error, const std::string& text, int osError) {
  error_ = error;
  errorText_ = text;
  // The engine names the local file; the reason is the system's.
  const bool localFile = error == ftp::FtpError::kFileOpen || error == ftp::FtpError::kFileWrite ||
                         error == ftp::FtpError::kFileRead;
  if (localFile && !text.empty() && text == files_.Local && osError != 0) {
    errorText_ += ": " + std::string(std::strerror(osError));
  }
  // A refusal the engine words in its own text still shows what the server said.
  const std::string& reply = ftp_.LastReply();
  const char replyClass = ftp::ReplyClass(reply);
  if (replied_ && (replyClass == '4' || replyClass == '5') &&
      text.find(reply) == std::string::npos) {
    serverLine_ = reply;
  }
}

void FtpCliSession::Info(ftp::FtpInfo info, const std::string& text) {
  if (info == ftp::FtpInfo::kTraceOut) {
    replied_ = false;
    lastCommand_ = text;
  }
  if (info == ftp::FtpInfo::kTraceIn) replied_ = true;
  if (info == ftp::FtpInfo::kNothing) nothingToDo_ = true;
  // Raised before the engine ends the operation: a connection lost after its answer is not.
  const ftp::TMFtpOperation op = ftp_.Operation();
  if (info == ftp::FtpInfo::kServerDisconnected && op != ftp::TMFtpOperation::kIdle &&
      op != ftp::TMFtpOperation::kQuit) {
    cutOff_ = true;
  }
  if (options_.Verbose && info == ftp::FtpInfo::kTraceIn) {
    std::cerr << PrintableTrace(text);
  } else if (options_.Verbose && info == ftp::FtpInfo::kTraceOut) {
    std::cerr << "> " << ftp::PrintableText(text) << "\n";
  } else if (options_.Verbose && info != ftp::FtpInfo::kDataTrace &&
             info != ftp::FtpInfo::kListingParsed) {
    std::cerr << "[" << ftp::FtpInfoName(info) << "] " << ftp::PrintableText(text) << "\n";
  }
  if (info == ftp::FtpInfo::kNotSupportResume) RefuseRestart();
}

// When a resume cannot be done the engine starts the transfer over, which replaces the target:
// a longer local file on get, a longer remote one on put. With --resume that is refused and
// the target left as it is; --overwrite is the way to replace it. An empty local file loses
// nothing by starting over.
void FtpCliSession::RefuseRestart() {
  const ftp::TMFtpOperation op = ftp_.Operation();
  if (options_.Existing != "Resume" || files_.Local.empty()) return;
  if (op != ftp::TMFtpOperation::kDownload && op != ftp::TMFtpOperation::kUpload) return;
  const std::int64_t localSize = LocalSize(files_.Local);
  const std::string local = files_.Local + " (" + std::to_string(localSize) + " bytes)";
  const std::string reply = ftp_.LastReply();
  const auto remoteSize = ftp::ReplyClass(reply) == '2' ? ftp::SizeFromReply(reply) : std::nullopt;
  const std::string remote =
      files_.Remote + " on the server" +
      (remoteSize ? " (" + std::to_string(*remoteSize) + " bytes)" : std::string());
  std::string why;
  if (op == ftp::TMFtpOperation::kUpload) {
    why = remote + " is longer than " + local;
  } else if (localSize <= 0) {
    return;
  } else if (!ftp_.SupportsResume()) {
    why = "the server cannot resume downloads";
  } else if (!remoteSize) {
    why = "the server does not tell the size of " + files_.Remote + " (" + reply + ")";
  } else {
    why = local + " is longer than " + remote;
  }
  const std::string target = op == ftp::TMFtpOperation::kUpload ? remote : files_.Local;
  refusal_ =
      "cannot resume: " + why + "; " + target + " is left as it was (--overwrite replaces it)";
  ftp_.Abort();  // before the engine truncates anything
  ready_ = true;
}

}  // namespace staylineftp

// stayline-ftp: a small command-line FTP client over the program's FTP engine (TMFtp), and the
// listing parser on its own (`parse`). One command per run; exit code 0 on success, 1 with the
// engine's error name and text on failure, 2 for a usage error.

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "core/poll_loop.h"
#include "ftp/ftp_listing_cache_store.h"
#include "ftp/ftp_reply_text.h"
#include "ftp/listing_cache.h"
#include "ftp/listing_parser.h"
#include "ftp/tm_ftp.h"
#include "platform/paths.h"

namespace {

constexpr const char* kUsage =
    "usage: stayline-ftp [--passive|--active] [--ascii|--binary] [--type NAME] [--no-cache] [-v]\n"
    "                    ftp://[user[:password]@]host[:port][/dir] COMMAND\n"
    "  ls [DIR] | get REMOTE LOCAL [--resume|--overwrite] | put LOCAL REMOTE "
    "[--resume|--overwrite]\n"
    "  | rm NAME | mkdir NAME | rmdir NAME | rename OLD NEW\n"
    "       stayline-ftp parse [--type NAME] < LISTING\n"
    "The password is taken from STAYLINE_FTP_PASSWORD when the URL has none.\n";

struct Options {
  bool Passive = true;
  bool Ascii = false;
  std::optional<ftp::TMFtpServerType> Type;
  bool NoCache = false;
  bool Verbose = false;
  std::string Existing;  // answer to "local/remote file exists": "Resume", "Overwrite" or ""
  std::string Url;
  std::vector<std::string> Command;
};

struct FtpUrl {
  std::string User;
  std::optional<std::string> Password;
  std::string Host;
  int Port = 21;
  // The folder entered after login: relative to the login folder, like curl and RFC 1738 take
  // it ("ftp://host/pub"); "ftp://host//srv" or "ftp://host/%2Fsrv" names an absolute one.
  // Empty: stay where the server put us.
  std::string Dir;
};

int Usage(const std::string& why) {
  if (!why.empty()) std::cerr << "stayline-ftp: " << why << "\n";
  std::cerr << kUsage;
  return 2;
}

std::string PercentDecode(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() &&
        std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::optional<FtpUrl> ParseUrl(const std::string& url) {
  const std::string scheme = "ftp://";
  if (url.compare(0, scheme.size(), scheme) != 0) return std::nullopt;
  std::string rest = url.substr(scheme.size());
  FtpUrl result;
  const std::size_t slash = rest.find('/');
  if (slash != std::string::npos) {
    result.Dir = PercentDecode(rest.substr(slash + 1));
    rest.resize(slash);
  }
  const std::size_t at = rest.rfind('@');
  if (at != std::string::npos) {
    const std::string userInfo = rest.substr(0, at);
    rest = rest.substr(at + 1);
    const std::size_t colon = userInfo.find(':');
    result.User = PercentDecode(userInfo.substr(0, colon));
    if (colon != std::string::npos) result.Password = PercentDecode(userInfo.substr(colon + 1));
  }
  const std::size_t colon = rest.rfind(':');
  if (colon != std::string::npos) {
    const std::string port = rest.substr(colon + 1);
    if (port.empty() || port.find_first_not_of("0123456789") != std::string::npos ||
        port.size() > 5) {
      return std::nullopt;
    }
    result.Port = std::stoi(port);
    rest.resize(colon);
  }
  if (rest.empty() || result.Port <= 0 || result.Port > 65535) return std::nullopt;
  result.Host = rest;
  return result;
}

std::optional<int> ParseArgs(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--passive") {
      options.Passive = true;
    } else if (arg == "--active") {
      options.Passive = false;
    } else if (arg == "--ascii") {
      options.Ascii = true;
    } else if (arg == "--binary") {
      options.Ascii = false;
    } else if (arg == "--no-cache") {
      options.NoCache = true;
    } else if (arg == "-v") {
      options.Verbose = true;
    } else if (arg == "--resume") {
      options.Existing = "Resume";
    } else if (arg == "--overwrite") {
      options.Existing = "Overwrite";
    } else if (arg == "--type") {
      if (++i >= argc) return Usage("--type needs a server type name");
      options.Type = ftp::ServerTypeFromName(argv[i]);
      if (!options.Type) return Usage(std::string("unknown server type: ") + argv[i]);
    } else if (arg == "-h" || arg == "--help") {
      std::cout << kUsage;
      return 0;
    } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
      return Usage("unknown option: " + arg);
    } else if (options.Url.empty() && (arg != "parse" || !options.Command.empty())) {
      options.Url = arg;
    } else {
      options.Command.push_back(arg);
    }
  }
  return std::nullopt;
}

int Parse(const Options& options) {
  const std::string text((std::istreambuf_iterator<char>(std::cin)),
                         std::istreambuf_iterator<char>());
  const auto type = options.Type.value_or(ftp::TMFtpServerType::ftpstAutoDetect);
  for (const auto& entry : ftp::ParseListingText(text, type, ftp::CurrentLocalYear())) {
    std::cout << ftp::FormatListingEntry(entry) << "\n";
  }
  return 0;
}

std::int64_t LocalSize(const std::string& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  return ec ? -1 : static_cast<std::int64_t>(size);
}

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

// The transfer a get or put runs, for the resume guard and the messages.
struct TransferFiles {
  std::string Remote;
  std::string Local;
};

// Runs one engine operation to its ready notification.
class Session {
 public:
  Session(const Options& options, const FtpUrl& url) : ftp_(loop_), options_(options) {
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

  ftp::TMFtp& Engine() { return ftp_; }
  void SetTransfer(TransferFiles files) { files_ = std::move(files); }
  // The resume had nothing to do: the target already holds the whole file.
  [[nodiscard]] bool NothingToDo() const { return nothingToDo_; }

  // Starts `op` and runs the loop until its ready notification; true when no error came.
  bool Run(const std::function<bool()>& op) {
    ready_ = false;
    replied_ = false;
    if (!op()) {
      Fail("engine refused the operation");
      return false;
    }
    loop_.RunUntil([this] { return ready_; }, INT64_C(1) << 40);
    if (error_ != ftp::FtpError::kNone) return false;
    if (!refusal_.empty()) {
      Fail(refusal_);
      return false;
    }
    if (cancelled_) {
      Fail("target exists; use --resume or --overwrite");
      return false;
    }
    return true;
  }

  bool Login() {
    if (!Run([this] { return ftp_.Login(); })) return false;
    if (!ftp_.LoggedIn()) {
      Fail("login failed");
      return false;
    }
    return true;
  }

  // Everything printed here may carry the server's text, so it is made printable.
  int Report() const {
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

  void Quit() {
    if (ftp_.Connected()) Run([this] { return ftp_.Quit(); });
  }

 private:
  void Fail(const std::string& message) {
    if (message_.empty()) message_ = message;
  }

  void Record(ftp::FtpError error, const std::string& text, int osError) {
    error_ = error;
    errorText_ = text;
    // The engine names the local file; the reason is the system's.
    const bool localFile = error == ftp::FtpError::kFileOpen ||
                           error == ftp::FtpError::kFileWrite || error == ftp::FtpError::kFileRead;
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

  void Info(ftp::FtpInfo info, const std::string& text) {
    if (info == ftp::FtpInfo::kTraceOut) replied_ = false;
    if (info == ftp::FtpInfo::kTraceIn) replied_ = true;
    if (info == ftp::FtpInfo::kNothing) nothingToDo_ = true;
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
  void RefuseRestart() {
    const ftp::TMFtpOperation op = ftp_.Operation();
    if (options_.Existing != "Resume" || files_.Local.empty()) return;
    if (op != ftp::TMFtpOperation::kDownload && op != ftp::TMFtpOperation::kUpload) return;
    const std::int64_t localSize = LocalSize(files_.Local);
    const std::string local = files_.Local + " (" + std::to_string(localSize) + " bytes)";
    const std::string reply = ftp_.LastReply();
    const auto remoteSize =
        ftp::ReplyClass(reply) == '2' ? ftp::SizeFromReply(reply) : std::nullopt;
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

  core::PollLoop loop_;
  ftp::TMFtp ftp_;
  const Options& options_;
  std::optional<ftp::ListingCache> cache_;
  std::optional<ftp::FtpListingCacheStore> store_;
  TransferFiles files_;
  bool ready_ = false;
  bool cancelled_ = false;
  bool replied_ = false;  // a reply came since the last command was sent
  bool nothingToDo_ = false;
  std::string refusal_;
  ftp::FtpError error_ = ftp::FtpError::kNone;
  std::string errorText_;
  std::string serverLine_;
  std::string message_;
};

// Command name and argument count are checked before anything is connected.
bool ValidCommand(const std::vector<std::string>& cmd) {
  const std::string& name = cmd[0];
  const std::size_t args = cmd.size() - 1;
  if (name == "ls") return args <= 1;
  if (name == "get" || name == "put" || name == "rename") return args == 2;
  if (name == "rm" || name == "mkdir" || name == "rmdir") return args == 1;
  return false;
}

int RunCommand(Session& session, const std::vector<std::string>& cmd) {
  ftp::TMFtp& ftp = session.Engine();
  const std::string& name = cmd[0];
  const auto args = [&](std::size_t count) { return cmd.size() == count + 1; };
  bool ok = false;
  if (name == "ls" && (args(0) || args(1))) {
    ok = (args(0) || session.Run([&] { return ftp.ChangeDir(cmd[1]); })) &&
         session.Run([&] { return ftp.Refresh(); });
    if (ok) {
      for (const auto& entry : ftp.Folders()) std::cout << ftp::FormatListingEntry(entry) << "\n";
      for (const auto& entry : ftp.Files()) std::cout << ftp::FormatListingEntry(entry) << "\n";
    }
  } else if (name == "get" && args(2)) {
    std::error_code ec;
    const bool existed = std::filesystem::exists(cmd[2], ec);
    session.SetTransfer({cmd[1], cmd[2]});
    ok = session.Run([&] { return ftp.Download(cmd[1], cmd[2]); });
    // The engine creates the local file before the server answers RETR; a refused download
    // leaves no empty file behind (a partial one stays, for --resume).
    if (!ok && !existed && std::filesystem::is_regular_file(cmd[2], ec) &&
        std::filesystem::file_size(cmd[2], ec) == 0) {
      std::filesystem::remove(cmd[2], ec);
    }
  } else if (name == "put" && args(2)) {
    session.SetTransfer({cmd[2], cmd[1]});
    ok = session.Run([&] { return ftp.Upload(cmd[1], cmd[2]); });
  } else if (name == "rm" && args(1)) {
    ok = session.Run([&] { return ftp.DeleteFile(cmd[1]); });
  } else if (name == "mkdir" && args(1)) {
    ok = session.Run([&] { return ftp.MakeDir(cmd[1]); });
  } else if (name == "rmdir" && args(1)) {
    ok = session.Run([&] { return ftp.RemoveDir(cmd[1]); });
  } else if (name == "rename" && args(2)) {
    ok = session.Run([&] { return ftp.Rename(cmd[1], cmd[2]); });
  } else {
    return Usage("unknown command or wrong number of arguments: " + name);
  }
  // A command that changed the current folder leaves its cached listing stale.
  if (name != "ls" && name != "get") ftp.ForgetCurrentListing();
  if (!ok) return session.Report();
  if (session.NothingToDo()) {
    const std::string size = std::to_string(LocalSize(name == "get" ? cmd[2] : cmd[1]));
    const std::string what =
        name == "get" ? cmd[2] + " already holds all " + size + " bytes of " + cmd[1]
                      : cmd[2] + " on the server already holds all " + size + " bytes of " + cmd[1];
    std::cerr << "stayline-ftp: Ich habe nichts zu tun: " << ftp::PrintableText(what)
              << "; nothing was transferred\n";
  }
  session.Quit();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (auto early = ParseArgs(argc, argv, options)) return *early;
  if (options.Url.empty() && !options.Command.empty() && options.Command[0] == "parse") {
    return Parse(options);
  }
  if (options.Url.empty()) return Usage("missing ftp:// address");
  if (options.Command.empty()) return Usage("missing command");
  const auto url = ParseUrl(options.Url);
  if (!url)
    return Usage("not an ftp://[user[:password]@]host[:port][/dir] address: " + options.Url);
  if (!ValidCommand(options.Command)) {
    return Usage("unknown command or wrong number of arguments: " + options.Command[0]);
  }
  Session session(options, *url);
  if (!session.Login()) return session.Report();
  return RunCommand(session, options.Command);
}

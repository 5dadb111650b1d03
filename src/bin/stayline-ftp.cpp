// stayline-ftp: a small command-line FTP client over the program's FTP engine (TMFtp), and the
// listing parser on its own (`parse`). One command per run; exit code 0 on success, 1 with the
// engine's error name and text on failure, 2 for a usage error.

#include <cctype>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "bin/stayline-ftp/ftp_cli_options.h"
#include "bin/stayline-ftp/ftp_cli_session.h"
#include "ftp/ftp_reply_text.h"
#include "ftp/listing_parser.h"
#include "ftp/tm_ftp.h"
#include "platform/program_info.h"

namespace {

constexpr const char* kUsage =
    "usage: stayline-ftp [--passive|--active] [--ascii|--binary] [--type NAME] [--no-cache] [-v]\n"
    "                    [--tls] [--cafile FILE] ftp[s]://[user[:password]@]host[:port][/dir] "
    "COMMAND\n"
    "  ls [DIR] | get REMOTE LOCAL [--resume|--overwrite] | put LOCAL REMOTE "
    "[--resume|--overwrite]\n"
    "  | rm NAME | mkdir NAME | rmdir NAME | rename OLD NEW\n"
    "       stayline-ftp parse [--type NAME] < LISTING\n"
    "       stayline-ftp --help | --version\n"
    "  --passive, --active  data connection by PASV (the default) or by PORT\n"
    "  --ascii, --binary    transfer type of get and put (binary is the default)\n"
    "  --type NAME          the server's listing format (unix, VmsMultinet, ...), else SYST\n"
    "  --no-cache           list from the server, leave the listing cache alone\n"
    "  -v                   print the protocol on standard error\n"
    "  --tls                explicit TLS for an ftp:// address, as ftps:// does: AUTH TLS on\n"
    "                       the normal port (21 by default; not implicit FTPS on port 990),\n"
    "                       the login and all data encrypted, no fallback to plain text\n"
    "  --cafile FILE        PEM certificates trusted besides the system's\n"
    "  --resume             get/put: continue an existing target\n"
    "  --overwrite          get/put: replace an existing target\n"
    "  -h, --help           show this text\n"
    "  --version            show the version\n"
    "The password is taken from STAYLINE_FTP_PASSWORD when the URL has none.\n";

using staylineftp::FtpUrl;
using staylineftp::Options;

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
  FtpUrl result;
  std::string scheme = "ftp://";
  if (url.compare(0, scheme.size(), scheme) != 0) {
    scheme = "ftps://";
    if (url.compare(0, scheme.size(), scheme) != 0) return std::nullopt;
    result.Tls = true;
  }
  std::string rest = url.substr(scheme.size());
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
    } else if (arg == "--tls") {
      options.Tls = true;
    } else if (arg == "--cafile") {
      if (++i >= argc) return Usage("--cafile needs a file");
      options.CaFile = argv[i];
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
    } else if (arg == "--version") {
      std::cout << platform::ProgramInfo::VersionLine("stayline-ftp") << "\n";
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

// Command name and argument count are checked before anything is connected.
bool ValidCommand(const std::vector<std::string>& cmd) {
  const std::string& name = cmd[0];
  const std::size_t args = cmd.size() - 1;
  if (name == "ls") return args <= 1;
  if (name == "get" || name == "put" || name == "rename") return args == 2;
  if (name == "rm" || name == "mkdir" || name == "rmdir") return args == 1;
  return false;
}

int RunCommand(staylineftp::FtpCliSession& session, const Options& options) {
  const std::vector<std::string>& cmd = options.Command;
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
    // A binary download is checked against the file's size; the server is asked for it first
    // (a server that does not tell it gives no failure). A resume asks for it itself, and a
    // download that will not replace an existing target needs none.
    const bool replaces = !existed || options.Existing == "Overwrite";
    ok = (options.Ascii || !replaces || session.Run([&] { return ftp.QuerySize(cmd[1]); })) &&
         session.Run([&] { return ftp.Download(cmd[1], cmd[2]); });
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
    const std::string size =
        std::to_string(staylineftp::LocalSize(name == "get" ? cmd[2] : cmd[1]));
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
  if (options.Url.empty()) return Usage("missing ftp:// or ftps:// address");
  if (options.Command.empty()) return Usage("missing command");
  const auto url = ParseUrl(options.Url);
  if (!url)
    return Usage("not an ftp[s]://[user[:password]@]host[:port][/dir] address: " + options.Url);
  if (!ValidCommand(options.Command)) {
    return Usage("unknown command or wrong number of arguments: " + options.Command[0]);
  }
  staylineftp::FtpCliSession session(options, *url);
  if (!session.Login()) return session.Report();
  return RunCommand(session, options);
}

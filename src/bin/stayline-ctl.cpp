// stayline-ctl: sends one request to a running Stayline and prints the reply's value.
// Exit code 0 for OK, 1 for ERR, 2 when no instance answers, 64 for a wrong command line.

#include <cstdio>
#include <exception>
#include <optional>
#include <string>

#include "platform/control_server.h"
#include "platform/paths.h"
#include "platform/program_info.h"

namespace {

constexpr int kExitUsage = 64;  // as sysexits' EX_USAGE

constexpr const char* kUsage =
    "usage: stayline-ctl [--home DIR] <request...>\n"
    "Sends one request to the running Stayline of DIR (else of $STAYLINE_HOME or\n"
    "$XDG_RUNTIME_DIR/stayline) and prints the reply; see docs/control-protocol.md.\n"
    "  --home DIR    the home the running Stayline was started with\n"
    "  -h, --help    show this text\n"
    "  --version     show the version\n"
    "Exit code: 0 OK, 1 the request was refused (ERR, reason on stderr),\n"
    "2 no instance answers, 64 wrong command line.\n";

int UsageError(const std::string& what) {
  std::fprintf(stderr, "stayline-ctl: %s\n%s", what.c_str(), kUsage);
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  std::string home;
  std::string request;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (!request.empty()) {
      request += ' ';
      request += a;  // everything from the first word of the request on belongs to it
    } else if (a == "--home") {
      if (i + 1 >= argc) return UsageError("--home needs a folder");
      home = argv[++i];
    } else if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "--version") {
      std::puts(platform::ProgramInfo::VersionLine("stayline-ctl").c_str());
      return 0;
    } else if (a.size() > 1 && a[0] == '-') {
      return UsageError("unknown option " + a);
    } else {
      request = a;
    }
  }
  if (request.empty()) return UsageError("no request given");
  std::optional<platform::ControlReply> reply;
  try {
    const platform::Paths paths = platform::Paths::Resolve(home);
    reply = platform::ControlRequest(paths.runDir + "/control.sock", request);
  } catch (const std::exception& e) {  // e.g. a socket path too long for the system
    std::fprintf(stderr, "stayline-ctl: %s\n", e.what());
    return 2;
  }
  if (!reply) {
    std::fputs("stayline-ctl: no Stayline instance answers\n", stderr);
    return 2;
  }
  if (reply->Ok) {
    std::puts(reply->Value.c_str());
    return 0;
  }
  std::fprintf(stderr, "%s\n", reply->Value.c_str());
  return 1;
}

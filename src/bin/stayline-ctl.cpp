// stayline-ctl: sends one request to a running Stayline and prints the reply's value.
// Exit code 0 for OK, 1 for ERR, 2 when no instance answers.

#include <cstdio>
#include <string>

#include "platform/control_server.h"
#include "platform/paths.h"

int main(int argc, char** argv) {
  std::string home;
  std::string request;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--home" && i + 1 < argc && request.empty()) {
      home = argv[++i];
    } else if ((a == "--help" || a == "-h") && request.empty()) {
      std::puts("usage: stayline-ctl [--home DIR] <request...>   (see docs/control-protocol.md)");
      return 0;
    } else {
      if (!request.empty()) request += ' ';
      request += a;
    }
  }
  if (request.empty()) {
    std::fputs("stayline-ctl: no request given\n", stderr);
    return 2;
  }
  const platform::Paths paths = platform::Paths::Resolve(home);
  const auto reply = platform::ControlRequest(paths.runDir + "/control.sock", request);
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

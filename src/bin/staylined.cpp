// staylined: Stayline without a GUI. Prints what changes, answers on its control socket.

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "app/daemon.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  for (const auto& a : args) {
    if (a == "--help" || a == "-h") {
      std::puts(
          "usage: staylined [--home DIR] [--ras sim|posix] [--run-for SECONDS] [--virtual-time] "
          "[--quiet]");
      return 0;
    }
  }
  app::DaemonOptions options;
  std::string error;
  if (!app::ParseDaemonOptions(args, options, error)) {
    std::fprintf(stderr, "staylined: %s\n", error.c_str());
    return 2;
  }
  try {
    return app::RunDaemon(options, args);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "staylined: %s\n", e.what());
    return 1;
  }
}

// staylined: Stayline without a GUI. Prints what changes, answers on its control socket.

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "app/daemon.h"
#include "platform/program_info.h"

namespace {

constexpr const char* kUsage =
    "usage: staylined [--home DIR] [--ras sim|posix] [--run-for SECONDS] [--virtual-time] "
    "[--quiet]\n"
    "Keeps the chosen dial-up connection up and publishes the client IP, without a window;\n"
    "stayline-ctl drives it over its control socket.\n"
    "  --home DIR         keep settings, data and the control socket under DIR\n"
    "                     (else $STAYLINE_HOME, else the XDG folders)\n"
    "  --ras sim|posix    the line: simulated, or real interfaces brought up and down by\n"
    "                     the phonebook's commands (posix, the default)\n"
    "  --run-for SECONDS  close in order after that much program time\n"
    "  --virtual-time     run on simulated time, where minutes pass in milliseconds\n"
    "  --quiet            print nothing but errors\n"
    "  -h, --help         show this text\n"
    "  --version          show the version\n";

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  for (const auto& a : args) {
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (a == "--version") {
      std::puts(platform::ProgramInfo::VersionLine("staylined").c_str());
      return 0;
    }
  }
  app::DaemonOptions options;
  std::string error;
  if (!app::ParseDaemonOptions(args, options, error)) {
    std::fprintf(stderr, "staylined: %s\n%s", error.c_str(), kUsage);
    return 2;
  }
  try {
    return app::RunDaemon(options, args);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "staylined: %s\n", e.what());
    return 1;
  }
}

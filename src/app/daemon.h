#pragma once
// The headless program: options, folders, the one-instance lock, settings, the main window
// model on a real or simulated-time loop, the printer and the control socket; SIGINT and SIGTERM
// close it in order.

#include <string>
#include <vector>

namespace app {

struct DaemonOptions {
  std::string Home;
  std::string Ras = "posix";
  double RunForSeconds = -1;
  bool VirtualTime = false;
  bool Quiet = false;
};

// Parses the command line; returns false (with a message) on a bad option.
bool ParseDaemonOptions(const std::vector<std::string>& args, DaemonOptions& options,
                        std::string& error);

// Runs the program; returns its exit code.
int RunDaemon(const DaemonOptions& options, const std::vector<std::string>& args);

}  // namespace app

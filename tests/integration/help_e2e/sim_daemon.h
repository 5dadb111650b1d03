#pragma once
// staylined on the simulated line in a home of the test's, driven through its control socket.

#include <signal.h>

#include <string>
#include <vector>

#include "integration/daemon_e2e/process_helpers.h"

namespace testing_support {

class SimDaemon {
 public:
  // Starts `command` (by default the built staylined) with `--home home --ras sim` added.
  explicit SimDaemon(const std::string& home,
                     std::vector<std::string> command = {BinPath("staylined")},
                     const std::vector<std::string>& environment = {})
      : home_(home), child_(WithArgs(std::move(command), home), home + "/out.txt", environment) {}
  ~SimDaemon() { Stop(); }

  // Whether the control socket answered within 10 s.
  bool Ready() {
    return WaitUntil([&] { return Ctl(home_, {"get", "TStayline.Caption"}).code == 0; }, 10000);
  }
  std::string Get(const std::string& what) { return Ctl(home_, {"get", what}).out; }
  bool Request(const std::vector<std::string>& request) { return Ctl(home_, request).code == 0; }
  // Waits up to `ms` for the program to end by itself; its exit code, or -1.
  int WaitForEnd(int ms) { return ended_ ? code_ : Finish(child_.Wait(ms)); }
  std::string Output() const { return ReadFile(home_ + "/out.txt"); }

 private:
  static std::vector<std::string> WithArgs(std::vector<std::string> command,
                                           const std::string& home) {
    for (const char* arg : {"--home", home.c_str(), "--ras", "sim"}) command.emplace_back(arg);
    return command;
  }
  int Finish(int code) {
    if (code != -1) {
      ended_ = true;
      code_ = code;
    }
    return code;
  }
  void Stop() {
    if (ended_) return;
    child_.Signal(SIGTERM);
    Finish(child_.Wait(10000));
  }

  std::string home_;
  Child child_;
  bool ended_ = false;
  int code_ = -1;
};

}  // namespace testing_support

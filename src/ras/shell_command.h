#pragma once
// A command run with "/bin/sh -c" in a process group of its own, with extra environment
// variables (credentials travel there, never on the command line), standard input from
// /dev/null and standard output and error shared with the program. Its end is seen through a
// pidfd watched on the loop, so nothing blocks and no signal handler is needed.
//
// The process is not killed when the object goes: a dial command may well be the daemon that
// carries the line, and a connection outlives the program as it does with the platform's RAS.
//
// Threading: the loop's thread.

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/event_loop.h"
#include "core/one_shot_timer.h"
#include "core/unique_fd.h"

namespace ras {

class ShellCommand {
 public:
  // Exit code, or 128 + signal number when a signal ended it.
  using ExitHandler = std::function<void(int status)>;

  explicit ShellCommand(core::EventLoop& loop) : loop_(loop), poll_(loop) {}
  ~ShellCommand();
  ShellCommand(const ShellCommand&) = delete;
  ShellCommand& operator=(const ShellCommand&) = delete;

  // Starts `command`; false (with `error` set) when it cannot be started.
  bool Start(const std::string& command,
             const std::vector<std::pair<std::string, std::string>>& environment,
             ExitHandler onExit, std::string* error = nullptr);
  [[nodiscard]] bool Running() const { return pid_ > 0; }
  // Sends SIGTERM to the command's process group.
  void Terminate();

 private:
  void Reap();
  void StopWatching();

  core::EventLoop& loop_;
  pid_t pid_ = 0;
  core::UniqueFd pidFd_;
  core::EventLoop::WatchId watch_ = 0;
  core::OneShotTimer poll_;  // looks for the end where there is no pidfd
  ExitHandler onExit_;
};

}  // namespace ras

#pragma once
// NewIpCommand: the user's command ("NewIPCommand") run on every new client IP, as
// `/bin/sh -c <command>` with STAYLINE_CLIENT_IP, STAYLINE_SERVER_IP and STAYLINE_ENTRY in its
// environment (the addresses never go on a command line). It runs as our child in its own process
// group, watched by the loop (its pidfd and its output pipe), so the tick never waits for it;
// its exit status and the first line of its output (stdout and stderr) are reported for the time
// log. A command still running after the limit (60 s) is killed with its whole process group.
// A new address while a command runs waits for it to end, then the command runs once with the
// newest address: runs never pile up.
//
// Threading: loop thread only. The destructor kills a command still running and reaps it.

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/event_loop.h"
#include "core/one_shot_timer.h"
#include "core/unique_fd.h"

namespace app {

struct NewIpAddresses {
  std::string client;
  std::string server;
  std::string entry;
};

class NewIpCommand {
 public:
  static constexpr std::int64_t kLimitMs = 60'000;
  static constexpr const char* kLogLabel = "NewIP-Cmd.:";
  using Report = std::function<void(const std::string& text)>;

  NewIpCommand(core::EventLoop& loop, Report report);
  ~NewIpCommand();
  NewIpCommand(const NewIpCommand&) = delete;
  NewIpCommand& operator=(const NewIpCommand&) = delete;

  void SetLimitMs(std::int64_t ms) { limitMs_ = ms; }
  // Runs `command` when `addresses.client` is an address it has not run for yet (or queues it
  // while a run is going). An empty command runs nothing.
  void Publish(const std::string& command, const NewIpAddresses& addresses);
  [[nodiscard]] bool Running() const { return pid_ > 0; }

 private:
  void Start(const std::string& command, const NewIpAddresses& addresses);
  void ReadOutput();
  void CheckEnded();
  void Finish(int status, bool reaped);
  void Kill();
  void Unwatch();

  core::EventLoop& loop_;
  Report report_;
  std::int64_t limitMs_ = kLimitMs;
  std::string lastAddress_;
  std::optional<std::pair<std::string, NewIpAddresses>> queued_;

  pid_t pid_ = 0;
  core::UniqueFd pidfd_;
  core::UniqueFd output_;
  core::EventLoop::WatchId pidWatch_ = 0;
  core::EventLoop::WatchId outputWatch_ = 0;
  core::OneShotTimer limit_;
  core::OneShotTimer poll_;  // where there is no pidfd
  std::string firstLine_;
  bool lineDone_ = false;
  bool killed_ = false;
};

}  // namespace app

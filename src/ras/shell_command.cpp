#include "ras/shell_command.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <utility>

extern char** environ;

namespace ras {

namespace {

constexpr std::int64_t kReapPollMs = 100;  // only without pidfd support

int OpenPidFd(pid_t pid) {
#ifdef SYS_pidfd_open
  return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
  (void)pid;
  errno = ENOSYS;
  return -1;
#endif
}

}  // namespace

ShellCommand::~ShellCommand() {
  StopWatching();
}

void ShellCommand::StopWatching() {
  if (watch_ != 0) loop_.Unwatch(std::exchange(watch_, 0));
  poll_.Cancel();
  pidFd_.Reset();
}

bool ShellCommand::Start(const std::string& command,
                         const std::vector<std::pair<std::string, std::string>>& environment,
                         ExitHandler onExit, std::string* error) {
  if (Running()) {
    if (error) *error = "a command is still running";
    return false;
  }
  // The program's environment with the extra variables put over it.
  std::map<std::string, std::string> vars;
  for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
    const std::string entry = *e;
    const auto eq = entry.find('=');
    if (eq != std::string::npos) vars[entry.substr(0, eq)] = entry.substr(eq + 1);
  }
  for (const auto& [name, value] : environment) vars[name] = value;
  std::vector<std::string> envStrings;
  for (const auto& [name, value] : vars) envStrings.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (auto& s : envStrings) envp.push_back(s.data());
  envp.push_back(nullptr);

  std::string shell = "/bin/sh";
  std::string dashC = "-c";
  std::string body = command;
  char* argv[] = {shell.data(), dashC.data(), body.data(), nullptr};

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attr;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attr);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  sigset_t none;
  sigemptyset(&none);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigaddset(&defaults, SIGTERM);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGHUP);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setpgroup(&attr, 0);
  posix_spawnattr_setflags(&attr,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t pid = 0;
  const int rc = ::posix_spawn(&pid, shell.c_str(), &actions, &attr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) {
    if (error) *error = std::strerror(rc);
    return false;
  }

  pid_ = pid;
  onExit_ = std::move(onExit);
  pidFd_.Reset(OpenPidFd(pid));
  if (pidFd_) {
    watch_ = loop_.WatchFd(pidFd_.Get(), core::kIoRead, [this](unsigned) { Reap(); });
  } else {
    poll_.Start(kReapPollMs, [this] { Reap(); });
  }
  return true;
}

void ShellCommand::Terminate() {
  if (pid_ > 0) ::kill(-pid_, SIGTERM);
}

void ShellCommand::Reap() {
  int status = 0;
  const pid_t done = ::waitpid(pid_, &status, WNOHANG);
  if (done == 0) {
    if (!pidFd_) poll_.Start(kReapPollMs, [this] { Reap(); });
    return;
  }
  StopWatching();
  pid_ = 0;
  int code = 127;
  if (done > 0 && WIFEXITED(status)) code = WEXITSTATUS(status);
  if (done > 0 && WIFSIGNALED(status)) code = 128 + WTERMSIG(status);
  // The handler may start this object again, so it is taken out first.
  ExitHandler handler = std::move(onExit_);
  onExit_ = nullptr;
  if (handler) handler(code);
}

}  // namespace ras

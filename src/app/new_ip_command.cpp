#include "app/new_ip_command.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

extern char** environ;

namespace app {

namespace {

constexpr std::size_t kLineLimit = 200;
constexpr std::int64_t kPollMs = 100;

std::vector<std::string> ChildEnvironment(const NewIpAddresses& a) {
  std::vector<std::string> env;
  for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
    if (std::strncmp(*e, "STAYLINE_", 9) != 0) env.emplace_back(*e);
  }
  env.push_back("STAYLINE_CLIENT_IP=" + a.client);
  env.push_back("STAYLINE_SERVER_IP=" + a.server);
  env.push_back("STAYLINE_ENTRY=" + a.entry);
  return env;
}

// After fork: only async-signal-safe calls from here on.
[[noreturn]] void RunChild(const char* command, char* const* envp, int outFd) {
  ::setpgid(0, 0);
  const int devNull = ::open("/dev/null", O_RDONLY);
  if (devNull >= 0) ::dup2(devNull, 0);
  ::dup2(outFd, 1);
  ::dup2(outFd, 2);
  if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) != 0) {
    for (int fd = 3; fd < 4096; ++fd) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  const char* argv[] = {"sh", "-c", command, nullptr};
  ::execve("/bin/sh", const_cast<char* const*>(argv), envp);
  ::_exit(127);
}

std::string StatusText(int status, bool reaped, bool killed, std::int64_t limitMs) {
  if (!reaped) return "ended (status unknown)";
  if (killed) return "killed after " + std::to_string(limitMs / 1000) + " s";
  if (WIFEXITED(status)) return "exit " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return "signal " + std::to_string(WTERMSIG(status));
  return "ended";
}

}  // namespace

NewIpCommand::NewIpCommand(core::EventLoop& loop, Report report)
    : loop_(loop), report_(std::move(report)), limit_(loop), poll_(loop) {}

NewIpCommand::~NewIpCommand() {
  if (pid_ <= 0) return;
  Unwatch();
  ::kill(-pid_, SIGKILL);
  while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
  }
}

void NewIpCommand::Publish(const std::string& command, const NewIpAddresses& addresses) {
  if (command.empty() || addresses.client.empty() || addresses.client == lastAddress_) return;
  lastAddress_ = addresses.client;
  if (Running()) {
    queued_.emplace(command, addresses);  // the newest address replaces one already waiting
    return;
  }
  Start(command, addresses);
}

void NewIpCommand::Start(const std::string& command, const NewIpAddresses& addresses) {
  std::vector<std::string> env = ChildEnvironment(addresses);
  std::vector<char*> envp;
  envp.reserve(env.size() + 1);
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  int ends[2];
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
    report_(std::string("not started: ") + std::strerror(errno));
    return;
  }
  core::UniqueFd readEnd(ends[0]);
  core::UniqueFd writeEnd(ends[1]);
  // The child's end must block for writers that do not expect EAGAIN.
  ::fcntl(writeEnd.Get(), F_SETFL, 0);
  const pid_t child = ::fork();
  if (child < 0) {
    report_(std::string("not started: ") + std::strerror(errno));
    return;
  }
  if (child == 0) RunChild(command.c_str(), envp.data(), writeEnd.Get());
  ::setpgid(child, child);  // also here: the kill must find the group even before the child ran
  pid_ = child;
  killed_ = false;
  lineDone_ = false;
  firstLine_.clear();
  output_ = std::move(readEnd);
  pidfd_.Reset(static_cast<int>(::syscall(SYS_pidfd_open, child, 0)));
  outputWatch_ = loop_.WatchFd(output_.Get(), core::kIoRead, [this](unsigned) { ReadOutput(); });
  if (pidfd_.Valid()) {
    pidWatch_ = loop_.WatchFd(pidfd_.Get(), core::kIoRead, [this](unsigned) { CheckEnded(); });
  } else {
    poll_.Start(kPollMs, [this] { CheckEnded(); });
  }
  limit_.Start(limitMs_, [this] { Kill(); });
}

void NewIpCommand::ReadOutput() {
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(output_.Get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      // End of output (or an error): nothing more to wait for on the pipe.
      if (n == 0 || errno != EAGAIN) {
        if (outputWatch_ != 0) loop_.Unwatch(outputWatch_);
        outputWatch_ = 0;
      }
      return;
    }
    // Only the first line is kept; the rest is read so the command never blocks on a full pipe.
    for (ssize_t i = 0; i < n && !lineDone_; ++i) {
      const char c = buffer[i];
      if (c == '\n') {
        lineDone_ = true;
      } else if (firstLine_.size() < kLineLimit) {
        firstLine_ += (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) ? ' ' : c;
      }
    }
  }
}

void NewIpCommand::CheckEnded() {
  int status = 0;
  pid_t r = 0;
  do {
    r = ::waitpid(pid_, &status, WNOHANG);
  } while (r < 0 && errno == EINTR);
  if (r == 0) {
    if (!pidfd_.Valid()) poll_.Start(kPollMs, [this] { CheckEnded(); });
    return;
  }
  Finish(status, r > 0);
}

void NewIpCommand::Finish(int status, bool reaped) {
  if (output_.Valid() && outputWatch_ != 0) ReadOutput();  // what it wrote before it ended
  Unwatch();
  pid_ = 0;
  while (!firstLine_.empty() && firstLine_.back() == ' ') firstLine_.pop_back();
  report_(StatusText(status, reaped, killed_, limitMs_) +
          (firstLine_.empty() ? "" : ": " + firstLine_));
  if (queued_) {
    auto next = std::move(*queued_);
    queued_.reset();
    Start(next.first, next.second);
  }
}

void NewIpCommand::Kill() {
  if (pid_ <= 0) return;
  killed_ = true;
  ::kill(-pid_, SIGKILL);
}

void NewIpCommand::Unwatch() {
  if (outputWatch_ != 0) loop_.Unwatch(outputWatch_);
  if (pidWatch_ != 0) loop_.Unwatch(pidWatch_);
  outputWatch_ = 0;
  pidWatch_ = 0;
  limit_.Cancel();
  poll_.Cancel();
  output_.Reset();
  pidfd_.Reset();
}

}  // namespace app

#include "platform/detached_launch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

// What the started program reports through the pipe: its process id, or why the exec failed.
struct Report {
  int kind;  // 1: pid, 2: errno
  int value;
};

void Tell(int fd, int kind, int value) {
  const Report r{kind, value};
  (void)!::write(fd, &r, sizeof r);
}

// After fork: only async-signal-safe calls from here on.
[[noreturn]] void RunDetached(const char* path, char* const* argv, const char* workDir,
                              int reportFd) {
  ::setsid();
  const pid_t grandchild = ::fork();
  if (grandchild < 0) {
    Tell(reportFd, 2, errno);
    ::_exit(1);
  }
  if (grandchild > 0) ::_exit(0);  // the program is adopted by the system
  ::setpgid(0, 0);  // its own process group, named by its pid, so it can be ended as a whole
  Tell(reportFd, 1, static_cast<int>(::getpid()));
  const int devNull = ::open("/dev/null", O_RDWR);
  if (devNull >= 0) {
    ::dup2(devNull, 0);
    ::dup2(devNull, 1);
    ::dup2(devNull, 2);
  }
  if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) != 0) {
    for (int fd = 3; fd < 4096; ++fd) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  if (workDir != nullptr && ::chdir(workDir) != 0) {
    Tell(reportFd, 2, errno == ENOENT ? ENOTDIR : errno);
    ::_exit(127);
  }
  ::execv(path, argv);
  Tell(reportFd, 2, errno);
  ::_exit(127);
}

bool IsExecutableFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::string FindInPath(const std::string& name) {
  if (name.empty()) return "";
  if (name.find('/') != std::string::npos) return IsExecutableFile(name) ? name : "";
  const char* env = std::getenv("PATH");
  const std::string path = env ? env : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(':', start);
    if (end == std::string::npos) end = path.size();
    const std::string dir = end > start ? path.substr(start, end - start) : ".";
    const std::string candidate = dir + "/" + name;
    if (IsExecutableFile(candidate)) return candidate;
    start = end + 1;
  }
  return "";
}

bool StartDetached(const std::vector<std::string>& args, LaunchedProcess* launched,
                   std::string* error, const std::string& workDir, int* errorCode) {
  auto failWith = [&](int code, const std::string& why) {
    if (error) *error = why;
    if (errorCode) *errorCode = code;
    return false;
  };
  auto fail = [&](const std::string& why) { return failWith(errno, why); };
  if (args.empty()) return failWith(ENOENT, "no program given");
  const std::string path = FindInPath(args[0]);
  if (path.empty()) return failWith(ENOENT, args[0] + ": not found");
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return fail(std::strerror(errno));
  core::UniqueFd reportRead(ends[0]);
  core::UniqueFd reportWrite(ends[1]);
  const pid_t child = ::fork();
  if (child < 0) return fail(std::strerror(errno));
  if (child == 0) {
    reportRead.Reset();
    RunDetached(path.c_str(), argv.data(), workDir.empty() ? nullptr : workDir.c_str(),
                reportWrite.Get());
  }
  reportWrite.Reset();  // the reads below end when the program's copy closes with its exec
  pid_t pid = 0;
  int execError = 0;
  for (;;) {
    Report r{};
    const ssize_t n = ::read(reportRead.Get(), &r, sizeof r);
    if (n < 0 && errno == EINTR) continue;
    if (n != static_cast<ssize_t>(sizeof r)) break;
    if (r.kind == 1) pid = r.value;
    if (r.kind == 2) execError = r.value;
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (execError != 0) return failWith(execError, path + ": " + std::strerror(execError));
  if (pid <= 0) return failWith(ECHILD, path + ": the program could not be started");
  if (launched) {
    launched->pid = pid;
    launched->pidfd.Reset(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
  }
  return true;
}

}  // namespace platform

#include "app/detached_process.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/unique_fd.h"

namespace app {

namespace {

// Child side, after fork: only async-signal-safe calls from here on.
[[noreturn]] void RunChild(char* const* argv, const char* workDir, int reportFd) {
  ::setsid();
  const pid_t grandchild = ::fork();
  if (grandchild < 0) {
    const int e = errno;
    (void)!::write(reportFd, &e, sizeof e);
    ::_exit(1);
  }
  if (grandchild > 0) ::_exit(0);  // the intermediate ends; the program is adopted
  const int devNull = ::open("/dev/null", O_RDWR);
  if (devNull >= 0) {
    ::dup2(devNull, 0);
    ::dup2(devNull, 1);
    ::dup2(devNull, 2);
  }
  // Every other descriptor (our lock file, sockets, the report pipe) closes with the exec.
  if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) != 0) {
    for (int fd = 3; fd < 4096; ++fd) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  int e = 0;
  if (workDir && ::chdir(workDir) != 0) e = errno;
  if (e == 0) {
    ::execv(argv[0], argv);
    e = errno;
  }
  (void)!::write(reportFd, &e, sizeof e);
  ::_exit(127);
}

}  // namespace

bool DetachedProcess::Start(const std::vector<std::string>& args, const std::string& workDir,
                            std::string* error, int* errorCode) {
  auto failWith = [&](int code, const std::string& why) {
    if (error) *error = why;
    if (errorCode) *errorCode = code;
    return false;
  };
  auto fail = [&](const std::string& why) { return failWith(0, why); };
  if (args.empty() || args[0].empty()) return failWith(ENOENT, "no program given");
  if (::access(args[0].c_str(), X_OK) != 0) {
    const int e = errno;
    return failWith(e, args[0] + ": " + std::strerror(e));
  }
  if (!workDir.empty() && ::access(workDir.c_str(), X_OK) != 0) {
    const int e = errno;
    return failWith(e == ENOENT ? ENOTDIR : e, workDir + ": " + std::strerror(e));
  }
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return failWith(errno, std::strerror(errno));
  core::UniqueFd reportRead(ends[0]);
  core::UniqueFd reportWrite(ends[1]);
  const pid_t child = ::fork();
  if (child < 0) return failWith(errno, std::strerror(errno));
  if (child == 0) {
    reportRead.Reset();
    RunChild(argv.data(), workDir.empty() ? nullptr : workDir.c_str(), reportWrite.Get());
  }
  reportWrite.Reset();  // the read below ends when the child's copy closes
  int childError = 0;
  const ssize_t n = ::read(reportRead.Get(), &childError, sizeof childError);
  reportRead.Reset();
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (n == static_cast<ssize_t>(sizeof childError)) {
    return failWith(childError, std::strerror(childError));
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return fail("the program could not be started");
  return true;
}

}  // namespace app

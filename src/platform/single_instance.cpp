#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <string>
#include <system_error>

namespace platform {

namespace {

int OpenLockFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    throw std::system_error(errno, std::generic_category(), "cannot open the lock file " + path);
  }
  return fd;
}

}  // namespace

SingleInstance::SingleInstance(std::string runDir)
    : lockFile_(std::move(runDir) + "/stayline.lock") {}

SingleInstance::~SingleInstance() {
  if (fd_ >= 0) {
    // Truncate first so a reader never sees our pid without the lock behind it.
    if (::ftruncate(fd_, 0) != 0) {
      // nothing to do: the lock goes away with the descriptor anyway
    }
    ::close(fd_);
  }
}

bool SingleInstance::TryAcquire() {
  if (fd_ >= 0) return true;
  const int fd = OpenLockFile(lockFile_);
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  const std::string pid = std::to_string(::getpid()) + "\n";
  if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, pid.data(), pid.size(), 0) < 0) {
    // The lock itself is what counts; a missing pid only makes OwnerPid unknown.
  }
  fd_ = fd;
  return true;
}

std::optional<pid_t> SingleInstance::OwnerPid() const {
  if (fd_ >= 0) return ::getpid();
  const int fd = ::open(lockFile_.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return std::nullopt;
  char buf[32];
  const ssize_t n = ::pread(fd, buf, sizeof buf, 0);
  ::close(fd);
  if (n <= 0) return std::nullopt;
  pid_t pid = 0;
  const auto [end, ec] = std::from_chars(buf, buf + n, pid);
  if (ec != std::errc() || pid <= 0 || end == buf + n || *end != '\n') return std::nullopt;
  // A pid left by a crashed owner names no process any more. (Probing the lock instead would
  // make a start that happens at the same moment fail.)
  if (::kill(pid, 0) != 0 && errno == ESRCH) return std::nullopt;
  return pid;
}

}  // namespace platform

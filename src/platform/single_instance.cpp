#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <string>
#include <system_error>
#include <utility>

namespace platform {

namespace {

core::UniqueFd OpenLockFile(const std::string& path) {
  core::UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (!fd) {
    throw std::system_error(errno, std::generic_category(), "cannot open the lock file " + path);
  }
  return fd;
}

}  // namespace

SingleInstance::SingleInstance(std::string runDir)
    : lockFile_(std::move(runDir) + "/stayline.lock") {}

SingleInstance::~SingleInstance() {
  // Truncate first so a reader never sees our pid without the lock behind it; the lock itself
  // goes with the descriptor.
  if (fd_ && ::ftruncate(fd_.Get(), 0) != 0) {
    // nothing to do: the lock goes away with the descriptor anyway
  }
}

bool SingleInstance::TryAcquire() {
  if (fd_) return true;
  core::UniqueFd fd = OpenLockFile(lockFile_);
  if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) return false;
  const std::string pid = std::to_string(::getpid()) + "\n";
  if (::ftruncate(fd.Get(), 0) != 0 || ::pwrite(fd.Get(), pid.data(), pid.size(), 0) < 0) {
    // The lock itself is what counts; a missing pid only makes OwnerPid unknown.
  }
  fd_ = std::move(fd);
  return true;
}

std::optional<pid_t> SingleInstance::OwnerPid() const {
  if (fd_) return ::getpid();
  char buf[32];
  ssize_t n = 0;
  {
    const core::UniqueFd fd(::open(lockFile_.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!fd) return std::nullopt;
    n = ::pread(fd.Get(), buf, sizeof buf, 0);
  }
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

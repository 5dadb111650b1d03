#pragma once
// One running program per home: an exclusive lock on run/stayline.lock that holds the owner's
// process id. The lock belongs to the open file, so it disappears with the process however it
// ends; a file left by a dead process never blocks a new start.
//
// Threading: one thread; the lock is kept until destruction.

#include <sys/types.h>
#include <optional>
#include <string>

#include "core/unique_fd.h"

namespace platform {

class SingleInstance {
 public:
  explicit SingleInstance(std::string runDir);
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // True when this process now owns the lock (or already did). Throws std::system_error when
  // the lock file cannot be opened at all.
  [[nodiscard]] bool TryAcquire();
  [[nodiscard]] bool Owned() const { return fd_.Valid(); }
  // The process that holds the lock: ours after TryAcquire succeeded, else the pid the owner
  // wrote while that process lives (nullopt when it is gone or has not written its pid yet).
  [[nodiscard]] std::optional<pid_t> OwnerPid() const;
  [[nodiscard]] const std::string& LockFile() const { return lockFile_; }

 private:
  std::string lockFile_;
  core::UniqueFd fd_;
};

}  // namespace platform

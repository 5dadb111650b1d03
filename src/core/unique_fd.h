#pragma once
// The one owner of a file descriptor. Closing happens exactly once: on destruction, on Reset or
// by Close (which reports the close's own result, for writes whose success is only known then).
// Release hands the descriptor on without closing it.
//
// Threading: an object is used by one thread at a time; the descriptor number is never closed
// twice, so a number another thread has meanwhile been given is never closed by mistake.

#include <utility>

namespace core {

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { Reset(); }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }

  [[nodiscard]] int Get() const { return fd_; }
  [[nodiscard]] bool Valid() const { return fd_ >= 0; }
  explicit operator bool() const { return Valid(); }

  // Closes the descriptor held (if any) and takes `fd`.
  void Reset(int fd = -1);
  // Closes now and returns close(2)'s result (0 when nothing was held); afterwards the object is
  // empty whatever the result, as POSIX leaves the descriptor closed even on EINTR.
  [[nodiscard]] int Close();
  [[nodiscard]] int Release() { return std::exchange(fd_, -1); }

 private:
  int fd_ = -1;
};

}  // namespace core

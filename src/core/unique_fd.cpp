#include "core/unique_fd.h"

#include <unistd.h>

namespace core {

void UniqueFd::Reset(int fd) {
  const int old = std::exchange(fd_, fd);
  if (old >= 0 && old != fd) ::close(old);
}

int UniqueFd::Close() {
  const int old = Release();
  return old >= 0 ? ::close(old) : 0;
}

}  // namespace core

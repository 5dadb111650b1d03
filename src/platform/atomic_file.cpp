#include "platform/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace platform {

namespace {

[[noreturn]] void ThrowErrno(const std::string& what, const std::string& path, int err = errno) {
  throw std::system_error(err, std::generic_category(), what + " " + path);
}

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

void WriteAll(int fd, std::string_view content, const std::string& path) {
  while (!content.empty()) {
    const ssize_t n = ::write(fd, content.data(), content.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno("cannot write", path);
    }
    content.remove_prefix(static_cast<std::size_t>(n));
  }
}

void SyncDirectory(const std::string& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;  // the rename itself has happened; durability is best effort here
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

std::string AtomicTempPrefix(const std::string& path) {
  return path + ".tmp-";
}

void WriteFileAtomically(const std::string& path, std::string_view content, mode_t mode) {
  std::string temp = AtomicTempPrefix(path) + "XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) ThrowErrno("cannot create a temporary file for", path);
  try {
    if (::fchmod(fd, mode) != 0) ThrowErrno("cannot set the mode of", temp);
    WriteAll(fd, content, temp);
    if (::fsync(fd) != 0) ThrowErrno("cannot flush", temp);
    const int closed = ::close(fd);
    if (closed != 0) ThrowErrno("cannot close", temp);
  } catch (...) {
    ::close(fd);  // harmless EBADF when already closed
    ::unlink(temp.c_str());
    throw;
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    ThrowErrno("cannot replace", path, err);
  }
  SyncDirectory(DirectoryOf(path));
}

void RemoveAtomicLeftovers(const std::string& path) {
  const std::string dir = DirectoryOf(path);
  const std::string prefix = AtomicTempPrefix(path).substr(path.rfind('/') + 1);
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return;
  std::vector<std::string> stale;
  while (const dirent* entry = ::readdir(d)) {
    const std::string name = entry->d_name;
    if (name.size() == prefix.size() + 6 && name.starts_with(prefix)) stale.push_back(name);
  }
  ::closedir(d);
  for (const auto& name : stale) ::unlink((dir + "/" + name).c_str());
}

ReadResult ReadWholeFile(const std::string& path, std::string& content, std::string& error) {
  content.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return ReadResult::Missing;
    error = std::strerror(errno);
    return ReadResult::Failed;
  }
  char buf[16384];
  while (true) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = std::strerror(errno);
      ::close(fd);
      return ReadResult::Failed;
    }
    if (n == 0) break;
    content.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return ReadResult::Ok;
}

void CreateDirectories(const std::string& dir, mode_t mode) {
  if (dir.empty()) throw std::invalid_argument("empty folder name");
  std::size_t pos = 0;
  while (pos != std::string::npos) {
    pos = dir.find('/', pos + 1);
    const std::string part = dir.substr(0, pos);
    if (::mkdir(part.c_str(), mode) != 0 && errno != EEXIST) ThrowErrno("cannot create", part);
  }
  struct stat st {};
  if (::stat(dir.c_str(), &st) != 0) ThrowErrno("cannot create", dir);
  if (!S_ISDIR(st.st_mode)) ThrowErrno("not a folder:", dir, ENOTDIR);
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace platform

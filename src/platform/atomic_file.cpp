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

#include "core/unique_fd.h"

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
  const core::UniqueFd fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd) return;  // the rename itself has happened; durability is best effort here
  ::fsync(fd.Get());
}

}  // namespace

std::string AtomicTempPrefix(const std::string& path) {
  return path + ".tmp-";
}

void WriteFileAtomically(const std::string& path, std::string_view content, mode_t mode) {
  std::string temp = AtomicTempPrefix(path) + "XXXXXX";
  core::UniqueFd fd(::mkostemp(temp.data(), O_CLOEXEC));
  if (!fd) ThrowErrno("cannot create a temporary file for", path);
  try {
    if (::fchmod(fd.Get(), mode) != 0) ThrowErrno("cannot set the mode of", temp);
    WriteAll(fd.Get(), content, temp);
    if (::fsync(fd.Get()) != 0) ThrowErrno("cannot flush", temp);
    // Closed exactly once, here; a failed close leaves nothing for the error path to close.
    if (fd.Close() != 0) ThrowErrno("cannot close", temp);
  } catch (...) {
    fd.Reset();
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
  const core::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) {
    if (errno == ENOENT) return ReadResult::Missing;
    error = std::strerror(errno);
    return ReadResult::Failed;
  }
  struct stat st {};
  if (::fstat(fd.Get(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
    content.reserve(static_cast<std::size_t>(st.st_size));
  }
  char buf[65536];
  while (true) {
    const ssize_t n = ::read(fd.Get(), buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = std::strerror(errno);
      return ReadResult::Failed;
    }
    if (n == 0) break;
    content.append(buf, static_cast<std::size_t>(n));
  }
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

Privacy MakePrivate(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return Privacy::Missing;
  if ((st.st_mode & 077) == 0) return Privacy::Private;
  if (st.st_uid != ::geteuid()) return Privacy::NotOurs;
  if (::chmod(path.c_str(), st.st_mode & 0700) != 0) return Privacy::Failed;
  return Privacy::Tightened;
}

std::string TightenedMessage(const std::string& path) {
  return path +
         " could be read by other users although it holds passwords; it is now readable "
         "by its owner only";
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace platform

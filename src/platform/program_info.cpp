#include "platform/program_info.h"

#include <unistd.h>
#include <climits>

#include "platform/atomic_file.h"

#ifndef STAYLINE_VERSION_MAJOR
#error "the build must define STAYLINE_VERSION_MAJOR/MINOR/PATCH/TWEAK"
#endif

namespace platform {

namespace {

constexpr std::size_t kComputerNameMax = 15;  // a 16-character buffer with its terminator

// Stringify after expansion; an empty definition (no tweak part in the build) reads as "0".
#define STAYLINE_STR2(x) #x
#define STAYLINE_STR(x) STAYLINE_STR2(x)

std::string Part(const char* text) {
  return *text == '\0' ? std::string("0") : std::string(text);
}

}  // namespace

std::string ProgramInfo::ProgramPath() {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  std::string path(buf, static_cast<std::size_t>(n));
  // The kernel marks a replaced executable; the name is still the program's.
  constexpr std::string_view kDeleted = " (deleted)";
  if (path.ends_with(kDeleted)) path.resize(path.size() - kDeleted.size());
  return path;
}

std::string ProgramInfo::ProgramFolder() {
  const std::string path = ProgramPath();
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return path.substr(0, slash == 0 ? 1 : slash);
}

std::string ProgramInfo::VersionText() {
  return Part(STAYLINE_STR(STAYLINE_VERSION_MAJOR)) + "." +
         Part(STAYLINE_STR(STAYLINE_VERSION_MINOR)) + "." +
         Part(STAYLINE_STR(STAYLINE_VERSION_PATCH)) + "." +
         Part(STAYLINE_STR(STAYLINE_VERSION_TWEAK));
}

std::string ProgramInfo::VersionLine(const std::string& program) {
  return program + " " + VersionText();
}

std::string ProgramInfo::ComputerName() {
  char buf[256] = {};
  if (::gethostname(buf, sizeof buf - 1) != 0) return {};
  std::string name(buf);
  name = name.substr(0, name.find('.'));
  if (name.size() > kComputerNameMax) name.resize(kComputerNameMax);
  return name;
}

bool ProgramInfo::FileExists(const std::string& path) {
  return IsRegularFile(path);
}

}  // namespace platform

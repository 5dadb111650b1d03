#include "platform/temp_file.h"

#include <stdlib.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <system_error>

#include "core/unique_fd.h"

namespace platform {

std::string TempFolder() {
  const char* dir = std::getenv("TMPDIR");
  std::string folder = dir != nullptr && *dir == '/' ? dir : "/tmp";
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

std::string MakeTempFile(const std::string& prefix, const std::string& suffix) {
  std::string path = TempFolder() + "/" + prefix + "XXXXXX" + suffix;
  const core::UniqueFd fd(::mkstemps(path.data(), static_cast<int>(suffix.size())));
  if (!fd) {
    throw std::system_error(errno, std::generic_category(),
                            "cannot create a temporary file " + path);
  }
  return path;
}

}  // namespace platform

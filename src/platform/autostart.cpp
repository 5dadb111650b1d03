#include "platform/autostart.h"

#include <unistd.h>
#include <cerrno>
#include <stdexcept>
#include <system_error>

#include "platform/atomic_file.h"

namespace platform {

Autostart::Autostart(std::string autostartDir)
    : dir_(std::move(autostartDir)), entryFile_(dir_ + "/stayline.desktop") {}

std::string Autostart::ExecValue(const std::string& programPath) {
  // Inside a quoted argument ", `, $ and \ take a backslash; the string escaping of the file
  // then doubles every backslash; % would start a field code.
  std::string quoted = "\"";
  for (char c : programPath) {
    if (c == '\n' || c == '\r') throw std::invalid_argument("line break in program path");
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
  }
  quoted += '"';
  std::string value;
  for (char c : quoted) {
    if (c == '\\') {
      value += "\\\\";
    } else if (c == '\t') {
      value += "\\t";
    } else if (c == '%') {
      value += "%%";
    } else {
      value += c;
    }
  }
  return value;
}

void Autostart::Enable(const std::string& programPath) const {
  const std::string content =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Name=Stayline\n"
      "Comment=Keeps the dial-up connection up and publishes the client IP\n"
      "Exec=" +
      ExecValue(programPath) +
      "\n"
      "Terminal=false\n"
      "X-GNOME-Autostart-enabled=true\n";
  CreateDirectories(dir_, 0755);
  WriteFileAtomically(entryFile_, content, 0644);
}

bool Autostart::Disable() const {
  if (::unlink(entryFile_.c_str()) == 0) return true;
  if (errno == ENOENT) return false;
  throw std::system_error(errno, std::generic_category(), "cannot remove " + entryFile_);
}

bool Autostart::IsEnabled() const {
  return IsRegularFile(entryFile_);
}

}  // namespace platform

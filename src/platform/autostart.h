#pragma once
// The start-with-the-session entry of this platform: an XDG autostart file "stayline.desktop"
// whose Exec line holds the quoted program path. The settings store keeps it in step with the
// RunOnce value "Stayline" of the user hive.
//
// Threading: one thread.

#include <string>

namespace platform {

class Autostart {
 public:
  explicit Autostart(std::string autostartDir);

  // Writes the entry atomically, creating the folder when needed. Throws std::system_error, or
  // std::invalid_argument for a path that cannot be expressed (a line break in it).
  void Enable(const std::string& programPath) const;
  // Removes the entry; true when it existed.
  bool Disable() const;
  [[nodiscard]] bool IsEnabled() const;
  [[nodiscard]] const std::string& EntryFile() const { return entryFile_; }

  // The Exec value for `programPath`: quoted and escaped as desktop entries require.
  static std::string ExecValue(const std::string& programPath);

 private:
  std::string dir_;
  std::string entryFile_;
};

}  // namespace platform

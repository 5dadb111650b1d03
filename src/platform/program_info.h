#pragma once
// Facts about the running program and the machine: the program file, its version (major,
// minor, release, build from the build definitions, so the caption reads " Stayline 1.0.0.0")
// and the computer name as the classic 16-character buffer held it.
//
// Threading: safe from any thread.

#include <string>

namespace platform {

class ProgramInfo {
 public:
  // Absolute path of the running executable (/proc/self/exe); empty if it cannot be found.
  static std::string ProgramPath();
  // The folder of ProgramPath().
  static std::string ProgramFolder();
  // "major.minor.release.build".
  static std::string VersionText();
  // What `--version` prints, one line without its line end: "<program> <version>".
  static std::string VersionLine(const std::string& program);
  // Host name without domain, cut to 15 characters.
  static std::string ComputerName();
  // True for an existing regular file (or a link to one).
  static bool FileExists(const std::string& path);
};

}  // namespace platform

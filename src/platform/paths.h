#pragma once
// The program's folders. With a home folder (--home DIR, else $STAYLINE_HOME) everything lives
// below it: DIR/config (hives, phonebook, autostart entry), DIR/data (the program directory:
// time log, FTP log, listing cache, client-IP page) and DIR/run (lock file, control socket).
// Without one the XDG base directories are used: $XDG_CONFIG_HOME/stayline,
// $XDG_DATA_HOME/stayline and $XDG_RUNTIME_DIR/stayline, with the autostart entry in
// $XDG_CONFIG_HOME/autostart.
//
// Threading: Resolve reads the environment; call it at start-up before other threads exist.

#include <string>

namespace platform {

struct Paths {
  std::string configDir;
  std::string dataDir;
  std::string runDir;
  std::string autostartDir;

  // Empty homeArg: $STAYLINE_HOME, else XDG with the usual fallbacks (~/.config, ~/.local/share,
  // and a private /tmp/stayline-<uid> when there is no runtime folder). Relative folders are
  // made absolute against the current directory.
  static Paths Resolve(const std::string& homeArg);

  // Creates the missing folders, private to the user (0700); the run folder is made private
  // even when it exists. Throws std::system_error, or
  // std::runtime_error when the /tmp fallback run folder is not safely ours.
  void EnsureCreated() const;
};

}  // namespace platform

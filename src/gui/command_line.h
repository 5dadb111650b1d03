#pragma once
// The desktop program's command line: its own options first, Qt's own (-platform, -display, ...)
// after a "--". Both parts must reach an instance started again after a broken line, or it would
// come up on another display.

#include <string>
#include <vector>

namespace gui {

struct CommandLine {
  std::vector<std::string> Own;  // before the "--"
  std::vector<std::string> Qt;   // after it

  // The arguments a restarted instance gets: the own ones, then Qt's behind a "--".
  [[nodiscard]] std::vector<std::string> RestartArguments() const;
};

// argv[0] is the program and not part of either list.
CommandLine SplitCommandLine(int argc, const char* const* argv);

}  // namespace gui

#include "gui/command_line.h"

namespace gui {

std::vector<std::string> CommandLine::RestartArguments() const {
  std::vector<std::string> out = Own;
  if (!Qt.empty()) {
    out.emplace_back("--");
    out.insert(out.end(), Qt.begin(), Qt.end());
  }
  return out;
}

CommandLine SplitCommandLine(int argc, const char* const* argv) {
  CommandLine line;
  bool qtPart = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (qtPart) {
      line.Qt.push_back(a);
    } else if (a == "--") {
      qtPart = true;  // a second "--" is Qt's
    } else {
      line.Own.push_back(a);
    }
  }
  return line;
}

}  // namespace gui

#pragma once
// The main window's captions and hints in both languages: one row per control and property.
// Texts that are built from a control's state (the FTP connect button, the mail fields, the
// online time, the selected connection) are not rows; the language switch builds them. The tray
// menu's rows are apart: they follow the language while the window is hidden, too.

#include <span>

namespace app {

struct CaptionRow {
  enum class Property { Caption, Hint };
  const char* Control;
  Property What;
  const char* German;
  const char* English;
};

std::span<const CaptionRow> MainWindowCaptions();
std::span<const CaptionRow> TrayMenuCaptions();

}  // namespace app

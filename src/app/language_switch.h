#pragma once
// LanguageSwitch: the two language radio buttons and the texts of the current language. The
// status tick applies every caption and hint of the main window on each tick while the window is
// visible, so a switch shows within a second; the tray menu and the open dialogs follow on every
// tick, the window hidden or not (a dialog is open only while somebody works with it).
//
// Threading: loop thread only.

#include <span>

#include "app/caption_table.h"

namespace app {

class TStayline;

class LanguageSwitch {
 public:
  explicit LanguageSwitch(TStayline& main);
  LanguageSwitch(const LanguageSwitch&) = delete;
  LanguageSwitch& operator=(const LanguageSwitch&) = delete;

  void GermanClick();
  void EnglishClick();
  // Every caption and hint of the main window in the current language.
  void ApplyLanguage();
  void ApplyTrayMenu();
  void ApplyOpenDialogs();

 private:
  void Store(bool german);
  void ApplyRows(std::span<const CaptionRow> rows);

  TStayline& main_;
};

}  // namespace app

#pragma once
// LanguageSwitch: the two language radio buttons and the texts of the current language. The
// status tick applies every caption and hint of the main window on each tick while the window is
// visible, so a switch shows within a second.
//
// Threading: loop thread only.

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

 private:
  void Store(bool german);

  TStayline& main_;
};

}  // namespace app

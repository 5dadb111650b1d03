#pragma once
// HelpMenu: the "Help / LogFile" menu (its items enabled as the files exist, the manual opened
// in the desktop's viewer) and the three link labels of the main page, which open their pages
// once the line is up.
//
// Threading: loop thread only.

#include <string>

namespace app {

class TStayline;

class HelpMenu {
 public:
  // The pages of the link labels.
  static constexpr const char* kTranslatorPage = "http://dsl-support.example.com/translator/";
  static constexpr const char* kDriverPage = "http://dsl-support.example.com/raspppoe/";
  static constexpr const char* kForumPage = "http://dsl-support.example.com/forum/";
  // What opens the manual: the desktop's opener.
  static constexpr const char* kManualViewer = "xdg-open";

  explicit HelpMenu(TStayline& main);
  HelpMenu(const HelpMenu&) = delete;
  HelpMenu& operator=(const HelpMenu&) = delete;

  // The menu opens: each item only when its file exists.
  void Help2Click();
  // The manual in the desktop's viewer.
  void Help1Click();
  void TranslatorHomepageClick();
  void DSLDFUETreiberClick();
  void LinkLabelClick();

  static constexpr const char* kManualName = "Stayline.html";

  // The manual: a copy of "Stayline.html" in the program data folder when there is one, else the
  // one in the documentation folder beside the running program's folder
  // (<prefix>/share/doc/stayline for <prefix>/bin/staylined; the build tree has the same layout).
  [[nodiscard]] std::string ManualPath() const;

 private:
  void OpenPending(const char* page);

  TStayline& main_;
};

}  // namespace app

#pragma once
// Prints what a user of the headless program would see change, one line each:
// "<hh:mm:ss.zzz> <Control>.<Property>: <value>" — the caption, Status2, the tray icon and tip,
// panel 1 of StatusBar1, ErrorMessage, WEBServerInfo, each new line of lstReplies, every beep
// and every question with its answer. The FTP file list prints one line per new listing (its row
// count and the first names) and one per new selection; the folder tree its chosen folder.

#include <cstdio>
#include <functional>
#include <string>

#include "forms/form.h"

namespace forms {
class ListView;
class QueuedDialogService;
}  // namespace forms

namespace app {

class TStayline;

class HeadlessPrinter {
 public:
  HeadlessPrinter(TStayline& main, std::FILE* out);
  void Attach(forms::QueuedDialogService& dialogs);
  void Print(const std::string& what, const std::string& value);

 private:
  void OnChange(const forms::Form& form, const forms::Control* control, std::string_view prop);
  void PrintViewChange(const forms::ListView& view, std::string_view prop);

  TStayline& main_;
  std::FILE* out_;
  forms::Subscription subscription_;
  std::size_t repliesSeen_ = 0;
  // What was printed last for each view, so that a redraw of the same rows prints nothing.
  std::string listRows_;
  std::string listSelection_;
  std::string treeSelection_;
};

}  // namespace app

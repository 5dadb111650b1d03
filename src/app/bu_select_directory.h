#pragma once
// TBUSelectDirectory: the folder picker component of the FTP setup dialogs. Execute starts at
// StartDir and asks the dialog service's folder picker (the classic directory dialog or the
// shell's folder browser, as ClassicDialog says; the look is the platform's). Loop thread only.

#include <cstdint>
#include <string>

#include "forms/dialog_service.h"

namespace app {

class TBUSelectDirectory {
 public:
  bool ClassicDialog = true;
  std::string StartDir;
  std::uint32_t Options = 0;  // directory dialog options of the classic dialog
  int HelpContext = 0;
  std::string Title;

  [[nodiscard]] const std::string& Directory() const { return directory_; }

  // True when the user confirmed; Directory then holds the choice (else StartDir).
  bool Execute(forms::DialogService& dialogs);

 private:
  std::string directory_;
};

}  // namespace app

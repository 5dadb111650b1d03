#pragma once
// ProgramRemoval: "Remove Program". After a confirmation it empties the FTP listing cache,
// deletes the program's key from both hives, clears the autostart entry and locks the settings
// against any later write, leaves a removal script that deletes the program's files once the
// program has ended, and closes the program as at a normal exit. The program file itself goes
// only when it lives in a folder of the user's; otherwise the confirmation says that it stays.
//
// Threading: loop thread only.

#include <functional>
#include <string>

#include "app/restart_script.h"

namespace app {

class TStayline;

class ProgramRemoval {
 public:
  explicit ProgramRemoval(TStayline& main);
  ProgramRemoval(const ProgramRemoval&) = delete;
  ProgramRemoval& operator=(const ProgramRemoval&) = delete;

  void RemoveProgramClick();
  // Writes and starts the removal script; false (with the reason shown) when it cannot.
  bool WriteRemovalBatch();

  // How the written script is started (detached); tests replace it.
  std::function<bool(const RestartScript::Files&, std::string* error)> LaunchScript =
      RestartScript::Launch;

 private:
  TStayline& main_;
};

}  // namespace app

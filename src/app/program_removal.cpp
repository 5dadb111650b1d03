#include "app/program_removal.h"

#include <unistd.h>

#include <system_error>

#include "app/dial_delay.h"
#include "app/help_menu.h"
#include "app/life_cycle.h"
#include "app/removal_script.h"
#include "app/t_stayline.h"
#include "app/time_log_writer.h"

namespace app {

ProgramRemoval::ProgramRemoval(TStayline& main) : main_(main) {
  main_.Form().RemoveProgram.OnClick = [this] { RemoveProgramClick(); };
}

void ProgramRemoval::RemoveProgramClick() {
  main_.Delay().StopDialDelay();
  for (int i = 0; i < 3; ++i) main_.Beep();
  const std::string program = main_.Environment().ProgramPath;
  std::string question = main_.Tx("Programm vom System entfernen?", "Revome program permanently?");
  if (!RemovalScript::ProgramRemovable(program)) {
    question +=
        main_.Tx("\r\n\r\nDie Programmdatei " + program +
                     " bleibt erhalten: sie liegt in einem Systemordner oder einem Ordner, den "
                     "Sie nicht \u00e4ndern d\u00fcrfen.",
                 "\r\n\r\nThe program file " + program +
                     " stays: it lives in a system folder or in a folder you may not change.");
  }
  if (main_.Dialogs().MessageBox(question, main_.BaseCaption(), forms::Buttons::YesNo,
                                 forms::MessageKind::Question) != forms::ModalResult::Yes) {
    return;
  }
  main_.MFtp1().PurgeCache(true, true, 7);
  main_.Store().DeleteAllRegistryEintraege();
  main_.Life().ClearAutoRunClick();
  WriteRemovalBatch();
  main_.Life().FormClose();
  if (main_.Terminate) main_.Terminate(0);
}

bool ProgramRemoval::WriteRemovalBatch() {
  const std::string program = main_.Environment().ProgramPath;
  RemovalScript::Targets targets;
  if (RemovalScript::ProgramRemovable(program)) targets.Files.push_back(program);
  targets.Files.push_back(main_.ProgramDirFile(HelpMenu::kManualName));
  targets.Files.push_back(main_.TimeLog().LogPath());
  targets.Files.push_back(main_.TimeLog().FtpLogPath());
  targets.Folders.push_back(main_.ProgramDirFile("ftpcache"));
  // The browser profile the program made for its own browser windows.
  targets.Folders.push_back(main_.ProgramDirFile("browser"));
  std::string error;
  try {
    const RestartScript::Files files = RemovalScript::Write(targets, ::getpid());
    if (LaunchScript(files, &error)) return true;
  } catch (const std::system_error& e) {
    error = e.what();
  }
  main_.Dialogs().MessageBox(
      main_.Tx("Das Entfernen kann nicht beginnen: ", "Cannot remove: ") + error,
      main_.BaseCaption(), forms::Buttons::OK, forms::MessageKind::Error);
  return false;
}

}  // namespace app

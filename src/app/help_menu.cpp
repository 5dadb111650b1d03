#include "app/help_menu.h"

#include <sys/stat.h>

#include "app/browser_refresh.h"
#include "app/program_starter.h"
#include "app/t_stayline.h"
#include "app/time_log_writer.h"
#include "core/text.h"

namespace app {
namespace {

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

HelpMenu::HelpMenu(TStayline& main) : main_(main) {
  MainForm& f = main_.Form();
  f.Help2.OnClick = [this] { Help2Click(); };
  f.StaylinePdf.OnClick = [this] { Help1Click(); };
  f.TranslatorHomepage.OnClick = [this] { TranslatorHomepageClick(); };
  f.DSLDFUETreiber.OnClick = [this] { DSLDFUETreiberClick(); };
  f.LinkLabel.OnClick = [this] { LinkLabelClick(); };
}

std::string HelpMenu::ManualPath() const {
  const std::string own = main_.ProgramDirFile(kManualName);
  if (FileExists(own)) return own;
  std::string dir = main_.Environment().ProgramPath;
  const std::size_t slash = dir.rfind('/');
  dir = slash == std::string::npos ? "." : dir.substr(0, slash);
  return dir + "/../share/doc/stayline/" + kManualName;
}

void HelpMenu::Help2Click() {
  MainForm& f = main_.Form();
  f.OpenFTPLog.SetEnabled(FileExists(main_.TimeLog().FtpLogPath()));
  f.OpenTimeLog.SetEnabled(FileExists(main_.TimeLog().LogPath()));
  f.StaylinePdf.SetEnabled(FileExists(ManualPath()));
}

void HelpMenu::Help1Click() {
  main_.Starter().CallProgramm(kManualViewer, true, 9, ManualPath());
}

void HelpMenu::OpenPending(const char* page) {
  MainState& s = main_.State();
  s.UrlPending = true;
  s.PendingUrl = page;
  main_.Browser().CallShellExeCute(s.PendingUrl);
}

void HelpMenu::TranslatorHomepageClick() {
  OpenPending(kTranslatorPage);
}

void HelpMenu::DSLDFUETreiberClick() {
  OpenPending(kDriverPage);
}

void HelpMenu::LinkLabelClick() {
  main_.Beep();
  main_.Browser().CallShellExeCute(kForumPage);
}

}  // namespace app

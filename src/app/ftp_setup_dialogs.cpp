#include "app/ftp_setup_dialogs.h"

#include "app/ftp0_setup_form.h"
#include "app/ftp_connection_loader.h"
#include "app/t_stayline.h"

namespace app {

FtpSetupDialogs::FtpSetupDialogs(TStayline& main) : main_(main) {
  MainForm& f = main_.Form();
  f.FTPSetup.OnClick = [this] { FTPSetupClick(); };
  f.AutoFTPProfil.OnClick = [this] { FTPSetupClick(); };
  f.WEBServerInfo.OnClick = [this] { FTPSetupClick(); };
}

void FtpSetupDialogs::FTPSetupClick() {
  Tftp0Setup::Execute(main_.Store(), main_.Dialogs());
  MainForm& f = main_.Form();
  const settings::TRegsData& r = main_.Regs();
  f.AutoFTPProfil.SetText(r.FTP_Profil);
  f.BrowserRefreshLineEdit.SetText(r.DynaHomeUrl);
  // The page shows the auto-FTP connection whichever source the mini client loads from now.
  FtpConnectionLoader& loader = main_.FtpConnection();
  const bool wasAuto = loader.AutoSettingsMode;
  loader.AutoSettingsMode = true;
  const TFTPData c = loader.LoadFtpConnection("AutoFTP");
  loader.AutoSettingsMode = wasAuto;
  f.FTPProfileBox.SetText(c.Profil);
  f.FtpServerEdit.SetText(c.Host);
  f.UserIDEdit.SetText(c.UserID);
  f.CurrentDirEdit.SetText(c.HostDir);
}

}  // namespace app

// The auto-FTP setup reached from the main window: through the control socket, as the headless
// program is driven, the dialog opens on FTPSetup, takes a user's edits and OK, and the FTP page
// and the settings show what it stored.

#include "app/ftp_setup_dialogs.h"

#include <gtest/gtest.h>

#include "app/control_commands.h"
#include "unit/app/support/stayline_fixture.h"

namespace {

class FtpSetupDialogsTest : public app_test::StaylineTest {
 protected:
  void SetUp() override {
    dialogs.Interactive = true;  // as in the headless program: modal forms wait for the socket
    Start({{"Language", "0"}});
    commands = std::make_unique<app::ControlCommands>(*main, &dialogs);
  }
  std::string Value(const std::string& request) {
    const auto reply = commands->Handle(request);
    EXPECT_TRUE(reply.Ok) << request << ": " << reply.Value;
    return reply.Value;
  }

  std::unique_ptr<app::ControlCommands> commands;
};

TEST_F(FtpSetupDialogsTest, TheControlSocketOpensTheSetupEditsItAndOkStoresIt) {
  struct Case {
    std::string open;  // the control a user clicks
    std::string host;
    std::string stored;  // FTP_Host afterwards
    std::string button;  // what closes the dialog
  };
  for (const Case& c : {
           Case{"FTPSetup", "ftp.new.example", "ftp.new.example", "BitBtn1ok"},
           Case{"AutoFTPProfil", "ftp.other.example", "ftp.other.example", "BitBtn1ok"},
           Case{"WEBServerInfo", "ftp.third.example", "ftp.other.example", ""},
       }) {
    SCOPED_TRACE(c.open);
    std::vector<std::string> seen;
    loop.CallAfter(100, [&] {
      seen.push_back(Value("forms"));
      seen.push_back(Value("get Tftp0Setup.Caption"));
      Value("set Tftp0Setup.ServerHostName.Text " + c.host);
      Value("set Tftp0Setup.PassiveTransferBox.Checked 1");
    });
    loop.CallAfter(200, [&] {
      if (c.button.empty()) {
        Value("set Tftp0Setup.Visible 0");  // closed without OK
      } else {
        Value("click Tftp0Setup." + c.button);
      }
    });
    Value("click " + c.open);
    loop.ProcessMessages();  // runs the click, which returns when the dialog has closed

    EXPECT_EQ(seen, (std::vector<std::string>{"TStayline Tftp0Setup", " Stayline Auto-FTP Setup"}));
    EXPECT_EQ(Value("forms"), "TStayline");
    EXPECT_EQ(Value("setting FTP_Host"), c.stored);
    EXPECT_EQ(settings::SettingsStore::ScrambleText(Stored("FTP_Host")), c.stored);
    EXPECT_EQ(Value("setting Port_PassiveTransfer"), "1") << "the box acts at once";
    EXPECT_EQ(Value("get FtpServerEdit.Text"), c.stored);
    EXPECT_EQ(Value("get AutoFTPProfil.Text"), "Auto FTP");
    EXPECT_EQ(Value("get BrowserRefreshLineEdit.Text"), main->Regs().DynaHomeUrl);
  }
}

}  // namespace

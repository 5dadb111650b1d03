// The display side of the mini FTP client: progress and rate, the protocol list, busy/ready/quit,
// the FTP log switch, the server-down connect and the states the status tick keeps.

#include <gtest/gtest.h>

#include "app/auto_ftp.h"
#include "app/ftp_panel.h"
#include "app/t_stayline.h"
#include "ftp/tm_ftp.h"
#include "unit/app/support/stayline_fixture.h"

namespace {

using app::FtpPanel;
using app_test::StaylineTest;

class FtpPanelDisplayTest : public StaylineTest {
 protected:
  FtpPanel& Panel() { return main->MiniFtp(); }
  std::string Status() { return Form().StatusBar1.Panel(1); }
};

TEST_F(FtpPanelDisplayTest, TheFileSizeStartsATransferAndAnUnknownSizeScalesToAMillion) {
  Start();
  struct Case {
    std::string text;
    long long max;
  };
  const Case cases[] = {
      {"1234", 1234}, {"0", 1'000'000}, {"", 1'000'000}, {"012", 1'000'000}, {"n/a", 1'000'000}};
  for (const Case& c : cases) {
    SCOPED_TRACE("\"" + c.text + "\"");
    Form().DeleteButton.SetEnabled(true);
    Form().AbortButton.SetEnabled(true);
    Form().ProgressBar1.SetPosition(5);
    Panel().MFtp1FtpInfo(ftp::FtpInfo::kFileSize, c.text);
    EXPECT_EQ(Form().ProgressBar1.Max(), c.max);
    EXPECT_EQ(Form().ProgressBar1.Position(), 0);
    EXPECT_TRUE(Panel().TransferRunning());
    EXPECT_EQ(Panel().TransferRate(), 0.0);
    EXPECT_FALSE(Form().DeleteButton.Enabled());
    EXPECT_TRUE(Form().AbortButton.Enabled());  // a running transfer can still be stopped
    EXPECT_EQ(Status(), "FileSize");
    Panel().MFtp1FtpInfo(ftp::FtpInfo::kTransferDone, "");
    EXPECT_FALSE(Panel().TransferRunning());
    EXPECT_EQ(Panel().TransferSize(), 0);
  }
  // Codes without a name leave the status empty.
  Panel().MFtp1FtpInfo(static_cast<ftp::FtpInfo>(16), "");
  EXPECT_EQ(Status(), "");
}

TEST(FtpPanelRate, NoElapsedTimeKeepsThePreviousRate) {
  struct Case {
    std::uint64_t bytes;
    std::int64_t ms;
    double previous;
    std::string text;
  };
  const Case cases[] = {
      {1, 0, 0.0, "Speed: 0.00 KB/s | Bytes: 1"},
      {4096, 0, 3.5, "Speed: 3.50 KB/s | Bytes: 4096"},
      {2048, 1000, 0.0, "Speed: 2.00 KB/s | Bytes: 2048"},
      {1536, 2000, 9.0, "Speed: 0.75 KB/s | Bytes: 1536"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FtpPanel::SpeedText(FtpPanel::Rate(c.bytes, c.ms, c.previous), c.bytes), c.text);
  }
}

TEST_F(FtpPanelDisplayTest, TheProtocolListSkipsEmptyRepeatedAndNoopLines) {
  Start();
  // The third "220 hello" is shown again: it does not repeat the line just before.
  for (const char* text : {" 220 hello\r\n", "220 hello", "NOOP", "200 NOOP ok", "\r\n",
                           "USER a\r\nPASS", "220 hello"}) {
    Panel().MFtpMessenger1MessageShow(text);
  }
  EXPECT_EQ(Form().DebugListBox.Items(),
            (std::vector<std::string>{"220 hello", "USER a  PASS", "220 hello"}));
  EXPECT_EQ(Form().DebugListBox.ItemIndex(), 2);
}

TEST_F(FtpPanelDisplayTest, BusyReadyAndQuitInBothLanguages) {
  Start();
  for (const bool german : {false, true}) {
    SCOPED_TRACE(german ? "German" : "English");
    main->Regs().Language = german ? "1" : "0";
    Panel().MFtp1FtpBusy();
    EXPECT_EQ(Status(), german ? "FTP" : "FTP Busy");
    EXPECT_FALSE(Panel().ListView().Accept());
    main->Publisher().State().FtpReadySeen = false;
    Panel().MFtp1FtpReady();
    EXPECT_EQ(Status(), "FTP OK");
    EXPECT_TRUE(Panel().ListView().Accept());
    EXPECT_TRUE(main->Publisher().State().FtpReadySeen);
    Panel().ListView().ShowListing({}, {});
    ASSERT_EQ(Panel().ListView().ItemCount(), 1u);  // the parent entry
    Panel().MFtp1FtpQuit();
    EXPECT_EQ(Status(), german ? "Verbindung getrennt." : "Disconnected.");
    EXPECT_EQ(Panel().ListView().ItemCount(), 0u);
  }
}

TEST_F(FtpPanelDisplayTest, TheLogSwitchIsStoredOutsideTheStartUpPhase) {
  Start({{"FTPLogFile", "0"}, {"ErrorDelay", "0"}});
  struct Case {
    std::string what;
    std::function<void()> phase;
    bool stored;
  };
  const std::vector<Case> cases = {
      {"dial delay", [&] { State().DialDelayActive = true; }, false},
      {"countdown", [&] { Form().TimeOutTimer.SetEnabled(true); }, false},
      {"running", [] {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    State().DialDelayActive = false;
    Form().TimeOutTimer.SetEnabled(false);
    store->WriteSetting("FTPLogFile", "0");
    Form().FTPLogCheckBox.SetChecked(false);
    c.phase();
    Form().FTPLogCheckBox.UserClick();  // on
    EXPECT_EQ(Stored("FTPLogFile"), c.stored ? "1" : "0");
    if (!c.stored) continue;
    Form().FTPLogCheckBox.UserClick();  // off
    EXPECT_EQ(Stored("FTPLogFile"), "0");
  }
}

TEST_F(FtpPanelDisplayTest, AServerDownWithoutLoginShowsItAtTheNextConnect) {
  StartAutoDial({{"FTP_Auto", "0"}, {"ErrorDelay", "0"}});
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  RunFor(1100);
  app::AutoFtp::Session& s = main->Publisher().State();
  s.FtpServerDown = true;
  Form().FTPProfileBox.SetText("Auto FTP");
  Form().ConnectButton.UserClick();
  EXPECT_EQ(Status(), "MiniFTP: Server down");
  EXPECT_FALSE(main->MFtp1().Connected());
  EXPECT_TRUE(s.ManualSession);
  // Reported once: the next attempt logs in again instead of being aborted as well.
  EXPECT_FALSE(s.FtpServerDown);
  RunFor(1100);
  Form().ConnectButton.UserClick();
  EXPECT_NE(Status(), "MiniFTP: Server down");
}

// The status tick: the connect button follows the line and the auto-FTP box.
TEST_F(FtpPanelDisplayTest, TheTickLocksTheConnectButtonWhileAutoFtpIsOn) {
  StartAutoDial({{"FTP_Auto", "0"}, {"ErrorDelay", "0"}});
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  struct Case {
    bool autoOn;
    bool connectEnabled;
  };
  for (const Case c : {Case{false, true}, Case{true, false}, Case{false, true}}) {
    Form().AutoFTPBox.SetChecked(c.autoOn);
    RunFor(1100);
    EXPECT_EQ(Form().ConnectButton.Enabled(), c.connectEnabled) << c.autoOn;
    EXPECT_FALSE(Form().DownloadButton.Enabled());
    if (c.autoOn) continue;  // the publishing holds the engine and the button's caption
    EXPECT_EQ(Form().ConnectButton.Caption(), "Disconnect");
    EXPECT_TRUE(Form().FTPProfileBox.Enabled());
  }
}

TEST_F(FtpPanelDisplayTest, CopyLocationAndTheViewMenu) {
  Start();
  EXPECT_EQ(Form().ProgressBar1.Parent(), Form().StatusBar1.Name());  // moved at creation
  main->MFtp1().Server = "ftp.example";
  ftp::MFtpFileInfo docs;
  docs.Name = "docs";
  docs.Directory = true;
  ftp::MFtpFileInfo pub = docs;
  pub.Name = "pub";
  ftp::MFtpFileInfo file;
  file.Name = "a.txt";
  ftp::TMFtpListView& view = Panel().ListView();
  view.ShowListing({docs, pub}, {file});
  Form().MonsterPopupMenu1.UserClick();
  EXPECT_FALSE(Form().CopyLocation1.Enabled());
  struct Case {
    std::vector<std::string> selected;
    std::string clipboard;
  };
  const std::vector<Case> cases = {
      {{"docs"}, "ftp://ftp.example/docs/"},
      {{"a.txt"}, "ftp://ftp.example/a.txt"},
      {{"docs", "pub", "a.txt"}, "ftp://ftp.example/a.txt"},  // more than one folder
  };
  for (const Case& c : cases) {
    view.ClearSelection();
    for (std::size_t i = 0; i < view.ItemCount(); ++i) {
      for (const std::string& n : c.selected) {
        if (view.Caption(i) == n) view.SetSelected(i, true);
      }
    }
    Form().MonsterPopupMenu1.UserClick();
    ASSERT_TRUE(Form().CopyLocation1.Enabled());
    Panel().CopyLocation1Click();
    EXPECT_EQ(dialogs.Clipboard(), c.clipboard);
  }

  Form().Details1.UserClick();
  EXPECT_EQ(view.ViewStyle(), ftp::TMFtpViewStyle::vsReport);
  EXPECT_TRUE(Form().Details1.Checked());
  EXPECT_FALSE(Form().LargeIcons1.Checked());
  Form().SmallIcons1.UserClick();
  EXPECT_EQ(view.ViewStyle(), ftp::TMFtpViewStyle::vsSmallIcon);
  EXPECT_FALSE(Form().Details1.Checked());
}

}  // namespace

#include "app/main_form.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/sim_loop.h"
#include "core/text.h"

namespace {

using forms::ControlKind;

class MainFormTest : public ::testing::Test {
 protected:
  core::SimLoop loop{0};
  app::MainForm form{loop};
};

// The member, the name the window finds it by, and its kind must agree: the logic reaches
// controls both ways (members in code, names through the control socket and the views).
TEST_F(MainFormTest, MembersAreFoundByTheirNamesWithTheirKinds) {
  struct Row {
    const forms::Control* member;
    const char* name;
    ControlKind kind;
  };
  const std::vector<Row> rows = {
      // start-up, settings and shutdown
      {&form.AutoRun, "AutoRun", ControlKind::CheckBox},
      {&form.DelayTimeEdit, "DelayTimeEdit", ControlKind::Edit},
      {&form.CloseProgram, "CloseProgram", ControlKind::SpeedButton},
      {&form.ExitProgram, "ExitProgram", ControlKind::SpeedButton},
      {&form.Help2, "Help2", ControlKind::MenuItem},
      {&form.ListBox1, "ListBox1", ControlKind::ComboBox},
      // connection state machine
      {&form.Status2, "Status2", ControlKind::Label},
      {&form.ErrorMessage, "ErrorMessage", ControlKind::Label},
      {&form.DialedConnection3, "DialedConnection3", ControlKind::Label},
      {&form.MinutenLabel, "MinutenLabel", ControlKind::Label},
      {&form.PopupHangUp, "PopupHangUp", ControlKind::MenuItem},
      // status tick and tray
      {&form.TrayIcon, "TrayIcon", ControlKind::TrayIcon},
      {&form.ImageNotConnect, "ImageNotConnect", ControlKind::Image},
      {&form.DrivePingX2, "DrivePingX2", ControlKind::Image},
      {&form.PopupEinstellungen, "PopupEinstellungen", ControlKind::MenuItem},
      {&form.Takt, "Takt", ControlKind::Label},
      // phonebook page
      {&form.ListBox2, "ListBox2", ControlKind::ComboBox},
      {&form.txtPassword2, "txtPassword2", ControlKind::Edit},
      {&form.SavePassWord, "SavePassWord", ControlKind::Button},
      {&form.DFUChanges, "DFUChanges", ControlKind::Label},
      {&form.HangUpManual2, "HangUpManual2", ControlKind::Button},
      // time log
      {&form.WriteLogFileBox, "WriteLogFileBox", ControlKind::CheckBox},
      {&form.ResetLogFile, "ResetLogFile", ControlKind::Button},
      {&form.OpenFTPLog, "OpenFTPLog", ControlKind::MenuItem},
      // auto-FTP and the mini FTP client
      {&form.AutoFTPBox, "AutoFTPBox", ControlKind::CheckBox},
      {&form.FTPSetup, "FTPSetup", ControlKind::SpeedButton},
      {&form.FTPProfileBox, "FTPProfileBox", ControlKind::ComboBox},
      {&form.ConnectButton, "ConnectButton", ControlKind::ToolButton},
      {&form.ProfileSetup, "ProfileSetup", ControlKind::ToolButton},
      {&form.MFtpTreeView1Dir, "MFtpTreeView1Dir", ControlKind::TreeView},
      {&form.MFtpListView1File, "MFtpListView1File", ControlKind::ListView},
      {&form.DebugListBox, "DebugListBox", ControlKind::ListBox},
      {&form.StatusBar1, "StatusBar1", ControlKind::StatusBar},
      {&form.ProgressBar1, "ProgressBar1", ControlKind::ProgressBar},
      {&form.CopyLocation1, "CopyLocation1", ControlKind::MenuItem},
      {&form.CommandPanel, "CommandPanel", ControlKind::Panel},
      {&form.MonsterOpenDialog, "MonsterOpenDialog", ControlKind::OpenDialog},
      {&form.MonsterSaveDialog, "MonsterSaveDialog", ControlKind::SaveDialog},
      {&form.OpenDialog1, "OpenDialog1", ControlKind::OpenDialog},
      // ping
      {&form.SekundenIntervall, "SekundenIntervall", ControlKind::RadioButton},
      {&form.btnPing, "btnPing", ControlKind::Button},
      {&form.lstReplies, "lstReplies", ControlKind::ListBox},
      {&form.PopupStopAutoPing, "PopupStopAutoPing", ControlKind::MenuItem},
      // mail
      {&form.EmailText, "EmailText", ControlKind::Memo},
      {&form.IsClientIP, "IsClientIP", ControlKind::Edit},
      {&form.MailSetup, "MailSetup", ControlKind::Button},
      // browser refresh
      {&form.HomeSiteBitmap, "HomeSiteBitmap", ControlKind::Image},
      {&form.WEBServerInfo, "WEBServerInfo", ControlKind::Edit},
      // language, help and removal
      {&form.German, "German", ControlKind::RadioButton},
      {&form.StaylinePdf, "StaylinePdf", ControlKind::MenuItem},
      {&form.DSLDFUETreiber, "DSLDFUETreiber", ControlKind::Label},
      {&form.OtherBox, "OtherBox", ControlKind::GroupBox},
      {&form.TabSheet2, "TabSheet2", ControlKind::TabSheet},
      {&form.PageControl1, "PageControl1", ControlKind::PageControl},
  };
  EXPECT_EQ(form.Name(), "TStayline");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(form.Find(row.name), row.member);
    EXPECT_EQ(row.member->Name(), row.name);
    EXPECT_EQ(row.member->Kind(), row.kind);
  }
}

TEST_F(MainFormTest, NamesAreUniqueAndEveryParentExists) {
  std::set<std::string, core::LessNoCase> names;
  for (const forms::Control* c : form.Controls()) {
    EXPECT_TRUE(names.insert(c->Name()).second) << "duplicate name " << c->Name();
  }
  for (const forms::Control* c : form.Controls()) {
    if (c->Parent().empty() || c->Parent() == form.Name()) continue;
    EXPECT_NE(form.Find(c->Parent()), nullptr) << c->Name() << " sits in unknown " << c->Parent();
  }
}

TEST_F(MainFormTest, TimersHaveTheirDesignIntervalsAndStates) {
  struct Row {
    const forms::TimerControl* timer;
    const char* name;
    std::uint32_t intervalMs;
    bool enabled;
  };
  const std::vector<Row> rows = {
      {&form.TimerCaption, "TimerCaption", 1000, false},
      {&form.TimerX, "TimerX", 1000, true},
      {&form.TimerTNA, "TimerTNA", 1, false},
      {&form.WaitTimer1, "WaitTimer1", 5000, false},
      {&form.TimeOutTimer, "TimeOutTimer", 20000, false},
      {&form.DelayTimer, "DelayTimer", 1000, false},
      {&form.PingTimer, "PingTimer", 1000, false},
      {&form.PingImageTimer, "PingImageTimer", 1000, false},
      {&form.FTPRefreshTimer, "FTPRefreshTimer", 1000, false},
  };
  std::size_t timers = 0;
  for (const forms::Control* c : form.Controls()) timers += c->Kind() == ControlKind::Timer;
  EXPECT_EQ(timers, rows.size()) << "a timer of the window is missing from this table";
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(form.Find(row.name), row.timer);
    EXPECT_EQ(row.timer->Interval(), row.intervalMs);
    EXPECT_EQ(row.timer->Enabled(), row.enabled);
  }

  // Only TimerX runs from creation on.
  int ticks = 0;
  form.TimerX.OnTimer() = [&] { ++ticks; };
  form.TimerCaption.OnTimer() = [&] { ADD_FAILURE() << "TimerCaption is off at creation"; };
  loop.RunFor(3500);
  EXPECT_EQ(ticks, 3);
}

TEST_F(MainFormTest, LanguageAndPingUnitAreTwoSeparateRadioGroups) {
  EXPECT_TRUE(form.MinutenIntervall.Checked()) << "minutes is the design default";
  EXPECT_FALSE(form.SekundenIntervall.Checked());

  form.German.SetChecked(true);
  form.SekundenIntervall.SetChecked(true);
  EXPECT_TRUE(form.German.Checked());
  EXPECT_FALSE(form.MinutenIntervall.Checked());

  int englishClicks = 0;
  form.English.OnClick = [&] { ++englishClicks; };
  form.English.UserClick();
  EXPECT_EQ(englishClicks, 1);
  EXPECT_FALSE(form.German.Checked());
  EXPECT_TRUE(form.English.Checked());
  EXPECT_TRUE(form.SekundenIntervall.Checked()) << "the language group leaves the unit alone";

  form.MinutenIntervall.UserClick();
  EXPECT_FALSE(form.SekundenIntervall.Checked());
  EXPECT_TRUE(form.English.Checked()) << "the unit group leaves the language alone";
}

TEST_F(MainFormTest, EveryTextThatFollowsTheLanguageStartsInEnglish) {
  // Read before the first tick (a hidden window, a control socket): none is empty.
  EXPECT_EQ(form.RemoveProgram.Caption(), "Remove Program");
  EXPECT_EQ(form.RemoveProgram.Hint(), "Removing program from the system?");
  EXPECT_EQ(form.DialManual.Hint(), "Connecting with internet");
  // The layout's own design texts stay.
  EXPECT_EQ(form.DFUChanges.Caption(), "Not possible for changes.");
}

TEST_F(MainFormTest, DesignStateTheStartUpReliesOn) {
  ASSERT_EQ(form.PageControl1.Pages().size(), 3u);
  EXPECT_EQ(form.PageControl1.ActivePage(), &form.TabSheet1);
  EXPECT_EQ(form.TabSheet1.Caption(), "Main");
  EXPECT_EQ(form.TabSheet2.Caption(), "DFUE / Internet");
  EXPECT_EQ(form.TabSheet3.Caption(), "FTP");

  for (const forms::ListBox* sorted :
       {static_cast<forms::ListBox*>(&form.ListBox1), static_cast<forms::ListBox*>(&form.ListBox2),
        static_cast<forms::ListBox*>(&form.FTPProfileBox)}) {
    SCOPED_TRACE(sorted->Name());
    EXPECT_TRUE(sorted->Sorted());
  }
  form.ListBox1.AddItem("T-Online");
  form.ListBox1.AddItem("Arcor");
  EXPECT_EQ(form.ListBox1.Items().front(), "Arcor");

  for (const forms::Image* picture : {&form.ImageNotConnect, &form.ImageConnect, &form.DrivePing1,
                                      &form.DrivePing2, &form.DrivePingX1, &form.DrivePingX2}) {
    SCOPED_TRACE(picture->Name());
    EXPECT_FALSE(picture->Visible());
    EXPECT_EQ(picture->Picture(), picture->Name());
  }
  EXPECT_FALSE(form.TrayIcon.Added()) << "the tray icon is added by the first TimerTNA tick";

  EXPECT_FALSE(form.CloseProgram.Visible());
  EXPECT_FALSE(form.ExitProgram.Visible());
  EXPECT_FALSE(form.ErrorMessage.Visible());
  EXPECT_FALSE(form.StopAutoPing.Enabled());
  EXPECT_FALSE(form.PopupStopAutoPing.Visible());
  EXPECT_FALSE(form.CopyLocation1.Visible());
  EXPECT_TRUE(form.LargeIcons1.Checked());
  EXPECT_FALSE(form.FtpServerEdit.Enabled());
  for (const forms::Edit* readOnly :
       {&form.IsClientIP, &form.AutoFTPProfil, &form.WEBServerInfo, &form.BrowserRefreshLineEdit,
        &form.FtpServerEdit, &form.UserIDEdit}) {
    SCOPED_TRACE(readOnly->Name());
    EXPECT_TRUE(readOnly->ReadOnly());
  }
  EXPECT_EQ(form.edtHost.Text(), "LocalHost");
  EXPECT_EQ(form.Interval.Text(), "5");
  EXPECT_EQ(form.FTPProfileBox.Text(), "Auto FTP");
  EXPECT_EQ(form.CurrentDirEdit.Text(), "/");
  EXPECT_EQ(form.StatusBar1.Panel(1), "");
  EXPECT_EQ(form.ProgressBar1.Max(), 100);
  EXPECT_EQ(form.MonsterOpenDialog.Title(), "Upload");
  EXPECT_EQ(form.MonsterSaveDialog.Title(), "Download");
  EXPECT_EQ(form.MonsterSaveDialog.Filter(), "All Files|*.*");
  EXPECT_TRUE(form.OpenDialog1.FileMustExist());

  // Menu structure: the main menu hangs off the form, popup items off their popup.
  EXPECT_EQ(form.Help2.Parent(), "TStayline");
  EXPECT_EQ(form.OpenTimeLog.Parent(), "Help2");
  EXPECT_EQ(form.Beenden1.Parent(), "PopupMenu1");
  EXPECT_EQ(form.Beenden1.Caption(), "Programm schliessen");
  EXPECT_EQ(form.Details1.Parent(), "MonsterPopupMenu1");
  EXPECT_EQ(form.ConnectButton.Parent(), "CommandPanel");
}

}  // namespace

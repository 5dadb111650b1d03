// Start-up and shutdown of the main window on simulated time, with settings in a temporary home.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "app/life_cycle.h"
#include "app/t_stayline.h"
#include "core/sim_loop.h"
#include "forms/queued_dialog_service.h"
#include "platform/registry.h"

namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class LifeCycleTest : public ::testing::Test {
 protected:
  LifeCycleTest() {
    std::string tmpl = (fs::temp_directory_path() / "stayline-life-XXXXXX").string();
    home_ = ::mkdtemp(tmpl.data());
    paths_ = platform::Paths::Resolve(home_);
    paths_.EnsureCreated();
  }
  ~LifeCycleTest() override {
    main_.reset();
    fs::remove_all(home_);
  }

  // Seeds the user hive with `values` (the first-start import is then skipped) and starts.
  void Start(const std::map<std::string, std::string>& values) {
    std::string hive =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_CURRENT_USER\\SOFTWARE\\_StaylineConnections]\r\n"
        "\"AReadFirstReg\"=\"1\"\r\n";
    for (const auto& [k, v] : values) hive += "\"" + k + "\"=\"" + v + "\"\r\n";
    std::ofstream(paths_.configDir + "/HKCU.reg", std::ios::binary) << hive;
    fs::permissions(paths_.configDir + "/HKCU.reg", fs::perms::owner_read | fs::perms::owner_write);
    registry_ = std::make_unique<platform::Registry>(paths_.configDir);
    store_ =
        std::make_unique<settings::SettingsStore>(*registry_, paths_, "/usr/bin/stayline-test");
    store_->ImportMachineSettings();
    app::StaylineEnvironment env;
    env.Loop = &loop_;
    env.Application = &application_;
    env.Store = store_.get();
    env.Paths = paths_;
    env.ProgramPath = "/usr/bin/stayline-test";
    main_ = std::make_unique<app::TStayline>(env);
    main_->Terminate = [this](int code) { terminated_.push_back(code); };
    main_->ExitNow = [this](int code) { exited_.push_back(code); };
    main_->Life().FormCreate();
  }

  std::string Stored(const std::string& name) { return store_->ReadSetting(name); }
  app::MainForm& Form() { return main_->Form(); }

  core::SimLoop loop_{0};
  forms::QueuedDialogService dialogs_{loop_};
  forms::Application application_{loop_, dialogs_};
  std::string home_;
  platform::Paths paths_;
  std::unique_ptr<platform::Registry> registry_;
  std::unique_ptr<settings::SettingsStore> store_;
  std::unique_ptr<app::TStayline> main_;
  std::vector<int> terminated_;
  std::vector<int> exited_;
};

TEST_F(LifeCycleTest, StartWithEmptyPhonebookKeepsTheSelectionAtZero) {
  Start({});
  EXPECT_EQ(Form().Caption(), " Stayline 1.0.0.0");
  EXPECT_EQ(Form().ListBox1.Count(), 0);
  EXPECT_FALSE(main_->State().HasPhonebookEntries);
  EXPECT_EQ(Stored("StaylineConnection"), "0");
  EXPECT_FALSE(Form().Visible());
  EXPECT_TRUE(Form().TimerCaption.Enabled());
  EXPECT_TRUE(main_->State().FirstOnlineTickPending);
  EXPECT_TRUE(main_->State().MailPending);
  EXPECT_EQ(Form().IsClientIP.Text(), "0.0.0.0");
  EXPECT_EQ(Stored("ErrorDelay"), "0") << "every start clears the close marker";
  EXPECT_EQ(dialogs_.BeepCount(), 0) << "a start with the default settings is quiet";
}

TEST_F(LifeCycleTest, SettingsBecomeControlStates) {
  Start({{"PingBlink", "1"},
         {"IEStartSite", "1"},
         {"ViewOnlineTimer", "1"},
         {"SaveOnlineTimer", "0"},
         {"PingHost", "host.example"},
         {"PingInterval", "7"},
         {"Language", "0"},
         {"PingInterValMS", "x"},
         {"AutoRun", "0"},
         {"MailToText", "me@example.org"},
         {"FTPLogFile", "1"},
         {"AutoMail", "1"}});
  EXPECT_TRUE(Form().PingBlinkOnOff.Checked());
  EXPECT_TRUE(Form().StartSiteBox.Checked());
  EXPECT_TRUE(main_->State().StartSitePending) << "the first browser opening shows the start page";
  EXPECT_TRUE(Form().ViewOnlineTimeBox.Checked());
  EXPECT_FALSE(Form().WriteLogFileBox.Checked());
  EXPECT_EQ(Form().edtHost.Text(), "host.example");
  EXPECT_EQ(Form().Interval.Text(), "7");
  EXPECT_TRUE(Form().English.Checked());
  EXPECT_FALSE(Form().German.Checked());
  EXPECT_TRUE(Form().MinutenIntervall.Checked());
  EXPECT_EQ(Stored("PingInterValMS"), "m");
  EXPECT_EQ(Form().MailTo.Text(), "me@example.org");
  EXPECT_TRUE(Form().FTPLogCheckBox.Checked());
  EXPECT_TRUE(Form().AutoMailBox1.Checked());
  EXPECT_EQ(Form().WEBServerInfo.Caption(), "No Information");
  EXPECT_EQ(Form().Help2.Caption(), "Help / LogFiles");
  EXPECT_EQ(Form().FTPProfileBox.Text(), "Auto FTP");
}

TEST_F(LifeCycleTest, RestartMarkerSkipsTheDialDelayOnceAndRestoresIt) {
  Start({{"TempDelay", "1"}, {"OnlineDelay", "1"}, {"OnlineDelayTime", "5"}, {"AutoConnect", "1"}});
  EXPECT_FALSE(main_->State().DialDelayActive);
  EXPECT_EQ(Stored("TempDelay"), "0");
  EXPECT_EQ(Stored("OnlineDelay"), "1");
  EXPECT_TRUE(Form().DelayBox.Checked());
  EXPECT_EQ(Form().Caption(), " Stayline 1.0.0.0");
}

TEST_F(LifeCycleTest, ExitWithAutoFtpOnStartsTheCountdownNextTime) {
  Start({{"ErrorDelay", "1"}, {"FTP_Auto", "1"}});
  EXPECT_EQ(Form().Caption(), " Stayline 1.0.0.0 - AutoFTP Start in: 20s");
  EXPECT_TRUE(main_->State().AutoFtpOnStart);
  EXPECT_EQ(main_->State().CountdownSeconds, 20);
  EXPECT_EQ(Stored("FTP_Auto"), "0") << "restored by the countdown";
  EXPECT_TRUE(Form().TimeOutTimer.Enabled());
  EXPECT_EQ(Form().TimeOutTimer.Interval(), 1000u);
}

TEST_F(LifeCycleTest, PingIntervalAtClose) {
  struct Case {
    std::string typed;
    std::string stored;
  };
  for (const Case& c :
       {Case{"abc", "5"}, Case{"0", "1"}, Case{" 12 ", "12"}, Case{"05", "15"}, Case{"", "5"}}) {
    SCOPED_TRACE(c.typed);
    Start({{"PingInterval", "5"}});
    Form().Interval.SetText(c.typed);
    main_->Life().Close();
    EXPECT_EQ(Stored("PingInterval"), c.stored);
    EXPECT_EQ(Stored("ErrorDelay"), "1");
    main_.reset();
    store_.reset();
    registry_.reset();
  }
}

TEST_F(LifeCycleTest, StartAndEndLinesInTheTimeLog) {
  Start({{"SaveOnlineTimer", "1"}, {"Language", "1"}});
  main_->Life().Close();
  const std::string log = Read(paths_.dataDir + "/TimeLog.txt");
  EXPECT_EQ(log.rfind("PgmStart..: ", 0), 0u) << log;
  EXPECT_NE(log.find("| Online-Zeit (d:h:m:s,ms): 0 : 00:00:00,000 | ServerIP: 0.0.0.0         "
                     "ClientIP: 0.0.0.0         | \r\nPgmEnd....: "),
            std::string::npos)
      << log;
  EXPECT_EQ(log.substr(log.size() - 4), "\r\n\r\n");
}

TEST_F(LifeCycleTest, EndLineCarriesTheOnlineTimeOfTheEndOfTheRun) {
  Start({{"SaveOnlineTimer", "1"}, {"Language", "0"}});
  EXPECT_EQ(main_->State().OnlineTimeLogText, main_->State().OnlineTimeText);
  // what the status tick leaves after an hour online
  main_->State().OnlineTimeLogText = " Online-Time (d:h:m:s,ms): 0 : 01:00:00,000";
  dialogs_.QueueAnswer("Yes");
  main_->Life().ExitProgramClick();
  const std::string log = Read(paths_.dataDir + "/TimeLog.txt");
  EXPECT_NE(log.find("PgmEnd....: "), std::string::npos) << log;
  EXPECT_NE(log.find("| Online-Time (d:h:m:s,ms): 0 : 01:00:00,000 | ServerIP"), std::string::npos)
      << log;
}

TEST_F(LifeCycleTest, AfterClearAutoRunNothingInTheRegistryChanges) {
  Start({{"AutoRun", "1"}});
  main_->Life().ClearAutoRunClick();
  const std::string before = Read(paths_.configDir + "/HKCU.reg");
  EXPECT_EQ(before.find("\"Stayline\"="), std::string::npos) << "the autorun value is gone";
  Form().AutoConnect.SetChecked(true);
  Form().AutoRun.SetChecked(true);
  main_->Life().CloseProgramClick();
  main_->Life().Close();
  EXPECT_EQ(Read(paths_.configDir + "/HKCU.reg"), before);
}

TEST_F(LifeCycleTest, AutoRunFollowsTheFlagAtClose) {
  Start({{"AutoRun", "1"}});
  main_->Life().Close();
  const std::string hive = Read(paths_.configDir + "/HKCU.reg");
  EXPECT_NE(hive.find("\"Stayline\"=\"\\\"/usr/bin/stayline-test\\\"\""), std::string::npos)
      << hive;
  EXPECT_TRUE(fs::exists(paths_.autostartDir + "/stayline.desktop"));
  Form().AutoRun.SetChecked(false);  // the box's handler stores it and updates the entry
  EXPECT_EQ(Read(paths_.configDir + "/HKCU.reg").find("\"Stayline\"="), std::string::npos);
  EXPECT_FALSE(fs::exists(paths_.autostartDir + "/stayline.desktop"));
}

TEST_F(LifeCycleTest, EndOfSessionReArmsAutorunThenClosesInOrder) {
  struct Case {
    std::string autoRun;
    bool removing;  // the program is being removed: the write lock is set
    bool entry;
  };
  for (const Case& c : {Case{"1", false, true}, Case{"0", false, false}, Case{"1", true, false}}) {
    SCOPED_TRACE(c.autoRun + (c.removing ? " removing" : ""));
    Start({{"AutoRun", c.autoRun}, {"SaveOnlineTimer", "1"}});
    if (c.removing) main_->Life().ClearAutoRunClick();
    const std::string before = Read(paths_.configDir + "/HKCU.reg");
    main_->Life().EndSession();
    const std::string hive = Read(paths_.configDir + "/HKCU.reg");
    EXPECT_EQ(hive.find("\"Stayline\"=\"\\\"/usr/bin/stayline-test\\\"\"") != std::string::npos,
              c.entry)
        << hive;
    EXPECT_EQ(fs::exists(paths_.autostartDir + "/stayline.desktop"), c.entry);
    EXPECT_EQ(main_->State().CloseCount, 1) << "closed through the close handler";
    EXPECT_FALSE(Form().TimerCaption.Enabled());
    if (c.removing) {
      EXPECT_EQ(hive, before);
    } else {
      EXPECT_EQ(Stored("ErrorDelay"), "1");
      EXPECT_NE(Read(paths_.dataDir + "/TimeLog.txt").find("PgmEnd....:"), std::string::npos);
    }
    main_.reset();
    store_.reset();
    registry_.reset();
    fs::remove(paths_.dataDir + "/TimeLog.txt");
  }
}

TEST_F(LifeCycleTest, TheThirdCloseEndsTheProcess) {
  Start({});
  main_->Life().FormClose();
  main_->Life().FormClose();
  EXPECT_TRUE(exited_.empty());
  main_->Life().FormClose();
  EXPECT_EQ(exited_, std::vector<int>{1});
}

TEST_F(LifeCycleTest, TrayIconIsAddedOnTheFirstTickAndRetriedWhenRefused) {
  Start({});
  int offers = 0;
  Form().TrayIcon.ShellAccepts = [&] { return ++offers >= 3; };
  loop_.RunFor(10);
  EXPECT_TRUE(Form().TrayIcon.Added());
  EXPECT_EQ(offers, 3);
  EXPECT_EQ(Form().TrayIcon.Tip(), "Stayline");
  EXPECT_EQ(Form().TrayIcon.Icon(), "ImageNotConnect");
  EXPECT_FALSE(Form().TimerTNA.Enabled());
}

TEST_F(LifeCycleTest, ExitAsksFirstAndNoKeepsRunning) {
  Start({{"Language", "1"}});
  std::vector<std::string> questions;
  dialogs_.OnQuestion = [&](const std::string&, const std::string& q, const std::string& a) {
    questions.push_back(q + "=" + a);
  };
  main_->Life().ExitProgramClick();  // no answer queued: No
  EXPECT_TRUE(terminated_.empty());
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_NE(questions[0].find("Programm wirklich aus\r\ndem Speicher entfernen?=No"),
            std::string::npos);
  dialogs_.QueueAnswer("Yes");
  main_->Life().ExitProgramClick();
  EXPECT_EQ(terminated_, std::vector<int>{0});
}

}  // namespace

// The " Log File " group: its check boxes, the resets and opening a log in the chosen editor.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/mail_notifier.h"
#include "app/time_log_page.h"
#include "app/time_log_writer.h"
#include "unit/app/support/stayline_fixture.h"

namespace {

namespace fs = std::filesystem;
using app_test::StaylineTest;

class TimeLogPageTest : public StaylineTest {
 protected:
  struct Question {
    std::string kind, text, answer;
  };
  std::vector<Question> questions;

  void Record() {
    dialogs.OnQuestion = [this](const std::string& k, const std::string& q, const std::string& a) {
      questions.push_back({k, q, a});
    };
  }
  // An "editor" that writes the file name it was given into `marker`.
  std::string MakeEditor(const std::string& marker) {
    const std::string editor = home + "/my editor";
    std::ofstream(editor) << "#!/bin/sh\nprintf '%s' \"$1\" > '" + marker + "'\n";
    fs::permissions(editor, fs::perms::owner_all);
    return editor;
  }
  bool WaitForFile(const std::string& path) {
    for (int i = 0; i < 250 && !fs::exists(path); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    for (int i = 0; i < 50 && ReadFile(path).empty(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return fs::exists(path);
  }
};

TEST_F(TimeLogPageTest, LogLinesByLabelAndWhatTheyCarry) {
  Start({{"SaveOnlineTimer", "1"}});
  app::TimeLogWriter& log = main->TimeLog();
  main->Form().ESubject.SetText("IP #CIP#");
  const std::string path = paths.dataDir + "/TimeLog.txt";
  fs::remove(path);

  log.WriteToLogFile("", "   ", false);  // an empty entry: nothing but CR LF
  EXPECT_EQ(ReadFile(path), "\r\n");
  log.WriteToLogFile("Connect...:", " t", false);
  EXPECT_TRUE(TimeLogLines().back().ends_with(
      " | t | ServerIP: 0.0.0.0         ClientIP: 0.0.0.0         | "))
      << TimeLogLines().back();
  EXPECT_EQ(State().LastClientIP, "0.0.0.0        ") << "normalised in place";
  log.WriteToLogFile(" STATUS...:", "Verbunden", false);  // any letter case
  EXPECT_EQ(TimeLogLines().back().find("ServerIP"), std::string::npos);
  EXPECT_TRUE(TimeLogLines().back().ends_with(" | Verbunden"));
  browser.windows = {"  http://10.64.0.10/  "};  // the address the browser shows
  State().LastClientIP = "10.64.0.10";
  log.WriteToLogFile("E-Mail....:", " t", true);
  EXPECT_TRUE(
      TimeLogLines().back().ends_with("ClientIP: 10.64.0.10      |  ActURL: http://10.64.0.10/"))
      << TimeLogLines().back();
  EXPECT_EQ(main->Mailer().MailSubject, "IP 10.64.0.10") << "the mail is composed";
  log.WriteToLogFile("reset logs:", " t", false);  // restarts the log in any letter case
  ASSERT_EQ(TimeLogLines().size(), 1u) << TimeLog();

  // With the log off nothing is written, but the addresses are still normalised and the mail
  // composed.
  Form().WriteLogFileBox.SetChecked(false);
  State().LastServerIP = " ";
  main->Mailer().MailSubject.clear();
  log.WriteToLogFile("Connect...:", " t", true);
  log.WriteToLogFile("", "", false);
  EXPECT_EQ(TimeLogLines().size(), 1u);
  EXPECT_EQ(State().LastServerIP, "0.0.0.0        ");
  EXPECT_EQ(main->Mailer().MailSubject, "IP 10.64.0.10");
}

TEST_F(TimeLogPageTest, TheCheckBoxesStoreTheirOptionsAtOnce) {
  Start({{"SaveOnlineTimer", "0"}, {"ViewOnlineTimer", "0"}});
  struct Case {
    forms::CheckBox& box;
    const char* setting;
  } cases[] = {{Form().WriteLogFileBox, "SaveOnlineTimer"},
               {Form().ViewOnlineTimeBox, "ViewOnlineTimer"}};
  for (const Case& c : cases) {
    c.box.UserClick();
    EXPECT_EQ(Stored(c.setting), "1") << c.setting;
    c.box.UserClick();
    EXPECT_EQ(Stored(c.setting), "0") << c.setting;
  }
}

TEST_F(TimeLogPageTest, AnOnlineTimeResetWhileOnlineCountsTheConnectionAnew) {
  StartAutoDial();
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  RunFor(30'000);
  Form().ResetOnlineTime.UserClick();
  EXPECT_EQ(State().ConnectTick, 0u);
  EXPECT_EQ(State().AccumulatedOnlineMs, 0u);
  EXPECT_EQ(State().OnlineTimeText, " Online-Time (d:h:m:s,ms): 0 : 00:00:00,000");
  const auto lines = TimeLogLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().rfind("Reset.....: ", 0), 0u) << lines.back();
  RunFor(1000);
  EXPECT_NE(State().ConnectTick, 0u);
  EXPECT_EQ(TimeLogLines().back().rfind("Connect...: ", 0), 0u) << TimeLog();
}

TEST_F(TimeLogPageTest, ALogResetRestartsBothLogs) {
  Start({{"SaveOnlineTimer", "1"}, {"FTPLogFile", "1"}});
  std::ofstream(paths.dataDir + "/FTP.Log") << "old line\r\n";
  Form().ResetLogFile.UserClick();
  const auto lines = TimeLogLines();
  ASSERT_EQ(lines.size(), 1u) << TimeLog();
  EXPECT_EQ(lines[0].rfind("Reset Logs: ", 0), 0u);
  EXPECT_EQ(ReadFile(paths.dataDir + "/FTP.Log"), "\r\nClear FTP.Log\r\n\r\n");
}

TEST_F(TimeLogPageTest, WithoutAnEditorTheChoiceIsAskedAndCancellingOpensNothing) {
  Start({{"SaveOnlineTimer", "1"}, {"Language", "1"}});
  Record();
  Form().OpenLogFile.UserClick();
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_NE(questions[0].text.find("Installiere Textverarbeitung:"), std::string::npos);
  EXPECT_NE(questions[0].text.find("/usr/bin"), std::string::npos);
  EXPECT_EQ(Stored("Editor"), "");
  EXPECT_EQ(Form().OpenDialog1.InitialDir(), "/usr/bin");
  EXPECT_EQ(Form().OpenDialog1.Filter(), "Textverarbeitung (*)|*");
  // a program that does not exist cannot be chosen
  dialogs.QueueAnswer(home + "/no such editor");
  Form().InstallEditor.UserClick();
  EXPECT_EQ(main->Regs().Editor, "");
  EXPECT_EQ(Stored("Editor"), "");
}

TEST_F(TimeLogPageTest, TheChosenEditorOpensTheLogAsAProcessOfItsOwn) {
  Start({{"SaveOnlineTimer", "1"}, {"Language", "0"}});
  fs::remove(paths.dataDir + "/TimeLog.txt");
  const std::string marker = home + "/opened";
  const std::string editor = MakeEditor(marker);
  dialogs.QueueAnswer(editor);
  Form().OpenTimeLog.UserClick();
  EXPECT_EQ(Stored("Editor"), editor);
  // the missing log was created with the install line first
  EXPECT_EQ(TimeLogLines().front().rfind("Install...: ", 0), 0u) << TimeLog();
  ASSERT_TRUE(WaitForFile(marker));
  EXPECT_EQ(ReadFile(marker), paths.dataDir + "/TimeLog.txt");

  // the FTP log is created empty when missing and opened too
  fs::remove(marker);
  Form().OpenLogFileFTP.UserClick();
  ASSERT_TRUE(WaitForFile(marker));
  EXPECT_EQ(ReadFile(marker), paths.dataDir + "/FTP.Log");
}

TEST_F(TimeLogPageTest, AnEditorThatCannotStartBeeps) {
  const std::string editor = home + "/not-executable";
  std::ofstream(editor) << "text";
  Start({{"SaveOnlineTimer", "1"}, {"Editor", editor}});
  const int beeps = dialogs.BeepCount();
  Form().OpenLogFile.UserClick();
  EXPECT_EQ(dialogs.BeepCount(), beeps + 1);
  EXPECT_FALSE(app::TimeLogPage::OpenTheProgramm(home + "/missing", "x"));
}

}  // namespace

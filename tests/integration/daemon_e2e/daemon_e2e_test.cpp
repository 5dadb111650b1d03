// The headless program as a user starts it: a temporary home, the real binaries, the control
// socket.

#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <thread>

#include "process_helpers.h"

namespace {

using namespace testing_support;

const char* const kMachineHive =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\_StaylineConnections]\r\n"
    "\"SaveOnlineTimer\"=\"1\"\r\n"
    "\"Language\"=\"0\"\r\n";

std::string Staylined() {
  return BinPath("staylined");
}

bool HasValue(const std::string& hive, const std::string& name, const std::string& value) {
  return hive.find("\"" + name + "\"=\"" + value + "\"") != std::string::npos;
}

TEST(Daemon, FirstRunCreatesBothHivesAndWritesStartAndEndLines) {
  TempHome home;
  WriteFile(home / "config/HKLM.reg", kMachineHive);
  Child daemon({Staylined(), "--home", home.Path(), "--run-for", "3", "--virtual-time", "--quiet"},
               home / "out.txt");
  ASSERT_EQ(daemon.Wait(20000), 0) << ReadFile(home / "out.txt");

  const std::string user = ReadFile(home / "config/HKCU.reg");
  const std::string machine = ReadFile(home / "config/HKLM.reg");
  ASSERT_EQ(user.rfind("Windows Registry Editor Version 5.00", 0), 0u);
  for (const char* name : {"ErrorDelay", "TempDelay", "FTPLogFile", "DynaHomeUrl", "FTP_Host",
                           "FTP_HTML_Default", "ESubject", "PingInterValMS", "SaveOnlineTimer",
                           "StaylineConnection", "Program", "ViewOnlineTimer"}) {
    EXPECT_NE(user.find("\"" + std::string(name) + "\"="), std::string::npos) << name;
    EXPECT_NE(machine.find("\"" + std::string(name) + "\"="), std::string::npos) << name;
  }
  EXPECT_TRUE(HasValue(user, "AReadFirstReg", "1"));
  EXPECT_TRUE(HasValue(user, "SaveOnlineTimer", "1")) << "seeded from the machine hive";
  EXPECT_TRUE(HasValue(user, "ErrorDelay", "1")) << "ended through the close handler";
  EXPECT_NE(user.find("@=\"Stayline.EXE\""), std::string::npos);

  const std::string log = ReadFile(home / "data/TimeLog.txt");
  EXPECT_TRUE(std::regex_search(log, std::regex("PgmStart\\.\\.: \\d\\d\\.\\d\\d\\.\\d{4} "
                                                "\\d\\d:\\d\\d:\\d\\d,\\d{3} \\| Online-Time")))
      << log;
  EXPECT_NE(log.find("PgmEnd....: "), std::string::npos) << log;
  EXPECT_NE(log.find("ServerIP: 0.0.0.0         ClientIP: 0.0.0.0         | \r\n"),
            std::string::npos)
      << log;
  EXPECT_EQ(log.substr(log.size() - 4), "\r\n\r\n") << "an empty line follows the end line";

  for (const auto& f : {home / "config/HKCU.reg", home / "config/HKLM.reg"}) {
    EXPECT_EQ(std::filesystem::status(f).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write)
        << f;
  }
}

TEST(Daemon, QuietPrintsNothingAndTheEndLineCarriesTheOnlineTime) {
  TempHome home;
  WriteFile(home / "config/phonebook.ini",
            "[Demo]\nUserName=a\nPassword=b\nPasswordSaved=1\nConnectMs=100\n"
            "ClientIPs=10.64.0.2\nServerIP=10.64.0.1\n");
  WriteFile(home / "config/HKCU.reg",
            "Windows Registry Editor Version 5.00\n\n"
            "[HKEY_CURRENT_USER\\SOFTWARE\\_StaylineConnections]\n"
            "\"AReadFirstReg\"=\"1\"\n\"AutoConnect\"=\"1\"\n\"StaylineConnection\"=\"Demo\"\n"
            "\"SaveOnlineTimer\"=\"1\"\n");
  // private, as the program keeps it; one that others could read is tightened with a message
  std::filesystem::permissions(home / "config/HKCU.reg", std::filesystem::perms::owner_read |
                                                             std::filesystem::perms::owner_write);
  Child daemon({Staylined(), "--home", home.Path(), "--ras", "sim", "--run-for", "6",
                "--virtual-time", "--quiet"},
               home / "out.txt");
  ASSERT_EQ(daemon.Wait(20000), 0) << ReadFile(home / "out.txt");
  EXPECT_EQ(ReadFile(home / "out.txt"), "");
  const std::string log = ReadFile(home / "data/TimeLog.txt");
  EXPECT_NE(log.find("Connect...:"), std::string::npos) << log;
  const std::size_t end = log.find("PgmEnd....:");
  ASSERT_NE(end, std::string::npos) << log;
  EXPECT_EQ(log.find("00:00:00,000", end), std::string::npos)
      << "the end line tells how long the run was online: " << log;
}

class RunningDaemon : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(home_ / "config/HKLM.reg", kMachineHive);
    daemon_ = std::make_unique<Child>(std::vector<std::string>{Staylined(), "--home", home_.Path()},
                                      home_ / "out.txt");
    ASSERT_TRUE(WaitUntil(
        [&] {
          return Ctl(home_.Path(), {"get", "TStayline.Caption"}).code == 0;
        },
        10000))
        << ReadFile(home_ / "out.txt");
  }
  CtlResult Get(const std::string& what) { return Ctl(home_.Path(), {"get", what}); }

  TempHome home_;
  std::unique_ptr<Child> daemon_;
};

TEST_F(RunningDaemon, AnswersOnItsControlSocket) {
  EXPECT_EQ(Get("TStayline.Caption").out, " Stayline 1.0.0.0");
  EXPECT_EQ(Get("TStayline.Visible").out, "False");
  EXPECT_EQ(Get("WriteLogFileBox.Checked").out, "True");
  EXPECT_EQ(Ctl(home_.Path(), {"setting", "Language"}).out, "0");
  EXPECT_EQ(Ctl(home_.Path(), {"state", "CloseCount"}).out, "0");
  EXPECT_EQ(Ctl(home_.Path(), {"forms"}).out, "TStayline");
  EXPECT_EQ(Get("NoSuchControl.Caption").code, 1);
  EXPECT_EQ(Ctl(home_.Path(), {"frobnicate"}).code, 1);
  // the tray icon is added on the first tick of the loop
  EXPECT_TRUE(WaitUntil([&] { return Get("TrayIcon.Added").out == "True"; }, 3000));
  EXPECT_EQ(Get("TrayIcon.Tip").out, "Stayline");

  // a user's edit through the socket, then the window is shown as a second start would
  ASSERT_EQ(Ctl(home_.Path(), {"set", "edtHost.Text", "example.invalid"}).code, 0);
  EXPECT_TRUE(WaitUntil([&] { return Get("edtHost.Text").out == "example.invalid"; }, 2000));
  ASSERT_EQ(Ctl(home_.Path(), {"activate"}).code, 0);
  EXPECT_TRUE(WaitUntil([&] { return Get("TStayline.Visible").out == "True"; }, 2000));
}

TEST_F(RunningDaemon, ASecondStartActivatesTheFirstAndLeavesTheSettingsAlone) {
  const std::string before = ReadFile(home_ / "config/HKCU.reg");
  const auto mtime = std::filesystem::last_write_time(home_ / "config/HKCU.reg");
  Child second({Staylined(), "--home", home_.Path()}, home_ / "out2.txt");
  EXPECT_EQ(second.Wait(5000), 0);
  EXPECT_TRUE(WaitUntil([&] { return Get("TStayline.Visible").out == "True"; }, 10000))
      << "the first instance shows its window";
  EXPECT_EQ(daemon_->Wait(0), -1) << "the first instance still runs";
  EXPECT_EQ(ReadFile(home_ / "config/HKCU.reg"), before);
  EXPECT_EQ(std::filesystem::last_write_time(home_ / "config/HKCU.reg"), mtime);
}

TEST_F(RunningDaemon, SigtermClosesThroughTheCloseHandlers) {
  ASSERT_EQ(Ctl(home_.Path(), {"set", "Interval.Text", "0"}).code, 0);
  ASSERT_TRUE(WaitUntil([&] { return Get("Interval.Text").out == "0"; }, 10000));
  daemon_->Signal(SIGTERM);
  EXPECT_EQ(daemon_->Wait(10000), 0);
  const std::string user = ReadFile(home_ / "config/HKCU.reg");
  EXPECT_TRUE(HasValue(user, "ErrorDelay", "1"));
  EXPECT_TRUE(HasValue(user, "PingInterval", "1")) << "an interval of 0 is stored as 1";
  EXPECT_NE(ReadFile(home_ / "data/TimeLog.txt").find("PgmEnd....:"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(home_ / "run/control.sock"));
}

TEST_F(RunningDaemon, QuitAsksForConfirmationAndEnds) {
  ASSERT_EQ(Ctl(home_.Path(), {"set", "Interval.Text", "abc"}).code, 0);
  ASSERT_TRUE(WaitUntil([&] { return Get("Interval.Text").out == "abc"; }, 10000));
  // an answer meant for some other question does not keep quit from its confirmation
  ASSERT_EQ(Ctl(home_.Path(), {"answer", "No"}).code, 0);
  ASSERT_EQ(Ctl(home_.Path(), {"quit"}).code, 0);
  EXPECT_EQ(daemon_->Wait(10000), 0);
  const std::string out = ReadFile(home_ / "out.txt");
  EXPECT_NE(out.find("Dialog.MessageBox: Stayline: Exit program and \\r\\nclear memory? -> Yes"),
            std::string::npos)
      << out;
  EXPECT_TRUE(HasValue(ReadFile(home_ / "config/HKCU.reg"), "PingInterval", "5"))
      << "an invalid interval keeps the stored one";
  EXPECT_EQ(Ctl(home_.Path(), {"get", "TStayline.Caption"}).code, 2) << "nobody answers any more";
}

// An entry without a stored password and automatic dialling: every start ends in the recovery.
// On a simulated clock its own waits cost no real time, so the restart is held back in real time;
// a quit or a signal meanwhile ends the program, and nothing restarts.
struct RestartLoopCase {
  const char* name;
  const char* restartsInARow;  // handed over by an earlier restart; nullptr: started by hand
  bool signal;                 // SIGINT, else "stayline-ctl quit"
  const char* backoffText;
};

class RestartLoop : public ::testing::TestWithParam<RestartLoopCase> {
 protected:
  void TearDown() override {
    // Should a restart have happened after all, its instance is not our child: end it.
    const pid_t other =
        static_cast<pid_t>(std::atol(ReadFile(home_ / "run/stayline.lock").c_str()));
    if (other > 0 && (!daemon_ || other != daemon_->Pid()) && ::kill(other, 0) == 0) {
      ::kill(other, SIGKILL);
      WaitUntil([&] { return ::kill(other, 0) != 0; }, 2000);
    }
  }
  CtlResult Get(const std::string& what) { return Ctl(home_.Path(), {"get", what}); }

  TempHome home_;
  std::unique_ptr<Child> daemon_;
};

TEST_P(RestartLoop, TheRestartIsHeldBackInRealTimeAndAQuitOrSignalEndsIt) {
  const RestartLoopCase& c = GetParam();
  WriteFile(home_ / "config/phonebook.ini",
            "[NoPassword]\nUserName=carol\nPassword=hidden\nPasswordSaved=0\n");
  WriteFile(home_ / "config/HKCU.reg",
            "Windows Registry Editor Version 5.00\n\n"
            "[HKEY_CURRENT_USER\\SOFTWARE\\_StaylineConnections]\n"
            "\"AReadFirstReg\"=\"1\"\n\"AutoConnect\"=\"1\"\n"
            "\"StaylineConnection\"=\"NoPassword\"\n\"SaveOnlineTimer\"=\"1\"\n");
  std::filesystem::permissions(home_ / "config/HKCU.reg", std::filesystem::perms::owner_read |
                                                              std::filesystem::perms::owner_write);
  std::filesystem::create_directories(home_ / "tmp");
  std::vector<std::string> environment{"TMPDIR=" + (home_ / "tmp")};
  if (c.restartsInARow) environment.push_back(std::string("STAYLINE_RESTARTS=") + c.restartsInARow);
  daemon_ =
      std::make_unique<Child>(std::vector<std::string>{Staylined(), "--home", home_.Path(), "--ras",
                                                       "sim", "--virtual-time", "--quiet"},
                              home_ / "out.txt", environment);
  auto inBackoff = [&] {
    return Get("TStayline.Caption").out.find(" - Corrupt Disconnect - Backoff, Restart in:  ") !=
           std::string::npos;
  };
  ASSERT_TRUE(WaitUntil(inBackoff, 10000)) << ReadFile(home_ / "out.txt");
  const std::string log = ReadFile(home_ / "data/TimeLog.txt");
  EXPECT_NE(log.find("Corrupt.... "), std::string::npos) << log;
  EXPECT_NE(log.find(c.backoffText), std::string::npos) << log;
  // a second and a half of real time later the same instance still counts down
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_TRUE(inBackoff());
  EXPECT_EQ(daemon_->Wait(0), -1);

  if (c.signal) {
    daemon_->Signal(SIGINT);
  } else {
    EXPECT_EQ(Ctl(home_.Path(), {"quit"}).code, 0);
  }
  EXPECT_EQ(daemon_->Wait(10000), 0);
  EXPECT_NE(ReadFile(home_ / "data/TimeLog.txt").find("PgmEnd....: "), std::string::npos);
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  EXPECT_EQ(Ctl(home_.Path(), {"get", "TStayline.Caption"}).code, 2) << "nothing restarted";
  EXPECT_TRUE(std::filesystem::is_empty(home_ / "tmp")) << "no restart script was written";
}

INSTANTIATE_TEST_SUITE_P(
    QuitOrSignal, RestartLoop,
    ::testing::Values(
        RestartLoopCase{"QuitAtTheFirstRestart", nullptr, false,
                        "| ReStart Connection in 10s (restart 1 in a row, real time) |"},
        RestartLoopCase{"SignalAtTheThirdRestartInARow", "2", true,
                        "| ReStart Connection in 40s (restart 3 in a row, real time) |"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

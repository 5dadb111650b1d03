// End to end: staylined on the simulated line in a temporary home, driven by stayline-ctl. It
// dials at start, redials a dropped line with the next address, stays down after "HangUp" until
// "Dial", and restarts itself through the restart script when the line breaks.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool Alive(pid_t pid) {
  return pid > 0 && ::kill(pid, 0) == 0;
}

class ConnectionE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/stayline-e2e-XXXXXX";
    home = ::mkdtemp(tmpl);
    tmp = home + "/tmp";
    fs::create_directories(home + "/config");
    fs::create_directories(tmp);
    std::ofstream(home + "/config/phonebook.ini") << "[Office DSL]\n"
                                                     "UserName=alice\n"
                                                     "Password=secret\n"
                                                     "PasswordSaved=1\n"
                                                     "ConnectMs=500\n"
                                                     "ClientIPs=10.64.0.10 10.64.0.11 10.64.0.12\n"
                                                     "ServerIP=10.64.0.1\n";
    std::ofstream(home + "/config/HKCU.reg")
        << "Windows Registry Editor Version 5.00\r\n\r\n"
           "[HKEY_CURRENT_USER\\SOFTWARE\\_StaylineConnections]\r\n"
           "\"AReadFirstReg\"=\"1\"\r\n"
           "\"AutoConnect\"=\"1\"\r\n"
           "\"StaylineConnection\"=\"Office DSL\"\r\n"
           "\"SaveOnlineTimer\"=\"1\"\r\n"
           "\"ViewOnlineTimer\"=\"1\"\r\n"
           "\"Language\"=\"1\"\r\n";
    fs::permissions(home + "/config/HKCU.reg", fs::perms::owner_read | fs::perms::owner_write);
    daemon = Spawn(
        {std::string(STAYLINE_BIN_DIR) + "/staylined", "--home", home, "--ras", "sim", "--quiet"});
    ASSERT_GT(daemon, 0);
  }

  void TearDown() override {
    for (pid_t pid : {daemon, LockPid()}) {
      if (Alive(pid)) ::kill(pid, SIGKILL);
    }
    if (daemon > 0) ::waitpid(daemon, nullptr, 0);
    // the restarted instance is not our child; wait until it is gone before removing its home
    const pid_t other = LockPid();
    for (int i = 0; i < 100 && Alive(other); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::error_code ec;
    fs::remove_all(home, ec);
  }

  pid_t Spawn(const std::vector<std::string>& args) {
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    ::setenv("TMPDIR", tmp.c_str(), 1);
    const int devNull = ::open("/dev/null", O_RDWR);
    ::dup2(devNull, 0);
    ::dup2(devNull, 1);
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }

  // Runs stayline-ctl; the reply value (without its line end), or "<exit N>" when it failed.
  std::string Ctl(const std::vector<std::string>& request) {
    int out[2];
    if (::pipe(out) != 0) return "<pipe>";
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::dup2(out[1], 1);
      ::close(out[0]);
      std::vector<std::string> args{std::string(STAYLINE_BIN_DIR) + "/stayline-ctl", "--home",
                                    home};
      args.insert(args.end(), request.begin(), request.end());
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(out[1]);
    std::string text;
    char buf[512];
    ssize_t n;
    while ((n = ::read(out[0], buf, sizeof buf)) > 0) text.append(buf, static_cast<std::size_t>(n));
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      return "<exit " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ">";
    }
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
  }

  // Polls until `done` holds, reaping the daemon should it end meanwhile.
  bool Poll(const std::function<bool()>& done, int seconds = 15) {
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < end) {
      if (daemon > 0 && ::waitpid(daemon, &daemonStatus, WNOHANG) == daemon) daemon = -1;
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return done();
  }

  std::string TimeLog() { return Read(home + "/data/TimeLog.txt"); }
  std::string ClientIP() {
    std::string ip = Ctl({"state", "LastClientIP"});
    while (!ip.empty() && ip.back() == ' ') ip.pop_back();
    return ip;
  }
  pid_t LockPid() {
    const std::string text = Read(home + "/run/stayline.lock");
    return static_cast<pid_t>(std::atol(text.c_str()));
  }
  bool Online(const std::string& ip) {
    return Ctl({"get", "Status2.Caption"}).rfind("Verbunden... ", 0) == 0 &&
           Ctl({"state", "ActiveConnectionCount"}) == "1" && ClientIP() == ip &&
           TimeLog().find("ClientIP: " + ip) != std::string::npos;
  }

  std::string home;
  std::string tmp;
  pid_t daemon = -1;
  int daemonStatus = 0;
};

TEST_F(ConnectionE2E, DialsRedialsHangsUpAndRestartsAfterABrokenLine) {
  // auto-dial at start
  ASSERT_TRUE(Poll([&] { return Online("10.64.0.10"); })) << TimeLog();
  EXPECT_NE(TimeLog().find("Connect...: "), std::string::npos);

  // a dropped line is logged and redialled with the next address
  ASSERT_EQ(Ctl({"sim", "drop"}), "");
  ASSERT_TRUE(Poll([&] { return Online("10.64.0.11"); })) << TimeLog();
  EXPECT_NE(TimeLog().find("DisConnect: "), std::string::npos);

  // a manual hang-up stops the redial, "Dial" resumes it
  ASSERT_EQ(Ctl({"set", "PageControl1.ActivePage", "TabSheet1"}), "");
  ASSERT_EQ(Ctl({"click", "HangUpManual"}), "");
  ASSERT_TRUE(Poll([&] { return Ctl({"state", "ManualHangUp"}) == "1"; }));
  std::this_thread::sleep_for(std::chrono::seconds(3));
  EXPECT_EQ(Ctl({"state", "ActiveConnectionCount"}), "0");
  EXPECT_EQ(Ctl({"get", "Status2.Caption"}).rfind("Keine Verbindung... ", 0), 0u);
  ASSERT_EQ(Ctl({"click", "DialManual"}), "");
  ASSERT_TRUE(Poll([&] { return Online("10.64.0.12"); })) << TimeLog();

  // a broken line: logged, hung up, and a new instance takes over through the restart script
  const pid_t old = LockPid();
  ASSERT_EQ(old, daemon);
  ASSERT_EQ(Ctl({"sim", "break"}), "");
  ASSERT_TRUE(Poll([&] { return daemon < 0; }, 30)) << "the old instance did not end";
  EXPECT_TRUE(WIFEXITED(daemonStatus) && WEXITSTATUS(daemonStatus) == 1);
  ASSERT_TRUE(Poll([&] {
    const pid_t now = LockPid();
    return now > 0 && now != old && Alive(now) && Ctl({"state", "RestartInProgress"}) == "0";
  })) << "no new instance holds the lock";
  const std::string log = TimeLog();
  const std::size_t corrupt = log.find("\r\nCorrupt....");
  ASSERT_NE(corrupt, std::string::npos) << log;
  EXPECT_EQ(log.substr(corrupt - 2, 4), "\r\n\r\n") << "an empty entry before";
  const std::size_t end = log.find("\r\n", corrupt + 2);
  EXPECT_EQ(log.substr(end, 4), "\r\n\r\n") << "an empty entry after";
  EXPECT_NE(log.find(" DisConnect: ReStart Connection in 10s", corrupt), std::string::npos);
  EXPECT_TRUE(Poll([&] { return fs::is_empty(tmp); }, 10)) << "script and temporary file stay";
  // the new instance dials again
  EXPECT_TRUE(Poll([&] { return Ctl({"state", "ActiveConnectionCount"}) == "1"; }));
}

}  // namespace

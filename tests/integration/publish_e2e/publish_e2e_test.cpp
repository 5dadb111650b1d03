// End to end: staylined on the simulated line publishes each new client IP to a real FTP server
// on loopback without any user action: pyftpdlib in active mode through a redial and a server
// outage that is recovered from by itself; pyftpdlib in passive mode and a stock vsftpd in both
// modes through the first publishing and a redial. Real time: the servers answer on real sockets.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "core/unique_fd.h"
#include "integration/daemon_e2e/process_helpers.h"
#include "integration/ftp/ftp_test_servers.h"
#include "settings/settings_store.h"

namespace {

namespace fs = std::filesystem;
using testing_support::BinPath;
using testing_support::Child;
using testing_support::Ctl;
using testing_support::ReadFile;
using testing_support::TempHome;
using testing_support::WaitUntil;

// pyftpdlib as a child of the test (user "user", password "secret"); it can be stopped and
// started again on the port it had.
class PyFtpd {
 public:
  explicit PyFtpd(std::string root) : root_(std::move(root)) { fs::create_directories(root_); }
  ~PyFtpd() { Stop(); }
  PyFtpd(const PyFtpd&) = delete;
  PyFtpd& operator=(const PyFtpd&) = delete;

  bool Start() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    const core::UniqueFd readEnd(fds[0]);
    core::UniqueFd writeEnd(fds[1]);
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(writeEnd.Get(), STDOUT_FILENO);
      const std::string script =
          std::string(STAYLINE_SOURCE_DIR) + "/tests/servers/ftp_pyftpd_server.py";
      const std::string port = std::to_string(port_);
      ::execl("/usr/bin/python3", "python3", script.c_str(), "--root", root_.c_str(), "--user",
              "user", "--password", "secret", "--port", port.c_str(), nullptr);
      ::_exit(127);
    }
    writeEnd.Reset();  // a server that dies shows as end of file
    std::string out;
    pollfd p{readEnd.Get(), POLLIN, 0};
    while (out.find('\n') == std::string::npos && ::poll(&p, 1, 15'000) > 0) {
      char buffer[128];
      const ssize_t n = ::read(readEnd.Get(), buffer, sizeof buffer);
      if (n <= 0) break;
      out.append(buffer, static_cast<std::size_t>(n));
    }
    if (out.rfind("PORT ", 0) != 0) {
      Stop();
      return false;
    }
    port_ = static_cast<std::uint16_t>(std::stoi(out.substr(5)));
    return true;
  }
  void Stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  [[nodiscard]] std::uint16_t Port() const { return port_; }
  [[nodiscard]] std::string Page() const { return ReadFile(root_ + "/mydyn.htm"); }

 private:
  std::string root_;
  std::uint16_t port_ = 0;
  pid_t pid_ = -1;
};

std::string Scrambled(const std::string& text) {
  return settings::SettingsStore::ScrambleText(text);
}

// The first publishing waits for the start-up delay, and a session stays open up to the tick
// limit (20 s) before it closes; the waits allow for several of those.
constexpr int kPublishMs = 120'000;

// Where the daemon publishes: the server's address and login, and where the page lands on disk.
struct Target {
  std::uint16_t Port = 0;
  std::string User;
  std::string Password;
  bool Anonymous = false;
  std::string Dir;   // the server folder the page goes to
  std::string Root;  // that folder on disk
};

class PublishE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists("/usr/bin/python3")) GTEST_SKIP() << "no /usr/bin/python3";
    server = std::make_unique<PyFtpd>(home / "server");
    if (!server->Start()) GTEST_SKIP() << "pyftpdlib does not run here";
    Launch({server->Port(), "user", "secret", false, "/", home / "server"}, false);
  }

  // Seeds the home for `target` (auto-FTP on, the line dialled at start) and starts staylined.
  // `sessionTicks` is the tick limit at which a publishing session closes; `countdown` leaves the
  // start as after a run that ended with auto-FTP on (publishing waits for the start countdown),
  // else auto-FTP is on from the start.
  void Launch(const Target& to, bool passive, const std::string& sessionTicks = "20",
              bool countdown = true) {
    target = to;
    fs::create_directories(home / "config");
    fs::create_directories(home / "upload");
    testing_support::WriteFile(home / "config/phonebook.ini",
                               "[Office DSL]\n"
                               "UserName=alice\n"
                               "Password=secret\n"
                               "PasswordSaved=1\n"
                               "ConnectMs=300\n"
                               "ClientIPs=10.64.0.10 10.64.0.11 10.64.0.12 10.64.0.13\n"
                               "ServerIP=10.64.0.1\n");
    testing_support::WriteUserHive(home / "config/HKCU.reg",
                                   {
                                       {"AReadFirstReg", "1"},
                                       {"AutoConnect", "1"},
                                       {"StaylineConnection", "Office DSL"},
                                       {"SaveOnlineTimer", "1"},
                                       {"Language", "1"},
                                       {"FTPLogFile", "1"},
                                       {"FTP_Auto", "1"},
                                       {"FTP_Host", Scrambled("127.0.0.1")},
                                       {"FTP_Port", std::to_string(to.Port)},
                                       {"FTP_Login", Scrambled(to.User)},
                                       {"FTP_Password", Scrambled(to.Password)},
                                       {"FTP_Login_Anonymus", to.Anonymous ? "1" : "0"},
                                       {"FTP_StartPath", to.Dir},
                                       {"FTP_UploadPath", home / "upload"},
                                       {"Port_PassiveTransfer", passive ? "1" : "0"},
                                       {"AutoFTPCountTimeOut", sessionTicks},
                                       {"ErrorDelay", countdown ? "1" : "0"},
                                   });
    daemon = std::make_unique<Child>(
        std::vector<std::string>{BinPath("staylined"), "--home", home.Path(), "--ras", "sim"},
        home / "daemon.out");
  }

  std::string FtpLog() { return ReadFile(home / "data/FTP.Log"); }
  std::string Diagnosis() {
    std::string out = ReadFile(home / "daemon.out");
    if (out.size() > 3000) out = out.substr(out.size() - 3000);
    return "FTP.Log:\n" + FtpLog() + "\nTimeLog:\n" + ReadFile(home / "data/TimeLog.txt") +
           "\nstaylined:\n" + out;
  }
  static std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
      ++n;
    }
    return n;
  }
  std::string Page() const { return ReadFile(target.Root + "/mydyn.htm"); }
  bool Names(const std::string& ip) {
    return Page().find("URL=http://" + ip + "/") != std::string::npos;
  }
  // The page with `ip` is on the server and the session that put it there has closed.
  bool Published(const std::string& ip, std::size_t closes) {
    return Names(ip) && Count(FtpLog(), "AutoFTP Close - ") >= closes &&
           !fs::exists(home / "upload/mydyn.htm");
  }

  // The line comes up: the page names the client IP, the local page is gone, the log has the
  // session from login to close.
  void FirstPublishing() {
    ASSERT_TRUE(WaitUntil(
        [&] {
          return ReadFile(home / "data/TimeLog.txt").find("Connect...: ") != std::string::npos;
        },
        30'000))
        << Diagnosis();
    ASSERT_TRUE(WaitUntil([&] { return Published("10.64.0.10", 1); }, kPublishMs)) << Diagnosis();
    const std::string log = FtpLog();
    EXPECT_NE(log.find("Start AutoFTP Login - "), std::string::npos);
    EXPECT_LT(log.find("Start AutoFTP Login - "), log.find("AutoFTP Close - "));
    EXPECT_NE(Page().find("<html>"), std::string::npos);
  }

  // A dropped line is redialled with the next address, which is published in turn.
  void RedialPublishing() {
    ASSERT_EQ(Ctl(home.Path(), {"sim", "drop"}).code, 0);
    ASSERT_TRUE(WaitUntil([&] { return Published("10.64.0.11", 2); }, kPublishMs)) << Diagnosis();
    EXPECT_EQ(Count(FtpLog(), "PutFile open"), 0u) << Diagnosis();
  }

  TempHome home;
  Target target;
  std::unique_ptr<PyFtpd> server;
  std::unique_ptr<Child> daemon;
};

TEST_F(PublishE2E, TheClientIpIsPublishedWhenTheLineComesUp) {
  FirstPublishing();
}

// The sessions after the first one store without a DELE (the engine's marker of an opened upload
// file stays set), so the server still holds the old page and reports its size: the new page must
// replace it without anyone answering a question.
TEST_F(PublishE2E, EveryNewClientIpIsPublishedAndAServerOutageIsRecoveredFrom) {
  FirstPublishing();

  RedialPublishing();

  // the server goes away; the next address cannot be published meanwhile
  server->Stop();
  const std::size_t closes = Count(FtpLog(), "AutoFTP Close - ");
  ASSERT_EQ(Ctl(home.Path(), {"sim", "drop"}).code, 0);
  ASSERT_TRUE(WaitUntil(
      [&] {
        const std::string log = FtpLog();
        return ReadFile(home / "daemon.out").find("AutoFTP: Server down") != std::string::npos ||
               log.find("TimeOut - ReStart AutoFTP") != std::string::npos ||
               log.find("ConnectionRefused", log.rfind("AutoFTP Close - ")) != std::string::npos;
      },
      kPublishMs))
      << Diagnosis();
  EXPECT_TRUE(Names("10.64.0.11"));

  // back on the same port: published without any user action
  ASSERT_TRUE(server->Start());
  ASSERT_TRUE(WaitUntil([&] { return Published("10.64.0.12", closes + 1); }, kPublishMs))
      << Diagnosis();
}

// The other servers and modes: the first publishing and a redial each. Auto-FTP is on from the
// start and sessions close after 5 ticks here, which keeps the run short; the start countdown and
// the tick limit are run by the tests above and on simulated time.
struct Mode {
  const char* Name;
  ftptest::TestFtpServer::Kind Kind;
  bool Passive;
};
void PrintTo(const Mode& mode, std::ostream* out) {
  *out << mode.Name;
}

class PublishModesE2E : public PublishE2E, public ::testing::WithParamInterface<Mode> {
 protected:
  void SetUp() override {
    other = ftptest::TestFtpServer::Start(GetParam().Kind);
    if (!other) GTEST_SKIP() << GetParam().Name << " does not run here";
    const bool anonymous = other->User() == "anonymous";
    Launch({other->Port(), anonymous ? "" : other->User(), other->Password(), anonymous,
            other->Dir(), other->Root()},
           GetParam().Passive, "5", false);
  }
  std::unique_ptr<ftptest::TestFtpServer> other;
};

TEST_P(PublishModesE2E, TheFirstAddressAndTheRedialsAreBothPublished) {
  FirstPublishing();
  RedialPublishing();
  // the data connections went the chosen way
  const std::string log = FtpLog();
  EXPECT_EQ(log.find("TraceOut - PASV") != std::string::npos, GetParam().Passive) << log;
  EXPECT_EQ(log.find("TraceOut - PORT ") != std::string::npos, !GetParam().Passive) << log;
}

INSTANTIATE_TEST_SUITE_P(
    Servers, PublishModesE2E,
    ::testing::Values(Mode{"PyftpdlibPassive", ftptest::TestFtpServer::Kind::kPyftpdlib, true},
                      Mode{"VsftpdActive", ftptest::TestFtpServer::Kind::kVsftpd, false},
                      Mode{"VsftpdPassive", ftptest::TestFtpServer::Kind::kVsftpd, true}),
    [](const ::testing::TestParamInfo<Mode>& info) { return std::string(info.param.Name); });

}  // namespace

// The desktop program on a virtual X display with a tray host: shown from its tray icon by the
// control socket, its three pages, the mail setup dialog and the tray icon are written to PNG
// files, kept in <build>/screenshots for the README and for a look by eye; a second start
// brings the window of the first up. An instance restarted after a broken line keeps the display
// its Qt options named.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "integration/daemon_e2e/process_helpers.h"

namespace {

using testing_support::BinPath;
using testing_support::Child;
using testing_support::Ctl;
using testing_support::ReadFile;
using testing_support::TempHome;
using testing_support::WaitUntil;
using testing_support::WriteFile;
using testing_support::WriteUserHive;

namespace fs = std::filesystem;

// A PNG of some content: the signature and more than an empty window's bytes.
bool IsPicture(const std::string& path) {
  const std::string data = ReadFile(path);
  return data.size() > 1000 && data.compare(0, 4, "\x89PNG") == 0;
}

// Ends a child of the test in order: asked first, killed only when it does not go.
void Stop(Child& child) {
  child.Signal(SIGTERM);
  if (child.Wait(5000) == -1) child.Signal(SIGKILL);
  child.Wait(5000);
}

class ScreenshotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const std::string& program :
         {BinPath("stayline"), std::string("/usr/bin/Xvfb"), std::string("/usr/bin/trayer")}) {
      if (::access(program.c_str(), X_OK) != 0) GTEST_SKIP() << "no " << program;
    }
    shots = fs::weakly_canonical(fs::path(STAYLINE_BIN_DIR) / ".." / "screenshots").string();
    fs::remove_all(shots);
    fs::create_directories(shots);
    // Xvfb picks a free display itself and writes its number to our file. Another X server
    // starting at the same moment may take the same number; this one then ends, and a new start
    // picks the next free one.
    for (int attempt = 0; attempt < 3 && DisplayNumber().empty(); ++attempt) {
      if (xvfb) Stop(*xvfb);
      xvfb = std::make_unique<Child>(
          std::vector<std::string>{"/usr/bin/Xvfb", "-displayfd", "1", "-screen", "0",
                                   "1280x800x24", "-nolisten", "tcp"},
          home / "xvfb.txt");
      WaitUntil([&] { return !DisplayNumber().empty() || xvfb->Wait(0) != -1; }, 10000);
    }
    ASSERT_FALSE(DisplayNumber().empty()) << ReadFile(home / "xvfb.txt");
    display = ":" + DisplayNumber();
    tray = std::make_unique<Child>(
        std::vector<std::string>{"/usr/bin/trayer", "--edge", "top", "--align", "right",
                                 "--widthtype", "request", "--height", "24", "--transparent",
                                 "false"},
        home / "trayer.txt", std::vector<std::string>{"DISPLAY=" + display});
  }
  void TearDown() override {
    if (app) Stop(*app);
    if (tray) Stop(*tray);
    if (xvfb) Stop(*xvfb);
  }

  std::string DisplayNumber() {
    const std::string text = ReadFile(home / "xvfb.txt");
    std::string digits;
    for (char c : text) {
      if (c == '\n') return digits;
      if (c < '0' || c > '9') return {};
      digits += c;
    }
    return {};
  }
  // A phonebook entry of the simulated line that is dialled at start, the texts in German.
  static void SeedLine(const std::string& h) {
    WriteFile(h + "/config/phonebook.ini",
              "[Office DSL]\nUserName=alice\nPassword=secret\nPasswordSaved=1\nConnectMs=300\n"
              "DeviceName=Simulated PPPoE line\nClientIPs=10.64.0.10 10.64.0.11\n"
              "ServerIP=10.64.0.1\n");
    WriteUserHive(h + "/config/HKCU.reg", {{"AReadFirstReg", "1"},
                                           {"AutoConnect", "1"},
                                           {"StaylineConnection", "Office DSL"},
                                           {"ViewOnlineTimer", "1"},
                                           {"Language", "1"}});
  }
  bool Request(const std::vector<std::string>& request) {
    return Ctl(home / "home", request).code == 0;
  }
  bool Shot(const std::string& name) {
    return WaitUntil([&] { return IsPicture(shots + "/" + name); }, 10000);
  }

  TempHome home;
  std::string shots;
  std::string display;
  std::unique_ptr<Child> xvfb, tray, app;
};

TEST_F(ScreenshotTest, PagesDialogAndTrayIconAreRenderedWithTheTrayAvailable) {
  // The tray host needs a moment to own the tray before the program looks for it.
  ::usleep(1000 * 1000);
  SeedLine(home / "home");
  app = std::make_unique<Child>(
      std::vector<std::string>{BinPath("stayline"), "--home", home / "home", "--ras", "sim"},
      home / "stayline.txt",
      std::vector<std::string>{"DISPLAY=" + display, "STAYLINE_SHOTS=" + shots});
  ASSERT_TRUE(WaitUntil(
      [&] {
        return Request({"get", "TStayline.Caption"});
      },
      15000))
      << ReadFile(home / "stayline.txt");

  // The icon is in the tray host, and the window hides behind it until double-clicked.
  ASSERT_TRUE(WaitUntil(
      [&] { return ReadFile(shots + "/tray.txt").find("geometry") != std::string::npos; }, 10000));
  const std::string trayInfo = ReadFile(shots + "/tray.txt");
  EXPECT_NE(trayInfo.find("available=1"), std::string::npos) << trayInfo;
  EXPECT_NE(trayInfo.find("visible=1"), std::string::npos) << trayInfo;
  EXPECT_EQ(trayInfo.find("geometry=0,0,0,0"), std::string::npos) << trayInfo;
  EXPECT_TRUE(Shot("tray.png"));
  EXPECT_EQ(Ctl(home / "home", {"get", "TStayline.TrayIcon.Added"}).out, "True");
  EXPECT_EQ(Ctl(home / "home", {"get", "TStayline.Visible"}).out, "False");
  ASSERT_TRUE(Request({"tray", "515"}));
  EXPECT_TRUE(WaitUntil(
      [&] {
        return Ctl(home / "home", {"get", "TStayline.Visible"}).out == "True";
      },
      5000));

  // The pictures show the line up with its online time counting, and the window's texts in its
  // language, which the status tick brings in within a second of showing.
  EXPECT_TRUE(WaitUntil(
      [&] {
        const std::string status = Ctl(home / "home", {"get", "TStayline.Status2.Caption"}).out;
        return status.rfind("Verbunden", 0) == 0 &&
               status.find(" 0 : 00:00:") != std::string::npos &&
               status.find(" 00:00:00,") == std::string::npos &&
               Ctl(home / "home", {"get", "TStayline.DFUSettingsBox1.Caption"}).out ==
                   " DFÜ Einstellungen ";
      },
      10000));
  for (const char* page : {"TabSheet2", "TabSheet3", "TabSheet1"}) {
    ASSERT_TRUE(Request({"set", "TStayline.PageControl1.ActivePage", page}));
    EXPECT_TRUE(Shot(std::string("page-") + page + ".png")) << page;
  }

  struct Dialog {
    const char* button;
    const char* form;
  };
  for (const Dialog& d : {Dialog{"MailSetup", "TfmSetup"}, Dialog{"FTPSetup", "Tftp0Setup"}}) {
    ASSERT_TRUE(Request({"click", std::string("TStayline.") + d.button}));
    EXPECT_TRUE(Shot(std::string("dialog-") + d.form + ".png")) << d.form;
    ASSERT_TRUE(Request({"answer", "Cancel"}));
    EXPECT_TRUE(WaitUntil(
        [&] { return Ctl(home / "home", {"forms"}).out.find(d.form) == std::string::npos; }, 5000))
        << d.form << " closes";
  }

  // A right click on the icon opens the tray menu.
  ASSERT_TRUE(Request({"tray", "516"}));
  EXPECT_TRUE(Shot("menu-PopupMenu1.png"));

  // A second start brings the hidden window up and leaves.
  ASSERT_TRUE(Request({"set", "TStayline.Visible", "False"}));
  ASSERT_TRUE(WaitUntil(
      [&] {
        return Ctl(home / "home", {"get", "TStayline.Visible"}).out == "False";
      },
      5000));
  Child second({BinPath("stayline"), "--home", home / "home", "--ras", "sim"}, home / "second.txt",
               {"DISPLAY=" + display});
  EXPECT_EQ(second.Wait(10000), 0) << ReadFile(home / "second.txt");
  EXPECT_TRUE(WaitUntil(
      [&] {
        return Ctl(home / "home", {"get", "TStayline.Visible"}).out == "True";
      },
      5000));

  ASSERT_TRUE(Request({"quit"}));
  EXPECT_EQ(app->Wait(15000), 0) << ReadFile(home / "stayline.txt");
  app.reset();
}

TEST_F(ScreenshotTest, ARestartAfterABrokenLineKeepsTheQtOptionsAndComesUpOnTheSameDisplay) {
  const std::string h = home / "home";
  SeedLine(h);
  // The display comes only from the Qt options: the environment names one that does not exist,
  // and the restarted instance inherits that environment.
  app = std::make_unique<Child>(std::vector<std::string>{BinPath("stayline"), "--home", h, "--ras",
                                                         "sim", "--", "-display", display},
                                home / "stayline.txt", std::vector<std::string>{"DISPLAY=:59999"});
  auto lockPid = [&] {
    return static_cast<pid_t>(std::atol(ReadFile(h + "/run/stayline.lock").c_str()));
  };
  auto alive = [](pid_t pid) { return pid > 0 && ::kill(pid, 0) == 0; };
  ASSERT_TRUE(WaitUntil(
      [&] {
        return Ctl(h, {"state", "ActiveConnectionCount"}).out == "1" &&
               Ctl(h, {"state", "ConnectTick"}).out != "0";
      },
      15000))
      << ReadFile(home / "stayline.txt");
  const pid_t first = lockPid();

  const auto broken = Ctl(h, {"sim", "break"});
  ASSERT_EQ(broken.code, 0) << broken.out;
  EXPECT_EQ(app->Wait(30000), 1) << ReadFile(home / "stayline.txt");
  app.reset();
  const bool restarted = WaitUntil(
      [&] {
        const pid_t now = lockPid();
        return now != first && alive(now) && Ctl(h, {"get", "TStayline.Caption"}).code == 0;
      },
      30000);
  const pid_t second = lockPid();
  if (restarted) {
    EXPECT_TRUE(Request({"quit"}));
    WaitUntil([&] { return !alive(second); }, 15000);
  }
  // Not a child of the test: it must not outlive it either way.
  if (second != first && alive(second)) ::kill(second, SIGKILL);
  EXPECT_TRUE(restarted) << "the restarted instance did not come up on " << display;
}

}  // namespace

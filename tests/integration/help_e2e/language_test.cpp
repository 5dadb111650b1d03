// The language switch as a user sees it: the tray menu follows on the next tick even while the
// window is hidden; the window's captions and hints follow while it is shown, and when it is
// shown again.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "integration/daemon_e2e/process_helpers.h"
#include "integration/help_e2e/sim_daemon.h"

namespace {

using namespace testing_support;

struct Text {
  const char* What;
  const char* German;
  const char* English;
  bool Tray;
};

const Text kTexts[] = {
    {"PopupDialing.Caption", "Verbinden", "Dial", true},
    {"PopupHangUp.Caption", "Trennen", "HangUp", true},
    {"PopupStopAutoPing.Caption", "Stopp AutoPing", "Stop AutoPing", true},
    {"Beenden1.Caption", "Programm schliessen", "Close/Exit Program", true},
    {"Beenden1.Hint", "Trennt die Verbindung und beendet das Programm", "HangUp and exit program",
     true},
    {"DialManual.Caption", "Verbinden", "Dial", false},
    {"DialManual.Hint", "Mit Internet verbinden", "Connecting with internet", false},
    {"German.Caption", "Deutsch", "German", false},
    {"TabSheet2.Caption", "DFÜ / Internet", "DFUE / Internet", false},
    {"RemoveProgram.Caption", "Programm entfernen", "Remove Program", false},
    {"RemoveProgram.Hint", "Programm vom System entfernen?", "Removing program from the system?",
     false},
    {"Help2.Caption", "Hilfe / LogDateien", "Help / LogFiles", false},
};

class LanguageSwitch : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(home_ / "config/HKLM.reg",
              "Windows Registry Editor Version 5.00\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\_StaylineConnections]\r\n"
              "\"Language\"=\"0\"\r\n");
    daemon_ = std::make_unique<SimDaemon>(home_.Path());
    ASSERT_TRUE(daemon_->Ready()) << daemon_->Output();
  }

  // The texts of the tray menu (tray) or of the window that do not read `german`'s, one a line.
  std::string Differing(bool tray, bool german) {
    std::string wrong;
    for (const Text& t : kTexts) {
      if (t.Tray != tray) continue;
      const std::string want = german ? t.German : t.English;
      const std::string got = daemon_->Get(t.What);
      if (got != want) wrong += std::string(t.What) + " = \"" + got + "\", not \"" + want + "\"\n";
    }
    return wrong;
  }
  // Whether the tray menu (tray) or the window reads `german`'s texts within 1.5 s.
  ::testing::AssertionResult Shows(bool tray, bool german) {
    if (WaitUntil([&] { return Differing(tray, german).empty(); }, 1500)) {
      return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << Differing(tray, german);
  }
  std::string WindowTexts() {
    std::string texts;
    for (const Text& t : kTexts) {
      if (!t.Tray) texts += daemon_->Get(t.What) + "\n";
    }
    return texts;
  }
  void Choose(bool german) {
    ASSERT_TRUE(daemon_->Request({"set", german ? "German.Checked" : "English.Checked", "1"}));
  }
  void ShowWindow(bool visible) {
    ASSERT_TRUE(daemon_->Request({"set", "TStayline.Visible", visible ? "1" : "0"}));
    ASSERT_TRUE(WaitUntil(
        [&] { return daemon_->Get("TStayline.Visible") == (visible ? "True" : "False"); }, 2000));
  }

  TempHome home_;
  std::unique_ptr<SimDaemon> daemon_;
};

TEST_F(LanguageSwitch, WhileHiddenOnlyTheTrayMenuFollowsAndTheWindowWhenShown) {
  ASSERT_EQ(daemon_->Get("TStayline.Visible"), "False");
  ASSERT_TRUE(Shows(true, false));
  const std::string hiddenEnglish = WindowTexts();

  Choose(true);
  EXPECT_TRUE(Shows(true, true));
  EXPECT_EQ(WindowTexts(), hiddenEnglish) << "a hidden window keeps its texts";
  EXPECT_EQ(Ctl(home_.Path(), {"setting", "Language"}).out, "1");
  ShowWindow(true);
  EXPECT_TRUE(Shows(false, true));

  ShowWindow(false);
  Choose(false);
  EXPECT_TRUE(Shows(true, false));
  EXPECT_EQ(Differing(false, true), "") << "a hidden window keeps its texts";
  ShowWindow(true);
  EXPECT_TRUE(Shows(false, false));
}

TEST_F(LanguageSwitch, WhileShownTheWindowAndTheTrayMenuFollowBothWays) {
  ShowWindow(true);
  for (const bool german : {true, false, true}) {
    SCOPED_TRACE(german ? "German" : "English");
    Choose(german);
    EXPECT_TRUE(Shows(true, german));
    EXPECT_TRUE(Shows(false, german));
    EXPECT_EQ(Ctl(home_.Path(), {"setting", "Language"}).out, german ? "1" : "0");
  }
}

}  // namespace

// The dial delay and the auto-FTP start countdown on simulated time.

#include <gtest/gtest.h>

#include "app/dial_delay.h"
#include "app/life_cycle.h"
#include "unit/app/support/stayline_fixture.h"

namespace {

using app_test::StaylineTest;

TEST(DelayTimeIntegerTest, AcceptsDigitsNotStartingWithZero) {
  struct Case {
    const char* text;
    bool valid;
  } cases[] = {{"12", true},  {"5", true}, {"07", false}, {"0", false},
               {"1a", false}, {"", false}, {" 5", false}};
  for (const Case& c : cases)
    EXPECT_EQ(app::DialDelay::DelayTimeInteger(c.text), c.valid) << c.text;
}

class DialDelayTest : public StaylineTest {
 protected:
  const std::map<std::string, std::string> kOptionsOn = {
      {"ErrorDelay", "0"}, {"OnlineDelay", "1"},    {"OnlineDelayTime", "5"},
      {"StartIE", "1"},    {"PingAuto", "1"},       {"AutoMail", "1"},
      {"FTP_Auto", "1"},   {"DynaHomeRefresh", "1"}};
  const std::vector<std::string> kHeld = {"AutoConnect", "StartIE",  "PingAuto",
                                          "AutoMail",    "FTP_Auto", "DynaHomeRefresh"};
};

TEST_F(DialDelayTest, HoldsTheAutomaticOptionsBackForTheDelayThenRestoresThemAndDials) {
  StartAutoDial(kOptionsOn);
  EXPECT_TRUE(State().DialDelayActive);
  EXPECT_EQ(Form().Caption(), " Stayline 1.0.0.0 - Function Start in: 300s");
  EXPECT_EQ(Form().AutoConnect.FontColor(), "clGreen");
  EXPECT_TRUE(Form().DelayTimeEdit.ReadOnly());
  for (const std::string& name : kHeld) EXPECT_EQ(Stored(name), "0") << name;
  for (auto* box : {&Form().AutoConnect, &Form().StartIEBrowser, &Form().AutoMailBox1,
                    &Form().AutoFTPBox, &Form().BrowserRefreshBox}) {
    EXPECT_FALSE(box->Checked()) << box->Name();
  }
  RunFor(1000);
  EXPECT_EQ(Form().Caption(), " Stayline 1.0.0.0 - Function Start in: 299s");
  RunFor(250'000);
  EXPECT_EQ(State().ActiveConnectionCount, 0) << "nothing is dialled during the delay";
  RunFor(50'000);
  EXPECT_FALSE(State().DialDelayActive);
  EXPECT_EQ(Form().Caption(), " Stayline 1.0.0.0");
  EXPECT_EQ(Form().AutoConnect.FontColor(), "clWindowText");
  EXPECT_FALSE(Form().DelayTimeEdit.ReadOnly());
  for (const std::string& name : kHeld) EXPECT_EQ(Stored(name), "1") << name;
  EXPECT_TRUE(Form().AutoConnect.Checked());
  EXPECT_TRUE(Form().AutoFTPBox.Checked());
  EXPECT_TRUE(Form().BrowserRefreshBox.Checked());
  EXPECT_TRUE(RunUntilOnline("10.64.0.10", 5000));
}

TEST_F(DialDelayTest, EndingDuringTheDelayLeavesTheOptionsStoredOff) {
  StartAutoDial(kOptionsOn);
  RunFor(10'000);
  main->Life().Close();
  for (const std::string& name : kHeld) EXPECT_EQ(Stored(name), "0") << name;
}

TEST_F(DialDelayTest, ARestartSkipsTheDelayOnceAndKeepsItForLaterStarts) {
  auto settings = kOptionsOn;
  settings["TempDelay"] = "1";
  StartAutoDial(settings);
  EXPECT_FALSE(State().DialDelayActive);
  EXPECT_EQ(Stored("TempDelay"), "0");
  EXPECT_EQ(Stored("OnlineDelay"), "1");
  EXPECT_TRUE(RunUntilOnline("10.64.0.10", 5000));
}

TEST_F(DialDelayTest, DialOrHangUpByHandEndsTheCountdown) {
  StartAutoDial(kOptionsOn);
  RunFor(3000);
  Form().DialManual.UserClick();
  EXPECT_FALSE(Form().DelayTimer.Enabled());
  EXPECT_EQ(Form().Caption(), " Stayline 1.0.0.0");
  EXPECT_FALSE(Form().DelayTimeEdit.ReadOnly());
  EXPECT_TRUE(RunUntilOnline("10.64.0.10", 5000));
}

TEST_F(DialDelayTest, TheDelayEditStoresOnlyValidNumbers) {
  Start({{"OnlineDelayTime", "3"}});
  struct Case {
    const char* typed;
    const char* stored;
    bool beeps;
  } cases[] = {{"12", "12", false}, {"07", "12", true}, {"1a", "12", true}, {" 4 ", "4", false}};
  for (const Case& c : cases) {
    const int beeps = dialogs.BeepCount();
    Form().DelayTimeEdit.SetProperty("Text", c.typed, forms::Origin::User);
    EXPECT_EQ(Stored("OnlineDelayTime"), c.stored) << c.typed;
    EXPECT_EQ(dialogs.BeepCount() > beeps, c.beeps) << c.typed;
  }
}

TEST_F(DialDelayTest, TheDelayBoxStoresTheOption) {
  Start();
  Form().DelayBox.UserClick();
  EXPECT_EQ(Stored("OnlineDelay"), "1");
  Form().DelayBox.UserClick();
  EXPECT_EQ(Stored("OnlineDelay"), "0");
}

TEST_F(DialDelayTest, AStartAfterARunWithAutoFtpCountsTwentySecondsThenSwitchesItOn) {
  Start({{"ErrorDelay", "1"}, {"FTP_Auto", "1"}});
  EXPECT_EQ(Form().Caption(), " Stayline 1.0.0.0 - AutoFTP Start in: 20s");
  EXPECT_EQ(Stored("FTP_Auto"), "0");
  RunFor(1000);
  EXPECT_EQ(Form().Caption(), " Stayline 1.0.0.0 - AutoFTP Start in: 19s");
  RunFor(19'000);
  EXPECT_EQ(Form().Caption(), " Stayline 1.0.0.0");
  EXPECT_FALSE(Form().TimeOutTimer.Enabled());
  EXPECT_EQ(Stored("FTP_Auto"), "1");
  EXPECT_TRUE(Form().AutoFTPBox.Checked());
  EXPECT_FALSE(State().AutoFtpOnStart);
}

}  // namespace

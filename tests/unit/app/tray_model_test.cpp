// The tray icon model: pictures by line state and ping animation, the mouse callback, the tray
// menu and hiding instead of minimising.

#include <gtest/gtest.h>

#include "app/tray_model.h"
#include "unit/app/support/stayline_fixture.h"

namespace {

using app_test::StaylineTest;

class TrayModelTest : public StaylineTest {};

TEST_F(TrayModelTest, TheIconFollowsTheLineUnlessThePingAnimationRuns) {
  StartAutoDial();
  RunFor(10);
  EXPECT_TRUE(Form().TrayIcon.Added());
  EXPECT_EQ(Form().TrayIcon.Icon(), "ImageNotConnect");
  EXPECT_EQ(Form().TrayIcon.Tip(), "Stayline");
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  RunFor(1000);
  EXPECT_EQ(Form().TrayIcon.Icon(), "ImageConnect");
  Form().PingImageTimer.SetEnabled(true);
  Form().TrayIcon.Modify("DrivePing1", "Stayline");
  Form().HangUpManual.UserClick();
  RunFor(2000);
  EXPECT_EQ(Form().TrayIcon.Icon(), "DrivePing1");
  Form().PingImageTimer.SetEnabled(false);
  RunFor(1000);
  EXPECT_EQ(Form().TrayIcon.Icon(), "ImageNotConnect");
}

TEST_F(TrayModelTest, ThePingAnimationAlternatesOnlyWhenBlinkingIsOn) {
  Start();
  RunFor(10);
  app::TrayModel& tray = main->Tray();
  struct Case {
    bool blink;
    int connections;
    std::vector<std::string> icons;
  } cases[] = {
      {true, 1, {"DrivePing1", "DrivePing2", "DrivePing1", "DrivePing2"}},
      {true, 0, {"DrivePingX1", "DrivePingX2", "DrivePingX1", "DrivePingX2"}},
      {false, 1, {"DrivePing1", "DrivePing1", "DrivePing1"}},
      {false, 0, {"DrivePingX1", "DrivePingX1"}},
  };
  Form().StopAutoPing.SetEnabled(true);
  for (const Case& c : cases) {
    Form().PingBlinkOnOff.SetChecked(c.blink);
    State().PingBlinkCounter = 0;
    State().ActiveConnectionCount = c.connections;
    for (const std::string& icon : c.icons) {
      tray.TaskBarChangePingIcon();
      EXPECT_EQ(Form().TrayIcon.Icon(), icon);
    }
  }
  // without a running auto-ping the animation does nothing
  Form().StopAutoPing.SetEnabled(false);
  Form().TrayIcon.Modify("ImageConnect", "Stayline");
  tray.TaskBarChangePingIcon();
  EXPECT_EQ(Form().TrayIcon.Icon(), "ImageConnect");
}

TEST_F(TrayModelTest, MouseMessagesShowTheWindowOrOpenTheMenu) {
  Start();
  RunFor(10);
  int popups = 0;
  main->ShowPopupMenu = [&](forms::MenuItem& menu) {
    EXPECT_EQ(menu.Name(), "PopupMenu1");
    ++popups;
  };
  Form().TrayIcon.Callback(forms::kTrayRightDown);
  EXPECT_EQ(popups, 1);
  EXPECT_FALSE(Form().Visible());
  Form().TrayIcon.Callback(forms::kTrayLeftDown);
  EXPECT_FALSE(Form().Visible());
  Form().TrayIcon.Callback(515);
  EXPECT_TRUE(Form().Visible());

  // minimising hides to the tray; other commands go on
  EXPECT_TRUE(main->Tray().WMSysCommand(61472));
  EXPECT_FALSE(Form().Visible());
  EXPECT_FALSE(main->Tray().WMSysCommand(61728));  // restore
  Form().PopupEinstellungen.UserClick();
  EXPECT_TRUE(Form().Visible());
}

TEST_F(TrayModelTest, TheMenuOffersDialOfflineAndHangUpOnline) {
  StartAutoDial({{"Language", "1"}});
  RunFor(1000);
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  RunFor(1000);
  EXPECT_FALSE(Form().PopupDialing.Visible());
  EXPECT_TRUE(Form().PopupHangUp.Visible());
  EXPECT_FALSE(Form().RemoveProgram.Visible());
  EXPECT_EQ(Form().PopupHangUp.Caption(), "Trennen");
  EXPECT_EQ(Form().Beenden1.Caption(), "Programm schliessen");
  Form().HangUpManual.UserClick();
  RunFor(1000);
  EXPECT_TRUE(Form().PopupDialing.Visible());
  EXPECT_FALSE(Form().PopupHangUp.Visible());
  EXPECT_EQ(Form().PopupDialing.Caption(), "Verbinden");
  Form().PopupDialing.UserClick();
  EXPECT_TRUE(RunUntilOnline("10.64.0.11"));
}

}  // namespace

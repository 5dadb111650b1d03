// The browser around the connection: opening the start, last or pending page once the line is
// up, following the shown address into "LastUrl", closing at the end, and the web-server test
// with the browser refresh after a publish; on simulated time with a scripted browser.
#include "app/browser_refresh.h"

#include <gtest/gtest.h>

#include "app/auto_ftp.h"
#include "app/connection_keeper.h"
#include "net/network_error.h"
#include "unit/app/support/fake_browser.h"
#include "unit/app/support/stayline_fixture.h"

namespace {

class BrowserRefreshTest : public app_test::StaylineTest {
 protected:
  void StartOnline(std::map<std::string, std::string> extra = {}) {
    StartAutoDial(std::move(extra));
    ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  }
  void StartOffline(std::map<std::string, std::string> extra = {}) {
    extra["Language"] = extra.count("Language") ? extra["Language"] : "0";
    Start(extra);
  }
  int Beeps() const { return dialogs.BeepCount(); }
  app::BrowserRefresh& Refresh() { return main->Browser(); }
};

TEST_F(BrowserRefreshTest, TheLineComingUpOpensTheStartPageOnceThenTheLastPage) {
  StartOnline({{"IEStartWeb", "http://127.0.0.1:8080/start.html"}});
  State().StartSitePending = true;
  Refresh().ConnectToIEBrowser();
  Refresh().ConnectToIEBrowser();  // a window is open now: nothing more
  EXPECT_EQ(browser.opened, (std::vector<std::string>{"http://127.0.0.1:8080/start.html"}));
  EXPECT_FALSE(State().StartSitePending);

  browser.windows.clear();
  store->WriteSetting("LastUrl", "http://127.0.0.1:8080/last.html");
  Refresh().ConnectToIEBrowser();
  EXPECT_EQ(browser.opened.back(), "http://127.0.0.1:8080/last.html");

  // No last page stored: about:blank, stored.
  browser.windows.clear();
  store->WriteSetting("LastUrl", "");
  Refresh().ConnectToIEBrowser();
  EXPECT_EQ(browser.opened.back(), "about:blank");
  EXPECT_EQ(Stored("LastUrl"), "about:blank");
}

TEST_F(BrowserRefreshTest, AFailedOpeningFallsBackToTheSupportPageAndAPendingLinkOpensLast) {
  StartOnline();
  browser.failOpen = true;
  Refresh().ConnectToIEBrowser();
  ASSERT_EQ(browser.opened.size(), 2u);
  EXPECT_EQ(browser.opened[1], app::BrowserRefresh::kSupportPage);

  browser.failOpen = false;
  browser.opened.clear();
  State().UrlPending = true;
  State().PendingUrl = "http://127.0.0.1:8080/link.html";
  Refresh().ConnectToIEBrowser();
  EXPECT_EQ(browser.opened, (std::vector<std::string>{"http://127.0.0.1:8080/link.html"}));
  EXPECT_FALSE(State().UrlPending);
  EXPECT_EQ(State().PendingUrl, "");
}

TEST_F(BrowserRefreshTest, NothingOpensWhileTheLineIsDown) {
  StartOffline();
  Refresh().ConnectToIEBrowser();
  EXPECT_TRUE(browser.opened.empty());
}

TEST_F(BrowserRefreshTest, TheShownAddressIsRememberedUnlessOnlyItsCaseDiffers) {
  StartOffline();
  EXPECT_EQ(Refresh().GetActualUrl(), "") << "no window";
  browser.windows = {"http://127.0.0.1/Page.html"};
  EXPECT_EQ(Refresh().GetActualUrl(), "http://127.0.0.1/Page.html");
  EXPECT_EQ(Stored("LastUrl"), "http://127.0.0.1/Page.html");
  browser.windows = {"HTTP://127.0.0.1/page.HTML"};
  Refresh().GetActualUrl();
  EXPECT_EQ(Stored("LastUrl"), "http://127.0.0.1/Page.html");
}

TEST_F(BrowserRefreshTest, ClosingFollowsCloseIEbyExitAndTheRecovery) {
  StartOffline();
  browser.windows = {"http://127.0.0.1/a", "http://127.0.0.1/b"};
  Form().CloseIEbyExit.SetChecked(false);
  Refresh().CloseInternetClick();
  EXPECT_EQ(browser.windows.size(), 2u) << "not to be closed";
  EXPECT_EQ(Stored("LastUrl"), "http://127.0.0.1/b") << "its address is still remembered";

  Form().CloseIEbyExit.SetChecked(true);
  State().RestartInProgress = true;
  Refresh().CloseInternetClick();
  EXPECT_EQ(browser.windows.size(), 2u) << "a restart leaves the browser open";

  State().RestartInProgress = false;
  const int beeps = Beeps();
  Refresh().CloseInternetClick();
  EXPECT_TRUE(browser.windows.empty());
  EXPECT_EQ(Beeps() - beeps, 2);
  EXPECT_EQ(Stored("LastUrl"), "http://127.0.0.1/a");

  // A window that does not go away: the loop gives up after its bound.
  browser.windows = {"http://127.0.0.1/stuck"};
  browser.closeSticks = true;
  browser.closes = 0;
  Refresh().CloseInternetClick();
  EXPECT_EQ(browser.closes, app::BrowserRefresh::kMaxPasses);
}

TEST_F(BrowserRefreshTest, RefreshAfterPublishTestsTheServerReloadsAndReturns) {
  StartOnline({{"StartIE", "1"}, {"DynaHomeRefresh", "1"}});
  Form().StartIEBrowser.SetChecked(true);
  Form().BrowserRefreshBox.SetChecked(true);
  Form().BrowserRefreshLineEdit.SetText("http://127.0.0.1:8080/mydyn.htm");
  browser.windows = {"http://127.0.0.1:8080/reading.html"};
  web.status = "HTTP/1.0 200 OK";
  main->Publisher().State().BrowserRefreshPending = true;
  Form().TimerCaption.SetEnabled(true);
  Refresh().SendeJetztBrowserRefresh();
  EXPECT_EQ(web.requests, (std::vector<std::string>{"http://10.64.0.10"}));
  EXPECT_EQ(Form().WEBServerInfo.Text(), "HTTP/1.0 200 OK");
  EXPECT_EQ(browser.reloads, (std::vector<std::string>{"http://127.0.0.1:8080/mydyn.htm"}));
  EXPECT_EQ(browser.opened.back(), "http://127.0.0.1:8080/reading.html") << "back to the page";
  EXPECT_FALSE(main->Publisher().State().BrowserRefreshPending);
  EXPECT_TRUE(Form().TimerCaption.Enabled()) << "the status timer is restored";
}

TEST_F(BrowserRefreshTest, RefreshWithoutWebServerOrLineOrSwitchesDoesNoBrowserWork) {
  StartOnline({{"StartIE", "1"}});
  Form().StartIEBrowser.SetChecked(true);
  Form().BrowserRefreshBox.SetChecked(true);
  browser.windows = {"http://127.0.0.1:8080/reading.html"};
  auto& pending = main->Publisher().State().BrowserRefreshPending;

  pending = true;
  Refresh().SendeJetztBrowserRefresh();
  EXPECT_EQ(Form().WEBServerInfo.Text(), "No WEB-Server activ");
  EXPECT_FALSE(net::NetworkErrorFlag());
  EXPECT_FALSE(pending);
  EXPECT_TRUE(browser.reloads.empty());

  // Not pending, or the refresh box off: nothing at all.
  web.status = "HTTP/1.0 200 OK";
  Refresh().SendeJetztBrowserRefresh();
  pending = true;
  Form().BrowserRefreshBox.SetChecked(false);
  Refresh().SendeJetztBrowserRefresh();
  EXPECT_EQ(web.requests.size(), 1u);
  EXPECT_TRUE(pending);

  // The line went down meanwhile: the FTP status bar says so.
  Form().BrowserRefreshBox.SetChecked(true);
  main->Keeper().HangUpManualClick();
  Refresh().SendeJetztBrowserRefresh();
  EXPECT_EQ(Form().StatusBar1.Panel(1), "Disconnected.");
  EXPECT_EQ(web.requests.size(), 1u);
}

TEST_F(BrowserRefreshTest, WebServerTestShowsTheStatusOrWhyNot) {
  StartOffline({{"Language", "1"}});
  Refresh().TestWebServerButtonClick();
  EXPECT_EQ(Form().WEBServerInfo.Text(), "Keine Informationen");
  main.reset();

  StartOnline();
  Refresh().TestWebServerButtonClick();
  EXPECT_EQ(Form().WEBServerInfo.Text(), "No WEB-Server activ");
  web.status = "HTTP/1.1 404 Not Found";
  Refresh().TestWebServerButtonClick();
  EXPECT_EQ(Form().WEBServerInfo.Text(), "HTTP/1.1 404 Not Found");
  EXPECT_EQ(web.requests.back(), "http://10.64.0.10");
}

TEST_F(BrowserRefreshTest, SettingsHandlersStoreWhatTheUserChose) {
  StartOffline();
  Form().StartWeb.SetText("http://127.0.0.1/home.html");
  EXPECT_EQ(Stored("IEStartWeb"), "http://127.0.0.1/home.html");
  Form().StartWeb.SetText("   ");
  EXPECT_EQ(Stored("IEStartWeb"), "http://127.0.0.1/home.html") << "empty keeps the old one";
  const int beeps = Beeps();
  Form().StartWeb.SetProperty("KeyDown", "13", forms::Origin::User);
  EXPECT_EQ(Beeps() - beeps, 1);

  for (auto [box, name] : {std::pair{&Form().StartSiteBox, "IEStartSite"},
                           std::pair{&Form().BrowserRefreshBox, "DynaHomeRefresh"},
                           std::pair{&Form().CloseIEbyExit, "IEClose"}}) {
    box->SetChecked(true);
    EXPECT_EQ(Stored(name), "1") << name;
    box->SetChecked(false);
    EXPECT_EQ(Stored(name), "0") << name;
  }
}

TEST_F(BrowserRefreshTest, TheHomePictureOpensTheStartPageOnceTheLineIsUp) {
  StartOnline();
  Form().StartWeb.SetText("http://127.0.0.1/home.html");
  Form().HomeSiteBitmap.UserClick();
  EXPECT_EQ(browser.opened, (std::vector<std::string>{"http://127.0.0.1/home.html"}));
}

}  // namespace

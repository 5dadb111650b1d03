#include "app/browser_refresh.h"

#include "app/auto_ftp.h"
#include "app/connection_keeper.h"
#include "app/t_stayline.h"
#include "app/web_server_probe.h"
#include "core/text.h"
#include "net/network_error.h"
#include "platform/browser.h"

namespace app {
namespace {

constexpr int kEnter = 13;
constexpr std::int64_t kRefreshWaitMs = 500;

}  // namespace

BrowserRefresh::BrowserRefresh(TStayline& main, platform::Browser& browser, WebServerProbe& web)
    : main_(main), browser_(browser), web_(web) {
  MainForm& f = main_.Form();
  f.StartSiteBox.OnClick = [this] { StartSiteBoxClick(); };
  f.StartWeb.OnChange = [this] { StartWebChange(); };
  f.StartWeb.OnKeyDown = [this](int key) { StartWebKeyDown(key); };
  f.HomeSiteBitmap.OnClick = [this] { HomeSiteBitmapClick(); };
  f.BrowserRefreshBox.OnClick = [this] { BrowserRefreshBoxClick(); };
  f.CloseIEbyExit.OnClick = [this] { CloseIEbyExitClick(); };
  f.TestWebServerButton.OnClick = [this] { TestWebServerButtonClick(); };
}

std::uint64_t BrowserRefresh::FindBrowserWindow() {
  return browser_.FindWindow();
}

std::string BrowserRefresh::GetBrowserUrl() {
  return browser_.CurrentUrl();
}

void BrowserRefresh::RememberUrl(const std::string& url) {
  settings::TRegsData& r = main_.Regs();
  if (url.empty() || core::EqualsNoCase(url, r.LastUrl)) return;
  r.LastUrl = url;
  main_.Store().WriteField("LastUrl");
}

std::string BrowserRefresh::GetActualUrl() {
  if (FindBrowserWindow() == 0) return "";
  std::string url = GetBrowserUrl();
  RememberUrl(url);
  return url;
}

bool BrowserRefresh::Open(const std::string& address) {
  return browser_.Open(address);
}

void BrowserRefresh::ConnectToIEBrowser() {
  MainState& s = main_.State();
  // Without the server's address the line is not up yet.
  if (core::Trim(main_.DialUp().ServerIP()).empty()) return;
  main_.Keeper().TesteConnections();
  if (s.ActiveConnectionCount == 0) return;
  if (FindBrowserWindow() != 0) return;
  settings::TRegsData& r = main_.Regs();
  r.LastUrl = main_.Store().ReadSetting("LastUrl");
  if (r.LastUrl.empty()) r.LastUrl = "about:blank";
  main_.Store().WriteField("LastUrl");
  if (!s.UrlPending) {
    std::string address = r.LastUrl;
    if (s.StartSitePending) {
      s.StartSitePending = false;
      const std::string start = core::Trim(r.IEStartWeb);
      if (!start.empty()) address = start;
    }
    if (!Open(address)) Open(kSupportPage);
  }
  if (s.UrlPending && !s.PendingUrl.empty()) {
    Open(s.PendingUrl);
    s.UrlPending = false;
    s.PendingUrl.clear();
  }
}

void BrowserRefresh::CallShellExeCute(const std::string& address) {
  MainState& s = main_.State();
  if (s.ActiveConnectionCount == 0) {
    main_.Keeper().DialManualClick();
    main_.ProcessMessages();
  }
  s.PingClientIP = main_.DialUp().ClientIP();
  if (s.ActiveConnectionCount > 0 && !s.PingClientIP.empty()) {
    Open(address);
    s.UrlPending = false;
  }
}

void BrowserRefresh::CloseInternetClick() {
  MainState& s = main_.State();
  for (int pass = 0; pass < kMaxPasses && FindBrowserWindow() != 0; ++pass) {
    RememberUrl(GetBrowserUrl());
    if (s.RestartInProgress || !main_.Form().CloseIEbyExit.Checked()) return;
    if (browser_.CloseWindow()) {
      main_.ProcessMessages();
      main_.Beep();
    }
  }
}

void BrowserRefresh::SendIEBrowserRefresh() {
  forms::TimerControl& timer = main_.Form().TimerCaption;
  const bool wasEnabled = timer.Enabled();
  timer.SetEnabled(false);
  for (int pass = 0; pass < kMaxPasses && FindBrowserWindow() != 0; ++pass) {
    if (browser_.Reload()) {
      main_.Publisher().State().WaitTextSuppressed = true;
      main_.ProcessMessages();
      main_.Beep();
    }
    // A browser that is still there has had its reload; one that went away meanwhile is
    // looked for again.
    if (FindBrowserWindow() != 0) break;
  }
  timer.SetEnabled(wasEnabled);
}

std::string BrowserRefresh::NoWebServerText() const {
  return main_.Tx("Kein WEB-Server aktiv", "No WEB-Server activ");
}

void BrowserRefresh::SendeJetztBrowserRefresh() {
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  AutoFtp::Session& publishing = main_.Publisher().State();
  if (!f.BrowserRefreshBox.Checked() || !publishing.BrowserRefreshPending ||
      !f.StartIEBrowser.Checked()) {
    return;
  }
  const std::string shownBefore = GetBrowserUrl();
  const std::string address = "http://" + core::Trim(s.LastClientIP);
  main_.Keeper().TesteConnections();
  if (s.ActiveConnectionCount > 0) {
    const std::optional<std::string> status = web_.Get(address);
    if (status) {
      f.WEBServerInfo.SetText(*status);
      CallShellExeCute(f.BrowserRefreshLineEdit.Text());
      main_.Loop().RunFor(kRefreshWaitMs);
      SendIEBrowserRefresh();
      main_.Loop().RunFor(kRefreshWaitMs);
      if (!core::Trim(shownBefore).empty()) CallShellExeCute(shownBefore);
      publishing.BrowserRefreshPending = false;
    } else {
      net::ClearNetworkError();
      publishing.BrowserRefreshPending = false;
      f.WEBServerInfo.SetText(NoWebServerText());
    }
  } else {
    main_.MFtp1().Close();
    f.StatusBar1.SetPanel(1, main_.Tx("Verbindung getrennt.", "Disconnected."));
  }
  if (net::NetworkErrorFlag()) net::ClearNetworkError();
}

void BrowserRefresh::TestWebServerButtonClick() {
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  const bool connected = s.ActiveConnectionCount > 0 && main_.Keeper().ComponentHasHandle() &&
                         !s.LastClientIP.empty() && !s.LastServerIP.empty();
  if (!connected) {
    f.WEBServerInfo.SetText(main_.Tx("Keine Informationen", "No Information"));
    return;
  }
  const std::optional<std::string> status = web_.Get("http://" + core::Trim(s.LastClientIP));
  if (status) {
    f.WEBServerInfo.SetText(*status);
  } else {
    net::ClearNetworkError();
    f.WEBServerInfo.SetText(NoWebServerText());
  }
}

void BrowserRefresh::WriteFlag(const char* name, std::string& field, bool on) {
  field = on ? "1" : "0";
  main_.Store().WriteField(name);
}

void BrowserRefresh::StartSiteBoxClick() {
  WriteFlag("IEStartSite", main_.Regs().IEStartSite, main_.Form().StartSiteBox.Checked());
}

void BrowserRefresh::StartWebChange() {
  const std::string& text = main_.Form().StartWeb.Text();
  if (core::Trim(text).empty()) return;
  main_.Regs().IEStartWeb = text;
  main_.Store().WriteField("IEStartWeb");
}

void BrowserRefresh::StartWebKeyDown(int key) {
  if (key != kEnter) return;
  if (core::Trim(main_.Form().StartWeb.Text()).empty()) {
    main_.Beep();
    return;
  }
  StartWebChange();
}

void BrowserRefresh::HomeSiteBitmapClick() {
  if (main_.State().DialDelayActive) return;
  const std::string start = core::Trim(main_.Form().StartWeb.Text());
  if (start.empty()) return;
  main_.Beep();
  CallShellExeCute(start);
}

void BrowserRefresh::BrowserRefreshBoxClick() {
  if (main_.State().DialDelayActive) return;
  WriteFlag("DynaHomeRefresh", main_.Regs().DynaHomeRefresh,
            main_.Form().BrowserRefreshBox.Checked());
}

void BrowserRefresh::CloseIEbyExitClick() {
  main_.Regs().IEClose = main_.Form().CloseIEbyExit.Checked() ? "1" : "0";
  main_.Store().SaveProgramSettings();
}

}  // namespace app

#pragma once
// BrowserRefresh: the browser around the dial-up connection. It opens the start page or the last
// page when the line comes up, follows the address the browser shows into "LastUrl", closes the
// browser at the end or on hang-up, opens links once the line is up, and after the client-IP page
// was published tests the web server on the new client IP and has the browser reload the refresh
// page. The browser itself is the platform's (platform::Browser).
//
// Threading: loop thread only. Opening a link may dial first and pumps the loop once; the refresh
// waits twice 500 ms of program time with the status timer off.

#include <cstdint>
#include <string>

namespace platform {
class Browser;
}

namespace app {

class TStayline;
class WebServerProbe;

class BrowserRefresh {
 public:
  // The page opened when the last or start page cannot be opened, and the start page's default.
  static constexpr const char* kSupportPage = "http://dsl-support.example.com/";
  // The classic loop bound of the closing and refresh loops.
  static constexpr int kMaxPasses = 1000;

  BrowserRefresh(TStayline& main, platform::Browser& browser, WebServerProbe& web);
  BrowserRefresh(const BrowserRefresh&) = delete;
  BrowserRefresh& operator=(const BrowserRefresh&) = delete;

  // The browser window the program can drive, 0 for none.
  [[nodiscard]] std::uint64_t FindBrowserWindow();
  // The address the browser shows ("" when none).
  [[nodiscard]] std::string GetBrowserUrl();
  // The current address of an open browser; remembered as "LastUrl".
  std::string GetActualUrl();
  // Opens the start page, the last page or a pending address when the line is up and no browser
  // window is open.
  void ConnectToIEBrowser();
  // Closes the browser windows (see CloseIEbyExit and the recovery).
  void CloseInternetClick();
  // Opens `address`, dialling first when the line is down.
  void CallShellExeCute(const std::string& address);
  // Reloads the page the browser shows, bypassing the cache.
  void SendIEBrowserRefresh();
  // The web-server test and browser refresh after the client-IP page was published.
  void SendeJetztBrowserRefresh();
  void TestWebServerButtonClick();

  void StartSiteBoxClick();
  void StartWebChange();
  void StartWebKeyDown(int key);
  void HomeSiteBitmapClick();
  void BrowserRefreshBoxClick();
  void CloseIEbyExitClick();

 private:
  void RememberUrl(const std::string& url);
  // "open" of the shell; false when it failed.
  bool Open(const std::string& address);
  [[nodiscard]] std::string NoWebServerText() const;
  void WriteFlag(const char* name, std::string& field, bool on);

  TStayline& main_;
  platform::Browser& browser_;
  WebServerProbe& web_;
};

}  // namespace app

#pragma once
// A browser and a web server for the window's tests: the browser keeps a stack of windows
// (addresses), records every call and can be told to fail; the web server answers each GET
// with a scripted status line or fails as a missing server does.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/web_server_probe.h"
#include "net/network_error.h"
#include "platform/browser.h"

namespace app_test {

class FakeBrowser : public platform::Browser {
 public:
  std::uint64_t FindWindow() override { return windows.empty() ? 0 : windows.size(); }
  std::string CurrentUrl() override { return windows.empty() ? "" : windows.back(); }
  bool Open(const std::string& address) override {
    opened.push_back(address);
    if (failOpen) return false;
    windows.push_back(address);
    return true;
  }
  bool CloseWindow() override {
    if (windows.empty()) return false;
    ++closes;
    if (!closeSticks) windows.pop_back();
    return true;
  }
  bool Reload() override {
    if (windows.empty()) return false;
    reloads.push_back(windows.back());
    return true;
  }

  std::vector<std::string> windows;  // the last one is the most recently active
  std::vector<std::string> opened;   // every address asked to open
  std::vector<std::string> reloads;  // the address shown at each reload
  int closes = 0;
  bool failOpen = false;
  bool closeSticks = false;  // a window that ignores being closed
};

class FakeWebServer : public app::WebServerProbe {
 public:
  std::optional<std::string> Get(const std::string& url) override {
    requests.push_back(url);
    if (!status) {
      net::RecordNetworkError(111);
      return std::nullopt;
    }
    return status;
  }
  std::optional<std::string> status;  // nullopt: no server answers
  std::vector<std::string> requests;
};

}  // namespace app_test

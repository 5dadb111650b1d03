#pragma once
// A dynamic-DNS server for the window's tests: answers each GET with the next scripted reply
// (the last one again when the script has run out) and records the requests.

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "app/dyn_dns_transport.h"
#include "core/event_loop.h"

namespace app_test {

class ScriptedDynDns : public app::DynDnsTransport {
 public:
  struct Request {
    std::string url;
    std::string authorization;
    std::string userAgent;
    std::int64_t atMs = 0;
  };

  explicit ScriptedDynDns(const core::EventLoop* clock = nullptr) : clock_(clock) {}
  void SetClock(const core::EventLoop* clock) { clock_ = clock; }

  // Answers with `body` (status 200); a reply with ok=false is a network failure.
  void Answer(const std::string& body, int status = 200) {
    replies_.push_back({true, status, body, ""});
  }
  void Fail(const std::string& error = "Socket Refresh: 111") {
    replies_.push_back({false, 0, "", error});
  }

  app::DynDnsReply Get(const std::string& url, const std::string& authorization,
                       const std::string& userAgent) override {
    requests.push_back({url, authorization, userAgent, clock_ ? clock_->NowMs() : 0});
    if (replies_.empty()) return {true, 200, "good", ""};
    app::DynDnsReply reply = replies_.front();
    if (replies_.size() > 1) replies_.pop_front();
    return reply;
  }

  std::vector<Request> requests;

 private:
  const core::EventLoop* clock_;
  std::deque<app::DynDnsReply> replies_;
};

}  // namespace app_test

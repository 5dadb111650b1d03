// The dynamic-DNS update: what each answer of the server means, the request it sends, when it
// asks again (pure schedule), and the window's update on simulated time with a scripted server.

#include <gtest/gtest.h>

#include "app/dyn_dns.h"
#include "app/dyn_dns_request.h"
#include "app/dyn_dns_setup_form.h"
#include "core/text.h"
#include "unit/app/support/stayline_fixture.h"

namespace {

using app::DynDnsAnswer;
using app::DynDnsState;
using Kind = DynDnsAnswer::Kind;
using app_test::StaylineTest;

std::string Scrambled(const std::string& text) {
  return settings::SettingsStore::ScrambleText(text);
}

TEST(DynDnsAnswer, EachAnswerOfTheProtocolDecidesTheNextStep) {
  struct Case {
    const char* body;
    int status;
    Kind kind;
    const char* code;
  };
  const Case cases[] = {
      {"good 10.64.0.10", 200, Kind::Success, "good"},
      {"nochg 10.64.0.10\n", 200, Kind::Success, "nochg"},
      {"good 1.2.3.4\r\nnochg 1.2.3.4\r\n", 200, Kind::Success, "good"},
      {"badauth", 200, Kind::Stop, "badauth"},
      {"badauth", 401, Kind::Stop, "badauth"},
      {"nohost", 200, Kind::Stop, "nohost"},
      {"notfqdn", 200, Kind::Stop, "notfqdn"},
      {"abuse", 200, Kind::Stop, "abuse"},
      {"!donator", 200, Kind::Stop, "!donator"},
      {"badagent", 200, Kind::Stop, "badagent"},
      // one host's stop stops all, whatever the others said
      {"good 1.2.3.4\nnohost\n", 200, Kind::Stop, "nohost"},
      {"911", 200, Kind::Retry, "911"},
      {"good 1.2.3.4\n911\n", 200, Kind::Retry, "911"},
      {"dnserr", 200, Kind::Retry, "dnserr"},
      {"<html>busy</html>", 503, Kind::Retry, "<html>busy</html>"},
      {"", 200, Kind::Retry, ""},
      {"", 401, Kind::Stop, "badauth"},
      {"Unauthorized", 401, Kind::Stop, "badauth"},
      // first words only: "goodbye" is no "good"
      {"goodbye", 200, Kind::Retry, "goodbye"},
  };
  for (const Case& c : cases) {
    const DynDnsAnswer a = app::ClassifyDynDnsAnswer(c.body, c.status);
    EXPECT_EQ(a.kind, c.kind) << c.body;
    EXPECT_EQ(a.code, c.code) << c.body;
  }
}

TEST(DynDnsRequest, UrlAndAuthorizationFollowTheProtocol) {
  struct Case {
    const char* server;
    const char* hosts;
    const char* url;  // nullptr: no request
  };
  const Case cases[] = {
      {"members.example.net", "home.example.org",
       "https://members.example.net/nic/update?hostname=home.example.org&myip=10.64.0.10"},
      {" https://127.0.0.1:8443/ ", " a.example.org , ,b.example.org ",
       "https://127.0.0.1:8443/nic/update?hostname=a.example.org,b.example.org&myip=10.64.0.10"},
      // typed separators cannot add parameters
      {"dyn.example.net", "a.example.org&myip=6.6.6.6",
       "https://dyn.example.net/nic/"
       "update?hostname=a.example.org%26myip%3D6.6.6.6&myip=10.64.0.10"},
      {"", "a.example.org", nullptr},
      {"dyn.example.net", " , ", nullptr},
      {"dyn.example.net/evil?x=", "a.example.org", nullptr},
      {"user@dyn.example.net", "a.example.org", nullptr},
  };
  for (const Case& c : cases) {
    const auto r = app::BuildDynDnsRequest(c.server, c.hosts, "user", "pass", "10.64.0.10");
    if (c.url == nullptr) {
      EXPECT_FALSE(r) << c.server << " " << c.hosts;
      continue;
    }
    ASSERT_TRUE(r) << c.server;
    EXPECT_EQ(r->url, c.url);
    EXPECT_EQ(r->authorization, "Basic dXNlcjpwYXNz");
  }
  EXPECT_EQ(app::BuildDynDnsRequest("s", "a, b", "", "", "1.2.3.4")->hosts, "a,b");
}

TEST(DynDnsState, OncePerAddressStopUntilSettingsChangeAndDoublingBackoff) {
  DynDnsState s;
  const std::string set = "server\nhosts\nuser\npw";
  EXPECT_FALSE(s.Due("", set, 0));
  ASSERT_TRUE(s.Due("10.0.0.1", set, 0));
  s.Answered(Kind::Success, "10.0.0.1", set, 0);
  EXPECT_FALSE(s.Due("10.0.0.1", set, 1'000'000)) << "the same address again";
  EXPECT_TRUE(s.Due("10.0.0.2", set, 1)) << "a new address at once";
  EXPECT_TRUE(s.Due("10.0.0.1", set + "x", 1)) << "changed settings update the names again";

  // 911: 5, 10, 20, 40, 60, 60 minutes
  std::int64_t now = 100;
  const std::int64_t minute = 60'000;
  for (std::int64_t wait : {5, 10, 20, 40, 60, 60}) {
    s.Answered(Kind::Retry, "10.0.0.2", set, now);
    EXPECT_EQ(s.RetryDelayMs(), wait * minute);
    EXPECT_FALSE(s.Due("10.0.0.2", set, now + wait * minute - 1)) << wait;
    EXPECT_FALSE(s.Due("10.0.0.3", set, now + wait * minute - 1)) << "a new address waits too";
    now += wait * minute;
    EXPECT_TRUE(s.Due("10.0.0.2", set, now)) << wait;
  }
  s.Answered(Kind::Success, "10.0.0.2", set, now);
  EXPECT_EQ(s.RetryDelayMs(), 0);
  s.Answered(Kind::Retry, "10.0.0.3", set, now);
  EXPECT_EQ(s.RetryDelayMs(), 5 * minute) << "the backoff starts again after a success";

  s.Answered(Kind::Stop, "10.0.0.3", set, now);
  EXPECT_TRUE(s.Stopped(set));
  EXPECT_FALSE(s.Due("10.0.0.3", set, now + 100 * minute));
  EXPECT_FALSE(s.Due("10.0.0.4", set, now + 100 * minute)) << "a stop holds for new addresses";
  EXPECT_TRUE(s.Due("10.0.0.4", "server\nhosts\nuser\nright", now + 100 * minute));
}

class DynDnsUpdaterTest : public StaylineTest {
 protected:
  void StartWithDns(std::map<std::string, std::string> extra = {}) {
    std::map<std::string, std::string> s{{"DynDnsAuto", "1"},
                                         {"DynDnsServer", "dyn.example.net"},
                                         {"DynDnsHosts", "home.example.org"},
                                         // as stored: scrambled
                                         {"DynDnsUser", Scrambled("alice")},
                                         {"DynDnsPassword", Scrambled("secret")}};
    for (auto& [k, v] : extra) s[k] = v;
    StartAutoDial(s);
  }
  void Reconnect(const std::string& ip) {
    Sim().SetNextClientIp("Office DSL", ip);
    Sim().Drop("");
    RunFor(2000);
    ASSERT_TRUE(RunUntilOnline(ip, 5000));
    RunFor(2000);
  }
  std::vector<std::string> DnsLog() {
    std::vector<std::string> out;
    for (const auto& l : TimeLogLines()) {
      if (l.rfind(app::DynDnsUpdater::kLogLabel, 0) == 0) out.push_back(l);
    }
    return out;
  }
  std::size_t Requests() const { return dynDns.requests.size(); }
  void StopsUntilTheSettingsChange(const std::string& code);
  // Opens the setup from the page's button; `fill` edits the dialog, then OK is clicked.
  void Setup(const std::function<void(app::TfmDynDnsSetup&)>& fill) {
    dialogs.OnModal = [&](forms::Form& f) { fill(dynamic_cast<app::TfmDynDnsSetup&>(f)); };
    dialogs.QueueAnswer("OK");
    Form().DynDnsSetup.UserClick();
    dialogs.OnModal = nullptr;
  }
};

TEST_F(DynDnsUpdaterTest, OneUpdatePerNewAddressOnTheTickThatPublishesIt) {
  StartWithDns();
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  RunFor(2000);
  ASSERT_EQ(Requests(), 1u);
  const auto& first = dynDns.requests[0];
  EXPECT_EQ(first.url,
            "https://dyn.example.net/nic/update?hostname=home.example.org&myip=10.64.0.10");
  EXPECT_EQ(first.authorization, "Basic YWxpY2U6c2VjcmV0");
  EXPECT_EQ(first.userAgent.rfind("Stayline/", 0), 0u);
  // within one tick of the address being known
  EXPECT_LE(first.atMs - State().ConnectTick, 1000);
  RunFor(60'000);
  EXPECT_EQ(Requests(), 1u) << "nothing more for the same address";
  Reconnect("10.64.0.10");
  EXPECT_EQ(Requests(), 1u) << "nor after a reconnect with the same address";
  Reconnect("10.64.0.99");
  ASSERT_EQ(Requests(), 2u);
  EXPECT_NE(dynDns.requests[1].url.find("myip=10.64.0.99"), std::string::npos);
  const auto log = DnsLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_NE(log[0].find("| home.example.org 10.64.0.10: good"), std::string::npos) << log[0];
}

TEST_F(DynDnsUpdaterTest, OffByDefaultAndNothingWithoutTheSwitch) {
  StartAutoDial({{"DynDnsServer", "dyn.example.net"}, {"DynDnsHosts", "a.example.org"}});
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  RunFor(5000);
  EXPECT_EQ(Requests(), 0u);
  EXPECT_EQ(Stored("DynDnsAuto"), "0");
}

// A stopping answer holds every update, also for a new address and hours later, until the
// user changes the settings in the setup dialog.
void DynDnsUpdaterTest::StopsUntilTheSettingsChange(const std::string& code) {
  dynDns.Answer(code);
  dynDns.Answer("good 10.64.0.99");
  StartWithDns();
  // the status bar says why on the tick of the answer
  ASSERT_TRUE(RunUntil(
      [&] { return Form().StatusBar1.Panel(1).find("(" + code + ")") != std::string::npos; },
      10'000));
  EXPECT_NE(Form().StatusBar1.Panel(1).find("no updates until the settings change"),
            std::string::npos);
  RunFor(2000);
  ASSERT_EQ(Requests(), 1u);
  RunFor(3 * 60 * 60'000);
  Reconnect("10.64.0.99");
  EXPECT_EQ(Requests(), 1u) << "not even for a new address";
  ASSERT_FALSE(DnsLog().empty());
  EXPECT_NE(DnsLog().back().find(code + " - Dynamic DNS: "), std::string::npos) << DnsLog().back();
  Setup([&](app::TfmDynDnsSetup& form) {
    // the dialog says why, while the password is corrected
    EXPECT_TRUE(form.lblDynDnsStatus.Visible());
    EXPECT_NE(form.lblDynDnsStatus.Caption().find("(" + code + ")"), std::string::npos);
    form.edtDynDnsPassword.SetText("right");
  });
  EXPECT_EQ(Stored("DynDnsPassword"), Scrambled("right"));
  RunFor(2000);
  ASSERT_EQ(Requests(), 2u);
  EXPECT_NE(dynDns.requests[1].url.find("myip=10.64.0.99"), std::string::npos);
}

TEST_F(DynDnsUpdaterTest, BadauthStopsUntilTheSettingsChange) {
  StopsUntilTheSettingsChange("badauth");
}

TEST_F(DynDnsUpdaterTest, AbuseStopsUntilTheSettingsChange) {
  StopsUntilTheSettingsChange("abuse");
}

TEST_F(DynDnsUpdaterTest, ServerTroubleAndNetworkFailuresRetryAtGrowingDistances) {
  dynDns.Answer("911");
  dynDns.Answer("911");
  dynDns.Fail();
  dynDns.Answer("nochg 10.64.0.10");
  StartWithDns();
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  RunFor(90 * 60'000);
  ASSERT_EQ(Requests(), 4u);
  const auto gap = [&](int i) {
    return (dynDns.requests[i].atMs - dynDns.requests[i - 1].atMs) / 60'000.0;
  };
  EXPECT_NEAR(gap(1), 5, 0.1);
  EXPECT_NEAR(gap(2), 10, 0.1);
  EXPECT_NEAR(gap(3), 20, 0.1);
  const auto log = DnsLog();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_NE(log[0].find("911 (retry in 5 min)"), std::string::npos) << log[0];
  EXPECT_NE(log[2].find("Socket Refresh: 111 (retry in 20 min)"), std::string::npos) << log[2];
  EXPECT_NE(log[3].find("nochg 10.64.0.10"), std::string::npos) << log[3];
}

TEST_F(DynDnsUpdaterTest, SettingsWithoutServerOrHostsStopWithAReasonInsteadOfSilence) {
  StartWithDns({{"DynDnsHosts", " , "}});
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  RunFor(60'000);
  EXPECT_EQ(Requests(), 0u);
  ASSERT_EQ(DnsLog().size(), 1u);
  EXPECT_NE(DnsLog()[0].find("server or host names missing"), std::string::npos) << DnsLog()[0];
}

TEST_F(DynDnsUpdaterTest, SetupDialogShowsAndStoresTheSixValuesInBothLanguages) {
  StartWithDns({{"NewIPCommand", "logger new"}});
  Setup([](app::TfmDynDnsSetup& form) {
    EXPECT_FALSE(form.lblDynDnsStatus.Visible());
    EXPECT_TRUE(form.cbDynDnsAuto.Checked());
    EXPECT_EQ(form.edtDynDnsServer.Text(), "dyn.example.net");
    EXPECT_EQ(form.edtDynDnsUser.Text(), "alice");
    EXPECT_EQ(form.edtDynDnsPassword.Text(), "secret");
    EXPECT_EQ(form.edtNewIPCommand.Text(), "logger new");
    EXPECT_EQ(form.lblDynDnsHosts.Caption(), "Host names:");
    form.ApplyLanguage(true);
    EXPECT_EQ(form.lblDynDnsHosts.Caption(), "Host-Namen:");
    EXPECT_EQ(form.edtDynDnsServer.Text(), "dyn.example.net") << "only texts change";
    form.cbDynDnsAuto.SetChecked(false);
    form.edtDynDnsServer.SetText("  other.example.net:8443 ");
    form.edtDynDnsHosts.SetText("a.example.org,b.example.org");
    form.edtDynDnsUser.SetText("bob");
    form.edtNewIPCommand.SetText("echo $STAYLINE_CLIENT_IP");
  });
  EXPECT_EQ(Stored("DynDnsAuto"), "0");
  EXPECT_EQ(Stored("DynDnsServer"), "other.example.net:8443");
  EXPECT_EQ(Stored("DynDnsHosts"), "a.example.org,b.example.org");
  EXPECT_EQ(Stored("DynDnsUser"), Scrambled("bob"));
  EXPECT_EQ(Stored("DynDnsPassword"), Scrambled("secret"));
  EXPECT_EQ(Stored("NewIPCommand"), "echo $STAYLINE_CLIENT_IP");
}

}  // namespace

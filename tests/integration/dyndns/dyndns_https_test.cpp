// The dynamic-DNS update against a dyndns2 server over HTTPS on loopback (tests/servers/
// dyndns_server.py, started and ended by the test): the request as the server reads it (path,
// query, basic authentication, User-Agent), each answer of the protocol and what it means, and
// certificates that do not verify refused before anything is sent.

#include <gtest/gtest.h>

#include "app/dyn_dns_answer.h"
#include "app/dyn_dns_https.h"
#include "app/dyn_dns_request.h"
#include "core/poll_loop.h"
#include "net/network_error.h"
#include "platform/program_info.h"
#include "unit/net/support/http_test_server.h"
#include "unit/net/support/test_certificates.h"

namespace {

using app::DynDnsAnswer;
using Kind = DynDnsAnswer::Kind;
using testing_support::HttpTestServer;

constexpr const char* kIp = "10.64.0.10";

class DynDnsHttpsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!certs.Ok()) GTEST_SKIP() << "no test certificates (openssl missing?)";
  }
  std::unique_ptr<HttpTestServer> Server(const testing_support::CertificatePair& pair) {
    auto server = std::make_unique<HttpTestServer>(pair, "127.0.0.1", "dyndns_server.py",
                                                   std::vector<std::string>{"alice", "s3cret"});
    EXPECT_NE(server->Port(), 0);
    return server;
  }
  app::DynDnsReply Update(HttpTestServer& server, const std::string& hosts,
                          const std::string& password = "s3cret",
                          const std::string& serverHost = "127.0.0.1") {
    const auto request = app::BuildDynDnsRequest(serverHost + ":" + std::to_string(server.Port()),
                                                 hosts, "alice", password, kIp);
    EXPECT_TRUE(request);
    return https.Get(request->url, request->authorization,
                     "Stayline/" + platform::ProgramInfo::VersionText());
  }

  testing_support::TestCertificates certs;
  core::PollLoop loop;
  app::DynDnsHttps https{loop, [this] { return certs.CaFile(); }};
};

TEST_F(DynDnsHttpsTest, EachAnswerOfTheServerAndTheRequestItRead) {
  auto server = Server(certs.Server());
  struct Case {
    const char* hosts;
    Kind kind;
    const char* code;
  };
  const Case cases[] = {
      {"good.example.org", Kind::Success, "good"},
      {"nochg.example.org", Kind::Success, "nochg"},
      {"good.example.org,nochg.example.org", Kind::Success, "good"},
      {"nohost.example.org", Kind::Stop, "nohost"},
      {"notfqdn.example.org", Kind::Stop, "notfqdn"},
      {"abuse.example.org", Kind::Stop, "abuse"},
      {"donator.example.org", Kind::Stop, "!donator"},
      {"badagent.example.org", Kind::Stop, "badagent"},
      {"good.example.org,nohost.example.org", Kind::Stop, "nohost"},
      {"911.example.org", Kind::Retry, "911"},
  };
  for (const Case& c : cases) {
    const app::DynDnsReply reply = Update(*server, c.hosts);
    ASSERT_TRUE(reply.ok) << c.hosts << ": " << reply.error;
    EXPECT_EQ(reply.status, 200);
    const DynDnsAnswer answer = app::ClassifyDynDnsAnswer(reply.body, reply.status);
    EXPECT_EQ(answer.kind, c.kind) << c.hosts << ": " << reply.body;
    EXPECT_EQ(answer.code, c.code) << c.hosts;
  }
  const auto requests = server->Requests();
  ASSERT_EQ(requests.size(), std::size(cases));
  EXPECT_EQ(requests[2],
            "REQ GET /nic/update?hostname=good.example.org,nochg.example.org&myip=10.64.0.10 "
            "auth=Basic YWxpY2U6czNjcmV0 ua=Stayline/" +
                platform::ProgramInfo::VersionText());
  EXPECT_FALSE(net::NetworkErrorFlag());
}

TEST_F(DynDnsHttpsTest, AWrongPasswordIsBadauthAndStops) {
  auto server = Server(certs.Server());
  const app::DynDnsReply reply = Update(*server, "good.example.org", "wrong");
  ASSERT_TRUE(reply.ok) << reply.error;
  EXPECT_EQ(reply.status, 401);
  const DynDnsAnswer answer = app::ClassifyDynDnsAnswer(reply.body, reply.status);
  EXPECT_EQ(answer.kind, Kind::Stop);
  EXPECT_EQ(answer.code, "badauth");
}

TEST_F(DynDnsHttpsTest, CertificatesThatDoNotVerifyAreRefusedBeforeTheRequest) {
  struct Case {
    const char* name;
    testing_support::CertificatePair pair;
    const char* host;  // the name the client asks for
  };
  const Case cases[] = {
      {"self-signed", certs.SelfSigned(), "127.0.0.1"},
      {"another host's", certs.WrongHost(), "127.0.0.1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto server = Server(c.pair);
    const app::DynDnsReply reply = Update(*server, "good.example.org", "s3cret", c.host);
    EXPECT_FALSE(reply.ok);
    EXPECT_NE(reply.error.find("certificate verify failed"), std::string::npos) << reply.error;
    EXPECT_TRUE(server->Requests().empty()) << "nothing was sent in the clear";
    EXPECT_FALSE(net::NetworkErrorFlag()) << "the failure is reported, not left for the mail";
  }
}

TEST_F(DynDnsHttpsTest, ANetworkFailureComesBackWithItsReason) {
  int port = 0;
  {
    auto server = Server(certs.Server());
    port = server->Port();
  }  // gone: nothing listens there now
  const auto request = app::BuildDynDnsRequest("127.0.0.1:" + std::to_string(port),
                                               "good.example.org", "alice", "s3cret", kIp);
  ASSERT_TRUE(request);
  const app::DynDnsReply reply = https.Get(request->url, request->authorization, "Stayline/t");
  EXPECT_FALSE(reply.ok);
  EXPECT_EQ(reply.error.rfind("Socket Refresh: ", 0), 0u) << reply.error;
}

}  // namespace

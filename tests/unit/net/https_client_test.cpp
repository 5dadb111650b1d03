// HTTPS through the HTTP client against the test web server with test certificates: a
// certificate from the trusted test CA for the requested name passes; every certificate that does
// not verify is refused with its reason in the network error record, and the request never goes
// out in plain text.
#include <gtest/gtest.h>

#include <string>

#include "core/poll_loop.h"
#include "net/http_client.h"
#include "net/network_error.h"
#include "unit/net/support/http_test_server.h"
#include "unit/net/support/test_certificates.h"

namespace {

using testing_support::HttpTestServer;

class HttpsClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    net::ClearNetworkError();
    if (!certs.Ok()) GTEST_SKIP() << "no openssl command to make test certificates";
    http.SetTimeout(5000);
  }
  void TearDown() override { net::ClearNetworkError(); }
  testing_support::TestCertificates certs;
  core::PollLoop loop;
  net::TIdHTTP http{loop};
};

TEST_F(HttpsClientTest, GetsAPageFromAServerTheCaFileVouchesFor) {
  for (const std::string name : {"localhost", "127.0.0.1", "LOCALHOST"}) {
    HttpTestServer server(certs.Server(), name);
    ASSERT_NE(server.Port(), 0);
    http.SetTlsCAFile(certs.CaFile());
    http.headers = {{"Authorization", "Basic dXNlcjpwdw=="}};
    ASSERT_TRUE(http.Get(server.Url("/page1.html"))) << name << ": " << net::NetworkErrorText();
    EXPECT_EQ(http.ResponseText(), "HTTP/1.1 200 OK") << name;
    EXPECT_NE(http.Body().find("page one"), std::string::npos) << name;
    EXPECT_TRUE(server.WaitForRequest("GET /page1.html", 5000)) << name;
    EXPECT_FALSE(net::NetworkErrorFlag()) << name;
  }
}

TEST_F(HttpsClientTest, RefusesCertificatesThatDoNotVerifyWithTheReason) {
  struct Case {
    const char* what;
    testing_support::CertificatePair served;
    std::string caFile;
    std::string urlHost;
    std::string reason;
  } cases[] = {
      {"self-signed", certs.SelfSigned(), certs.CaFile(), "localhost",
       "TLS: certificate verify failed: self-signed certificate"},
      {"for another host", certs.WrongHost(), certs.CaFile(), "localhost",
       "TLS: certificate verify failed: hostname mismatch"},
      {"from a CA not trusted", certs.Server(), "", "localhost",
       "TLS: certificate verify failed: unable to get local issuer certificate"},
      {"CA file missing", certs.Server(), certs.Folder() + "/none.pem", "localhost",
       "TLS: the CA file " + certs.Folder() + "/none.pem cannot be used"},
  };
  for (const Case& c : cases) {
    net::ClearNetworkError();
    HttpTestServer server(c.served, c.urlHost);
    ASSERT_NE(server.Port(), 0) << c.what;
    http.SetTlsCAFile(c.caFile);
    const std::string url = server.Url("/page1.html");
    EXPECT_FALSE(http.Get(url)) << c.what;
    EXPECT_TRUE(net::NetworkErrorFlag()) << c.what;
    EXPECT_EQ(net::NetworkErrorText().substr(0, c.reason.size()), c.reason) << c.what;
    EXPECT_EQ(http.ResponseCode(), 0) << c.what;
    EXPECT_EQ(server.CountRequests("GET"), 0) << c.what;
  }
}

TEST_F(HttpsClientTest, AnHttpsAddressOnAPlainServerFailsInsteadOfFallingBack) {
  HttpTestServer plain;
  ASSERT_NE(plain.Port(), 0);
  http.SetTlsCAFile(certs.CaFile());
  EXPECT_FALSE(http.Get("https://localhost:" + std::to_string(plain.Port()) + "/page1.html"));
  EXPECT_EQ(net::NetworkErrorText().rfind("TLS: ", 0), 0u) << net::NetworkErrorText();
  EXPECT_EQ(plain.CountRequests("GET"), 0);
}

}  // namespace

// Socket and name-resolution failures become the engine's network error codes and texts.

#include <gtest/gtest.h>
#include <netdb.h>

#include <cerrno>
#include <string>
#include <utility>

#include "ftp/ftp_socket_errors.h"

namespace {

using ftp::FtpError;

TEST(FtpSocketErrors, EachFailureHasItsCodeAndGermanText) {
  struct Case {
    int err;
    FtpError code;
    std::string text;
  };
  const Case cases[] = {
      {ETIMEDOUT, FtpError::kConnectTimeOut, "Verbindungs Time Out"},
      {ECONNREFUSED, FtpError::kConnectionRefused, "Verbindung abgebrochen"},
      {ECONNRESET, FtpError::kConnReset, "Verbindung vom Remote Host abgebrochen"},
      {EHOSTUNREACH, FtpError::kHostUnreachable, "Host kann nicht erreicht werden"},
      {EPROTONOSUPPORT, FtpError::kGeneralWinsockError, "Das Protokoll wird nicht unterstützt"},
      {ESOCKTNOSUPPORT, FtpError::kGeneralWinsockError, "Das Protokoll wird nicht unterstützt"},
      {EPERM, FtpError::kInternalError,
       "Interner Ausnahmefehler in Komponente (WinSock Fehler Code: " + std::to_string(EPERM) +
           ")"},
  };
  for (const Case& c : cases) {
    const ftp::FtpFailure failure = ftp::SocketFailure(c.err);
    EXPECT_EQ(failure.Code, c.code) << c.err;
    EXPECT_EQ(failure.Text, c.text) << c.err;
  }
}

TEST(FtpSocketErrors, ResolutionFailuresAreAddressResolutionErrors) {
  const std::pair<int, std::string> cases[] = {
      {EAI_NONAME, "Adressauflösungsfehler"},
      {EAI_SYSTEM, "Ausnahmefehler trat auf beim Auflösen der URL"},
      // The name exists, but has no IPv4 address.
      {EAI_ADDRFAMILY, "Das Protokoll wird nicht unterstützt"},
  };
  for (const auto& [eai, text] : cases) {
    const ftp::FtpFailure failure = ftp::ResolveFailure(eai);
    EXPECT_EQ(failure.Code, FtpError::kAddressResolutionError) << eai;
    EXPECT_EQ(failure.Text, text) << eai;
  }
}

}  // namespace

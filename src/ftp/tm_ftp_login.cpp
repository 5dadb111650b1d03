// The engine's connect, retry and login sequence: greeting, the first commands by proxy type,
// explicit TLS (AUTH TLS, PBSZ 0, PROT P), USER/PASS/ACCT, SYST detection, the REST 100 resume
// probe and the initial folder.

#include "ftp/ftp_reply_text.h"
#include "ftp/tm_ftp.h"
#include "net/network_error.h"

namespace ftp {

bool TMFtp::Login() {
  if (busy_) {
    Info(FtpInfo::kAlreadyBusy);
    return false;
  }
  if (connected_) Close();
  BeginOperation(TMFtpOperation::kLogin);
  retriesLeft_ = Retries > 0 ? Retries : 0;
  loggedIn_ = false;
  supportsResume_ = false;
  sizeAllowed_ = true;
  currentDir_.clear();
  multiLine_.clear();
  Connect();
  WaitIfSynchronous();
  return true;
}

bool TMFtp::ViaProxy() const {
  return ProxyType != TMFtpProxyType::proxyNone && !ProxyServer.empty();
}

void TMFtp::Connect() {
  if (Server.empty()) Server = Ask(TMFtpInfoNeeded::kServer, {});
  if (Server.empty()) {
    Fail(FtpError::kNoServer, {}, false);
    return;
  }
  // The proxy, not the server, would be the TLS peer: its certificate cannot name the server,
  // and the login would travel in plain text to it.
  if (Security == TMFtpSecurity::ExplicitTls && ViaProxy()) {
    Fail(FtpError::kProtocolError, "TLS über einen FTP-Proxy wird nicht unterstützt", false);
    return;
  }
  multiLine_.clear();
  int port = ViaProxy() ? ProxyPort : Port;
  if (port <= 0 || port > 65535) port = 21;
  connectHost_ = ViaProxy() ? ProxyServer : Server;
  control_.Connect(connectHost_, static_cast<std::uint16_t>(port), std::int64_t{TimeOut} * 1000);
}

void TMFtp::ConnectFailed(const FtpFailure& failure) {
  CloseSockets();
  connected_ = false;
  const std::uint64_t serial = opSerial_;
  Error(failure.Code, failure.Text);
  if (serial != opSerial_) return;
  if (op_ != TMFtpOperation::kLogin || loggedIn_) {
    EndOperation(false);
    return;
  }
  if (retriesLeft_ > 0) {
    --retriesLeft_;
    Info(FtpInfo::kRetrying);
    if (serial != opSerial_) return;
    retryTimer_.Start(std::int64_t{RetryInterval} * 1000, [this] { Connect(); });
    return;
  }
  Info(FtpInfo::kRetryFinished, std::string(kTextRetryFinished));
  EndOperation(false);
}

void TMFtp::Greeting(const std::string& line) {
  if (ReplyClass(line) != '2') {
    Fail(FtpError::kServerDown, line, true);
    return;
  }
  if (Security != TMFtpSecurity::ExplicitTls) {
    GreetedLogin(line);
    return;
  }
  SendCommand("AUTH TLS", [this, line](const std::string& reply) { AuthTlsReply(line, reply); });
}

void TMFtp::AuthTlsReply(const std::string& greeting, const std::string& line) {
  // Anything but "234" leaves the connection in plain text: the login must not go on.
  if (line.compare(0, 3, "234") != 0) {
    Fail(FtpError::kAccessDenied, line, true);
    return;
  }
  // Made anew for every session: the CA file may have changed since the last one.
  tlsContext_ = net::TlsContext::Create(TlsCAFile);
  if (!tlsContext_) {
    const std::string reason = net::NetworkErrorText();
    net::ClearNetworkError();
    Fail(FtpError::kProtocolError, reason, true);
    return;
  }
  // Whatever the server sent after its 234 came before TLS and is not to be trusted as a reply.
  ++controlGeneration_;
  reader_.Reset();
  securing_ = true;
  control_.OnSecured = [this, greeting] {
    securing_ = false;
    Info(FtpInfo::kDebug, "TLS-Verbindung hergestellt");
    GreetedLogin(greeting);
  };
  control_.StartTls(tlsContext_, {Server, TlsCAFile, nullptr}, std::int64_t{TimeOut} * 1000);
}

void TMFtp::GreetedLogin(const std::string& line) {
  if (Username.empty()) Username = Ask(TMFtpInfoNeeded::kUserName, {});
  if (!ViaProxy() && ServerType == TMFtpServerType::ftpstAutoDetect) {
    bool netTerm = line.find("NetTerm FTP server") != std::string::npos;
    for (const auto& greetingLine : multiLine_) {
      netTerm = netTerm || greetingLine.find("NetTerm FTP server") != std::string::npos;
    }
    if (netTerm) ServerType = TMFtpServerType::ftpstNetTerm;
  }
  SendLoginUser();
}

std::string TMFtp::ServerWithPort() const {
  const int port = Port == 0 ? 21 : Port;
  return port == 21 ? Server : Server + ":" + std::to_string(port);
}

void TMFtp::SendUser() {
  SendCommand("USER " + Username, [this](const std::string& line) { UserReply(line); });
}

// HOST and OPEN name the real server to the proxy; the normal USER follows.
void TMFtp::SendProxyThenUser(const std::string& command) {
  SendCommand(command, [this](const std::string& line) {
    const char cls = ReplyClass(line);
    if (cls == '2' || cls == '3') {
      SendUser();
    } else {
      Fail(FtpError::kAccessDenied, line, true);
    }
  });
}

void TMFtp::SendLoginUser() {
  switch (ViaProxy() ? ProxyType : TMFtpProxyType::proxyNone) {
    case TMFtpProxyType::proxyNone:
      SendUser();
      return;
    case TMFtpProxyType::proxyHost:
      SendProxyThenUser("HOST " + Server);
      return;
    case TMFtpProxyType::proxyOpen:
      SendProxyThenUser("OPEN " + Server);
      return;
    case TMFtpProxyType::proxyHostUser:
      SendCommand("USER " + ServerWithPort() + "!" + Username,
                  [this](const std::string& line) { UserReply(line); });
      return;
    case TMFtpProxyType::proxyUserSite:
      SendCommand("USER " + Username + "@" + ServerWithPort(),
                  [this](const std::string& line) { UserReply(line); });
      return;
    case TMFtpProxyType::proxySite: {
      // Log in to the proxy first, then name the site, then the real USER.
      const auto site = [this] { SendProxyThenUser("SITE " + Server); };
      SendCommand("USER " + ProxyUsername, [this, site](const std::string& line) {
        const char cls = ReplyClass(line);
        if (cls == '2') {
          site();
        } else if (cls == '3') {
          SendCommand("PASS " + ProxyPassword, [this, site](const std::string& reply) {
            if (ReplyClass(reply) == '2') {
              site();
            } else {
              Fail(FtpError::kAccessDenied, reply, true);
            }
          });
        } else {
          Fail(FtpError::kAccessDenied, line, true);
        }
      });
      return;
    }
  }
}

void TMFtp::UserReply(const std::string& line) {
  switch (ReplyClass(line)) {
    case '3': {
      const std::string password =
          Password.empty() ? Ask(TMFtpInfoNeeded::kPassword, {}) : Password;
      SendCommand("PASS " + password, [this](const std::string& reply) { PassReply(reply); });
      return;
    }
    case '2':
      LoggedInStep();
      return;
    default:
      Fail(FtpError::kAccessDenied, line, true);
  }
}

void TMFtp::PassReply(const std::string& line) {
  switch (ReplyClass(line)) {
    case '3': {
      const std::string account = Account.empty() ? Ask(TMFtpInfoNeeded::kAccount, {}) : Account;
      SendCommand("ACCT " + account, [this](const std::string& reply) {
        if (ReplyClass(reply) == '2') {
          LoggedInStep();
        } else {
          Fail(FtpError::kAccessDenied, reply, true);
        }
      });
      return;
    }
    case '2':
      LoggedInStep();
      return;
    default:
      Fail(FtpError::kAccessDenied, line, true);
  }
}

void TMFtp::LoggedInStep() {
  loggedIn_ = true;
  retriesLeft_ = 0;
  if (Security == TMFtpSecurity::ExplicitTls) {
    // Data connections in TLS as well; a server that will not leaves nothing to send in clear.
    SendCommand("PBSZ 0", [this](const std::string& line) {
      if (ReplyClass(line) != '2') {
        Fail(FtpError::kAccessDenied, line, true);
        return;
      }
      SendCommand("PROT P", [this](const std::string& reply) {
        if (ReplyClass(reply) != '2') {
          Fail(FtpError::kAccessDenied, reply, true);
          return;
        }
        ServerTypeStep();
      });
    });
    return;
  }
  ServerTypeStep();
}

void TMFtp::ServerTypeStep() {
  if (ServerType != TMFtpServerType::ftpstAutoDetect) {
    RestProbe();
    return;
  }
  SendCommand("SYST", [this](const std::string& line) {
    ServerType = ReplyClass(line) == '5' ? TMFtpServerType::ftpstDefault : ServerTypeFromSyst(line);
    Info(FtpInfo::kDebug, "Server-Typ: " + std::string(ServerTypeName(ServerType)));
    RestProbe();
  });
}

void TMFtp::RestProbe() {
  // Probe in binary mode: some servers refuse any REST in ASCII mode (the mode after login),
  // which would read as "no resume" although binary transfers, the ones resumed, support it.
  SendCommand("TYPE I", [this](const std::string&) { RestProbeBinary(); });
}

void TMFtp::RestProbeBinary() {
  SendCommand("REST 100", [this](const std::string& line) {
    if (ReplyClass(line) == '3') {
      supportsResume_ = true;
      Info(FtpInfo::kSupportResume);
      // Take the restart marker back before anything is transferred.
      SendCommand("REST 0", [this](const std::string&) { InitialDirStep(); });
    } else {
      supportsResume_ = false;
      Info(FtpInfo::kNotSupportResume);
      InitialDirStep();
    }
  });
}

void TMFtp::InitialDirStep() {
  if (InitialDirectory.empty()) {
    // Without a folder to enter, still learn where the server put us (for Location and cache).
    FolderFromReply({}, [this] { LoginDone(); });
    return;
  }
  SendCommand("CWD " + InitialDirectory, [this](const std::string& line) {
    // Going on in the login folder would list, store or delete in the wrong place. The server's
    // reply stays in LastReply; the login is not complete, so the session is closed.
    if (ReplyClass(line) != '2') {
      Fail(FtpError::kPermissionDenied, std::string(kTextRefused), true);
      return;
    }
    FolderFromReply(line, [this] { LoginDone(); });
  });
}

void TMFtp::LoginDone() {
  Info(FtpInfo::kLoggedIn);
  EndOperation(true);
}

}  // namespace ftp

#include "unit/app/support/mail_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include "core/text.h"

namespace app_test {

MailPeer::MailPeer(bool offerLogin, std::string senderReply)
    : listener_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)),
      offerLogin_(offerLogin),
      senderReply_(std::move(senderReply)) {
  sockaddr_in sin{};
  sin.sin_family = AF_INET;
  sin.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(listener_.Get(), reinterpret_cast<sockaddr*>(&sin), sizeof sin);
  ::listen(listener_.Get(), 8);
  socklen_t len = sizeof sin;
  ::getsockname(listener_.Get(), reinterpret_cast<sockaddr*>(&sin), &len);
  port_ = ntohs(sin.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

MailPeer::~MailPeer() {
  stop_ = true;
  thread_.join();
}

std::vector<MailPeer::Mail> MailPeer::Mails() const {
  std::lock_guard lock(mutex_);
  return mails_;
}

std::string MailPeer::Heard() const {
  std::lock_guard lock(mutex_);
  return heard_;
}

void MailPeer::Serve() {
  while (!stop_) {
    pollfd p{listener_.Get(), POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    core::UniqueFd c(::accept(listener_.Get(), nullptr, nullptr));
    if (!c) continue;
    ++connections_;
    Session(c.Get());
  }
}

void MailPeer::Session(int fd) {
  const auto say = [fd](const std::string& text) {
    const std::string line = text + "\r\n";
    ::send(fd, line.data(), line.size(), MSG_NOSIGNAL);
  };
  say("220 peer ESMTP");
  std::string pending;
  bool inData = false;
  int authStep = 0;
  Mail mail;
  while (!stop_) {
    const std::size_t end = pending.find("\r\n");
    if (end == std::string::npos) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      char buf[4096];
      const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
      if (n <= 0) return;
      pending.append(buf, static_cast<std::size_t>(n));
      continue;
    }
    const std::string line = pending.substr(0, end);
    pending.erase(0, end + 2);
    {
      std::lock_guard lock(mutex_);
      heard_ += line + "\n";
    }
    if (inData) {
      if (line == ".") {
        inData = false;
        std::lock_guard lock(mutex_);
        mails_.push_back(mail);
        say("250 queued");
      } else {
        mail.Data += line + "\r\n";
      }
    } else if (authStep > 0) {
      say(++authStep == 2 ? "334 UGFzc3dvcmQ6" : "235 ok");
      if (authStep > 2) authStep = 0;
    } else if (core::StartsWithNoCase(line, "ehlo")) {
      say(offerLogin_ ? "250-peer\r\n250 AUTH LOGIN" : "250 peer");
    } else if (core::StartsWithNoCase(line, "auth LOGIN")) {
      authStep = 1;
      say("334 VXNlcm5hbWU6");
    } else if (core::StartsWithNoCase(line, "Mail from:")) {
      mail = Mail{};
      mail.From = line.substr(11, line.size() - 12);
      say(senderReply_);
    } else if (core::StartsWithNoCase(line, "RCPT to:")) {
      mail.To.push_back(line.substr(9, line.size() - 10));
      say("250 ok");
    } else if (core::EqualsNoCase(line, "Data")) {
      inData = true;
      say("354 go ahead");
    } else if (core::EqualsNoCase(line, "Quit")) {
      say("221 bye");
      return;
    } else {
      say("250 ok");
    }
  }
}

}  // namespace app_test

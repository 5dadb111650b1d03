#pragma once
// TIdSMTP: the blocking SMTP client of the mail notification, the dialogue of smtp_dialogue.h
// over a TcpClient. Every call waits at most Timeout() real milliseconds per step (connect, each
// command and reply) while the loop keeps running.
//
// Connect does not throw for a connection that fails: it is recorded in the network error record
// and Connect returns false, so the caller beeps and looks at the record. A server that accepts
// and then closes or stays silent before its hello is done counts as such a failure
// (ECONNRESET, or the recorded time-out). When the record holds an
// error after the connection is up (an earlier socket error anywhere in the program), the
// greeting is not read. Errors after a successful connect (an unexpected reply code, the server
// going away) are thrown as SmtpError with the server's line; the connection is then closed.
//
// Security: with StartTls the hello is followed by STARTTLS and a second hello over TLS; a server
// that does not offer it, refuses it or fails the handshake is a failed connect (recorded as
// "TLS: ...") before anything but the hello went out in plain text. With Tls the handshake comes
// before the greeting. The certificate must verify for Host (tls_context.h).
//
// Threading: loop thread only.

#include <cstdint>
#include <string>

#include "core/event_loop.h"
#include "net/mail_message.h"
#include "net/smtp_dialogue.h"
#include "net/tcp_client.h"

namespace net {

enum class SmtpSecurity { None, StartTls, Tls };

class TIdSMTP {
 public:
  explicit TIdSMTP(core::EventLoop& loop);
  ~TIdSMTP();
  TIdSMTP(const TIdSMTP&) = delete;
  TIdSMTP& operator=(const TIdSMTP&) = delete;

  std::string Host;
  int Port = 25;
  std::string UserId;
  std::string Password;
  SmtpAuthentication AuthenticationType = SmtpAuthentication::None;
  // The name given in ehlo/Helo; the computer's host name unless set.
  std::string LocalName;
  SmtpSecurity Security = SmtpSecurity::None;
  // A PEM file of certificates trusted besides the system's ("" for none).
  std::string TlsCAFile;

  void SetTimeout(std::int64_t ms) { tcp_.SetTimeout(ms); }
  [[nodiscard]] std::int64_t Timeout() const { return tcp_.Timeout(); }

  // Connects, reads the greeting and says hello. False (error recorded) when the connection
  // cannot be made or is lost before the hello is done; throws SmtpError when the server
  // answers with the wrong code.
  [[nodiscard]] bool Connect();
  [[nodiscard]] bool Connected() const { return tcp_.Connected(); }
  // True while the connection runs over TLS.
  [[nodiscard]] bool Secure() const { return tcp_.Secure(); }
  // Sends one mail on the open connection; throws SmtpError on a wrong reply.
  void Send(const TIdMessage& message);
  // "Quit" when connected, then the connection is closed. Never throws.
  void Disconnect();

  // The dialogue of the open connection (the AUTH mechanisms the server offered).
  [[nodiscard]] const SmtpDialogue& Dialogue() const { return dialogue_; }

  // This computer's host name.
  static std::string ComputerName();

 private:
  class Link : public SmtpLink {
   public:
    explicit Link(TcpClient& tcp) : tcp_(tcp) {}
    bool Send(std::string_view data) override { return tcp_.Send(data); }
    bool ReadLine(std::string& line) override { return tcp_.ReadLine(line); }

   private:
    TcpClient& tcp_;
  };

  template <typename F>
  void Guarded(F&& step);
  bool StartTls();
  bool Refuse(const std::string& text);

  TcpClient tcp_;
  Link link_{tcp_};
  SmtpDialogue dialogue_{link_};
};

}  // namespace net

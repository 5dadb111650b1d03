#pragma once
// The SMTP dialogue of the mail client, free of sockets: commands go out through an SmtpLink and
// reply lines come back through it, so the exchange is testable byte for byte against a script.
//
//   greeting [220]; "ehlo <name>" [250], else "Helo <name>" [250] (after a 250 to ehlo the AUTH
//   mechanisms the server offers, and whether it offers STARTTLS, are collected); per mail
//   "Rset" [250], "auth LOGIN" [334], user [334], password [235] in Base64 (only when login is
//   asked for, the server offers LOGIN and this connection has not authenticated yet) — on a
//   secure connection "AUTH PLAIN <Base64 of NUL user NUL password>" [235] instead when the
//   server offers PLAIN —, "Mail from:<...>" [250], "RCPT to:<...>" [250] per recipient, "Data"
//   [354], header block, body, "." [250]; "Quit" at the end.
//
// A reply with a code other than the expected one, or a connection that ends or fails in the
// middle, is thrown as SmtpError carrying the server's line (or the recorded network error).
//
// Threading: whatever thread the link belongs to.

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "net/mail_message.h"

namespace net {

// Where the dialogue's lines go and come from.
class SmtpLink {
 public:
  virtual ~SmtpLink() = default;
  // Sends all of `data`; false when the connection failed.
  virtual bool Send(std::string_view data) = 0;
  // One reply line without its line end; false when none comes (closed, time-out, error).
  virtual bool ReadLine(std::string& line) = 0;
};

struct SmtpReply {
  int Code = 0;
  std::vector<std::string> Lines;  // every line as received, code included
};

class SmtpError : public std::runtime_error {
 public:
  SmtpError(int code, const std::string& text) : std::runtime_error(text), code_(code) {}
  // The reply code, 0 when the connection failed.
  [[nodiscard]] int Code() const { return code_; }

 private:
  int code_;
};

// The connection ended or failed in the middle (the text is the recorded network error, if any).
class SmtpLinkError : public SmtpError {
 public:
  explicit SmtpLinkError(const std::string& text) : SmtpError(0, text) {}
};

enum class SmtpAuthentication { None, Login };

class SmtpDialogue {
 public:
  // A reply longer than this many lines is taken as a broken peer, not waited out.
  static constexpr std::size_t kMaxReplyLines = 512;

  explicit SmtpDialogue(SmtpLink& link) : link_(link) {}
  SmtpDialogue(const SmtpDialogue&) = delete;
  SmtpDialogue& operator=(const SmtpDialogue&) = delete;

  void Greeting();
  void Hello(const std::string& localName);
  void SendMessage(const TIdMessage& message, SmtpAuthentication auth, const std::string& user,
                   const std::string& password, const std::string& date);
  // "Quit"; the reply is read when one comes, but nothing about it is an error.
  void Quit();

  // Sends `line` + CR LF and reads the reply; throws unless its code is one of `expected`.
  SmtpReply Command(std::string_view line, std::initializer_list<int> expected);
  SmtpReply ReadReply();

  // The mechanisms of the server's AUTH lines in upper case ("LOGIN", "PLAIN", ...).
  [[nodiscard]] const std::vector<std::string>& AuthMechanisms() const { return mechanisms_; }
  [[nodiscard]] bool Authenticated() const { return authenticated_; }
  [[nodiscard]] bool Offers(std::string_view mechanism) const;
  // True when the last ehlo reply listed STARTTLS.
  [[nodiscard]] bool OffersStartTls() const { return startTls_; }
  // The link runs over TLS (set by the client after the handshake): the password may then go
  // as AUTH PLAIN.
  void SetSecure(bool secure) { secure_ = secure; }

 private:
  void Expect(const SmtpReply& reply, std::initializer_list<int> expected);
  void CollectMechanisms(const SmtpReply& reply);
  void Login(const std::string& user, const std::string& password);
  void LoginPlain(const std::string& user, const std::string& password);
  [[noreturn]] void LinkFailed();

  SmtpLink& link_;
  std::vector<std::string> mechanisms_;
  bool authenticated_ = false;
  bool startTls_ = false;
  bool secure_ = false;
};

}  // namespace net

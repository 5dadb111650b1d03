#include "net/smtp_dialogue.h"

#include <algorithm>

#include "core/text.h"
#include "net/base64.h"
#include "net/network_error.h"

namespace net {

namespace {

// "250-..." or "250 ..." or "250": the code, and whether more lines follow.
bool ParseLine(const std::string& line, int& code, bool& more) {
  if (line.size() < 3 || !core::IsAllDigits(std::string_view(line).substr(0, 3))) return false;
  if (line.size() > 3 && line[3] != '-' && line[3] != ' ') return false;
  code = std::stoi(line.substr(0, 3));
  more = line.size() > 3 && line[3] == '-';
  return true;
}

}  // namespace

void SmtpDialogue::LinkFailed() {
  throw SmtpLinkError(NetworkErrorFlag() ? NetworkErrorText() : "Connection closed by the server.");
}

SmtpReply SmtpDialogue::ReadReply() {
  SmtpReply reply;
  std::string line;
  for (;;) {
    if (!link_.ReadLine(line)) LinkFailed();
    int code = 0;
    bool more = false;
    if (!ParseLine(line, code, more)) throw SmtpError(0, "Invalid reply: " + line);
    if (!reply.Lines.empty() && code != reply.Code) throw SmtpError(0, "Invalid reply: " + line);
    reply.Code = code;
    reply.Lines.push_back(line);
    if (!more) return reply;
    if (reply.Lines.size() >= kMaxReplyLines) throw SmtpError(code, "Reply too long: " + line);
  }
}

void SmtpDialogue::Expect(const SmtpReply& reply, std::initializer_list<int> expected) {
  if (std::find(expected.begin(), expected.end(), reply.Code) != expected.end()) return;
  throw SmtpError(reply.Code, reply.Lines.back());
}

SmtpReply SmtpDialogue::Command(std::string_view line, std::initializer_list<int> expected) {
  std::string data(line);
  data += "\r\n";
  if (!link_.Send(data)) LinkFailed();
  SmtpReply reply = ReadReply();
  Expect(reply, expected);
  return reply;
}

void SmtpDialogue::Greeting() {
  Expect(ReadReply(), {220});
}

void SmtpDialogue::Hello(const std::string& localName) {
  mechanisms_.clear();
  authenticated_ = false;
  startTls_ = false;
  const std::string name = TIdMessage::Clean(localName);
  if (!link_.Send("ehlo " + name + "\r\n")) LinkFailed();
  const SmtpReply reply = ReadReply();
  if (reply.Code == 250) {
    CollectMechanisms(reply);
    return;
  }
  Command("Helo " + name, {250});
}

void SmtpDialogue::CollectMechanisms(const SmtpReply& reply) {
  // Servers write "250-AUTH LOGIN PLAIN" and, for old clients, "250-AUTH=LOGIN".
  for (std::size_t i = 1; i < reply.Lines.size(); ++i) {
    const std::string text = reply.Lines[i].substr(std::min<std::size_t>(4, reply.Lines[i].size()));
    if (core::EqualsNoCase(core::Trim(text), "STARTTLS")) startTls_ = true;
    if (!core::StartsWithNoCase(text, "AUTH") || text.size() < 5) continue;
    if (text[4] != ' ' && text[4] != '=') continue;
    for (const auto& word : core::Split(text.substr(5), ' ')) {
      const std::string mechanism = core::ToUpper(core::Trim(word));
      if (!mechanism.empty() && !Offers(mechanism)) mechanisms_.push_back(mechanism);
    }
  }
}

bool SmtpDialogue::Offers(std::string_view mechanism) const {
  return std::any_of(mechanisms_.begin(), mechanisms_.end(),
                     [&](const std::string& m) { return core::EqualsNoCase(m, mechanism); });
}

void SmtpDialogue::Login(const std::string& user, const std::string& password) {
  Command("auth LOGIN", {334});
  Command(Base64Encode(user), {334});
  Command(Base64Encode(password), {235});
  authenticated_ = true;
}

void SmtpDialogue::LoginPlain(const std::string& user, const std::string& password) {
  Command("AUTH PLAIN " + Base64Encode(std::string(1, '\0') + user + '\0' + password), {235});
  authenticated_ = true;
}

void SmtpDialogue::SendMessage(const TIdMessage& message, SmtpAuthentication auth,
                               const std::string& user, const std::string& password,
                               const std::string& date) {
  Command("Rset", {250});
  if (auth == SmtpAuthentication::Login && !authenticated_) {
    if (secure_ && Offers("PLAIN")) {
      LoginPlain(user, password);
    } else if (Offers("LOGIN")) {
      Login(user, password);
    }
  }
  Command("Mail from:<" + core::Trim(TIdMessage::Clean(message.From)) + ">", {250});
  // 251: the server forwards to a mailbox elsewhere, which is an accepted recipient as well.
  for (const auto& address : message.EnvelopeRecipients()) {
    Command("RCPT to:<" + address + ">", {250, 251});
  }
  Command("Data", {354});
  if (!link_.Send(message.WireText(date))) LinkFailed();
  Command(".", {250});
}

void SmtpDialogue::Quit() {
  if (!link_.Send("Quit\r\n")) return;
  std::string line;
  // The farewell is read so the server sees an orderly end; what it says changes nothing.
  for (std::size_t i = 0; i < kMaxReplyLines && link_.ReadLine(line); ++i) {
    int code = 0;
    bool more = false;
    if (!ParseLine(line, code, more) || !more) break;
  }
}

}  // namespace net

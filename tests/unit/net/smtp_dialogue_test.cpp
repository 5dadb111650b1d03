// The SMTP dialogue against a scripted server: every byte the client sends, the replies it
// accepts and refuses, multi-line replies, the AUTH LOGIN exchange only when asked for and
// offered, and a server that goes away in the middle.
#include "net/smtp_dialogue.h"

#include <gtest/gtest.h>

#include <deque>

#include "net/network_error.h"

namespace {

using net::SmtpAuthentication;
using net::SmtpDialogue;
using net::SmtpError;

// Replies come from the script; everything sent is kept.
class ScriptLink : public net::SmtpLink {
 public:
  explicit ScriptLink(std::deque<std::string> replies) : replies_(std::move(replies)) {}
  bool Send(std::string_view data) override {
    if (broken) return false;
    sent.append(data);
    return true;
  }
  bool ReadLine(std::string& line) override {
    if (replies_.empty()) return false;
    line = replies_.front();
    replies_.pop_front();
    return true;
  }
  std::string sent;
  bool broken = false;

 private:
  std::deque<std::string> replies_;
};

net::TIdMessage Mail() {
  net::TIdMessage m;
  m.From = "me@example.org";
  m.Recipients = {"a@example.com", "b@example.com"};
  m.Subject = "ClientIP Changed: 10.0.0.7";
  m.Body = "IP 10.0.0.7\r\n.\r\n";
  m.Priority = net::TIdMessagePriority::mpHighest;
  return m;
}

const std::string kWireMail =
    "From: me@example.org\r\nSubject: ClientIP Changed: 10.0.0.7\r\n"
    "To: a@example.com, b@example.com\r\nContent-Type: text/plain\r\nDate: D\r\n"
    "X-Priority: 1\r\nX-Library: Stayline\r\n\r\nIP 10.0.0.7\r\n..\r\n";

TEST(SmtpDialogueTest, WholeExchangesByteForByte) {
  struct Case {
    const char* what;
    std::deque<std::string> replies;
    SmtpAuthentication auth;
    std::string sent;
    std::vector<std::string> mechanisms;
  };
  const std::vector<Case> cases{
      {"login offered and asked for",
       {"220 mx ESMTP", "250-mx hello", "250-SIZE 1000", "250-AUTH PLAIN LOGIN", "250 HELP",
        "250 ok", "334 VXNlcm5hbWU6", "334 UGFzc3dvcmQ6", "235 welcome", "250 sender ok",
        "250 rcpt ok", "251 will forward", "354 go ahead", "250 queued"},
       SmtpAuthentication::Login,
       "ehlo pc1\r\nRset\r\nauth LOGIN\r\ndXNlcg==\r\ncGFzcw==\r\n"
       "Mail from:<me@example.org>\r\nRCPT to:<a@example.com>\r\nRCPT to:<b@example.com>\r\n"
       "Data\r\n" +
           kWireMail + ".\r\n",
       {"PLAIN", "LOGIN"}},
      {"login asked for, server offers none: sent without authenticating",
       {"220 mx", "250-mx", "250 8BITMIME", "250 ok", "250 ok", "250 ok", "250 ok", "354 go",
        "250 ok"},
       SmtpAuthentication::Login,
       "ehlo pc1\r\nRset\r\nMail from:<me@example.org>\r\nRCPT to:<a@example.com>\r\n"
       "RCPT to:<b@example.com>\r\nData\r\n" +
           kWireMail + ".\r\n",
       {}},
      {"login offered in the old form, not asked for",
       {"220 mx", "250-mx", "250 AUTH=LOGIN", "250 ok", "250 ok", "250 ok", "250 ok", "354 go",
        "250 ok"},
       SmtpAuthentication::None,
       "ehlo pc1\r\nRset\r\nMail from:<me@example.org>\r\nRCPT to:<a@example.com>\r\n"
       "RCPT to:<b@example.com>\r\nData\r\n" +
           kWireMail + ".\r\n",
       {"LOGIN"}},
      {"no ESMTP: Helo after the refused ehlo",
       {"220 old", "502 what?", "250 old", "250 ok", "250 ok", "250 ok", "250 ok", "354 go",
        "250 ok"},
       SmtpAuthentication::Login,
       "ehlo pc1\r\nHelo pc1\r\nRset\r\nMail from:<me@example.org>\r\n"
       "RCPT to:<a@example.com>\r\nRCPT to:<b@example.com>\r\nData\r\n" +
           kWireMail + ".\r\n",
       {}},
  };
  for (const auto& c : cases) {
    ScriptLink link(c.replies);
    SmtpDialogue d(link);
    d.Greeting();
    d.Hello("pc1");
    d.SendMessage(Mail(), c.auth, "user", "pass", "D");
    EXPECT_EQ(link.sent, c.sent) << c.what;
    EXPECT_EQ(d.AuthMechanisms(), c.mechanisms) << c.what;
  }
}

TEST(SmtpDialogueTest, OverTlsPlainIsPreferredWhenOffered) {
  const struct {
    const char* what;
    bool secure;
    std::string auth;  // the server's AUTH line
    std::deque<std::string> authReplies;
    std::string sent;  // from the Rset to the Mail from
  } cases[] = {
      {"secure, both offered",
       true,
       "250 AUTH LOGIN PLAIN",
       {"235 ok"},
       "Rset\r\nAUTH PLAIN AHVzZXIAcGFzcw==\r\nMail"},
      {"secure, LOGIN only",
       true,
       "250 AUTH LOGIN",
       {"334 a", "334 b", "235 ok"},
       "Rset\r\nauth LOGIN\r\ndXNlcg==\r\ncGFzcw==\r\nMail"},
      {"plain text, both offered: LOGIN as ever",
       false,
       "250 AUTH PLAIN LOGIN",
       {"334 a", "334 b", "235 ok"},
       "Rset\r\nauth LOGIN\r\ndXNlcg==\r\ncGFzcw==\r\nMail"},
      {"plain text, PLAIN only: no login as ever", false, "250 AUTH PLAIN", {}, "Rset\r\nMail"},
  };
  for (const auto& c : cases) {
    std::deque<std::string> replies{"220 mx", "250-mx", c.auth, "250 ok"};
    replies.insert(replies.end(), c.authReplies.begin(), c.authReplies.end());
    for (const char* r : {"250 ok", "250 ok", "250 ok", "354 go", "250 ok"}) replies.push_back(r);
    ScriptLink link(replies);
    SmtpDialogue d(link);
    d.SetSecure(c.secure);
    d.Greeting();
    d.Hello("pc1");
    link.sent.clear();
    d.SendMessage(Mail(), SmtpAuthentication::Login, "user", "pass", "D");
    EXPECT_EQ(link.sent.substr(0, c.sent.size()), c.sent) << c.what;
  }
}

TEST(SmtpDialogueTest, StartTlsIsSeenOnlyInTheLatestHello) {
  ScriptLink link(
      {"220 mx", "250-mx", "250-starttls", "250 AUTH LOGIN", "250-mx", "250 AUTH PLAIN"});
  SmtpDialogue d(link);
  d.Greeting();
  d.Hello("pc1");
  EXPECT_TRUE(d.OffersStartTls());
  d.Hello("pc1");
  EXPECT_FALSE(d.OffersStartTls());
  EXPECT_EQ(d.AuthMechanisms(), std::vector<std::string>{"PLAIN"});
}

TEST(SmtpDialogueTest, ASecondMailOnTheConnectionDoesNotLogInAgain) {
  ScriptLink link({"220 mx", "250-mx", "250 AUTH LOGIN", "250 ok", "334 a", "334 b", "235 ok",
                   "250 ok", "250 ok", "354 go", "250 ok", "250 ok", "250 ok", "250 ok", "354 go",
                   "250 ok"});
  SmtpDialogue d(link);
  d.Greeting();
  d.Hello("pc1");
  net::TIdMessage m = Mail();
  m.Recipients = {"a@example.com"};
  d.SendMessage(m, SmtpAuthentication::Login, "u", "p", "D");
  link.sent.clear();
  d.SendMessage(m, SmtpAuthentication::Login, "u", "p", "D");
  EXPECT_EQ(link.sent.rfind("Rset\r\nMail from:<me@example.org>\r\n", 0), 0u) << link.sent;
  EXPECT_TRUE(d.Authenticated());
}

TEST(SmtpDialogueTest, WrongRepliesAreThrownWithTheServersLine) {
  struct Case {
    const char* what;
    std::deque<std::string> replies;
    std::string error;
    int code;
  };
  const std::vector<Case> cases{
      {"greeting refused", {"554 no service here"}, "554 no service here", 554},
      {"both hellos refused", {"220 mx", "500 no", "501-really", "501 no"}, "501 no", 501},
      {"wrong password",
       {"220 mx", "250-mx", "250 AUTH LOGIN", "250 ok", "334 a", "334 b",
        "535 5.7.8 Authentication credentials invalid"},
       "535 5.7.8 Authentication credentials invalid",
       535},
      {"sender refused", {"220 mx", "250 mx", "250 ok", "553 not you"}, "553 not you", 553},
      {"recipient refused",
       {"220 mx", "250 mx", "250 ok", "250 ok", "550 no such user"},
       "550 no such user",
       550},
      {"mail refused at the end",
       {"220 mx", "250 mx", "250 ok", "250 ok", "250 ok", "250 ok", "354 go", "552 too big"},
       "552 too big",
       552},
      {"server goes away", {"220 mx", "250 mx", "250 ok"}, "Connection closed by the server.", 0},
      {"garbage reply", {"220 mx", "hello?"}, "Invalid reply: hello?", 0},
      {"continuation with another code",
       {"220 mx", "250-mx", "220 oops"},
       "Invalid reply: 220 oops",
       0},
  };
  for (const auto& c : cases) {
    net::ClearNetworkError();
    ScriptLink link(c.replies);
    SmtpDialogue d(link);
    try {
      d.Greeting();
      d.Hello("pc1");
      d.SendMessage(Mail(), SmtpAuthentication::Login, "u", "p", "D");
      ADD_FAILURE() << c.what << ": nothing thrown";
    } catch (const SmtpError& e) {
      EXPECT_EQ(e.what(), c.error) << c.what;
      EXPECT_EQ(e.Code(), c.code) << c.what;
    }
  }
}

TEST(SmtpDialogueTest, ARecordedSocketErrorIsTheTextOfAFailedLink) {
  net::ClearNetworkError();
  ScriptLink link({"220 mx"});
  SmtpDialogue d(link);
  d.Greeting();
  net::RecordNetworkError(104);
  link.broken = true;
  try {
    d.Hello("pc1");
    ADD_FAILURE() << "nothing thrown";
  } catch (const SmtpError& e) {
    EXPECT_STREQ(e.what(), "Socket Refresh: 104");
  }
  net::ClearNetworkError();
}

TEST(SmtpDialogueTest, AnEndlessReplyIsCutOff) {
  std::deque<std::string> replies{"220 mx"};
  for (int i = 0; i < 2000; ++i) replies.push_back("250-more");
  ScriptLink link(replies);
  SmtpDialogue d(link);
  d.Greeting();
  EXPECT_THROW(d.Hello("pc1"), SmtpError);
}

TEST(SmtpDialogueTest, QuitIsSentAndItsReplyNeverThrows) {
  for (const std::deque<std::string>& replies :
       {std::deque<std::string>{"221 bye"}, std::deque<std::string>{"500 what"},
        std::deque<std::string>{}}) {
    ScriptLink link(replies);
    SmtpDialogue d(link);
    EXPECT_NO_THROW(d.Quit());
    EXPECT_EQ(link.sent, "Quit\r\n");
  }
}

TEST(SmtpDialogueTest, LineBreaksInTheEnvelopeBecomeNoCommands) {
  ScriptLink link({"220 mx", "250 mx", "250 ok", "250 ok", "250 ok", "354 go", "250 ok"});
  SmtpDialogue d(link);
  d.Greeting();
  d.Hello("pc1\r\nVRFY root");
  net::TIdMessage m = Mail();
  m.From = "me@example.org>\r\nRCPT to:<evil@example.com";
  m.Recipients = {"a@example.com\r\nDATA"};
  d.SendMessage(m, SmtpAuthentication::None, "", "", "D");
  EXPECT_EQ(link.sent.substr(0, link.sent.find("Data\r\n")),
            "ehlo pc1VRFY root\r\nRset\r\nMail from:<me@example.org>RCPT to:<evil@example.com>\r\n"
            "RCPT to:<a@example.comDATA>\r\n");
}

}  // namespace

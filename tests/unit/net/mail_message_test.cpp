// The message as it goes over the wire: the header block in its fixed order with empty values
// left out, the address list, the date, and the body's line ends and dot-stuffing, including
// line breaks smuggled into the subject or an address.
#include "net/mail_message.h"

#include <gtest/gtest.h>

namespace {

using net::TIdMessage;

TIdMessage ProgramMail() {
  TIdMessage m;
  m.From = "stayline@example.org";
  m.SetRecipientsText(" me@example.com , ,you@example.net,");
  m.Subject = "ClientIP Changed: 10.1.2.3";
  m.Body = "Die IP hat sich ge\u00e4ndert in 10.1.2.3\r\n";
  m.Priority = net::TIdMessagePriority::mpHighest;
  return m;
}

TEST(MailMessageTest, TheProgramsMailCarriesExactlyItsHeaderLines) {
  EXPECT_EQ(ProgramMail().HeaderBlock("Wed, 09 Dec 2026 19:25:15 +0100"),
            "From: stayline@example.org\r\n"
            "Subject: ClientIP Changed: 10.1.2.3\r\n"
            "To: me@example.com, you@example.net\r\n"
            "Content-Type: text/plain\r\n"
            "Date: Wed, 09 Dec 2026 19:25:15 +0100\r\n"
            "X-Priority: 1\r\n"
            "X-Library: Stayline\r\n");
}

TEST(MailMessageTest, EveryHeaderInItsPlace) {
  TIdMessage m = ProgramMail();
  m.CcList = {"cc@example.com"};
  m.BccList = {"hidden@example.com"};
  m.Newsgroups = "de.test";
  m.ContentTransferEncoding = "8bit";
  m.Sender = "s@example.org";
  m.ReplyTo = "r@example.org";
  m.Organization = "Home";
  m.ReceiptRecipient = "receipt@example.org";
  m.References = "<1@x>";
  m.Priority = net::TIdMessagePriority::mpLow;
  EXPECT_EQ(m.HeaderBlock("D"),
            "From: stayline@example.org\r\n"
            "Subject: ClientIP Changed: 10.1.2.3\r\n"
            "To: me@example.com, you@example.net\r\n"
            "Cc: cc@example.com\r\n"
            "Newsgroups: de.test\r\n"
            "Content-Type: text/plain\r\n"
            "Content-Transfer-Encoding: 8bit\r\n"
            "Sender: s@example.org\r\n"
            "Reply-To: r@example.org\r\n"
            "Organization: Home\r\n"
            "Disposition-Notification-To: receipt@example.org\r\n"
            "References: <1@x>\r\n"
            "Date: D\r\n"
            "X-Priority: 4\r\n"
            "X-Library: Stayline\r\n");
  // BCC recipients get the mail but are named nowhere in it.
  EXPECT_EQ(m.EnvelopeRecipients(),
            (std::vector<std::string>{"me@example.com", "you@example.net", "cc@example.com",
                                      "hidden@example.com"}));
}

TEST(MailMessageTest, LineBreaksInHeaderValuesAndAddressesNeverReachTheWire) {
  TIdMessage m = ProgramMail();
  m.Subject = "IP\r\nBcc: victim@example.com";
  m.From = "a@example.org\rRCPT to:<x@y>";
  m.Recipients = {"me@example.com\nDATA", "\r\n"};
  const std::string head = m.HeaderBlock("D");
  EXPECT_NE(head.find("Subject: IPBcc: victim@example.com\r\n"), std::string::npos) << head;
  EXPECT_NE(head.find("From: a@example.orgRCPT to:<x@y>\r\n"), std::string::npos) << head;
  EXPECT_NE(head.find("To: me@example.comDATA\r\n"), std::string::npos) << head;
  EXPECT_EQ(m.EnvelopeRecipients(), std::vector<std::string>{"me@example.comDATA"});
  // Seven lines, each ended by CR LF, no other line breaks.
  std::size_t breaks = 0;
  for (const char c : head) breaks += (c == '\n' || c == '\r');
  EXPECT_EQ(breaks, 14u) << head;
}

TEST(MailMessageTest, BodyLinesEndInCrLfAndLeadingDotsAreDoubled) {
  const std::pair<std::string, std::string> cases[] = {
      {"one\r\ntwo\r\n", "one\r\ntwo\r\n"},
      {"bare\nlf\n", "bare\r\nlf\r\n"},
      {"bare\rcr", "bare\r\ncr"},
      {"end\r\n.\r\nafter", "end\r\n..\r\nafter"},
      {".first\n..second\n x.y", "..first\r\n...second\r\n x.y"},
      {".", ".."},
      {"", ""},
      {"\n\n", "\r\n\r\n"},
  };
  for (const auto& [body, wire] : cases) EXPECT_EQ(TIdMessage::EncodeBody(body), wire) << body;
}

TEST(MailMessageTest, WireTextEndsOnALineOfItsOwn) {
  TIdMessage m;
  m.From = "a@b.c";
  m.Body = "no final line end\n.";
  EXPECT_EQ(m.WireText("D"),
            "From: a@b.c\r\nContent-Type: text/plain\r\nDate: D\r\nX-Priority: 3\r\n"
            "X-Library: Stayline\r\n\r\nno final line end\r\n..\r\n");
}

TEST(MailMessageTest, DatesInRfc5322Form) {
  EXPECT_EQ(TIdMessage::RfcDate(2026, 12, 9, 3, 19, 5, 7, 3600), "Wed, 09 Dec 2026 19:05:07 +0100");
  EXPECT_EQ(TIdMessage::RfcDate(2027, 1, 31, 0, 0, 0, 0, -5 * 3600 - 1800),
            "Sun, 31 Jan 2027 00:00:00 -0530");
  EXPECT_EQ(TIdMessage::RfcDate(2026, 7, 1, 3, 23, 59, 59, 0), "Wed, 01 Jul 2026 23:59:59 +0000");
}

}  // namespace

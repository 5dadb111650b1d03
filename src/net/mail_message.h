#pragma once
// TIdMessage: one plain-text mail as the SMTP client sends it. It holds the addresses, the
// subject and the body, and builds the header block (fixed order, empty values left out) and the
// body as it goes over the wire.
//
// Header values and addresses never carry a line break onto the wire: CR and LF are taken out
// when the header block and the envelope are built, so a subject or address typed with a line
// break cannot add header lines or SMTP commands.
//
// Threading: a plain value; use from one thread at a time.

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace net {

enum class TIdMessagePriority { mpHighest = 1, mpHigh = 2, mpNormal = 3, mpLow = 4, mpLowest = 5 };

class TIdMessage {
 public:
  // The identification in the "X-Library" header.
  static constexpr std::string_view kLibrary = "Stayline";

  std::string From;
  std::vector<std::string> Recipients;
  std::vector<std::string> CcList;
  std::vector<std::string> BccList;
  std::string Subject;
  std::string Body;
  std::string ContentType = "text/plain";
  std::string ContentTransferEncoding;
  std::string Newsgroups;
  std::string Sender;
  std::string ReplyTo;
  std::string Organization;
  std::string ReceiptRecipient;  // "Disposition-Notification-To"
  std::string References;
  TIdMessagePriority Priority = TIdMessagePriority::mpNormal;

  // Splits a comma-separated address list ("a@x.de, b@y.de"); empty entries are dropped.
  static std::vector<std::string> ParseAddressList(std::string_view text);
  void SetRecipientsText(std::string_view text) { Recipients = ParseAddressList(text); }

  // Every envelope recipient: Recipients, then CC, then BCC, each cleaned for the wire.
  [[nodiscard]] std::vector<std::string> EnvelopeRecipients() const;

  // The header lines, each ended by CR LF, with `date` as the "Date" value.
  [[nodiscard]] std::string HeaderBlock(const std::string& date) const;
  // The header block, an empty line and the body, ready for DATA: every line ends in CR LF (a
  // bare CR or LF is made one) and a line starting with "." gets a second one, so no line of
  // the mail can read as its end.
  [[nodiscard]] std::string WireText(const std::string& date) const;

  // `value` with every CR and LF taken out.
  static std::string Clean(std::string_view value);
  // CR LF line ends and dot-stuffing for the DATA phase (see WireText).
  static std::string EncodeBody(std::string_view text);
  // The RFC 5322 date of `when` in local time ("Wed, 09 Dec 2026 19:25:15 +0100").
  static std::string RfcDate(std::chrono::system_clock::time_point when);
  // The same for a time already broken down, with its offset from UTC in seconds.
  static std::string RfcDate(int year, int month, int day, int weekday, int hour, int minute,
                             int second, long utcOffsetSeconds);
};

}  // namespace net

#include "net/mail_message.h"

#include <cstdio>
#include <ctime>

#include "core/text.h"

namespace net {

namespace {

std::string JoinClean(const std::vector<std::string>& addresses) {
  std::string out;
  for (const auto& a : addresses) {
    const std::string clean = TIdMessage::Clean(a);
    if (clean.empty()) continue;
    if (!out.empty()) out += ", ";
    out += clean;
  }
  return out;
}

}  // namespace

std::vector<std::string> TIdMessage::ParseAddressList(std::string_view text) {
  std::vector<std::string> out;
  for (const auto& part : core::Split(text, ',')) {
    std::string address = core::Trim(part);
    if (!address.empty()) out.push_back(std::move(address));
  }
  return out;
}

std::vector<std::string> TIdMessage::EnvelopeRecipients() const {
  std::vector<std::string> out;
  for (const auto* list : {&Recipients, &CcList, &BccList}) {
    for (const auto& a : *list) {
      std::string clean = core::Trim(Clean(a));
      if (!clean.empty()) out.push_back(std::move(clean));
    }
  }
  return out;
}

std::string TIdMessage::Clean(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (const char c : value) {
    if (c != '\r' && c != '\n') out += c;
  }
  return out;
}

std::string TIdMessage::HeaderBlock(const std::string& date) const {
  const std::string priority = std::to_string(static_cast<int>(Priority));
  const std::pair<const char*, std::string> lines[] = {
      {"From", Clean(From)},
      {"Subject", Clean(Subject)},
      {"To", JoinClean(Recipients)},
      {"Cc", JoinClean(CcList)},
      {"Newsgroups", Clean(Newsgroups)},
      {"Content-Type", Clean(ContentType)},
      // "MIME-Version" belongs to messages with parts only, which this program never sends.
      {"Content-Transfer-Encoding", Clean(ContentTransferEncoding)},
      {"Sender", Clean(Sender)},
      {"Reply-To", Clean(ReplyTo)},
      {"Organization", Clean(Organization)},
      {"Disposition-Notification-To", Clean(ReceiptRecipient)},
      {"References", Clean(References)},
      {"Date", Clean(date)},
      {"X-Priority", priority},
      {"X-Library", std::string(kLibrary)},
  };
  std::string out;
  for (const auto& [name, value] : lines) {
    if (value.empty()) continue;
    out.append(name).append(": ").append(value).append("\r\n");
  }
  return out;
}

std::string TIdMessage::EncodeBody(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 16);
  bool lineStart = true;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += "\r\n";
      lineStart = true;
      continue;
    }
    if (lineStart && c == '.') out += '.';
    out += c;
    lineStart = false;
  }
  return out;
}

std::string TIdMessage::WireText(const std::string& date) const {
  std::string out = HeaderBlock(date);
  out += "\r\n";
  out += EncodeBody(Body);
  // The end marker must start a line of its own.
  if (!out.empty() && out.back() != '\n') out += "\r\n";
  return out;
}

std::string TIdMessage::RfcDate(int year, int month, int day, int weekday, int hour, int minute,
                                int second, long utcOffsetSeconds) {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const char sign = utcOffsetSeconds < 0 ? '-' : '+';
  const long offset = (utcOffsetSeconds < 0 ? -utcOffsetSeconds : utcOffsetSeconds) / 60;
  char text[64];
  std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld",
                kDays[(weekday % 7 + 7) % 7], day, kMonths[((month - 1) % 12 + 12) % 12], year,
                hour, minute, second, sign, offset / 60, offset % 60);
  return text;
}

std::string TIdMessage::RfcDate(std::chrono::system_clock::time_point when) {
  const std::time_t t = std::chrono::system_clock::to_time_t(when);
  std::tm tm{};
  ::localtime_r(&t, &tm);
  return RfcDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_wday, tm.tm_hour, tm.tm_min,
                 tm.tm_sec, tm.tm_gmtoff);
}

}  // namespace net

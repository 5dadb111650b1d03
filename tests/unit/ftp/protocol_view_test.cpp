#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "ftp/protocol_view.h"

namespace {

using ftp::FtpError;
using ftp::FtpInfo;
using ftp::TMFtpMessenger;
using ftp::TMFtpMessengerStyle;

std::chrono::system_clock::time_point LocalTime(int h, int m, int s) {
  std::tm t{};
  t.tm_year = 124;
  t.tm_mon = 5;
  t.tm_mday = 1;
  t.tm_hour = h;
  t.tm_min = m;
  t.tm_sec = s;
  t.tm_isdst = -1;
  return std::chrono::system_clock::from_time_t(std::mktime(&t));
}

// The same notifications in each style.
void Feed(TMFtpMessenger& view) {
  view.EngineInfo(FtpInfo::kTraceOut, "USER anonymous");
  view.EngineInfo(FtpInfo::kTraceIn, "331 Password required\r\n");
  view.EngineInfo(FtpInfo::kDataTrace, "-rw-r--r-- 1 a b 1 Jan 1 2020 f");
  view.EngineInfo(FtpInfo::kListingParsed, "File");
  view.EngineInfo(FtpInfo::kReady, "");
  view.EngineInfo(FtpInfo::kDebug, "state 3");
  view.EngineInfo(FtpInfo::kLoggedIn, "Verbinden");
  view.EngineError(FtpError::kConnectTimeOut, "");
  view.EngineError(FtpError::kPermissionDenied, "Zugriff verweigert oder Datei existiert nicht");
}

TEST(ProtocolView, LinesInEachStyle) {
  struct Case {
    TMFtpMessengerStyle style;
    const char* font;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {TMFtpMessengerStyle::msgClassic,
       "Courier New",
       {"USER anonymous", "331 Password required\r\n", "DEBUG:>state 3", "Verbinden",
        "ConnectTimeOut", "Zugriff verweigert oder Datei existiert nicht"}},
      {TMFtpMessengerStyle::msgMFtp,
       "MS Sans Serif",
       {"> USER anonymous", "< 331 Password required\r\n", "DEBUG:>state 3", "Verbinden",
        "Error: ConnectTimeOut", "Error: Zugriff verweigert oder Datei existiert nicht"}},
      {TMFtpMessengerStyle::msgMFtpTime,
       "MS Sans Serif",
       {"09:05:07 > USER anonymous", "09:05:07 < 331 Password required\r\n",
        "09:05:07 DEBUG:>state 3", "09:05:07 Verbinden", "09:05:07 Error: ConnectTimeOut",
        "09:05:07 Error: Zugriff verweigert oder Datei existiert nicht"}},
  };
  for (const auto& c : cases) {
    TMFtpMessenger view([] { return LocalTime(9, 5, 7); });
    view.SetStyle(c.style);
    Feed(view);
    EXPECT_EQ(std::vector<std::string>(view.Lines().begin(), view.Lines().end()), c.lines);
    EXPECT_STREQ(view.FontName(), c.font);
  }
}

TEST(ProtocolView, ShowEventsComeBeforeTheLine) {
  TMFtpMessenger view;
  std::vector<std::string> messages;
  std::vector<std::string> errors;
  view.OnMessageShow = [&](const std::string& text) {
    EXPECT_EQ(text, view.CurrentMessage());
    messages.push_back(text + "|" + std::to_string(view.Lines().size()));
  };
  view.OnErrorShow = [&](const std::string& text) { errors.push_back(text); };
  view.EngineInfo(FtpInfo::kTraceOut, "NOOP");
  view.EngineInfo(FtpInfo::kTraceIn, "200 OK");
  view.EngineError(FtpError::kServerDown, "");
  EXPECT_EQ(messages, (std::vector<std::string>{"NOOP|0", "200 OK|1"}));
  EXPECT_EQ(errors, (std::vector<std::string>{"ServerDown"}));
  EXPECT_EQ(view.CurrentMessage(), "ServerDown");
  view.Clear();
  EXPECT_TRUE(view.Lines().empty());
  EXPECT_EQ(view.CurrentMessage(), "");
}

TEST(ProtocolView, KeepsTheLatestLinesOnly) {
  TMFtpMessenger view;
  for (std::size_t i = 0; i < TMFtpMessenger::kMaxLines + 5; ++i)
    view.EngineInfo(FtpInfo::kTraceIn, std::to_string(i));
  ASSERT_EQ(view.Lines().size(), TMFtpMessenger::kMaxLines);
  EXPECT_EQ(view.Lines().front(), "5");
  EXPECT_EQ(view.Lines().back(), std::to_string(TMFtpMessenger::kMaxLines + 4));
}

}  // namespace

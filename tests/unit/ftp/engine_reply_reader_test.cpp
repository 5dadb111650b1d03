#include <gtest/gtest.h>

#include "ftp/ftp_reply_reader.h"
#include "ftp/ftp_reply_text.h"

namespace {

using ftp::FtpReplyEvent;
using ftp::FtpReplyReader;

// Renders events as "R:line" and "M:code:lines joined by |".
std::vector<std::string> Render(const std::vector<FtpReplyEvent>& events) {
  std::vector<std::string> out;
  for (const auto& e : events) {
    if (e.EventKind == FtpReplyEvent::Kind::kReply) {
      out.push_back("R:" + e.Lines.front());
    } else {
      std::string joined;
      for (const auto& l : e.Lines) joined += (joined.empty() ? "" : "|") + l;
      out.push_back("M:" + e.Code + ":" + joined);
    }
  }
  return out;
}

std::vector<std::string> FeedWhole(const std::string& data) {
  FtpReplyReader reader;
  std::vector<FtpReplyEvent> events;
  EXPECT_EQ(reader.Feed(data, events), FtpReplyReader::Status::kOk);
  return Render(events);
}

TEST(FtpReplyReader, SplitsRepliesAndMultiLineRepliesWhateverTheChunks) {
  struct Case {
    const char* name;
    std::string input;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"single", "220 ready\r\n", {"R:220 ready"}},
      {"bare LF", "200 ok\n331 pass\n", {"R:200 ok", "R:331 pass"}},
      {"partial line waits", "200 o", {}},
      {"multi-line greeting reaches the continuation once",
       "220-Welcome\r\n220-second\r\nfree text\r\n220 last\r\n",
       {"M:220:220-Welcome|220-second|free text|220 last", "R:220 last"}},
      {"other code inside does not close",
       "230-a\r\n250 not ours\r\n230 done\r\n",
       {"M:230:230-a|250 not ours|230 done", "R:230 done"}},
      {"code without blank does not close",
       "211-x\r\n211\r\n211 end\r\n",
       {"M:211:211-x|211|211 end", "R:211 end"}},
      {"garbage line still goes to the continuation", "hello\r\n", {"R:hello"}},
      {"empty line", "\r\n", {"R:"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FeedWhole(c.input), c.expected) << c.name;
    // Byte by byte gives the same events.
    FtpReplyReader reader;
    std::vector<FtpReplyEvent> events;
    for (char ch : c.input) {
      ASSERT_EQ(reader.Feed(std::string_view(&ch, 1), events), FtpReplyReader::Status::kOk);
    }
    EXPECT_EQ(Render(events), c.expected) << c.name << " (byte by byte)";
  }
}

TEST(FtpReplyReader, CapsEndlessLinesAndEndlessMultiLineReplies) {
  FtpReplyReader reader;
  std::vector<FtpReplyEvent> events;
  const std::string chunk(16 * 1024, 'x');
  FtpReplyReader::Status status = reader.Feed("220 ", events);
  for (int i = 0; i < 8 && status == FtpReplyReader::Status::kOk; ++i)
    status = reader.Feed(chunk, events);
  EXPECT_EQ(status, FtpReplyReader::Status::kLineTooLong);
  EXPECT_LE(reader.PartialSize(), FtpReplyReader::kMaxLineBytes);

  FtpReplyReader multi;
  events.clear();
  status = multi.Feed("220-start\r\n", events);
  const std::string line = std::string(1000, 'y') + "\r\n";
  for (int i = 0; i < 2000 && status == FtpReplyReader::Status::kOk; ++i)
    status = multi.Feed(line, events);
  EXPECT_EQ(status, FtpReplyReader::Status::kReplyTooLong);
  EXPECT_TRUE(events.empty());

  // A line of exactly the cap is still fine.
  FtpReplyReader exact;
  events.clear();
  EXPECT_EQ(exact.Feed(std::string(FtpReplyReader::kMaxLineBytes, 'z') + "\n", events),
            FtpReplyReader::Status::kOk);
  EXPECT_EQ(events.size(), 1u);
}

TEST(FtpReplyText, QuotedPathSizePasvAndPort) {
  EXPECT_EQ(ftp::QuotedPath("257 \"/pub/a b\" is current"), "/pub/a b");
  EXPECT_EQ(ftp::QuotedPath("250 Directory successfully changed."), "");
  EXPECT_EQ(ftp::QuotedPath("257 \"unterminated"), "");
  EXPECT_EQ(ftp::SizeFromReply("213 1234"), 1234);
  EXPECT_EQ(ftp::SizeFromReply("213 "), std::nullopt);
  EXPECT_EQ(ftp::SizeFromReply("550 no"), std::nullopt);
  EXPECT_EQ(ftp::SizeFromReply("213 1234 "), 1234);
  for (const char* garbage : {"213 12abc", "213 -5", "213 99999999999999999999", "213 1 2"}) {
    EXPECT_EQ(ftp::SizeFromReply(garbage), std::nullopt) << garbage;
  }
  EXPECT_EQ(ftp::AnnouncedSize("150 Opening BINARY mode data connection for f.bin (1234 bytes)."),
            1234);
  EXPECT_EQ(ftp::AnnouncedSize("150 Opening BINARY mode data connection for a (7 bytes) (0 bytes)"),
            0);
  for (const char* none : {"150 File status okay. About to open data connection.",
                           "150 Opening for f (x bytes).", "150 (bytes)", "150 12 bytes"}) {
    EXPECT_EQ(ftp::AnnouncedSize(none), std::nullopt) << none;
  }

  const auto pasv = ftp::ParsePasvReply("227 Entering Passive Mode (10,0,0,1,4,1).");
  ASSERT_TRUE(pasv);
  EXPECT_EQ(pasv->Address, "10.0.0.1");
  EXPECT_EQ(pasv->Port, 1025);
  for (const char* bad : {"227 Entering Passive Mode", "227 (1,2,3,4,5)", "227 (1,2,3,4,5,256)",
                          "227 (1,2,3,4,5,x)", "227 (1,2,3,4,5,6,7)", "227 )1,2,3,4,5,6("}) {
    EXPECT_FALSE(ftp::ParsePasvReply(bad)) << bad;
  }
  EXPECT_EQ(ftp::PortArgument("127.0.0.1", 1025), "127,0,0,1,4,1");
  EXPECT_EQ(ftp::ReplyClass("331 x"), '3');
  EXPECT_EQ(ftp::ReplyClass("x"), 0);
}

TEST(FtpReplyText, SystKeywordsAsTheyStandFirstMatchWins) {
  using T = ftp::TMFtpServerType;
  const std::vector<std::pair<std::string, T>> cases = {
      {"215 UNIX Type: L8", T::ftpstUNIX},
      {"215 unix type: l8", T::ftpstUNIX},
      {"215 UNIX emulated by BSD", T::ftpstUNIX},
      {"215 NetBSD", T::ftpstBSD},
      {"215 SunOS 5", T::ftpstSunOS},
      {"215 MVS is the operating system", T::ftpstMVS},
      {"215 VMS MultiNet V4", T::ftpstVmsMultinet},
      {"215 VMS V5.5", T::ftpstVmsUcx},
      {"215 VM/ESA VPS", T::ftpstVMVPS},
      {"215 VM/CMS", T::ftpstVM},
      {"215 WINDWOS_NT", T::ftpstMSFTP},
      {"215 Windows_NT", T::ftpstDefault},  // only the keyword as it stands
      {"215 CHAMELEON", T::ftpstChameleon},
      {"215 QVT/Net", T::ftpstQVT},
      {"215 NCSA", T::ftpstNCSA},
      {"215 WFTPD", T::ftpstWFTPD},
      {"215 something else", T::ftpstDefault},
  };
  for (const auto& [reply, type] : cases) EXPECT_EQ(ftp::ServerTypeFromSyst(reply), type) << reply;
}

}  // namespace

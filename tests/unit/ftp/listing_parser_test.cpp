#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "ftp/listing_parser.h"

namespace {

using ftp::MFtpFileInfo;
using ftp::TMFtpServerType;
using T = TMFtpServerType;

constexpr int kYear = 2024;

struct LineCase {
  const char* what;
  T type;
  std::string line;
  // The expected entry as `stayline-ftp parse` prints it; empty: no entry.
  std::string expected;
};

// Real-world lines (and, where marked, lines built to the server type's column rule).
const std::vector<LineCase> kLineCases = {
    // Unix family
    {"plain file", T::ftpstUNIX, "-rw-r--r--   1 root     other        531 Jan 29 03:26 README",
     "file\t531\t1/29/2024 3:26 AM\tREADME\t-rw-r--r--\troot\tother\t"},
    {"folder with a year", T::ftpstAutoDetect,
     "dr-xr-xr-x   2 root     other        512 Apr  8  1994 etc",
     "dir\t512\t4/8/1994 12:00 AM\tetc\tdr-xr-xr-x\troot\tother\t"},
    {"afternoon and midnight hours", T::ftpstUNIX,
     "-rw-r--r--   1 ftp      ftp         1024 Dec 31 23:59 late.bin",
     "file\t1024\t12/31/2024 11:59 PM\tlate.bin\t-rw-r--r--\tftp\tftp\t"},
    {"noon", T::ftpstUNIX, "-rw-r--r--   1 ftp      ftp            0 Jul  4 12:00 noon",
     "file\t0\t7/4/2024 12:00 PM\tnoon\t-rw-r--r--\tftp\tftp\t"},
    {"name with blanks", T::ftpstUNIX,
     "-rw-r--r--   1 user     group    1048576 Mar  3 00:05 My Documents  backup.zip",
     "file\t1048576\t3/3/2024 12:05 AM\tMy Documents  backup.zip\t-rw-r--r--\tuser\tgroup\t"},
    {"link to a folder", T::ftpstUNIX,
     "lrwxrwxrwx   1 root     root           7 Oct 12  2020 bin -> usr/bin",
     "dir\t7\t10/12/2020 12:00 AM\tbin\tlrwxrwxrwx\troot\troot\tusr/bin"},
    {"link to a text file", T::ftpstUNIX,
     "lrwxrwxrwx   1 ftp      ftp           14 Mar  3  2021 notes -> docs/Notes.TXT",
     "file\t14\t3/3/2021 12:00 AM\tnotes\tlrwxrwxrwx\tftp\tftp\tdocs/Notes.TXT"},
    {"link to an archive, blanks in its name", T::ftpstUNIX,
     "lrwxrwxrwx   1 ftp      ftp           20 Mar  3  2021 latest release -> pkg-1.2.tar.gz",
     "file\t20\t3/3/2021 12:00 AM\tlatest release\tlrwxrwxrwx\tftp\tftp\tpkg-1.2.tar.gz"},
    {"link to README", T::ftpstUNIX,
     "lrwxrwxrwx   1 ftp      ftp            9 Feb  1  2022 info -> ../README",
     "file\t9\t2/1/2022 12:00 AM\tinfo\tlrwxrwxrwx\tftp\tftp\t../README"},
    {"'f' marks a file", T::ftpstUNIX,
     "frw-r--r--   1 a        b             12 Jan  1  2000 f.dat",
     "file\t12\t1/1/2000 12:00 AM\tf.dat\tfrw-r--r--\ta\tb\t"},
    {"size starting with 9", T::ftpstUNIX,
     "-rw-r--r--   1 root     root        9000 Jan 29 03:26 nine.bin",
     "file\t9000\t1/29/2024 3:26 AM\tnine.bin\t-rw-r--r--\troot\troot\t"},
    {"no group column", T::ftpstUNIX, "-rw-r--r--   1 owner    1234 Jan 15 12:00 a.txt",
     "file\t1234\t1/15/2024 12:00 PM\ta.txt\t-rw-r--r--\towner\t\t"},
    {"link count glued to the attributes", T::ftpstUNIX,
     "drwxr-xr-x123 owner group 4096 Feb 2 2019 many",
     "dir\t4096\t2/2/2019 12:00 AM\tmany\tdrwxr-xr-x123\towner\tgroup\t"},
    {"ACL mark after the attributes", T::ftpstUNIX,
     "-rw-r--r--+  1 owner    group        100 Jan  1  2020 acl.txt",
     "file\t100\t1/1/2020 12:00 AM\tacl.txt\t-rw-r--r--+\towner\tgroup\t"},
    {"Netware brackets", T::ftpstAutoDetect,
     "d [R----F--] supervisor            512       Jan 16 18:53    login",
     "dir\t512\t1/16/2024 6:53 PM\tlogin\td\tsupervisor\t\t"},
    {"Netware type", T::ftpstNetware,
     "- [RWCEAFMS] rhesus                 214059       Oct 20 15:27    cx.exe",
     "file\t214059\t10/20/2024 3:27 PM\tcx.exe\t-\trhesus\t\t"},
    {"NetPresenz folder (size in word 2)", T::ftpstNetPresenz,
     "drwxrwxr-x               folder        2 May 10  1996 network",
     "dir\t2\t5/10/1996 12:00 AM\tnetwork\tdrwxrwxr-x\t\t\t"},
    {"NetPresenz file (size in word 3)", T::ftpstNetPresenz,
     "-------r--         326  1391972  1392298 Nov 22  1995 MegaPhone.sit",
     "file\t1392298\t11/22/1995 12:00 AM\tMegaPhone.sit\t-------r--\t1391972\t\t"},
    {"NetTerm (size in word 2; built to the column rule)", T::ftpstNetTerm,
     "-rw-rw-rw-   1   7032 Sep 14 09:41 setup.exe",
     "file\t7032\t9/14/2024 9:41 AM\tsetup.exe\t-rw-rw-rw-\t\t\t"},
    {"unknown month keeps the words", T::ftpstUNIX,
     "-rw-r--r--   1 a        b              5 Foo 31 2020 odd",
     "file\t5\tFoo 31 2020\todd\t-rw-r--r--\ta\tb\t"},
    {"total line", T::ftpstUNIX, "total 24", ""},
    {"device file", T::ftpstUNIX, "crw-rw-rw-   1 root     root       1,   3 Jan  1  2020 null",
     ""},
    {"line without a name", T::ftpstUNIX, "-rw-r--r--   1 root     root        10 Jan  1  2020",
     ""},
    // DOS style (IIS)
    {"DOS folder", T::ftpstMSFTP, "01-16-02  11:14AM       <DIR>          epsgroup",
     "dir\t\t01-16-02 11:14AM\tepsgroup\t\t\t\t"},
    {"DOS file", T::ftpstAutoDetect, "06-05-03  03:19PM                 1873 readme.txt",
     "file\t1873\t06-05-03 03:19PM\treadme.txt\t\t\t\t"},
    {"DOS name with blanks, leading blank at column 40", T::ftpstMSFTP,
     "06-05-03  03:19PM                 1873  two  blanks.txt",
     "file\t1873\t06-05-03 03:19PM\t two  blanks.txt\t\t\t\t"},
    {"DOS narrow layout", T::ftpstAutoDetect, "04-27-00  09:09PM <DIR> licensed",
     "dir\t\t04-27-00 09:09PM\tlicensed\t\t\t\t"},
    // EPLF
    {"EPLF folder", T::ftpstAutoDetect, "+i8388621.29609,m824255902,/,\tdev",
     "dir\t0\t2/13/1996 11:58 PM\tdev\t\t\t\t"},
    {"EPLF file", T::ftpstUNIX, "+i8388621.44468,m839956783,r,s10376,\tRFCEPLF",
     "file\t10376\t8/13/1996 5:19 PM\tRFCEPLF\t\t\t\t"},
    {"EPLF defaults, comma in the name", T::ftpstAutoDetect, "+r,\tone, two",
     "file\t0\t1/1/80 12:00\tone, two\t\t\t\t"},
    {"EPLF with a bad time keeps the default", T::ftpstAutoDetect, "+m99999999999999999999,r,\tx",
     "file\t0\t1/1/80 12:00\tx\t\t\t\t"},
    // VM (CMS)
    {"VM file", T::ftpstVM,
     "PROFILE  EXEC     V         17         6          1 1994-05-13 13:37:05 DISK01",
     "file\t17\t1994-05-13 13:37:05\tPROFILE.EXEC\t\t\t\t"},
    // VM/VPS (built to the column rule)
    {"VM/VPS file", T::ftpstVMVPS, "README   TXT   1234  F  80  1  14:22  09/12/95",
     "file\t1234\t09/12/95 14:22\tREADME.TXT\t\t\t\t"},
    {"VM/VPS skips '='", T::ftpstVMVPS, "Dsname = USER.LIB", ""},
    {"VM/VPS skips totals", T::ftpstVMVPS, "Totals: 12 files 345 tracks", ""},
    {"VM/VPS skips the header", T::ftpstVMVPS, "Name Type Size rf trks", ""},
    {"VM/VPS skips the limit", T::ftpstVMVPS, "track limit 300", ""},
    // VMS single lines
    {"VMS file", T::ftpstVmsMultinet,
     "CII-MANUAL.TEX;1  213/216  29-JAN-1996 03:33:12  [ANONYMOU,ANONYMOUS]   (RWED,RWED,,)",
     "file\t213/216\t29-JAN-1996 03:33:12\tCII-MANUAL.TEX\t\t\t\t"},
    {"VMS folder", T::ftpstVmsUcx,
     "CORE.DIR;1          1  8-SEP-1996 16:09 [SYSTEM]     (RWE,RWE,RE,RE)",
     "dir\t1\t8-SEP-1996 16:09\tCORE\t\t\t\t"},
};

std::string Format(const std::optional<MFtpFileInfo>& info) {
  return info ? ftp::FormatListingEntry(*info) : std::string();
}

TEST(ListingParser, RealWorldLines) {
  for (const auto& c : kLineCases) {
    EXPECT_EQ(Format(ftp::ParseListingLine(c.line, c.type, kYear)), c.expected)
        << c.what << ": " << c.line;
  }
}

// VMS entries may span two lines; each case is a whole listing and the entries it yields.
TEST(ListingParser, VmsListingsWithWrappedEntries) {
  struct Case {
    const char* what;
    std::string listing;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"MultiNet wraps a long name, details on the next line",
       "00README.TXT;1\r\n        2 30-DEC-1996 17:44 [SYSTEM] (RWED,RWED,RE,RE)\r\n"
       "CORE.DIR;1 1 8-SEP-1996 16:09 [SYSTEM] (RWE,RWE,RE,RE)\r\n",
       {"file\t2\t30-DEC-1996 17:44\t00README.TXT\t\t\t\t",
        "dir\t1\t8-SEP-1996 16:09\tCORE\t\t\t\t"}},
      {"a line without ';' is joined with the next one",
       "LONGNAME.TXT\r\n   5  1-JAN-2000 10:00 [X] (RWED)\r\n",
       {"file\t5\t1-JAN-2000 10:00\tLONGNAME.TXT\t\t\t\t"}},
      {"header and trailer do not cost an entry",
       "Directory DISK$ANONFTP:[ANONYMOUS]\r\n\r\n"
       "CORE.DIR;1 1 8-SEP-1996 16:09 [SYSTEM] (RWE,RWE,RE,RE)\r\n"
       "A.TXT;2 3 9-SEP-1996 16:10 [SYSTEM] (RWE,RWE,RE,RE)\r\n\r\n"
       "Total of 2 files, 4 blocks.\r\n",
       {"dir\t1\t8-SEP-1996 16:09\tCORE\t\t\t\t", "file\t3\t9-SEP-1996 16:10\tA.TXT\t\t\t\t"}},
      {"a lone name followed by another entry is dropped, the entry kept",
       "LOST.TXT;1\nKEPT.TXT;1 7 1-FEB-2001 08:00\n",
       {"file\t7\t1-FEB-2001 08:00\tKEPT.TXT\t\t\t\t"}},
      {"a name waiting at the end of the listing is dropped", "LAST.TXT;1\n", {}},
      {"a lone name, a blank line and the total give nothing",
       "NODETAILS.TXT;3\r\n\r\nTotal of 4 files, 19 blocks.\r\n",
       {}},
      {"a lone name is not joined with the total that follows it",
       "NODETAILS.TXT;3\r\nTotal of 4 files, 19 blocks.\r\n",
       {}},
      {"a lone name does not swallow a wrapped name without version",
       "NODETAILS.TXT;3\nLONGNAME.TXT\n   5  1-JAN-2000 10:00 [X] (RWED)\n",
       {"file\t5\t1-JAN-2000 10:00\tLONGNAME.TXT\t\t\t\t"}},
      {"the header does not swallow a wrapped name",
       "Directory DISK$USER:[FTP]\nLONGNAME.TXT\n   5  1-JAN-2000 10:00 [X] (RWED)\n",
       {"file\t5\t1-JAN-2000 10:00\tLONGNAME.TXT\t\t\t\t"}},
      {"a wrap does not span a blank line", "LOST.TXT;1\n\n   5  1-JAN-2000 10:00\n", {}},
      {"a whole listing: header, wrapped and plain entries, a lone name, total",
       "Directory DISK$USER:[FTP]\r\n\r\n"
       "A_RATHER_LONG_FILE_NAME.TXT;12\r\n"
       "                    2/3      30-DEC-1996 17:44:09  [SYSTEM]  (RWED,RWED,RE,)\r\n"
       "CORE.DIR;1           1/3      8-SEP-1996 16:09:00  [SYSTEM]  (RWE,RWE,RE,RE)\r\n"
       "NODETAILS.TXT;3\r\n\r\nTotal of 4 files, 19 blocks.\r\n",
       {"file\t2/3\t30-DEC-1996 17:44:09\tA_RATHER_LONG_FILE_NAME.TXT\t\t\t\t",
        "dir\t1/3\t8-SEP-1996 16:09:00\tCORE\t\t\t\t"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> got;
    for (const auto& e : ftp::ParseListingText(c.listing, T::ftpstVmsMultinet, kYear))
      got.push_back(ftp::FormatListingEntry(e));
    EXPECT_EQ(got, c.expected) << c.what;
  }
}

TEST(ListingParser, WholeListingKeepsDotsAndSplitsAtLineEnds) {
  const std::string listing =
      "total 3\r\n"
      "drwxr-xr-x   2 ftp ftp 4096 Jan  1  2020 .\r\n"
      "drwxr-xr-x   3 ftp ftp 4096 Jan  1  2020 ..\n"   // a bare LF ends a line too
      "-rw-r--r--   1 ftp ftp   10 Jan  1  2020 last";  // no line end at all
  const auto entries = ftp::ParseListingText(listing, T::ftpstAutoDetect, kYear);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_TRUE(ftp::IsDotFolder(entries[0]));
  EXPECT_TRUE(ftp::IsDotFolder(entries[1]));
  EXPECT_FALSE(ftp::IsDotFolder(entries[2]));
  EXPECT_EQ(entries[2].Name, "last");
}

// Names come from the server: nothing in them may drive the terminal or break the line.
TEST(ListingParser, FormattedEntryEscapesControlCharacters) {
  struct Case {
    const char* what;
    std::string name;
    std::string shown;
  };
  const std::vector<Case> cases = {
      {"plain and UTF-8 text stays", "Grüße 1.txt", "Grüße 1.txt"},
      {"tab and line ends", "tab\there\r\n", "tab\\x09here\\x0D\\x0A"},
      {"escape sequence", "\x1B]0;owned\x07\x1B[2J", "\\x1B]0;owned\\x07\\x1B[2J"},
      {"DEL and NUL", std::string("a\x7F\0b", 4), "a\\x7F\\x00b"},
      {"C1 control as UTF-8 and as a lone byte",
       "\xC2\x9B"
       "2J\x9B"
       "2J",
       "\\x9B"
       "2J\\x9B"
       "2J"},
      {"a backslash is doubled, so the text reads back", "a\\x1B", "a\\\\x1B"},
      {"a Latin-1 name reads as its letters",
       "Gr\xFC\xDF"
       "e",
       "Grüße"},
  };
  for (const auto& c : cases) {
    MFtpFileInfo info;
    info.Name = c.name;
    info.LinkTarget = c.name;
    EXPECT_EQ(ftp::FormatListingEntry(info), "file\t\t\t" + c.shown + "\t\t\t\t" + c.shown)
        << c.what;
  }
}

TEST(ServerType, NamesRoundTripInAnyCase) {
  for (int v = 0; v < ftp::kServerTypeCount; ++v) {
    const auto type = *ftp::ServerTypeFromValue(v);
    const std::string name(ftp::ServerTypeName(type));
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(ftp::ServerTypeFromName(name), type) << name;
    EXPECT_EQ(ftp::ServerTypeFromName(upper), type) << upper;
  }
  EXPECT_EQ(ftp::ServerTypeFromName("vmvps"), T::ftpstVMVPS);
  EXPECT_EQ(ftp::ServerTypeFromName("ftpstNetPresenz"), T::ftpstNetPresenz);
  EXPECT_EQ(ftp::ServerTypeFromName("WarFTPD"), T::ftpWarFTPD);
  EXPECT_EQ(ftp::ServerTypeFromName("ftpWarFTPD"), T::ftpWarFTPD);
  EXPECT_EQ(ftp::ServerTypeFromName("Unixx"), std::nullopt);
  EXPECT_EQ(ftp::ServerTypeFromName(""), std::nullopt);
  EXPECT_EQ(ftp::ServerTypeFromName("ftpst"), std::nullopt);
  EXPECT_EQ(ftp::ServerTypeFromValue(22), std::nullopt);
  EXPECT_EQ(ftp::ServerTypeFromValue(-1), std::nullopt);
}

// Whatever arrives, the parser neither crashes nor invents text: every field of an entry is
// made of the input's bytes, so none can be longer than the input.
void ExpectSane(const std::optional<MFtpFileInfo>& info, std::size_t inputSize,
                const std::string& line) {
  if (!info) return;
  EXPECT_FALSE(info->Name.empty()) << line;
  constexpr std::size_t kDateText = 24;  // longest built date text
  for (const std::string* field : {&info->Name, &info->Attributes, &info->Owner, &info->Group,
                                   &info->LinkTarget, &info->Size}) {
    EXPECT_LE(field->size(), inputSize + 1) << line;  // +1: the "." of VM names
  }
  EXPECT_LE(info->Date.size(), std::max(inputSize, kDateText)) << line;
}

TEST(ListingParser, TruncatedLinesNeverCrash) {
  for (const auto& c : kLineCases) {
    for (int v = 0; v < ftp::kServerTypeCount; ++v) {
      const auto type = static_cast<T>(v);
      ftp::ListingParser parser(type, kYear);
      for (std::size_t n = 0; n <= c.line.size(); ++n) {
        const std::string cut = c.line.substr(0, n);
        ExpectSane(parser.ParseLine(cut), cut.size() * 2 + 1, cut);  // VMS may join two lines
        const std::string tail = c.line.substr(n);
        ExpectSane(ftp::ParseListingLine(tail, type, kYear), tail.size(), tail);
      }
    }
  }
}

TEST(ListingParser, RandomInputNeverCrashes) {
  std::mt19937 rng(20240601);
  const std::string alphabet = "+-dlf0123456789 ;,/\t:.<>DIR[]rsmi->=aAzZ\r\xff";
  std::uniform_int_distribution<int> length(0, 120);
  std::uniform_int_distribution<int> pick(0, static_cast<int>(alphabet.size()) - 1);
  std::uniform_int_distribution<int> anyByte(0, 255);
  for (int v = 0; v < ftp::kServerTypeCount; ++v) {
    const auto type = static_cast<T>(v);
    ftp::ListingParser parser(type, kYear);
    std::size_t longest = 0;  // a held VMS line may be joined with a later one
    for (int i = 0; i < 3000; ++i) {
      std::string line;
      const int n = length(rng);
      for (int k = 0; k < n; ++k)
        line += (i % 3 == 0) ? static_cast<char>(anyByte(rng)) : alphabet[pick(rng)];
      longest = std::max(longest, line.size());
      ExpectSane(parser.ParseLine(line), line.size() + longest + 1, line);
    }
    parser.Finish();
  }
}

}  // namespace

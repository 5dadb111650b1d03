// Starting a program for the user: the "not found" message, the start-error texts with their
// table, the mapping of a failed exec onto those codes, and a real start.

#include "app/program_starter.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "unit/app/support/stayline_fixture.h"

namespace {

using app::ProgramStarter;

TEST(ProgramStarterText, StartErrorMessagesFollowTheTable) {
  EXPECT_EQ(ProgramStarter::RelocationMSG(2, "\"my viewer\"", "\"/home/a b/Stayline.html\"", "0"),
            "File was not found.\r\n\r\n\"my viewer\"\r\n\"/home/a b/Stayline.html\"");
  EXPECT_EQ(ProgramStarter::RelocationMSG(3, "p", "x", "1"),
            "Verzeichnis wurde nicht gefunden.\r\n\r\np\r\nx");
  EXPECT_EQ(ProgramStarter::RelocationMSG(5, "p", "x", "0"),
            "Fault at the common access to a file in the net or fault at the access to a locked "
            "file in the net.");
  EXPECT_EQ(ProgramStarter::RelocationMSG(31, "p", "x", "1"), "Unbekannter Windows-Fehler.");
  EXPECT_EQ(ProgramStarter::RelocationMSG(31, "p", "x", "0"), "Unknown Windows-Error.");
  EXPECT_EQ(ProgramStarter::RelocationMSG(2, "p", "x", "2"), "") << "neither language";

  const std::pair<int, int> mapping[] = {{ENOENT, 2}, {ENOTDIR, 3},  {EACCES, 5},
                                         {ENOMEM, 8}, {ENOEXEC, 11}, {EIO, 31}};
  for (auto [error, code] : mapping) EXPECT_EQ(ProgramStarter::StartErrorCode(error), code);
}

class ProgramStarterTest : public app_test::StaylineTest {};

TEST_F(ProgramStarterTest, MissingProgramAndFileGiveTheNotFoundMessage) {
  Start({{"Language", "0"}});
  std::vector<std::string> messages;
  dialogs.OnQuestion = [&](const std::string&, const std::string& question, const std::string&) {
    messages.push_back(question.substr(question.find(": ") + 2));  // without the caption
  };
  ProgramStarter starter(*main);
  std::vector<std::vector<std::string>> launched;
  starter.Launch = [&](const std::vector<std::string>& argv) {
    launched.push_back(argv);
    return ENOENT;
  };
  starter.CallProgramm("no-such-viewer-xyz", true, 9, home + "/none.html");
  EXPECT_TRUE(launched.empty());
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.back(), "Program not found: no-such-viewer-xyz\r\nor\r\nWrong parameter: " +
                                 home + "/none.html");

  // The file exists, the program does not start: the start error, quoted where blanks are.
  const std::string manual = home + "/my manual.html";
  std::ofstream(manual) << "<html></html>";
  starter.CallProgramm("no-such-viewer-xyz", true, 9, manual);
  ASSERT_EQ(launched.size(), 1u);
  EXPECT_EQ(launched[0], (std::vector<std::string>{"no-such-viewer-xyz", manual}));
  EXPECT_EQ(messages.back(), "File was not found.\r\n\r\nno-such-viewer-xyz\r\n\"" + manual + "\"");
  const std::size_t shown = messages.size();
  starter.CallProgramm("no-such-viewer-xyz", false, 9, manual);
  EXPECT_EQ(messages.size(), shown) << "errors not shown when not asked for";
}

TEST_F(ProgramStarterTest, AProgramInPathIsReallyStarted) {
  Start();
  ProgramStarter starter(*main);
  const std::string marker = home + "/started";
  const std::string script = home + "/viewer.sh";
  std::ofstream(script) << "#!/bin/sh\necho \"$1\" > '" << marker << "'\n";
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  starter.CallProgramm(script, true, 9, "/some/page.html");
  for (int i = 0; i < 100 && !std::filesystem::exists(marker); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(ReadFile(marker), "/some/page.html\n");
}

}  // namespace

// "Remove Program": the confirmation, then the keys of both hives, the autostart entry and every
// later settings write are gone, the removal script names the program's files, and the program
// ends as at a normal exit. Declining changes nothing.
#include "app/program_removal.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "unit/app/support/stayline_fixture.h"

namespace {

namespace fs = std::filesystem;

class ProgramRemovalTest : public app_test::StaylineTest {
 protected:
  void SetUp() override {
    ::setenv("TMPDIR", home.c_str(), 1);
    Start({{"Language", "0"}, {"PingHost", "example.invalid"}});
    registry->WriteValue(platform::Hive::LocalMachine, std::string(settings::kUserKey), "AutoRun",
                         "0");
    main->Removal().LaunchScript = [this](const app::RestartScript::Files& files, std::string*) {
      script = ReadFile(files.Script);
      fs::remove(files.Script);
      fs::remove(files.TempFile);
      return true;
    };
  }
  void TearDown() override { ::unsetenv("TMPDIR"); }
  std::string script;
};

TEST_F(ProgramRemovalTest, DecliningKeepsEverything) {
  dialogs.QueueAnswer("No");
  const int beeps = dialogs.BeepCount();
  Form().RemoveProgram.UserClick();
  EXPECT_EQ(dialogs.BeepCount() - beeps, 3);
  EXPECT_EQ(Stored("PingHost"), "example.invalid");
  EXPECT_TRUE(script.empty());
  EXPECT_TRUE(terminated.empty());
}

TEST_F(ProgramRemovalTest, ConfirmingRemovesKeysFilesAndEnds) {
  std::string question;
  dialogs.OnQuestion = [&](const std::string&, const std::string& q, const std::string&) {
    question = q;
  };
  dialogs.QueueAnswer("Yes");
  Form().RemoveProgram.UserClick();
  EXPECT_NE(question.find("Revome program permanently?"), std::string::npos);
  EXPECT_NE(question.find("The program file /usr/bin/staylined stays"), std::string::npos);
  EXPECT_FALSE(registry->KeyExists(platform::Hive::CurrentUser, std::string(settings::kUserKey)));
  EXPECT_FALSE(registry->KeyExists(platform::Hive::LocalMachine, std::string(settings::kUserKey)));
  EXPECT_EQ(terminated, (std::vector<int>{0}));
  // The close wrote nothing back.
  EXPECT_FALSE(registry->KeyExists(platform::Hive::CurrentUser, std::string(settings::kUserKey)));
  // The script names the logs, the cache folder and the manual copy, not the system's program.
  EXPECT_NE(script.find(paths.dataDir + "/TimeLog.txt"), std::string::npos) << script;
  EXPECT_NE(script.find(paths.dataDir + "/FTP.Log"), std::string::npos);
  EXPECT_NE(script.find(paths.dataDir + "/ftpcache"), std::string::npos);
  EXPECT_NE(script.find(paths.dataDir + "/browser'"), std::string::npos);
  EXPECT_EQ(script.find("/usr/bin/staylined"), std::string::npos);
}

}  // namespace

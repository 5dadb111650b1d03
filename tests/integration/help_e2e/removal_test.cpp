// "Remove Program" as a user runs it: a copy of staylined in a folder of the test's, a home with
// settings in both hives, an autostart entry and the data files; after the confirmation the
// program ends and its removal script deletes what it left, then itself.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "integration/daemon_e2e/process_helpers.h"
#include "integration/daemon_e2e/process_list.h"
#include "integration/help_e2e/sim_daemon.h"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;

const char* const kKey = "_StaylineConnections";

class Removal : public ::testing::Test {
 protected:
  // The program copied into `folder` (below the test's folder), the hives and the data files.
  void Prepare(const std::string& folder) {
    program_ = dir_ / folder + "/staylined";
    fs::create_directories(dir_ / folder);
    fs::copy_file(BinPath("staylined"), program_);
    WriteUserHive(home_ + "/config/HKCU.reg",
                  {{"AReadFirstReg", "1"}, {"Language", "0"}, {"SaveOnlineTimer", "1"}});
    // another program's key in the same hive stays
    std::ofstream(home_ + "/config/HKCU.reg", std::ios::app)
        << "\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Other]\r\n\"Keep\"=\"1\"\r\n";
    WriteFile(home_ + "/config/HKLM.reg",
              "Windows Registry Editor Version 5.00\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\_StaylineConnections]\r\n\"Language\"=\"0\"\r\n");
    for (const std::string& file : DataFiles()) WriteFile(file, "x\n");
    fs::create_directories(dir_ / "tmp");
  }
  std::vector<std::string> DataFiles() const {
    return {home_ + "/data/TimeLog.txt", home_ + "/data/FTP.Log",
            home_ + "/data/ftpcache/ftp.example.com.lst", home_ + "/data/Stayline.html",
            home_ + "/data/browser/Default/Preferences"};
  }
  std::string Autostart() const { return home_ + "/config/autostart/stayline.desktop"; }

  // Starts `command` (the copy, or a wrapper around it), turns autostart on, removes the program
  // and waits until it has ended and its script has finished.
  void StartAndRemove(const std::vector<std::string>& command) {
    daemon_ = std::make_unique<SimDaemon>(home_, command,
                                          std::vector<std::string>{"TMPDIR=" + (dir_ / "tmp")});
    ASSERT_TRUE(daemon_->Ready()) << daemon_->Output();
    ASSERT_TRUE(daemon_->Request({"set", "AutoRun.Checked", "1"}));
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(Autostart()); }, 3000));

    ASSERT_TRUE(daemon_->Request({"answer", "Yes"}));
    ASSERT_TRUE(daemon_->Request({"click", "RemoveProgram"}));
    ASSERT_EQ(daemon_->WaitForEnd(10000), 0) << daemon_->Output();
    // the script waits for the program, deletes, then deletes itself and its temporary file
    EXPECT_TRUE(WaitUntil(
        [&] { return fs::is_empty(dir_ / "tmp") && ProcessesMentioning(dir_.Path()).empty(); },
        20000))
        << "left in the temporary folder or still running";
  }
  void ExpectDataKeysAndAutostartGone() {
    for (const std::string& file : DataFiles()) EXPECT_FALSE(fs::exists(file)) << file;
    EXPECT_FALSE(fs::exists(home_ + "/data/ftpcache"));
    EXPECT_FALSE(fs::exists(home_ + "/data/browser"));
    EXPECT_FALSE(fs::exists(Autostart()));
    const std::string user = ReadFile(home_ + "/config/HKCU.reg");
    const std::string machine = ReadFile(home_ + "/config/HKLM.reg");
    EXPECT_EQ(user.find(kKey), std::string::npos) << user;
    EXPECT_EQ(user.find("\"Stayline\"="), std::string::npos) << "the RunOnce value: " << user;
    EXPECT_NE(user.find("[HKEY_CURRENT_USER\\SOFTWARE\\Other]"), std::string::npos) << user;
    EXPECT_NE(user.find("\"Keep\"=\"1\""), std::string::npos) << user;
    EXPECT_EQ(machine.find(kKey), std::string::npos) << machine;
  }

  TempHome dir_;
  const std::string home_ = dir_ / "home";
  std::string program_;
  std::unique_ptr<SimDaemon> daemon_;
};

TEST_F(Removal, TheKeysTheDataFilesTheAutostartEntryAndTheProgramGo) {
  Prepare("bin");
  StartAndRemove({program_});
  ExpectDataKeysAndAutostartGone();
  EXPECT_FALSE(fs::exists(program_));
}

// A folder the program may not write (a read-only mount, as root may write anywhere else): the
// program file stays, the question said so, and the rest goes.
TEST_F(Removal, AProgramInAFolderItMayNotWriteStaysAndTheQuestionSaysSo) {
  const std::string probe = "/usr/bin/unshare -m /bin/sh -c 'mount --bind \"" + dir_.Path() +
                            "\" \"" + dir_.Path() + "\" && mount -o remount,bind,ro \"" +
                            dir_.Path() + "\" \"" + dir_.Path() + "\"' >/dev/null 2>&1";
  if (std::system(probe.c_str()) != 0) {
    GTEST_SKIP() << "no private read-only mount can be made here (needs CAP_SYS_ADMIN)";
  }
  Prepare("readonly");
  // the program's folder is mounted read-only in a mount namespace of the program's own
  StartAndRemove({"/usr/bin/unshare", "-m", "/bin/sh", "-c",
                  "d=$(dirname \"$0\") && mount --bind \"$d\" \"$d\" && "
                  "mount -o remount,bind,ro \"$d\" && exec \"$0\" \"$@\"",
                  program_});
  ExpectDataKeysAndAutostartGone();
  EXPECT_TRUE(fs::exists(program_));
  EXPECT_NE(daemon_->Output().find("The program file " + program_ + " stays"), std::string::npos)
      << daemon_->Output();
}

}  // namespace

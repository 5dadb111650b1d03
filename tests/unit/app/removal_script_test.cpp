// The removal script, run for real in a private temporary folder: it waits for the program to
// end, deletes the files and folders it names (blanks and quotes in paths included), leaves
// everything else alone, and removes its temporary file and itself last.

#include "app/removal_script.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using app::RemovalScript;

class RemovalScriptTest : public ::testing::Test {
 protected:
  RemovalScriptTest() {
    char tmpl[] = "/tmp/stayline-removal-XXXXXX";
    dir = ::mkdtemp(tmpl);
    ::setenv("TMPDIR", dir.c_str(), 1);
  }
  ~RemovalScriptTest() override {
    ::unsetenv("TMPDIR");
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  std::string Make(const std::string& name) {
    const std::string path = dir + "/" + name;
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << "x";
    return path;
  }
  static pid_t RunScript(const std::string& script) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::execl("/bin/sh", "sh", script.c_str(), nullptr);
      ::_exit(127);
    }
    return pid;
  }
  std::string dir;
};

TEST_F(RemovalScriptTest, WaitsForTheProgramThenDeletesItsFilesAndItself) {
  const std::string program = Make("bin dir/stay'line");
  const std::string log = Make("data/TimeLog.txt");
  const std::string cache = Make("data/ftpcache/abc.lst");
  const std::string keep = Make("data/notes.txt");
  const pid_t running = ::fork();
  if (running == 0) {
    ::pause();
    ::_exit(0);
  }
  RemovalScript::Targets targets{{program, log, dir + "/data/missing.txt"},
                                 {dir + "/data/ftpcache"}};
  const app::RestartScript::Files files = RemovalScript::Write(targets, running);
  const pid_t script = RunScript(files.Script);
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  EXPECT_TRUE(fs::exists(program)) << "nothing goes while the program runs";
  ::kill(running, SIGKILL);
  ::waitpid(running, nullptr, 0);
  int status = 0;
  ::waitpid(script, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_FALSE(fs::exists(program));
  EXPECT_FALSE(fs::exists(log));
  EXPECT_FALSE(fs::exists(dir + "/data/ftpcache"));
  EXPECT_TRUE(fs::exists(keep));
  EXPECT_FALSE(fs::exists(files.Script));
  EXPECT_FALSE(fs::exists(files.TempFile));
}

TEST(RemovalScriptPolicy, TheProgramFileGoesOnlyFromAUserFolder) {
  EXPECT_FALSE(RemovalScript::ProgramRemovable("/bin/sh"));
  EXPECT_FALSE(RemovalScript::ProgramRemovable("/usr/bin/env"));
  EXPECT_FALSE(RemovalScript::ProgramRemovable("/no/such/program"));
  char tmpl[] = "/tmp/stayline-prog-XXXXXX";
  const std::string dir = ::mkdtemp(tmpl);
  std::ofstream(dir + "/staylined") << "x";
  EXPECT_TRUE(RemovalScript::ProgramRemovable(dir + "/staylined"));
  // A link in a user folder to a system program: the program itself stays.
  fs::create_symlink("/bin/sh", dir + "/linked");
  EXPECT_FALSE(RemovalScript::ProgramRemovable(dir + "/linked"));
  fs::remove_all(dir);
}

}  // namespace

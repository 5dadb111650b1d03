// The restart script, written and run for real in a private temporary folder: it waits for the
// old process, removes the temporary file and itself, and becomes the program with its arguments
// (paths with blanks and quotes included) and the environment it was given.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/restart_script.h"

namespace {

namespace fs = std::filesystem;
using app::RestartScript;

class RestartScriptTest : public ::testing::Test {
 protected:
  RestartScriptTest() {
    char tmpl[] = "/tmp/stayline-restart-XXXXXX";
    dir = ::mkdtemp(tmpl);
    const char* old = std::getenv("TMPDIR");
    if (old) oldTmp = old;
    ::setenv("TMPDIR", dir.c_str(), 1);
  }
  ~RestartScriptTest() override {
    if (child > 0) {
      ::kill(child, SIGKILL);
      ::waitpid(child, nullptr, 0);
    }
    if (oldTmp.empty()) {
      ::unsetenv("TMPDIR");
    } else {
      ::setenv("TMPDIR", oldTmp.c_str(), 1);
    }
    fs::remove_all(dir);
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  static bool WaitFor(const std::function<bool()>& done, int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return done();
  }
  std::string dir;
  std::string oldTmp;
  pid_t child = -1;
};

TEST_F(RestartScriptTest, QuotesEveryWordForTheShell) {
  struct Case {
    std::string in;
    std::string out;
  } cases[] = {
      {"plain", "'plain'"},
      {"with blank", "'with blank'"},
      {"it's", "'it'\\''s'"},
      {"$HOME `x` \"q\"", "'$HOME `x` \"q\"'"},
      {"", "''"},
  };
  for (const Case& c : cases) EXPECT_EQ(RestartScript::ShellQuote(c.in), c.out);
}

TEST_F(RestartScriptTest, TheScriptIsNamedAfterTheTemporaryFileAndEndsByBecomingTheProgram) {
  const auto files = RestartScript::Write({"/opt/my prog/staylined", "--home", "/h"},
                                          {{"STAYLINE_RESTARTS", "3"}}, 4242);
  EXPECT_EQ(fs::path(files.TempFile).parent_path(), fs::path(dir));
  EXPECT_EQ(fs::path(files.TempFile).filename().string().rfind("uis", 0), 0u);
  EXPECT_EQ(fs::path(files.Script).stem(), fs::path(files.TempFile).stem());
  EXPECT_EQ(fs::path(files.Script).extension(), ".sh");
  struct stat st {};
  ASSERT_EQ(::stat(files.Script.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  const std::string text = Read(files.Script);
  EXPECT_NE(text.find("/proc/4242/stat"), std::string::npos);
  const std::string tail = "rm -f '" + files.TempFile + "'\n" + "rm -f '" + files.Script +
                           "'\n"
                           "export STAYLINE_RESTARTS='3'\n"
                           "exec '/opt/my prog/staylined' '--home' '/h' </dev/null >/dev/null "
                           "2>&1\n";
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

TEST_F(RestartScriptTest, ItWaitsForTheOldProcessThenStartsTheProgramAndRemovesItsFiles) {
  // The "program": a script in a folder with a blank and a quote, recording its arguments.
  const std::string progDir = dir + "/it's a dir";
  fs::create_directory(progDir);
  const std::string prog = progDir + "/new instance";
  const std::string marker = dir + "/started";
  std::ofstream(prog) << "#!/bin/sh\n{ for a in \"$@\"; do echo \"$a\"; done; "
                         "echo \"restarts=$STAYLINE_RESTARTS\"; } > '" +
                             marker + "'\n";
  fs::permissions(prog, fs::perms::owner_all);

  // With /proc, and as on a system without it, where the script asks kill -0.
  for (const bool withProc : {true, false}) {
    SCOPED_TRACE(withProc ? "with /proc" : "without /proc");
    fs::remove(marker);
    child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::usleep(600'000);
      ::_exit(0);
    }
    const auto files = RestartScript::Write({prog, "--home", "/x y/h", "$(touch /tmp/nope)"},
                                            {{"STAYLINE_RESTARTS", "2 $(x)"}}, child);
    if (!withProc) {
      std::string text = Read(files.Script);
      const std::string test = "[ -d /proc/self ]";
      ASSERT_NE(text.find(test), std::string::npos);
      text.replace(text.find(test), test.size(), "[ -d /no/such/proc ]");
      std::ofstream(files.Script, std::ios::trunc) << text;
    }
    std::string error;
    ASSERT_TRUE(RestartScript::Launch(files, &error)) << error;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(fs::exists(marker)) << "started before the old process ended";
    ::waitpid(child, nullptr, 0);
    child = -1;
    ASSERT_TRUE(WaitFor([&] { return fs::exists(marker) && !Read(marker).empty(); }, 5000));
    EXPECT_EQ(Read(marker), "--home\n/x y/h\n$(touch /tmp/nope)\nrestarts=2 $(x)\n");
    EXPECT_TRUE(
        WaitFor([&] { return !fs::exists(files.Script) && !fs::exists(files.TempFile); }, 5000));
  }
}

TEST_F(RestartScriptTest, AZombieCountsAsEnded) {
  const std::string marker = dir + "/started";
  const std::string prog = dir + "/prog";
  std::ofstream(prog) << "#!/bin/sh\ntouch '" + marker + "'\n";
  fs::permissions(prog, fs::perms::owner_all);
  child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) ::_exit(0);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // a zombie now, not reaped
  const auto files = RestartScript::Write({prog}, {}, child);
  ASSERT_TRUE(RestartScript::Launch(files, nullptr));
  EXPECT_TRUE(WaitFor([&] { return fs::exists(marker); }, 5000));
}

}  // namespace

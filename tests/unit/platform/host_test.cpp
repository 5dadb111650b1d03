// Folders, the single-instance lock, program facts, temporary files and the autostart entry.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <cstdlib>
#include <map>
#include <optional>

#include "platform/autostart.h"
#include "platform/paths.h"
#include "platform/program_info.h"
#include "platform/single_instance.h"
#include "platform/temp_file.h"
#include "unit/platform/support/temp_dir.h"

namespace {

using testing_support::Exists;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

// Sets environment variables for one test and restores them afterwards.
class EnvGuard {
 public:
  void Set(const char* name, const char* value) {
    if (!saved_.count(name)) {
      const char* old = std::getenv(name);
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~EnvGuard() {
    for (const auto& [name, value] : saved_) {
      if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
      } else {
        ::unsetenv(name.c_str());
      }
    }
  }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

TEST(Paths, ResolveFollowsHomeThenEnvironmentThenXdg) {
  const std::string uid = std::to_string(::getuid());
  const struct {
    const char* homeArg;
    const char* staylineHome;
    const char* xdgConfig;
    const char* xdgData;
    const char* xdgRuntime;
    platform::Paths expected;
  } cases[] = {
      {"/h/arg/",
       "/h/env",
       "/x/c",
       "/x/d",
       "/x/r",
       {"/h/arg/config", "/h/arg/data", "/h/arg/run", "/h/arg/config/autostart"}},
      {"",
       "/h/env",
       "/x/c",
       "/x/d",
       "/x/r",
       {"/h/env/config", "/h/env/data", "/h/env/run", "/h/env/config/autostart"}},
      {"",
       nullptr,
       "/x/c",
       "/x/d",
       "/x/r",
       {"/x/c/stayline", "/x/d/stayline", "/x/r/stayline", "/x/c/autostart"}},
      // Unset or relative XDG variables fall back to the usual places.
      {"",
       "",
       nullptr,
       "relative",
       nullptr,
       {"/home/u/.config/stayline", "/home/u/.local/share/stayline", "/tmp/stayline-" + uid,
        "/home/u/.config/autostart"}},
  };
  for (const auto& c : cases) {
    EnvGuard env;
    env.Set("HOME", "/home/u");
    env.Set("STAYLINE_HOME", c.staylineHome);
    env.Set("XDG_CONFIG_HOME", c.xdgConfig);
    env.Set("XDG_DATA_HOME", c.xdgData);
    env.Set("XDG_RUNTIME_DIR", c.xdgRuntime);
    const platform::Paths got = platform::Paths::Resolve(c.homeArg);
    EXPECT_EQ(got.configDir, c.expected.configDir);
    EXPECT_EQ(got.dataDir, c.expected.dataDir);
    EXPECT_EQ(got.runDir, c.expected.runDir);
    EXPECT_EQ(got.autostartDir, c.expected.autostartDir);
  }
}

TEST(Paths, RelativeHomeIsMadeAbsoluteAndFoldersAreCreatedPrivate) {
  TempDir dir;
  const std::string cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());
  const platform::Paths paths = platform::Paths::Resolve("./home");
  std::filesystem::current_path(cwd);
  EXPECT_EQ(paths.configDir, dir / "home/config");
  paths.EnsureCreated();
  struct stat st {};
  ASSERT_EQ(::stat(paths.runDir.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  for (const std::string& folder : {paths.configDir, paths.dataDir}) {
    ASSERT_EQ(::stat(folder.c_str(), &st), 0) << folder;
    EXPECT_TRUE(S_ISDIR(st.st_mode)) << folder;
    EXPECT_EQ(st.st_mode & 0077, 0u) << folder << " holds passwords, logs and host names";
  }
}

// `make run` seeds a demo home with a password in phonebook.ini: nobody else may read it, also
// when the home was made earlier with looser modes. The program itself is a stand-in here.
TEST(DemoScript, KeepsTheDemoHomePrivate) {
  TempDir build;
  ::mkdir((build / "bin").c_str(), 0755);
  WriteFile(build / "bin/staylined", "#!/bin/sh\nexit 0\n");
  ::chmod((build / "bin/staylined").c_str(), 0755);
  const std::string script = std::string(STAYLINE_SOURCE_DIR) + "/scripts/run-demo.sh";
  const std::string run = "umask 022; '" + script + "' '" + build.Path() + "' >/dev/null";
  const std::string home = build / "demo-home";
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(std::system(run.c_str()), 0) << "round " << round;
    for (const char* name : {"", "/config", "/data", "/config/phonebook.ini", "/config/HKCU.reg"}) {
      struct stat st {};
      ASSERT_EQ(::stat((home + name).c_str(), &st), 0) << name;
      EXPECT_EQ(st.st_mode & 0077, 0u) << name << " in round " << round;
    }
    // The second round finds a home an older script left open.
    for (const char* name : {"", "/config", "/data"}) ::chmod((home + name).c_str(), 0755);
    for (const char* name : {"/config/phonebook.ini", "/config/HKCU.reg"}) {
      ::chmod((home + name).c_str(), 0644);
    }
  }
}

TEST(SingleInstance, SecondOwnerIsRefusedUntilTheFirstIsGone) {
  TempDir dir;
  // A lock file left by a process that no longer runs does not block.
  WriteFile(dir / "stayline.lock", "999999\n");
  {
    platform::SingleInstance first(dir.Path());
    ASSERT_TRUE(first.TryAcquire());
    EXPECT_EQ(first.OwnerPid(), ::getpid());
    EXPECT_EQ(ReadFile(dir / "stayline.lock"), std::to_string(::getpid()) + "\n");
    platform::SingleInstance second(dir.Path());
    EXPECT_FALSE(second.TryAcquire());
    EXPECT_EQ(second.OwnerPid(), ::getpid());
  }
  platform::SingleInstance afterwards(dir.Path());
  EXPECT_EQ(afterwards.OwnerPid(), std::nullopt) << "released on destruction";

  // Another process holds it until it is killed.
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    platform::SingleInstance mine(dir.Path());
    const char ok = mine.TryAcquire() ? '1' : '0';
    if (::write(ready[1], &ok, 1) != 1) ::_exit(1);
    ::pause();
    ::_exit(0);
  }
  char ok = 0;
  ASSERT_EQ(::read(ready[0], &ok, 1), 1);
  ASSERT_EQ(ok, '1');
  EXPECT_FALSE(afterwards.TryAcquire());
  EXPECT_EQ(afterwards.OwnerPid(), child);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  EXPECT_TRUE(afterwards.TryAcquire()) << "a killed owner's lock is free";
  ::close(ready[0]);
  ::close(ready[1]);
}

TEST(ProgramInfo, DescribesTheRunningProgram) {
  EXPECT_EQ(platform::ProgramInfo::VersionText(), "1.0.0.0");
  const std::string path = platform::ProgramInfo::ProgramPath();
  EXPECT_TRUE(path.ends_with("/test_platform_host")) << path;
  EXPECT_TRUE(platform::ProgramInfo::FileExists(path));
  EXPECT_EQ(platform::ProgramInfo::ProgramFolder() + "/test_platform_host", path);
  const std::string name = platform::ProgramInfo::ComputerName();
  EXPECT_FALSE(name.empty());
  EXPECT_LE(name.size(), 15u);
  EXPECT_EQ(name.find('.'), std::string::npos);
  EXPECT_FALSE(platform::ProgramInfo::FileExists("/"));
}

TEST(TempFile, NamesAreFreshAndFilesPrivate) {
  TempDir dir;
  EnvGuard env;
  env.Set("TMPDIR", dir.Path().c_str());
  const std::string a = platform::MakeTempFile("uis", ".tmp");
  const std::string b = platform::MakeTempFile("uis", ".tmp");
  EXPECT_NE(a, b);
  for (const auto& path : {a, b}) {
    EXPECT_TRUE(path.starts_with(dir / "uis")) << path;
    EXPECT_TRUE(path.ends_with(".tmp")) << path;
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(st.st_size, 0);
  }
  env.Set("TMPDIR", (dir / "missing").c_str());
  EXPECT_THROW(platform::MakeTempFile("x"), std::system_error);
}

TEST(Autostart, EntryExecQuotesThePathAsDesktopEntriesRequire) {
  const struct {
    std::string path;
    std::string exec;
  } cases[] = {
      {"/usr/bin/staylined", "\"/usr/bin/staylined\""},
      {"/opt/My Apps/stay line", "\"/opt/My Apps/stay line\""},
      {"/o/a\"b$c`d\\e%f", "\"/o/a\\\\\"b\\\\$c\\\\`d\\\\\\\\e%%f\""},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::Autostart::ExecValue(c.path), c.exec) << c.path;
  EXPECT_THROW(platform::Autostart::ExecValue("/a\nb"), std::invalid_argument);

  TempDir dir;
  platform::Autostart autostart(dir / "autostart");
  EXPECT_FALSE(autostart.Disable());
  autostart.Enable("/opt/My Apps/staylined");
  EXPECT_TRUE(autostart.IsEnabled());
  const std::string entry = ReadFile(dir / "autostart/stayline.desktop");
  EXPECT_TRUE(entry.starts_with("[Desktop Entry]\n")) << entry;
  EXPECT_NE(entry.find("\nType=Application\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("\nExec=\"/opt/My Apps/staylined\"\n"), std::string::npos) << entry;
  EXPECT_TRUE(autostart.Disable());
  EXPECT_FALSE(Exists(dir / "autostart/stayline.desktop"));
}

}  // namespace

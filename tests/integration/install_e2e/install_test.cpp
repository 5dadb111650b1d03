// `cmake --install` of this build into a temporary prefix (with a blank and a '%' in its name, as
// a user's folder may have; systemd reads both specially): every file in its place, the menu entry,
// man pages and user unit accepted by the tools that read them, the installed programs answering
// --version and --help; and the choice `make run` makes between the desktop program and staylined.

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "integration/daemon_e2e/process_helpers.h"
#include "platform/program_info.h"

namespace {

using testing_support::ReadFile;
using testing_support::TempHome;
using testing_support::WriteFile;

namespace fs = std::filesystem;

struct Result {
  int code = -1;
  std::string out;  // standard output and standard error together
};

std::string Quote(const std::string& text) {
  std::string out = "'";
  for (const char c : text) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

Result Shell(const std::string& command) {
  Result result;
  FILE* p = ::popen(("(" + command + ") 2>&1").c_str(), "r");
  if (!p) return result;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) result.out.append(buf, n);
  const int status = ::pclose(p);
  result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

bool HaveTool(const std::string& name) {
  return Shell("command -v " + name + " >/dev/null").code == 0;
}

const std::string kBuild = fs::path(STAYLINE_BIN_DIR).parent_path().string();

bool Built(const std::string& relative) {
  return fs::exists(kBuild + "/" + relative);
}

// One installation serves every test.
class InstallTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    tmp_ = new TempHome();
    prefix_ = tmp_->Path() + "/my 100% prefix";
    const Result r = Shell(Quote(STAYLINE_CMAKE_COMMAND) + " --install " + Quote(kBuild) +
                           " --prefix " + Quote(prefix_));
    installOutput_ = r.out;
    installCode_ = r.code;
  }
  static void TearDownTestSuite() {
    delete tmp_;
    tmp_ = nullptr;
  }
  void SetUp() override { ASSERT_EQ(installCode_, 0) << installOutput_; }

  static std::string At(const std::string& relative) { return prefix_ + "/" + relative; }

  // The programs that were built, so installed.
  static std::vector<std::string> Programs() {
    std::vector<std::string> programs{"staylined", "stayline-ctl", "stayline-ftp"};
    if (Built("bin/stayline")) programs.push_back("stayline");
    return programs;
  }

  static inline TempHome* tmp_ = nullptr;
  static inline std::string prefix_;
  static inline std::string installOutput_;
  static inline int installCode_ = -1;
};

TEST_F(InstallTest, EveryFileIsInItsPlace) {
  const bool gui = Built("bin/stayline");
  struct Expected {
    std::string Path;
    bool Present;
  };
  const std::vector<Expected> files{
      {"bin/staylined", true},
      {"bin/stayline-ctl", true},
      {"bin/stayline-ftp", true},
      {"share/doc/stayline/Stayline.html", true},
      {"share/man/man1/staylined.1", true},
      {"share/man/man1/stayline-ctl.1", true},
      {"share/man/man1/stayline-ftp.1", true},
      {"share/systemd/user/staylined.service", true},
      // The menu entry, its icon and the page of the desktop program come with it only: an
      // entry that starts a program not installed would be a broken menu item.
      {"bin/stayline", gui},
      {"share/man/man1/stayline.1", gui},
      {"share/applications/stayline.desktop", gui},
      {"share/icons/hicolor/scalable/apps/stayline.svg", gui},
      {"share/icons/hicolor/48x48/apps/stayline.png",
       gui && Built("share/icons/hicolor/48x48/apps/stayline.png")},
  };
  for (const auto& f : files) {
    EXPECT_EQ(fs::is_regular_file(At(f.Path)), f.Present) << f.Path << "\n" << installOutput_;
  }
  for (const auto& program : Programs()) {
    EXPECT_EQ(::access(At("bin/" + program).c_str(), X_OK), 0) << program;
  }
}

TEST_F(InstallTest, TheMenuEntryIsValidAndStartsTheInstalledProgram) {
  // Without the desktop program the entry is not installed; its source is checked all the same.
  const bool gui = Built("bin/stayline");
  const std::string desktop =
      gui ? At("share/applications/stayline.desktop")
          : std::string(STAYLINE_SOURCE_DIR) + "/packaging/stayline.desktop";
  if (!HaveTool("desktop-file-validate")) GTEST_SKIP() << "desktop-file-validate is missing";
  const Result r = Shell("desktop-file-validate " + Quote(desktop));
  EXPECT_EQ(r.code, 0) << r.out;
  EXPECT_EQ(r.out, "");

  const std::string text = ReadFile(desktop);
  std::smatch m;
  ASSERT_TRUE(std::regex_search(text, m, std::regex("\nExec=([^ \n]+)")));
  const std::string exec = m[1];
  ASSERT_TRUE(std::regex_search(text, m, std::regex("\nIcon=([^\n]+)")));
  const std::string icon = m[1];
  EXPECT_TRUE(std::regex_search(text, std::regex("\nCategories=([^\n]*;)?Network;")));
  EXPECT_TRUE(std::regex_search(text, std::regex("\nName\\[de\\]=.+")));
  EXPECT_TRUE(std::regex_search(text, std::regex("\nComment\\[de\\]=.+")));
  if (gui) {
    // Exec is looked up in PATH, the icon by name in the hicolor theme.
    EXPECT_TRUE(fs::is_regular_file(At("bin/" + exec))) << exec;
    EXPECT_TRUE(fs::is_regular_file(At("share/icons/hicolor/scalable/apps/" + icon + ".svg")))
        << icon;
  }
}

TEST_F(InstallTest, ManPagesRenderWithoutWarningsAndNameEveryOption) {
  if (!HaveTool("man") || !HaveTool("groff")) GTEST_SKIP() << "man or groff is missing";
  const std::regex option("(^|[ ,(\\[|])(--?[a-z][a-z-]*)");
  for (const auto& program : Programs()) {
    SCOPED_TRACE(program);
    const std::string page = At("share/man/man1/" + program + ".1");
    ASSERT_TRUE(fs::is_regular_file(page));
    const Result warnings = Shell("MANWIDTH=80 man -l -Tutf8 " + Quote(page) + " >/dev/null");
    EXPECT_EQ(warnings.code, 0);
    EXPECT_EQ(warnings.out, "");
    const Result strict = Shell("groff -man -ww -z " + Quote(page));
    EXPECT_EQ(strict.code, 0);
    EXPECT_EQ(strict.out, "");

    // Every option the program's own usage names is described on its page.
    const Result rendered = Shell("MANWIDTH=200 man -l -P cat " + Quote(page) + " | col -b");
    ASSERT_EQ(rendered.code, 0) << rendered.out;
    EXPECT_NE(rendered.out.find("Stayline " + platform::ProgramInfo::VersionText()),
              std::string::npos)
        << "the page carries the version of this build";
    const Result help = Shell(Quote(At("bin/" + program)) + " --help");
    ASSERT_EQ(help.code, 0) << help.out;
    std::set<std::string> options;
    for (std::sregex_iterator it(help.out.begin(), help.out.end(), option), end; it != end; ++it) {
      options.insert((*it)[2]);
    }
    EXPECT_TRUE(options.count("--help") && options.count("--version")) << help.out;
    for (const auto& o : options) {
      EXPECT_NE(rendered.out.find(o), std::string::npos) << o << " is not on the page";
    }
  }
}

TEST_F(InstallTest, TheUserUnitRunsTheInstalledStaylinedQuietly) {
  const std::string unit = At("share/systemd/user/staylined.service");
  const std::string text = ReadFile(unit);
  // Quoted for the blank, the '%' doubled.
  std::string exec = At("bin/staylined");
  exec.replace(exec.find('%'), 1, "%%");
  EXPECT_NE(text.find("\nExecStart=\"" + exec + "\" --quiet\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nRestart=on-failure\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nWantedBy=default.target\n"), std::string::npos) << text;
  if (!HaveTool("systemd-analyze")) GTEST_SKIP() << "systemd-analyze is missing";
  // systemd reads it as written: the program exists and is executable, the man pages the unit
  // names as its documentation are installed.
  const Result verify =
      Shell("MANPATH=" + Quote(At("share/man")) + " systemd-analyze verify " + Quote(unit));
  EXPECT_EQ(verify.code, 0) << verify.out;
  EXPECT_EQ(verify.out, "");
}

TEST_F(InstallTest, InstalledProgramsAnswerVersionAndHelp) {
  for (const auto& program : Programs()) {
    SCOPED_TRACE(program);
    const Result version = Shell(Quote(At("bin/" + program)) + " --version");
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out, platform::ProgramInfo::VersionLine(program) + "\n");
    for (const std::string flag : {"--help", "-h"}) {
      const Result help = Shell(Quote(At("bin/" + program)) + " " + flag);
      EXPECT_EQ(help.code, 0) << flag;
      EXPECT_EQ(help.out.rfind("usage: " + program + " ", 0), 0u) << flag << ": " << help.out;
    }
  }
}

// `make run` runs scripts/run-demo.sh, which picks the program: here over a build folder whose
// programs only write down how they were started.
TEST(MakeRun, StartsTheDesktopProgramOnlyWithADisplayAndWhenItWasBuilt) {
  struct Case {
    std::string Display;
    std::string Wayland;
    bool GuiBuilt;
    std::string Expected;
  };
  const std::vector<Case> cases{
      {"", "", false, "staylined"},        {"", "", true, "staylined"},
      {":0", "", false, "staylined"},      {":0", "", true, "stayline"},
      {"", "wayland-0", true, "stayline"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Display + "|" + c.Wayland + "|" + (c.GuiBuilt ? "gui" : "no gui"));
    TempHome build;
    std::vector<std::string> programs{"staylined"};
    if (c.GuiBuilt) programs.push_back("stayline");
    for (const auto& p : programs) {
      const std::string path = build / ("bin/" + p);
      WriteFile(path, "#!/bin/sh\necho \"" + p + " $*\" > \"$(dirname \"$0\")/started\"\n");
      ::chmod(path.c_str(), 0755);
    }
    const Result r = Shell("env -u DISPLAY -u WAYLAND_DISPLAY" +
                           (c.Display.empty() ? "" : " DISPLAY=" + c.Display) +
                           (c.Wayland.empty() ? "" : " WAYLAND_DISPLAY=" + c.Wayland) + " " +
                           Quote(std::string(STAYLINE_SOURCE_DIR) + "/scripts/run-demo.sh") + " " +
                           Quote(build.Path()));
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(ReadFile(build / "bin/started"),
              c.Expected + " --home " + build.Path() + "/demo-home --ras sim\n");
  }
}

}  // namespace

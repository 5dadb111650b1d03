// The manual as the build leaves it: rendered beside the programs, found and offered by the help
// menu of the built staylined; and the plain page the build falls back to without the renderer.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "integration/daemon_e2e/process_helpers.h"
#include "integration/help_e2e/sim_daemon.h"

namespace {

using namespace testing_support;

const std::string kManual = std::string(STAYLINE_BIN_DIR) + "/../share/doc/stayline/Stayline.html";

TEST(Manual, TheBuildRendersItAsAPageWithItsHeadingAndTables) {
  const std::string page = ReadFile(kManual);
  ASSERT_FALSE(page.empty()) << kManual;
  EXPECT_EQ(page.rfind("<!DOCTYPE html>", 0), 0u);
  EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos);
  EXPECT_NE(page.find("<title>Stayline — user manual</title>"), std::string::npos);
  EXPECT_NE(page.find("<h1>Stayline — user manual</h1>"), std::string::npos) << page;
  EXPECT_NE(page.find("<table>"), std::string::npos) << "cmark-gfm missing at configure time?";
  EXPECT_NE(page.find("<td><code>phonebook.ini</code></td>"), std::string::npos);
}

TEST(Manual, WithoutTheRendererThePageHoldsTheEscapedText) {
  TempHome dir;
  WriteFile(dir / "manual.md", "# A & B\n\n| x | <y> |\n|---|---|\n");
  const std::string cmd = "cmake -DSOURCE='" + (dir / "manual.md") + "' -DOUTPUT='" +
                          (dir / "out.html") + "' -DCMARK_GFM=CMARK_GFM-NOTFOUND -P '" +
                          STAYLINE_SOURCE_DIR + "/cmake/Manual.cmake' >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  const std::string page = ReadFile(dir / "out.html");
  EXPECT_NE(page.find("<title>A &amp; B</title>"), std::string::npos) << page;
  EXPECT_NE(page.find("<pre># A &amp; B\n\n| x | &lt;y&gt; |\n|---|---|\n</pre>"),
            std::string::npos)
      << page;
  EXPECT_EQ(page.find("<table>"), std::string::npos);
}

// The manual's item after the menu's first opening. The form has every item enabled until then;
// the log items turning grey (no log files yet) tell that the opening has been handled.
std::string ManualItemAfterOpening(SimDaemon& daemon) {
  if (!daemon.Request({"click", "Help2"})) return "no click";
  if (!WaitUntil([&] { return daemon.Get("OpenFTPLog.Enabled") == "False"; }, 3000)) {
    return "the opening was not handled";
  }
  return daemon.Get("StaylinePdf.Enabled");
}

TEST(Manual, TheHelpMenuOffersTheBuiltManual) {
  TempHome home;
  SimDaemon daemon(home.Path());
  ASSERT_TRUE(daemon.Ready()) << daemon.Output();
  EXPECT_EQ(ManualItemAfterOpening(daemon), "True") << kManual;
}

TEST(Manual, AProgramWithoutTheManualBesideItOffersOnlyACopyInTheDataFolder) {
  TempHome dir;
  const std::string program = dir / "bin/staylined";
  std::filesystem::create_directories(dir / "bin");
  std::filesystem::copy_file(BinPath("staylined"), program);
  SimDaemon daemon(dir / "home", {program});
  ASSERT_TRUE(daemon.Ready()) << daemon.Output();
  EXPECT_EQ(ManualItemAfterOpening(daemon), "False");

  WriteFile(dir / "home/data/Stayline.html", "<!DOCTYPE html>\n");
  ASSERT_TRUE(daemon.Request({"click", "Help2"}));
  EXPECT_TRUE(WaitUntil([&] { return daemon.Get("StaylinePdf.Enabled") == "True"; }, 3000));
}

}  // namespace

// The help menu (items enabled as their files exist, the manual in the desktop's viewer) and the
// link labels, which open their pages once the line is up.
#include "app/help_menu.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/program_starter.h"
#include "unit/app/support/stayline_fixture.h"

namespace {

namespace fs = std::filesystem;

class HelpMenuTest : public app_test::StaylineTest {};

TEST_F(HelpMenuTest, ItemsAreEnabledOnlyWhenTheirFilesExist) {
  Start();
  fs::remove(paths.dataDir + "/FTP.Log");
  fs::remove(paths.dataDir + "/TimeLog.txt");
  Form().Help2.UserClick();
  EXPECT_FALSE(Form().OpenFTPLog.Enabled());
  EXPECT_FALSE(Form().OpenTimeLog.Enabled());
  EXPECT_FALSE(Form().StaylinePdf.Enabled());

  std::ofstream(paths.dataDir + "/FTP.Log") << "x";
  std::ofstream(paths.dataDir + "/TimeLog.txt") << "x";
  EXPECT_EQ(main->Help().ManualPath(), "/usr/bin/../share/doc/stayline/Stayline.html")
      << "beside the program";
  const std::string manual = paths.dataDir + "/Stayline.html";  // the user's own copy
  std::ofstream(manual) << "<html></html>";
  EXPECT_EQ(main->Help().ManualPath(), manual);
  Form().Help2.UserClick();
  EXPECT_TRUE(Form().OpenFTPLog.Enabled());
  EXPECT_TRUE(Form().OpenTimeLog.Enabled());
  EXPECT_TRUE(Form().StaylinePdf.Enabled());

  std::vector<std::vector<std::string>> started;
  main->Starter().Launch = [&](const std::vector<std::string>& argv) {
    started.push_back(argv);
    return 0;
  };
  Form().StaylinePdf.UserClick();
  ASSERT_EQ(started.size(), 1u);
  EXPECT_EQ(started[0].back(), manual);
  EXPECT_TRUE(started[0][0].ends_with("xdg-open")) << started[0][0];
}

TEST_F(HelpMenuTest, LinksOpenedOfflineDialAndWaitForTheLine) {
  StartAutoDial();
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  Form().TranslatorHomepage.UserClick();
  EXPECT_EQ(browser.opened, (std::vector<std::string>{app::HelpMenu::kTranslatorPage}));
  EXPECT_FALSE(State().UrlPending);

  Form().HangUpManual.UserClick();
  RunFor(2000);
  Form().DSLDFUETreiber.UserClick();  // dials; the page waits for the line
  EXPECT_TRUE(State().UrlPending);
  EXPECT_EQ(State().PendingUrl, app::HelpMenu::kDriverPage);
  EXPECT_EQ(browser.opened.size(), 1u);
}

}  // namespace

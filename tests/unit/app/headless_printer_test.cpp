// What the headless program prints: one line per change a user would see, nothing else.

#include "app/headless_printer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>

#include "app/ftp_panel.h"
#include "app/t_stayline.h"
#include "ftp/file_list_view.h"
#include "unit/app/support/stayline_fixture.h"

namespace {

class HeadlessPrinterTest : public app_test::StaylineTest {
 protected:
  HeadlessPrinterTest() : out_(std::tmpfile()) {}
  ~HeadlessPrinterTest() override {
    printer_.reset();
    std::fclose(out_);
  }
  void Attach() {
    printer_ = std::make_unique<app::HeadlessPrinter>(*main, out_);
    printer_->Attach(dialogs);
  }
  // The lines printed since the last call, without their time stamps.
  std::vector<std::string> Lines() {
    std::fflush(out_);
    std::fseek(out_, 0, SEEK_END);
    const long end = std::ftell(out_);
    std::string text(static_cast<std::size_t>(end - read_), '\0');
    std::fseek(out_, read_, SEEK_SET);
    const std::size_t n = std::fread(text.data(), 1, text.size(), out_);
    text.resize(n);
    read_ = end;
    std::vector<std::string> lines;
    const std::regex stamp(R"(^\d\d:\d\d:\d\d\.\d\d\d (.*)$)");
    std::size_t pos = 0;
    while (pos < text.size()) {
      const std::size_t nl = text.find('\n', pos);
      const std::string line = text.substr(pos, nl - pos);
      pos = nl == std::string::npos ? text.size() : nl + 1;
      std::smatch m;
      EXPECT_TRUE(std::regex_match(line, m, stamp)) << line;
      lines.push_back(m.size() > 1 ? m[1].str() : line);
    }
    return lines;
  }

  std::FILE* out_;
  long read_ = 0;
  std::unique_ptr<app::HeadlessPrinter> printer_;
};

TEST_F(HeadlessPrinterTest, PrintsWhatAUserSeesChange) {
  Start({{"Language", "0"}});
  Attach();
  app::MainForm& f = Form();
  f.SetCaption(" Stayline 1.0.0.0 - AutoFTP Start in: 20s");
  f.Status2.SetCaption("Connected...");
  f.ErrorMessage.SetCaption("Error: No Username or Password");
  f.WEBServerInfo.SetCaption("HTTP/1.1 200 OK");
  f.StatusBar1.SetPanel(1, "Disconnected.");
  f.StatusBar1.SetPanel(0, "left panel");  // not shown
  f.Interval.SetText("9");                 // not shown
  f.lstReplies.AddItem("Reply from 127.0.0.1");
  f.lstReplies.AddItem("Reply from 127.0.0.2");
  f.Show();
  EXPECT_EQ(Lines(), (std::vector<std::string>{
                         "TStayline.Caption:  Stayline 1.0.0.0 - AutoFTP Start in: 20s",
                         "Status2.Caption: Connected...",
                         "ErrorMessage.Caption: Error: No Username or Password",
                         "WEBServerInfo.Caption: HTTP/1.1 200 OK",
                         "StatusBar1.Panels[1]: Disconnected.",
                         "lstReplies.Items: Reply from 127.0.0.1",
                         "lstReplies.Items: Reply from 127.0.0.2",
                         "TStayline.Visible: True",
                     }));

  loop.RunFor(10);  // the first tick hides the window and adds the tray icon
  EXPECT_EQ(Lines(),
            (std::vector<std::string>{"TStayline.Visible: False", "TrayIcon.Icon: ImageNotConnect",
                                      "TrayIcon.Tip: Stayline", "TrayIcon.Added: True"}));

  const int beeps = dialogs.BeepCount();
  main->Beep();
  dialogs.QueueAnswer("Yes");
  dialogs.MessageBox("Exit program and \r\nclear memory?", "Stayline", forms::Buttons::YesNo,
                     forms::MessageKind::Question);
  EXPECT_EQ(Lines(),
            (std::vector<std::string>{
                "Beep: " + std::to_string(beeps + 1),
                "Dialog.MessageBox: Stayline: Exit program and \\r\\nclear memory? -> Yes"}));
}

// A listing is one line however often its rows are drawn again; a selection is one line, and
// the clearing that comes with new rows none; a long listing is cut after eight names.
TEST_F(HeadlessPrinterTest, TheFtpViewsPrintOneLinePerListingAndPerChoice) {
  Start({{"Language", "0"}});
  loop.RunFor(10);
  Attach();
  ftp::TMFtpListView& list = main->MiniFtp().ListView();
  const auto file = [](const std::string& name) {
    ftp::MFtpFileInfo info;
    info.Name = name;
    info.Size = "10";
    return info;
  };
  ftp::MFtpFileInfo docs;
  docs.Name = "docs";
  docs.Directory = true;
  list.ShowListing({docs}, {file("a.txt")});
  list.SetGerman(!list.German());  // the rows are drawn again with other column texts
  Form().MFtpListView1File.UserClickRow(2);
  list.ShowListing({docs}, {file("a.txt")});
  ftp::TMFtpFileInfoList many;
  for (int i = 0; i < 10; ++i) many.push_back(file("f" + std::to_string(i)));
  list.ShowListing({}, many);
  const std::string parent = std::string(list.ParentEntryCaption());
  EXPECT_EQ(Lines(), (std::vector<std::string>{
                         "MFtpListView1File.Items: 3 rows: Parent Directory, docs, a.txt",
                         "MFtpListView1File.Items: 3 rows: " + parent + ", docs, a.txt",
                         "MFtpListView1File.Selected: a.txt",
                         "MFtpListView1File.Items: 11 rows: " + parent +
                             ", f0, f1, f2, f3, f4, f5, f6, ... 3 more",
                     }));
}

}  // namespace

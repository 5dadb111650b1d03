#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ftp/file_list_view.h"

namespace {

using ftp::ListViewChange;
using ftp::MFtpFileInfo;
using ftp::TMFtpListColumn;
using ftp::TMFtpListView;
using ftp::TMFtpSortType;

MFtpFileInfo Info(std::string name, bool dir, std::string size = "", std::string date = "") {
  MFtpFileInfo info;
  info.Name = std::move(name);
  info.Directory = dir;
  info.Size = std::move(size);
  info.Date = std::move(date);
  return info;
}

std::vector<std::string> Captions(const TMFtpListView& view) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < view.ItemCount(); ++i) out.push_back(view.Caption(i));
  return out;
}

// A listing as the engine hands it over: folders first, then files, in server order.
const ftp::TMFtpFileInfoList kFolders = {Info(".", true), Info("..", true),
                                         Info("zeta", true, "4096", "1/1/2020 12:00 AM"),
                                         Info("Alpha", true, "512", "3/5/2021 1:00 PM")};
const ftp::TMFtpFileInfoList kFiles = {Info("b.txt", false, "2048", "12/31/2024 11:59 PM"),
                                       Info("A.tar.gz", false, "100000", "4/8/1994 12:00 AM"),
                                       Info("c", false, "7", "01-16-02 11:14AM")};

TEST(FileListView, ParentEntryFoldersAndFilesInSortOrder) {
  TMFtpListView view;
  view.ShowListing(kFolders, kFiles);
  EXPECT_EQ(Captions(view), (std::vector<std::string>{"Vorheriger Ordner", "zeta", "Alpha", "b.txt",
                                                      "A.tar.gz", "c"}))
      << "without a sort type the listing order stays; dots are left out";
  EXPECT_TRUE(view.Items()[0].ParentEntry);
  EXPECT_TRUE(view.Items()[0].IsFolder());

  struct Case {
    TMFtpSortType type;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {TMFtpSortType::stName, {"Alpha", "zeta", "A.tar.gz", "b.txt", "c"}},
      {TMFtpSortType::stSize, {"Alpha", "zeta", "c", "b.txt", "A.tar.gz"}},
      {TMFtpSortType::stDateTime, {"zeta", "Alpha", "A.tar.gz", "c", "b.txt"}},
      {TMFtpSortType::stFileType, {"Alpha", "zeta", "c", "A.tar.gz", "b.txt"}},
  };
  for (const auto& c : cases) {
    view.SetSortType(c.type);
    auto expected = c.expected;
    expected.insert(expected.begin(), "Vorheriger Ordner");
    EXPECT_EQ(Captions(view), expected) << static_cast<int>(c.type);
  }
  // A new listing keeps the sort type.
  view.ShowListing({}, {Info("y", false), Info("X", false)});
  EXPECT_EQ(Captions(view), (std::vector<std::string>{"Vorheriger Ordner", "X", "y"}));
}

TEST(FileListView, SizeTexts) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"0", "0KB"},
      {"1", "1KB"},
      {"1023", "1KB"},
      {"1024", "1KB"},
      {"1535", "1KB"},
      {"1536", "2KB"},
      {"1048576", "1,024KB"},
      {"1234567890", "1,205,633KB"},
      {"213/216", "213/216"},
      {"", ""},
      {"-5", "-5"},
      {"18446744073709551615", "18,014,398,509,481,984KB"},
      {"99999999999999999999", "99999999999999999999"},
  };
  for (const auto& [size, text] : cases) EXPECT_EQ(ftp::FormatSizeKB(size), text) << size;
}

TEST(FileListView, ColumnTextsFollowTheLanguage) {
  TMFtpListView view;
  MFtpFileInfo file = Info("notes.txt", false, "1536", "1/29/2024 3:26 AM");
  file.Attributes = "-rw-r--r--";
  file.Owner = "root";
  file.Group = "staff";
  file.Description = "d";
  view.ShowListing({Info("pub", true, "4096")}, {file, Info("README", false, "0")});
  EXPECT_EQ(view.ColumnCaptions(),
            (std::vector<std::string>{"Name", "Größe", "Typ", "Geändert", "Attribute", "Besitzer",
                                      "Gruppe", "Beschreibung"}));
  std::vector<std::string> row;
  for (int c = 0; c < static_cast<int>(ftp::kListColumnCount); ++c)
    row.push_back(view.ColumnText(2, static_cast<TMFtpListColumn>(c)));
  EXPECT_EQ(row, (std::vector<std::string>{"notes.txt", "2KB", "TXT File", "1/29/2024 3:26 AM",
                                           "-rw-r--r--", "root", "staff", "d"}));
  EXPECT_EQ(view.ColumnText(1, TMFtpListColumn::kType), "File Folder");
  EXPECT_EQ(view.ColumnText(1, TMFtpListColumn::kSize), "") << "folders show no size";
  EXPECT_EQ(view.ColumnText(3, TMFtpListColumn::kType), "File");
  EXPECT_EQ(view.ColumnText(99, TMFtpListColumn::kName), "");

  int texts = 0;
  view.OnChanged = [&](ListViewChange change) { texts += change == ListViewChange::kTexts; };
  view.SetGerman(false);
  EXPECT_EQ(texts, 1);
  EXPECT_EQ(view.Caption(0), "Parent Directory");
  EXPECT_EQ(view.ColumnCaptions()[3], "Modified");
  EXPECT_EQ(view.ColumnCaptions()[6], "Group");
}

TEST(FileListView, SelectedFoldersAndFiles) {
  TMFtpListView view;
  int selectionChanges = 0;
  view.OnChanged = [&](ListViewChange c) { selectionChanges += c == ListViewChange::kSelection; };
  view.SetSortType(TMFtpSortType::stName);
  MFtpFileInfo linkToFolder = Info("bin", true);
  linkToFolder.LinkTarget = "usr/bin";
  view.ShowListing({Info("pub", true), linkToFolder}, {Info("a.txt", false), Info("b.txt", false)});
  // Vorheriger Ordner, bin, pub, a.txt, b.txt
  EXPECT_FALSE(view.AnySelected());
  view.SetSelected(0, true);
  view.SetSelected(2, true);
  view.SetSelected(4, true);
  view.SetSelected(4, true);  // no change, no notification
  view.SetSelected(42, true);
  EXPECT_EQ(selectionChanges, 3);
  EXPECT_EQ(view.SelectedFolders(), (std::vector<std::string>{"Vorheriger Ordner", "pub"}));
  EXPECT_EQ(view.SelectedFiles(), (std::vector<std::string>{"b.txt"}));

  view.SelectOnly(1);
  EXPECT_EQ(view.SelectedFolders(), (std::vector<std::string>{"bin"}));
  EXPECT_TRUE(view.SelectedFiles().empty());
  view.ClearSelection();
  EXPECT_FALSE(view.AnySelected());

  view.SelectOnly(3);
  view.ShowListing({}, {Info("a.txt", false)});
  EXPECT_FALSE(view.AnySelected()) << "a new listing starts unselected";
  view.Clear();
  EXPECT_EQ(view.ItemCount(), 0u);
  EXPECT_TRUE(view.SelectedFolders().empty());
}

TEST(FileListView, DropsOnlyWhileAccepting) {
  TMFtpListView view;
  std::vector<std::vector<std::string>> drops;
  view.OnFileDropped = [&](const std::vector<std::string>& paths) { drops.push_back(paths); };
  const std::string longPath = "/" + std::string(255, 'x');
  const std::string longest = "/" + std::string(254, 'x');
  view.SetAccept(false);
  EXPECT_FALSE(view.DropFiles({"/tmp/a"}));
  EXPECT_TRUE(drops.empty());
  view.SetAccept(true);
  EXPECT_TRUE(view.DropFiles({"/tmp/a", longPath, longest, "/tmp/b c"}));
  ASSERT_EQ(drops.size(), 1u);
  EXPECT_EQ(drops[0], (std::vector<std::string>{"/tmp/a", longest, "/tmp/b c"}))
      << "a path over 255 characters is left out, not cut";
  EXPECT_EQ(view.DroppedFiles(), drops[0]);
}

TEST(FileListView, FillsItselfWhenTheEngineListingIsDone) {
  TMFtpListView view;
  ftp::TMFtpObserver& observer = view;
  observer.EngineListingDone();  // no source: nothing to show
  EXPECT_EQ(view.ItemCount(), 0u);
  view.Source = [] {
    return ftp::ListingSnapshot{"ftp://host/pub/", {Info("sub", true)}, {Info("f", false)}};
  };
  observer.EngineListingDone();
  EXPECT_EQ(Captions(view), (std::vector<std::string>{"Vorheriger Ordner", "sub", "f"}));
}

}  // namespace

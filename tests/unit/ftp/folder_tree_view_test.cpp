#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/sim_loop.h"
#include "ftp/folder_tree_view.h"

namespace {

using ftp::TMFtpTreeNode;
using ftp::TMFtpTreeView;

ftp::MFtpFileInfo Folder(std::string name) {
  ftp::MFtpFileInfo info;
  info.Name = std::move(name);
  info.Directory = true;
  return info;
}

std::vector<std::string> ChildTexts(const TMFtpTreeNode* node) {
  std::vector<std::string> out;
  if (!node) return out;
  for (const auto& child : node->Children) out.push_back(child->Text);
  return out;
}

TEST(FolderTreeView, ListingsGrowTheTree) {
  TMFtpTreeView tree;
  tree.ShowListing("ftp://host/", {Folder("."), Folder(".."), Folder("pub"), Folder("Incoming"),
                                   Folder("etc"), Folder("pub"), Folder("a/b")});
  ASSERT_TRUE(tree.Root());
  EXPECT_EQ(tree.Root()->Text, "ftp://host/");
  EXPECT_EQ(tree.Root()->Kind, "REMOTE_FOLDER");
  EXPECT_EQ(ChildTexts(tree.Root()), (std::vector<std::string>{"etc", "Incoming", "pub"}))
      << "sorted by text; dots, doubles and names with a slash left out";
  EXPECT_EQ(tree.Selected(), tree.Root());

  // A deeper listing creates the way to it and selects it.
  tree.ShowListing("ftp://host/pub/linux/", {Folder("kernel"), Folder("docs")});
  const TMFtpTreeNode* linuxNode = tree.FindNode("/pub/linux");
  ASSERT_TRUE(linuxNode);
  EXPECT_EQ(linuxNode->Location, "ftp://host/pub/linux/");
  EXPECT_EQ(linuxNode->Parent, tree.FindNode("/pub"));
  EXPECT_EQ(ChildTexts(linuxNode), (std::vector<std::string>{"docs", "kernel"}));
  EXPECT_EQ(tree.Selected(), linuxNode);
  EXPECT_TRUE(linuxNode->ChildrenKnown);
  EXPECT_FALSE(tree.FindNode("/pub")->ChildrenKnown);
  EXPECT_EQ(tree.FindNode("/pub/linux/kernel")->Location, "ftp://host/pub/linux/kernel/");

  // Listing /pub again: "linux" keeps what is known below it, a vanished folder goes.
  tree.ShowListing("ftp://host/pub", {Folder("linux"), Folder("new")});
  EXPECT_EQ(ChildTexts(tree.FindNode("/pub")), (std::vector<std::string>{"linux", "new"}));
  EXPECT_EQ(ChildTexts(tree.FindNode("/pub/linux")), (std::vector<std::string>{"docs", "kernel"}));
  tree.ShowListing("ftp://host/pub/", {Folder("new")});
  EXPECT_EQ(tree.FindNode("/pub/linux"), nullptr);
  EXPECT_EQ(tree.NodeCount(), 5u);  // root, etc, Incoming, pub, new

  // Not an ftp location: ignored. Another server: a new tree.
  tree.ShowListing("http://host/", {Folder("x")});
  EXPECT_EQ(tree.FindNode("/x"), nullptr);
  tree.ShowListing("ftp://other:2121/", {Folder("x")});
  EXPECT_EQ(tree.Root()->Text, "ftp://other:2121/");
  EXPECT_EQ(tree.FindNode("/pub"), nullptr);
  EXPECT_EQ(tree.FindNode("/x")->Location, "ftp://other:2121/x/");

  tree.Clear();
  EXPECT_EQ(tree.Root(), nullptr);
  EXPECT_EQ(tree.NodeCount(), 0u);
}

TEST(FolderTreeView, UserChoiceIsReportedAfterTheChangeDelay) {
  core::SimLoop loop(0);
  TMFtpTreeView tree(&loop);
  tree.ChangeDelay = 50;
  std::vector<std::pair<std::string, std::int64_t>> changes;
  tree.OnChange = [&](const TMFtpTreeNode& node) { changes.emplace_back(node.Path, loop.NowMs()); };
  tree.ShowListing("ftp://host/", {Folder("a"), Folder("b"), Folder("c")});
  loop.RunFor(100);
  EXPECT_TRUE(changes.empty()) << "a listing's selection is not the user's";

  tree.SelectByUser(tree.FindNode("/a"));
  loop.RunFor(30);
  tree.SelectByUser(tree.FindNode("/b"));  // replaces the choice of /a
  loop.RunFor(100);
  EXPECT_EQ(changes, (std::vector<std::pair<std::string, std::int64_t>>{{"/b", 180}}));
  EXPECT_EQ(tree.Selected(), tree.FindNode("/b"));

  // A node that vanishes before the delay is over is not reported.
  changes.clear();
  tree.SelectByUser(tree.FindNode("/c"));
  tree.ShowListing("ftp://host/", {Folder("a")});
  loop.RunFor(100);
  EXPECT_TRUE(changes.empty());

  // A node of another tree is refused.
  TMFtpTreeView other;
  other.ShowListing("ftp://host/", {Folder("a")});
  tree.SelectByUser(other.FindNode("/a"));
  loop.RunFor(100);
  EXPECT_TRUE(changes.empty());

  // Without a delay the choice is reported at once.
  tree.ChangeDelay = 0;
  tree.SelectByUser(tree.FindNode("/a"));
  EXPECT_EQ(changes.size(), 1u);
}

TEST(FolderTreeView, DropsAndEngineBinding) {
  TMFtpTreeView tree;
  tree.Source = [] { return ftp::ListingSnapshot{"ftp://host/pub/", {Folder("x")}, {}}; };
  static_cast<ftp::TMFtpObserver&>(tree).EngineListingDone();
  const TMFtpTreeNode* pub = tree.FindNode("/pub");
  ASSERT_TRUE(pub);
  EXPECT_EQ(ChildTexts(pub), (std::vector<std::string>{"x"}));

  std::vector<std::string> dropped;
  tree.OnFileDropped = [&](const TMFtpTreeNode& node, const std::vector<std::string>& paths) {
    dropped.push_back(node.Path + ":" + paths.at(0));
  };
  EXPECT_FALSE(tree.DropFiles(pub, {"/tmp/f"}));
  tree.Accept = true;
  EXPECT_TRUE(tree.DropFiles(pub, {"/tmp/f"}));
  EXPECT_FALSE(tree.DropFiles(nullptr, {"/tmp/f"}));
  EXPECT_EQ(dropped, (std::vector<std::string>{"/pub:/tmp/f"}));
}

}  // namespace

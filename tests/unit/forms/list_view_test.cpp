// The list view's rows, selection and the toolkit's order of events for a user's clicks.

#include "forms/list_view.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/form.h"

namespace {

class ListViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    view.SetColumns({"Name", "Size"});
    view.SetRows({{"Parent Directory", ""}, {"docs", "0KB"}, {"a.txt", "1KB"}});
    view.OnSelectionChanged = [&] {
      events.push_back("select " + view.GetProperty("Selected").value());
    };
    view.OnClick = [&] { events.push_back("click"); };
    view.OnDblClick = [&] { events.push_back("dblclick"); };
  }
  forms::Form form{"F"};
  forms::ListView& view = form.Add<forms::ListView>("List");
  std::vector<std::string> events;
};

TEST_F(ListViewTest, TheProgramsChangesFireNoHandlersButObserversHearThem) {
  std::vector<std::string> heard;
  auto sub = form.Observe([&](const forms::Form&, const forms::Control* c, std::string_view p) {
    if (c == &view) heard.emplace_back(p);
  });
  view.SetSelection({2, 1, 7});
  EXPECT_EQ(view.Selection(), (std::vector<int>{1, 2})) << "a row not shown is left out";
  EXPECT_EQ(view.ItemIndex(), 1) << "the first selected row";
  view.SetSelection({1, 2});  // unchanged: nothing to tell
  ASSERT_TRUE(view.SetProperty("ItemIndex", "-1", forms::Origin::Code));
  EXPECT_EQ(view.ItemIndex(), -1);
  view.SetSelection({0});
  view.SetRows({{"only"}});
  EXPECT_TRUE(view.Selection().empty()) << "new rows come unselected";
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(heard,
            (std::vector<std::string>{"Selected", "Selected", "Selected", "Items", "Selected"}));
}

TEST_F(ListViewTest, AUsersClickSelectsTheRowAloneBeforeTheClickIsReported) {
  view.SetSelection({0, 2});
  view.UserClickRow(1);
  EXPECT_EQ(view.Selection(), (std::vector<int>{1}));
  view.UserClickRow(1);  // the same row again: the selection stays, the click is reported
  view.UserDblClickRow(2);
  EXPECT_EQ(events, (std::vector<std::string>{"select 1", "click", "click", "select 2", "click",
                                              "dblclick"}));
}

TEST_F(ListViewTest, ASelectionWithoutAClickReportsOnlyTheSelection) {
  ASSERT_TRUE(view.SetProperty("Selected", "2, 0", forms::Origin::User));
  EXPECT_EQ(view.Selection(), (std::vector<int>{0, 2}));
  ASSERT_TRUE(view.SetProperty("Selected", "", forms::Origin::User));
  EXPECT_EQ(view.ItemIndex(), -1);
  ASSERT_TRUE(view.SetProperty("ItemIndex", "2", forms::Origin::User));
  EXPECT_EQ(events, (std::vector<std::string>{"select 0,2", "select ", "select 2", "click"}));
}

TEST_F(ListViewTest, ADisabledOrHiddenViewIgnoresTheUser) {
  view.SetEnabled(false);
  view.UserClickRow(1);
  view.UserSelect({1});
  view.SetEnabled(true);
  view.SetVisible(false);
  view.UserDblClickRow(1);
  view.SetVisible(true);
  view.UserClickRow(3);  // no such row: nothing was clicked
  EXPECT_TRUE(events.empty());
  EXPECT_TRUE(view.Selection().empty());
}

TEST_F(ListViewTest, PropertiesReadTheRowsAndTheSelection) {
  view.SetSelection({1, 2});
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Items", "Parent Directory\ndocs\na.txt"},
      {"Items.Count", "3"},
      {"Items[1]", "docs"},
      {"Items[2].SubItems", "1KB"},
      {"Items[0].Selected", "False"},
      {"Items[2].Selected", "True"},
      {"Columns", "Name\tSize"},
      {"ItemIndex", "1"},
      {"Selected", "1,2"},
      {"SelCount", "2"},
  };
  for (const auto& [prop, want] : cases) {
    EXPECT_EQ(view.GetProperty(prop).value_or("<none>"), want) << prop;
  }
  for (const char* prop : {"Items[3]", "Items[-1]", "Items[x]", "Items[1].Nothing"}) {
    EXPECT_FALSE(view.GetProperty(prop).has_value()) << prop;
  }
}

TEST_F(ListViewTest, AValueAUserCouldNotGiveIsRefusedAndChangesNothing) {
  view.SetSelection({0});
  const std::vector<std::pair<std::string, std::string>> refused = {
      {"ItemIndex", ""},    {"ItemIndex", "-1"}, {"ItemIndex", "3"}, {"ItemIndex", "x"},
      {"ItemIndex", "0,1"}, {"Selected", "1,3"}, {"Selected", "a"},  {"Selected", "1,,2"},
  };
  for (const auto& [prop, value] : refused) {
    EXPECT_TRUE(view.RejectUserValue(prop, value).has_value()) << prop << "=" << value;
    EXPECT_FALSE(view.SetProperty(prop, value, forms::Origin::User)) << prop << "=" << value;
  }
  EXPECT_EQ(view.Selection(), (std::vector<int>{0}));
  EXPECT_TRUE(events.empty());
  EXPECT_FALSE(view.RejectUserValue("Selected", "").has_value()) << "a user may select nothing";
  EXPECT_TRUE(view.UserSettable("ItemIndex") && view.UserSettable("selected"));
  EXPECT_FALSE(view.UserSettable("Items"));
}

}  // namespace

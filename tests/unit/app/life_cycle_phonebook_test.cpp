// The start-up's choice of the entry to dial, on the simulated line's phonebook.

#include <gtest/gtest.h>

#include "unit/app/support/stayline_fixture.h"

namespace {

const char* const kTwoEntries =
    "[T-Online]\n"
    "UserName=bob\n"
    "Password=pw\n"
    "PasswordSaved=1\n"
    "\n"
    "[Arcor]\n"
    "UserName=alice\n"
    "Password=pw\n"
    "PasswordSaved=1\n";

class StartUpPhonebookTest : public app_test::StaylineTest {
 protected:
  StartUpPhonebookTest() : StaylineTest(kTwoEntries) {}
};

TEST_F(StartUpPhonebookTest, FirstStartSelectsTheAlphabeticallyFirstEntryAndStoresIt) {
  Start({{"AutoConnect", "0"}});
  EXPECT_TRUE(State().HasPhonebookEntries);
  EXPECT_EQ(Form().ListBox1.Items(), (std::vector<std::string>{"Arcor", "T-Online"}));
  EXPECT_EQ(Form().ListBox1.Text(), "Arcor");
  EXPECT_EQ(Stored("StaylineConnection"), "Arcor");
  EXPECT_EQ(State().ActiveConnectionCount, 0);
  EXPECT_EQ(Form().IsClientIP.Text(), "0.0.0.0");
}

TEST_F(StartUpPhonebookTest, AStoredEntryStaysTheChoice) {
  Start({{"AutoConnect", "0"}, {"StaylineConnection", "T-Online"}});
  EXPECT_EQ(Form().ListBox1.Text(), "T-Online");
  EXPECT_EQ(Stored("StaylineConnection"), "T-Online");
}

}  // namespace

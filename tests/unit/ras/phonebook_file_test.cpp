// phonebook.ini: reading values, and rewriting without losing what a person wrote by hand.

#include "ras/phonebook_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "unit/platform/support/temp_dir.h"

namespace {

using ras::PhonebookFile;

constexpr const char* kHandWritten =
    "; my dial-up entries\n"
    "\n"
    "[Office DSL]\n"
    "UserName=alice\n"
    "Password=secret\n"
    "ConnectMs=1500            ; dial to connected\n"
    "ClientIPs=10.64.0.10 10.64.0.11   ; one per dial\n"
    "Colour=blue\n"
    "# trailing note of the office entry\n"
    "\n"
    "; the backup line\n"
    "[Backup]\n"
    "username = bob\n"
    "Password=\"  spaced ; not a comment \"   ; but this is\n"
    "Odd=a;b#c\n";

TEST(PhonebookFile, ReadsSectionsKeysAndValues) {
  PhonebookFile book;
  book.Parse(kHandWritten);
  EXPECT_EQ(book.Sections(), (std::vector<std::string>{"Office DSL", "Backup"}));
  struct Case {
    const char* Section;
    const char* Key;
    std::optional<std::string> Value;
  };
  const Case cases[] = {
      {"Office DSL", "UserName", "alice"},
      {"Office DSL", "connectms", "1500"},  // keys ignore letter case
      {"Office DSL", "ClientIPs", "10.64.0.10 10.64.0.11"},
      {"Office DSL", "Colour", "blue"},
      {"Backup", "UserName", "bob"},
      {"Backup", "Password", "  spaced ; not a comment "},
      {"Backup", "Odd", "a;b#c"},  // a marker counts only after white space
      {"Backup", "Colour", std::nullopt},
      {"office dsl", "UserName", std::nullopt},  // entry names are exact
  };
  for (const auto& c : cases) {
    EXPECT_EQ(book.Get(c.Section, c.Key), c.Value) << c.Section << "/" << c.Key;
  }
}

TEST(PhonebookFile, RewritingKeepsCommentsUnknownKeysAndOrder) {
  PhonebookFile book;
  book.Parse(kHandWritten);
  book.Set("Office DSL", "ConnectMs", "3000");
  book.Set("Office DSL", "PasswordSaved", "1");
  book.Set("Backup", "Password", "plain");
  book.Set("New Entry", "UserName", "carol");
  EXPECT_EQ(book.Text(),
            "; my dial-up entries\n"
            "\n"
            "[Office DSL]\n"
            "UserName=alice\n"
            "Password=secret\n"
            "ConnectMs=3000            ; dial to connected\n"
            "ClientIPs=10.64.0.10 10.64.0.11   ; one per dial\n"
            "Colour=blue\n"
            "PasswordSaved=1\n"
            "# trailing note of the office entry\n"
            "\n"
            "; the backup line\n"
            "[Backup]\n"
            "username = bob\n"
            "Password=plain   ; but this is\n"
            "Odd=a;b#c\n"
            "\n"
            "[New Entry]\n"
            "UserName=carol\n");
}

TEST(PhonebookFile, ValuesThatNeedQuotesSurviveARoundTrip) {
  const std::string values[] = {"  lead",     "trail ",      "pass ;word", "x #y",
                                "\"quoted\"", "back\\slash", "",           "plain;text"};
  PhonebookFile book;
  for (const auto& v : values) book.Set("E", "Key" + std::to_string(&v - values), v);
  PhonebookFile again;
  again.Parse(book.Text());
  for (const auto& v : values) {
    EXPECT_EQ(again.Get("E", "Key" + std::to_string(&v - values)), v);
  }
  book.Set("E", "Broken", "line\nbreak\r");
  again.Parse(book.Text());
  EXPECT_EQ(again.Get("E", "Broken"), "linebreak");
}

TEST(PhonebookFile, RenameAndRemoveSectionsLeaveTheNeighboursIntact) {
  PhonebookFile book;
  book.Parse(kHandWritten);
  EXPECT_FALSE(book.RenameSection("Office DSL", "Backup"));
  EXPECT_FALSE(book.RenameSection("Missing", "Other"));
  EXPECT_TRUE(book.RenameSection("Office DSL", "Office"));
  EXPECT_EQ(book.Get("Office", "UserName"), "alice");

  EXPECT_TRUE(book.RemoveSection("Office"));
  EXPECT_FALSE(book.RemoveSection("Office"));
  // The comment above [Backup] belongs to it and stays.
  EXPECT_EQ(book.Text(),
            "; my dial-up entries\n"
            "\n"
            "; the backup line\n"
            "[Backup]\n"
            "username = bob\n"
            "Password=\"  spaced ; not a comment \"   ; but this is\n"
            "Odd=a;b#c\n");
  book.Remove("Backup", "Odd");
  EXPECT_EQ(book.Keys("Backup").size(), 2u);
}

// Each unreadable line is reported once with its number; a bad header skips its own entry (its
// keys must not fall to the entry above it) and nothing else. A byte-order mark is no problem.
TEST(PhonebookFile, BadLinesAreReportedWithTheirNumberAndSkipOnlyTheirEntry) {
  const std::string longName(257, 'x');
  const std::string text =
      "\xEF\xBB\xBF[First]\n"  // 1
      "UserName=a\n"           // 2
      "[Bad\n"                 // 3
      "UserName=evil\n"        // 4
      "[]\n"                   // 5
      "Password=x\n"           // 6
      "[" +
      longName +
      "]\n"                     // 7
      "[A[B]\n"                 // 8
      "[C]D]\n"                 // 9
      "[Good]   ; a comment\n"  // 10
      "UserName=g\n"            // 11
      "no equals sign\n"        // 12
      "=novalue\n"              // 13
      "[Ctl\x01]\n"             // 14
      "[" +
      std::string(256, 'y') +
      "]\n"                 // 15: just fits
      "[Good]\n"            // 16
      "UserName=second\n";  // 17
  PhonebookFile book;
  book.Parse(text);
  EXPECT_EQ(book.Sections(), (std::vector<std::string>{"First", "Good", std::string(256, 'y')}));
  EXPECT_EQ(book.Get("First", "UserName"), "a");
  EXPECT_EQ(book.Get("First", "Password"), std::nullopt);
  EXPECT_EQ(book.Get("Good", "UserName"), "g");
  EXPECT_FALSE(book.HasSection(""));

  struct Expected {
    int Line;
    const char* Says;
  };
  const Expected expected[] = {
      {3, "no closing \"]\""},
      {5, "empty"},
      {7, "longer than 256 bytes"},
      {8, "\"[\" or \"]\""},
      {9, "\"[\" or \"]\""},
      {12, "neither"},
      {13, "no key"},
      {14, "control character"},
      {16, "second time"},
  };
  const auto& problems = book.Problems();
  ASSERT_EQ(problems.size(), std::size(expected));
  for (std::size_t i = 0; i < problems.size(); ++i) {
    EXPECT_EQ(problems[i].Line, expected[i].Line) << problems[i].Text;
    EXPECT_NE(problems[i].Text.find(expected[i].Says), std::string::npos) << problems[i].Text;
  }
  EXPECT_EQ(book.Text(), text) << "kept as written, the byte-order mark included";

  book.Parse("\xFF\xFE[\0A\0]\0\n\0");
  ASSERT_EQ(book.Problems().size(), 1u);
  EXPECT_NE(book.Problems()[0].Text.find("UTF-16"), std::string::npos);
  book.Parse("UserName=x\n[A]\n");
  ASSERT_EQ(book.Problems().size(), 1u);
  EXPECT_NE(book.Problems()[0].Text.find("before the first entry"), std::string::npos);
}

TEST(PhonebookFile, LoadAndSaveOnDisk) {
  testing_support::TempDir dir;
  const std::string path = dir / "phonebook.ini";
  PhonebookFile book;
  EXPECT_TRUE(book.Load(path)) << "a missing file is an empty phonebook";
  EXPECT_TRUE(book.Sections().empty());

  testing_support::WriteFile(path, "[A]\r\nUserName=x\r\n");
  ASSERT_TRUE(book.Load(path));
  EXPECT_EQ(book.Get("A", "UserName"), "x");
  book.Set("A", "Password", "p");
  ASSERT_TRUE(book.Save());
  EXPECT_EQ(testing_support::ReadFile(path), "[A]\nUserName=x\nPassword=p\n");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u) << "the file holds passwords";

  std::string error;
  EXPECT_FALSE(book.SaveAs(dir / "no-such-folder/phonebook.ini", &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace

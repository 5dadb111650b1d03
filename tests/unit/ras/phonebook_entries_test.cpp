// The platform's entry functions over phonebook.ini: enumeration with the record-size rules,
// dial parameters with the saved-password flag, the entry form, rename and delete, error texts.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "ras/ras_errors.h"
#include "unit/ras/support/sim_line_fixture.h"

namespace {

using testing_support::ReadFile;
using testing_support::WriteFile;

constexpr const char* kPhonebook =
    "; kept through every rewrite\n"
    "[Office DSL]\n"
    "UserName=alice\n"
    "Password=secret\n"
    "PasswordSaved=1\n"
    "ConnectMs=1500   ; dial to connected\n"
    "Custom=kept\n"
    "\n"
    "[Backup]\n"
    "UserName=bob\n"
    "Password=pw\n"
    "PasswordSaved=0\n";

class PhonebookEntriesTest : public ras_test::SimLineTest {
 protected:
  PhonebookEntriesTest() : SimLineTest(kPhonebook) {}

  std::string Path() { return dir / "phonebook.ini"; }

  struct Params {
    std::uint32_t Result;
    std::string User;
    std::string Password;
    bool Saved;
  };
  Params Read(const std::string& entry) {
    ras::RASDIALPARAMSA p{};
    p.dwSize = ras::kSizeRasDialParams;
    ras::SetRasField(p.szEntryName, entry);
    ras::SetRasField(p.szPassword, "stale");
    bool saved = true;
    const auto rc = backend.RasGetEntryDialParamsA(&p, &saved);
    return {rc, ras::GetRasField(p.szUserName), ras::GetRasField(p.szPassword), saved};
  }
  std::uint32_t Store(const std::string& entry, const std::string& user,
                      const std::string& password, bool removePassword) {
    ras::RASDIALPARAMSA p{};
    p.dwSize = ras::kSizeRasDialParams;
    ras::SetRasField(p.szEntryName, entry);
    ras::SetRasField(p.szUserName, user);
    ras::SetRasField(p.szPassword, password);
    return backend.RasSetEntryDialParamsA(p, removePassword);
  }
};

TEST_F(PhonebookEntriesTest, EnumerationFollowsThePlatformsBufferRules) {
  std::vector<ras::RASENTRYNAMEA> names(100);
  std::uint32_t bytes = 100 * ras::kSizeRasEntryName;
  std::uint32_t count = 0;
  EXPECT_EQ(backend.RasEnumEntriesA(names.data(), &bytes, &count), ras::ERROR_INVALID_SIZE);
  names[0].dwSize = ras::kSizeRasEntryName;
  EXPECT_EQ(backend.RasEnumEntriesA(names.data(), &bytes, &count), 0u);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(bytes, 2 * ras::kSizeRasEntryName);
  EXPECT_EQ(ras::GetRasField(names[1].szEntryName), "Backup");

  bytes = ras::kSizeRasEntryName;  // room for one
  EXPECT_EQ(backend.RasEnumEntriesA(names.data(), &bytes, &count), ras::ERROR_BUFFER_TOO_SMALL);
  EXPECT_EQ(bytes, 2 * ras::kSizeRasEntryName);

  // More entries than the component's 100 records: the buffer error, and Entries stays empty.
  std::string many;
  for (int i = 0; i < 101; ++i) many += "[Entry " + std::to_string(i) + "]\n";
  WriteFile(Path(), many);
  EXPECT_EQ(dialUp.GetEntries(), static_cast<int>(ras::ERROR_BUFFER_TOO_SMALL));
  EXPECT_TRUE(dialUp.Entries().empty());
  WriteFile(Path(), "[Only]\n");
  EXPECT_EQ(dialUp.GetEntries(), 0) << "an edited file shows at the next call";
  EXPECT_EQ(dialUp.Entries(), (std::vector<std::string>{"Only"}));
}

TEST_F(PhonebookEntriesTest, DialParametersCarryThePasswordOnlyWhenSaved) {
  struct Case {
    const char* Entry;
    Params Expected;
  };
  const Case cases[] = {
      {"Office DSL", {0, "alice", "secret", true}},
      {"Backup", {0, "bob", "", false}},
      {"Nowhere", {ras::ERROR_CANNOT_FIND_PHONEBOOK_ENTRY, "", "stale", true}},
  };
  for (const auto& c : cases) {
    const Params p = Read(c.Entry);
    EXPECT_EQ(p.Result, c.Expected.Result) << c.Entry;
    EXPECT_EQ(p.User, c.Expected.User) << c.Entry;
    EXPECT_EQ(p.Password, c.Expected.Password) << c.Entry;
    EXPECT_EQ(p.Saved, c.Expected.Saved) << c.Entry;
  }
  ras::RASDIALPARAMSA wrong{};
  wrong.dwSize = 1000;
  EXPECT_EQ(backend.RasGetEntryDialParamsA(&wrong, nullptr), ras::ERROR_INVALID_SIZE);

  EXPECT_EQ(Store("Backup", "bobby", "new", false), 0u);
  EXPECT_EQ(Read("Backup").Password, "new");
  EXPECT_TRUE(Read("Backup").Saved);
  EXPECT_EQ(Store("Office DSL", "alice2", "ignored", true), 0u);
  EXPECT_EQ(Read("Office DSL").User, "alice2");
  EXPECT_FALSE(Read("Office DSL").Saved);
  EXPECT_EQ(Read("Office DSL").Password, "");
  EXPECT_EQ(Store("Nowhere", "x", "y", false), ras::ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);

  const std::string text = ReadFile(Path());
  EXPECT_NE(text.find("; kept through every rewrite\n"), std::string::npos);
  EXPECT_NE(text.find("ConnectMs=1500   ; dial to connected\n"), std::string::npos);
  EXPECT_NE(text.find("Custom=kept\n"), std::string::npos);
  EXPECT_EQ(text.find("secret"), std::string::npos) << "a removed password leaves the file";
}

class ScriptedEditor : public ras::EntryEditor {
 public:
  std::function<bool(ras::EntryForm&, bool)> Answer;
  std::vector<ras::EntryForm> Shown;
  bool EditEntry(ras::EntryForm& form, bool isNew) override {
    Shown.push_back(form);
    return Answer(form, isNew);
  }
};

TEST_F(PhonebookEntriesTest, CreateAndEditGoThroughTheEntryForm) {
  EXPECT_EQ(backend.RasCreatePhonebookEntryA(), ras::ERROR_CANCELLED) << "no editor installed";
  ScriptedEditor editor;
  backend.SetEntryEditor(&editor);

  struct Case {
    const char* Title;
    const char* Name;  // what the user typed
    bool Confirm;
    std::uint32_t Result;
  };
  const Case creates[] = {
      {"cancelled", "Mobile", false, ras::ERROR_CANCELLED},
      {"empty name", "", true, ras::ERROR_INVALID_NAME},
      {"bracket", "Bad]Name", true, ras::ERROR_INVALID_NAME},
      {"taken", "Backup", true, ras::ERROR_ALREADY_EXISTS},
      {"created", "Mobile", true, 0},
  };
  for (const auto& c : creates) {
    SCOPED_TRACE(c.Title);
    editor.Answer = [&](ras::EntryForm& form, bool isNew) {
      EXPECT_TRUE(isNew);
      form.Name = c.Name;
      form.UserName = "mia";
      form.Password = "pw";
      form.PasswordSaved = true;
      for (auto& [key, value] : form.Keys) {
        if (key == "ConnectMs") value = "2500";
        if (key == "FailDials") value = "";  // back to the default: key left out
      }
      return c.Confirm;
    };
    EXPECT_EQ(backend.RasCreatePhonebookEntryA(), c.Result);
  }
  // A new entry's form shows the backend's own keys with their defaults.
  const auto& shown = editor.Shown.front();
  EXPECT_EQ(shown.Name, "");
  ASSERT_FALSE(shown.Keys.empty());
  EXPECT_EQ(shown.Keys.front(), (std::pair<std::string, std::string>{"DeviceType", "PPPoE"}));
  EXPECT_EQ(Read("Mobile").Password, "pw");
  EXPECT_EQ(backend.RasGetEntryDialParamsA(nullptr, nullptr), ras::ERROR_INVALID_PARAMETER);
  {
    ras::PhonebookFile book;
    ASSERT_TRUE(book.Load(Path()));
    EXPECT_EQ(book.Get("Mobile", "ConnectMs"), "2500");
    EXPECT_EQ(book.Get("Mobile", "FailDials"), std::nullopt);
  }

  // Edit: the form shows the stored values; a new name renames the entry.
  editor.Shown.clear();
  editor.Answer = [](ras::EntryForm& form, bool isNew) {
    EXPECT_FALSE(isNew);
    form.Name = "Office";
    form.UserName = "alice";
    return true;
  };
  EXPECT_EQ(backend.RasEditPhonebookEntryA("Office DSL"), 0u);
  ASSERT_EQ(editor.Shown.size(), 1u);
  EXPECT_EQ(editor.Shown[0].Password, "secret");
  bool hasConnectMs = false;
  for (const auto& [key, value] : editor.Shown[0].Keys) {
    if (key == "ConnectMs") hasConnectMs = value == "1500";
  }
  EXPECT_TRUE(hasConnectMs);
  EXPECT_EQ(Read("Office").User, "alice");
  EXPECT_EQ(Read("Office DSL").Result, ras::ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
  EXPECT_NE(ReadFile(Path()).find("Custom=kept"), std::string::npos);
  EXPECT_EQ(backend.RasEditPhonebookEntryA("Nowhere"), ras::ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
  editor.Answer = [](ras::EntryForm& form, bool) {
    form.Name = "Backup";
    return true;
  };
  EXPECT_EQ(backend.RasEditPhonebookEntryA("Office"), ras::ERROR_ALREADY_EXISTS);
}

TEST_F(PhonebookEntriesTest, RenameAndDeleteAnswerWithThePlatformsCodes) {
  struct Case {
    std::string From;
    std::string To;
    std::uint32_t Result;
  };
  const Case renames[] = {
      {"Nowhere", "X", ras::ERROR_CANNOT_FIND_PHONEBOOK_ENTRY},
      {"Backup", "Office DSL", ras::ERROR_ALREADY_EXISTS},
      {"Backup", " padded", ras::ERROR_INVALID_NAME},
      {"Backup", std::string(257, 'x'), ras::ERROR_INVALID_NAME},
      {"Backup", "Backup", 0},
      {"Backup", "Reserve", 0},
  };
  for (const auto& c : renames) {
    EXPECT_EQ(backend.RasRenameEntry(c.From, c.To), c.Result) << c.From << " -> " << c.To;
  }
  EXPECT_EQ(Read("Reserve").User, "bob");
  EXPECT_EQ(backend.RasDeleteEntry("Backup"), ras::ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
  EXPECT_EQ(backend.RasDeleteEntry("Reserve"), 0u);
  EXPECT_EQ(dialUp.GetEntries(), 0);
  EXPECT_EQ(dialUp.Entries(), (std::vector<std::string>{"Office DSL"}));
}

TEST_F(PhonebookEntriesTest, AConnectedEntryCannotBeRenamedOrDeletedUntilItsLineHasEnded) {
  dialUp.SetEntry("Office DSL");
  ASSERT_EQ(dialUp.Dial(), 0);
  // Refused while dialling and while connected; the file stays as it was.
  const std::string before = ReadFile(Path());
  EXPECT_EQ(backend.RasRenameEntry("Office DSL", "Home"), ras::ERROR_ACCESS_DENIED);
  EXPECT_EQ(backend.RasDeleteEntry("Office DSL"), ras::ERROR_ACCESS_DENIED);
  ASSERT_TRUE(RunUntilConnected());
  EXPECT_EQ(backend.RasRenameEntry("Office DSL", "Home"), ras::ERROR_ACCESS_DENIED);
  EXPECT_EQ(backend.RasDeleteEntry("Office DSL"), ras::ERROR_ACCESS_DENIED);
  EXPECT_EQ(ReadFile(Path()), before);
  // The other entry is free; so is this one once it is hung up.
  EXPECT_EQ(backend.RasRenameEntry("Backup", "Reserve"), 0u);
  EXPECT_EQ(dialUp.HangUp(), 0);
  loop.RunFor(10'000);
  EXPECT_EQ(backend.RasRenameEntry("Office DSL", "Home"), 0u);
  EXPECT_EQ(backend.RasDeleteEntry("Home"), 0u);
}

TEST_F(PhonebookEntriesTest, BadLinesAreLoggedOnceEachAndTheirEntriesCannotBeDialled) {
  WriteFile(Path(), "[Office DSL]\nUserName=alice\n[Bad\nUserName=mallory\n[]\n");
  ::chmod(Path().c_str(), 0600);
  auto entries = [&] {
    std::vector<ras::RASENTRYNAMEA> names(4);
    names[0].dwSize = ras::kSizeRasEntryName;
    std::uint32_t bytes = 4 * sizeof(ras::RASENTRYNAMEA), count = 0;
    EXPECT_EQ(backend.RasEnumEntriesA(names.data(), &bytes, &count), 0u);
    return count;
  };
  EXPECT_EQ(entries(), 1u);
  EXPECT_EQ(Read("Office DSL").User, "alice");
  EXPECT_EQ(Read("").Result, ras::ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
  const std::vector<std::string> expected = {
      Path() + " line 3: \"[Bad\": the entry header has no closing \"]\"; the entry is skipped",
      Path() + " line 5: \"[]\": the entry name is empty; the entry is skipped"};
  EXPECT_EQ(Log, expected);

  // Our own rewrite reads the file again and moves the lines: they are not reported again.
  EXPECT_EQ(Store("Office DSL", "alice", "pw", false), 0u);
  EXPECT_EQ(entries(), 1u);
  EXPECT_EQ(Log, expected);
  EXPECT_NE(ReadFile(Path()).find("[Bad\nUserName=mallory\n"), std::string::npos)
      << "the bad lines stay for the user to mend";
}

// The phonebook holds passwords: a copy that others can read is tightened when it is read.
TEST_F(PhonebookEntriesTest, APhonebookReadableByOthersIsMadePrivateAndSaidSo) {
  ::chmod(Path().c_str(), 0644);
  EXPECT_EQ(Read("Office DSL").User, "alice");
  struct stat st {};
  ASSERT_EQ(::stat(Path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(Log.size(), 1u);
  EXPECT_EQ(Log[0], Path() +
                        " could be read by other users although it holds passwords; it is now "
                        "readable by its owner only");
  EXPECT_EQ(Read("Backup").User, "bob");
  EXPECT_EQ(Log.size(), 1u) << "said once";
}

TEST_F(PhonebookEntriesTest, ErrorTextsFitTheCallersBufferInBothLanguages) {
  const std::uint32_t codes[] = {6,   87,  123, 183, 600, 602,  603,  608, 610, 621,
                                 623, 624, 628, 629, 631, 632,  651,  668, 676, 678,
                                 680, 691, 730, 731, 756, 1223, 1460, 4242};
  for (auto language : {ras::RasTextLanguage::kEnglish, ras::RasTextLanguage::kGerman}) {
    backend.SetErrorLanguage(language);
    for (std::uint32_t code : codes) {
      char buffer[100];
      EXPECT_EQ(backend.RasGetErrorStringA(code, buffer, sizeof buffer), 0u) << code;
      EXPECT_GT(std::strlen(buffer), 5u) << code;
    }
  }
  char buffer[100];
  backend.SetErrorLanguage(ras::RasTextLanguage::kGerman);
  backend.RasGetErrorStringA(676, buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "Die Leitung ist besetzt.");
  backend.SetErrorLanguage(ras::RasTextLanguage::kEnglish);
  backend.RasGetErrorStringA(4242, buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "RAS error 4242.");
  EXPECT_EQ(backend.RasGetErrorStringA(691, buffer, 10), ras::ERROR_BUFFER_TOO_SMALL);
}

}  // namespace

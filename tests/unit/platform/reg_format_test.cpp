#include <gtest/gtest.h>

#include <string>

#include "platform/reg_format.h"
#include "platform/utf8.h"

namespace {

using platform::HiveFormatError;
using platform::ParseHive;
using platform::RegKey;
using platform::SerializeHive;

constexpr std::string_view kUser = "HKEY_CURRENT_USER";

TEST(RegFormat, WritesTheRegistryExportLayout) {
  RegKey root;
  RegKey& key = root.Create({"SOFTWARE", "_StaylineConnections"});
  key.SetValue("", "Stayline.EXE");
  key.SetValue("ErrorDelay", "1");
  key.SetValue("Path", "C:\\a \"b\"");
  key.SetValue("Page", "<html>\r\n</html>");
  root.Create({"SOFTWARE", "_StaylineConnections", "Profile"});
  EXPECT_EQ(SerializeHive(root, kUser),
            "Windows Registry Editor Version 5.00\n"
            "\n"
            "[HKEY_CURRENT_USER\\SOFTWARE]\n"
            "\n"
            "[HKEY_CURRENT_USER\\SOFTWARE\\_StaylineConnections]\n"
            "@=\"Stayline.EXE\"\n"
            "\"ErrorDelay\"=\"1\"\n"
            "\"Path\"=\"C:\\\\a \\\"b\\\"\"\n"
            "\"Page\"=\"<html>\\x0D\\x0A</html>\"\n"
            "\n"
            "[HKEY_CURRENT_USER\\SOFTWARE\\_StaylineConnections\\Profile]\n"
            "\n");
}

TEST(RegFormat, EveryCodePointSurvivesARoundTrip) {
  std::string all;
  for (char32_t cp = 0; cp < 0x300; ++cp) platform::utf8::Append(all, cp);
  const std::string cases[] = {
      "",
      all,
      std::string("\0", 1),
      std::string("a\0b", 3),
      "\x7F",
      "\xC2\x85",
      "tab\there",
      "\\\\server\\share",
      "\"\"",
      "\xC3\xA4\xC3\xB6\xC3\xBC \xE2\x82\xAC \xF0\x9D\x84\x9E",
      "trailing blank ",
      "=\"=\"",
  };
  for (const auto& value : cases) {
    RegKey root;
    root.Create({"K"}).SetValue(value.empty() ? "v" : value, value);
    const std::string text = SerializeHive(root, kUser);
    // Control characters never appear raw, so a value cannot break the line structure.
    for (char c : text) {
      EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << "raw control in file";
    }
    const auto parsed = ParseHive(text, kUser);
    const RegKey* key = parsed->Find({"K"});
    ASSERT_NE(key, nullptr);
    const std::string* back = key->FindValue(value.empty() ? "v" : value);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(*back, value);
    EXPECT_EQ(SerializeHive(*parsed, kUser), text);
  }
}

TEST(RegFormat, ReadsHandWrittenVariants) {
  const std::string text =
      "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
      "\r\n"
      "; a comment\r\n"
      "[hkey_current_user\\Software\\A\\B]\r\n"
      "\"x\" = \"\\x41\\x0a\"   \r\n"
      "@=\"unnamed\"\r\n"
      "[HKEY_CURRENT_USER\\SOFTWARE\\a\\b]\r\n"
      "\"X\"=\"second wins\"\r\n"
      "\"latin1\"=\"\xE4\"\r\n";
  const auto root = ParseHive(text, kUser);
  const RegKey* key = root->Find({"software", "a", "b"});
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->Name(), "B") << "the first spelling is kept";
  EXPECT_EQ(*key->FindValue("x"), "second wins");
  EXPECT_EQ(*key->FindValue(""), "unnamed");
  EXPECT_EQ(*key->FindValue("LATIN1"), "\xC3\xA4") << "a stray Latin-1 byte becomes its character";
  EXPECT_NE(root->Find({"Software", "A"}), nullptr) << "parents exist implicitly";
}

TEST(RegFormat, RejectsWhatIsNotAStringHive) {
  const std::string header = "Windows Registry Editor Version 5.00\n\n";
  const struct {
    std::string text;
    int line;
  } cases[] = {
      {"", 0},
      {"REGEDIT4\n", 1},
      {header + "\"a\"=\"b\"\n", 3},
      {header + "[HKEY_LOCAL_MACHINE\\X]\n", 3},
      {header + "[HKEY_CURRENT_USERX]\n", 3},
      {header + "[-HKEY_CURRENT_USER\\X]\n", 3},
      {header + "[HKEY_CURRENT_USER\\X\n", 3},
      {header + "[HKEY_CURRENT_USER\\X\\\\Y]\n", 3},
      {header + "[HKEY_CURRENT_USER\\X]\n\"a\"=dword:00000001\n", 4},
      {header + "[HKEY_CURRENT_USER\\X]\n\"a\"=hex:01,02\n", 4},
      {header + "[HKEY_CURRENT_USER\\X]\n\"a\"=-\n", 4},
      {header + "[HKEY_CURRENT_USER\\X]\n\"a\"=\"b\\n\"\n", 4},
      {header + "[HKEY_CURRENT_USER\\X]\n\"a\"=\"\\x4\"\n", 4},
      {header + "[HKEY_CURRENT_USER\\X]\n\"a\"=\"open\n\"\n", 4},
      {header + "[HKEY_CURRENT_USER\\X]\n\"a\"=\"b\" junk\n", 4},
      {header + "[HKEY_CURRENT_USER\\X]\n\"\"=\"b\"\n", 4},
      {header + "[HKEY_CURRENT_USER\\X]\n\"a\"\"b\"\n", 4},
      {header + "[HKEY_CURRENT_USER\\X]\nnonsense\n", 4},
      {"\xFF\xFEW\0i\0", 1},
  };
  for (const auto& c : cases) {
    try {
      ParseHive(c.text, kUser);
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const HiveFormatError& e) {
      EXPECT_EQ(e.Line, c.line) << c.text << " -> " << e.what();
    }
  }
}

TEST(RegKey, NamesIgnoreCaseAndSubkeysEnumerateAlphabetically) {
  RegKey root;
  for (const char* name : {"delta", "Bravo", "alpha", "\xC3\x84rger", "Charlie"}) root.SubKey(name);
  EXPECT_EQ(&root.SubKey("ALPHA"), root.FindSubKey("alpha"));
  EXPECT_NE(root.FindSubKey("\xC3\xA4RGER"), nullptr) << "umlauts fold too";
  std::vector<std::string> names;
  for (const auto& key : root.SubKeys()) names.push_back(key->Name());
  EXPECT_EQ(names,
            (std::vector<std::string>{"alpha", "Bravo", "Charlie", "delta", "\xC3\x84rger"}));

  RegKey& key = root.SubKey("k");
  EXPECT_TRUE(key.SetValue("Name", "1"));
  EXPECT_FALSE(key.SetValue("NAME", "1")) << "same data is no change";
  EXPECT_TRUE(key.SetValue("name", "2"));
  ASSERT_EQ(key.Values().size(), 1u);
  EXPECT_EQ(key.Values()[0].first, "Name");
  EXPECT_TRUE(key.RemoveValue("nAmE"));
  EXPECT_FALSE(key.RemoveValue("Name"));
}

TEST(RegKey, RemovingAValueKeepsTheOthersFoundAndInCreationOrder) {
  RegKey key;
  for (const char* name : {"a", "b", "c", "d"}) key.SetValue(name, std::string("v") + name);
  EXPECT_TRUE(key.RemoveValue("B"));
  EXPECT_TRUE(key.SetValue("b", "new"));
  std::vector<std::string> order;
  for (const auto& [name, data] : key.Values()) order.push_back(name + "=" + data);
  EXPECT_EQ(order, (std::vector<std::string>{"a=va", "c=vc", "d=vd", "b=new"}));
  for (const char* name : {"A", "C", "D"}) {
    ASSERT_NE(key.FindValue(name), nullptr) << name;
    EXPECT_EQ(*key.FindValue(name), std::string("v") + static_cast<char>(name[0] + 32));
  }
  EXPECT_FALSE(key.SetValue("D", "vd")) << "still found after the renumbering";
}

TEST(RegKey, SplitsPathsAndRefusesBrokenOnes) {
  EXPECT_EQ(platform::SplitKeyPath("\\Software\\Microsoft\\RunOnce"),
            (std::vector<std::string>{"Software", "Microsoft", "RunOnce"}));
  EXPECT_TRUE(platform::SplitKeyPath("").empty());
  EXPECT_THROW(platform::SplitKeyPath("a\\\\b"), std::invalid_argument);
  EXPECT_THROW(platform::SplitKeyPath("a\nb"), std::invalid_argument);
}

}  // namespace

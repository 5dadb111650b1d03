#include <gtest/gtest.h>

#include <sys/stat.h>
#include <chrono>
#include <string>
#include <vector>

#include "platform/reg_format.h"
#include "platform/registry.h"
#include "unit/platform/support/temp_dir.h"

namespace {

using platform::Hive;
using platform::Registry;
using testing_support::Exists;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

const std::string kKey = "SOFTWARE\\_StaylineConnections";

ino_t Inode(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

TEST(Registry, PersistsEachChangeAndReadsItBackInANewSession) {
  TempDir dir;
  {
    Registry reg(dir.Path());
    reg.WriteValue(Hive::CurrentUser, kKey, "", "Stayline.EXE");
    reg.WriteValue(Hive::CurrentUser, kKey, "FTP_Password", std::string("\x3B\0\x1B", 3));
    reg.WriteValue(Hive::LocalMachine, "\\" + kKey, "Program", "/opt/stay line/stayline");
    // Everything is on disk without any explicit save.
  }
  struct stat st {};
  ASSERT_EQ(::stat((dir / "HKCU.reg").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(ReadFile(dir / "HKCU.reg"),
            "Windows Registry Editor Version 5.00\n\n"
            "[HKEY_CURRENT_USER\\SOFTWARE]\n\n"
            "[HKEY_CURRENT_USER\\SOFTWARE\\_StaylineConnections]\n"
            "@=\"Stayline.EXE\"\n"
            "\"FTP_Password\"=\";\\x00\\x1B\"\n\n");

  Registry again(dir.Path());
  EXPECT_EQ(again.ReadValue(Hive::CurrentUser, "software\\_staylineconnections", "ftp_password"),
            std::string("\x3B\0\x1B", 3));
  EXPECT_EQ(again.ReadValue(Hive::LocalMachine, kKey, "Program"), "/opt/stay line/stayline");
  EXPECT_EQ(again.ReadValue(Hive::CurrentUser, kKey, "Missing"), std::nullopt);
  EXPECT_EQ(again.ReadValue(Hive::CurrentUser, "No\\Such\\Key", ""), std::nullopt);
}

TEST(Registry, KeysKeepTheirFirstSpellingAndEnumerateLikeTheRegistry) {
  TempDir dir;
  Registry reg(dir.Path());
  reg.WriteValue(Hive::CurrentUser, kKey, "AutoRun", "1");
  reg.WriteValue(Hive::CurrentUser, "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
                 "Stayline", "\"/usr/bin/staylined\"");
  const std::string file = ReadFile(dir / "HKCU.reg");
  EXPECT_NE(file.find("[HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce]"),
            std::string::npos);
  EXPECT_EQ(reg.SubKeyNames(Hive::CurrentUser, "software"),
            (std::vector<std::string>{"Microsoft", "_StaylineConnections"}))
      << "ordered by upper-case names, as the registry enumerates";

  const std::string profiles = kKey + "\\Profile";
  for (const char* name : {"zeta", "Alpha", "mid"})
    reg.CreateKey(Hive::CurrentUser, profiles + "\\" + name);
  EXPECT_EQ(reg.SubKeyNames(Hive::CurrentUser, profiles),
            (std::vector<std::string>{"Alpha", "mid", "zeta"}));
  reg.WriteValue(Hive::CurrentUser, profiles + "\\ALPHA", "PHost", "h");
  EXPECT_EQ(reg.ValueNames(Hive::CurrentUser, profiles + "\\alpha"),
            (std::vector<std::string>{"PHost"}));

  EXPECT_TRUE(reg.DeleteKey(Hive::CurrentUser, profiles + "\\Alpha"));
  EXPECT_FALSE(reg.DeleteKey(Hive::CurrentUser, profiles + "\\Alpha"));
  EXPECT_FALSE(reg.DeleteKey(Hive::CurrentUser, ""));
  EXPECT_TRUE(reg.DeleteKey(Hive::CurrentUser, kKey)) << "removes the subtree";
  EXPECT_FALSE(reg.KeyExists(Hive::CurrentUser, profiles));
  EXPECT_TRUE(reg.KeyExists(Hive::CurrentUser, "Software\\Microsoft"));
  EXPECT_TRUE(reg.DeleteValue(Hive::CurrentUser,
                              "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "STAYLINE"));
  EXPECT_FALSE(reg.DeleteValue(
      Hive::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "Stayline"));

  Registry again(dir.Path());
  EXPECT_TRUE(
      again.KeyExists(Hive::CurrentUser, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce"))
      << "an empty key survives";
  EXPECT_THROW(reg.WriteValue(Hive::CurrentUser, "a\\\\b", "x", "y"), platform::RegistryError);
}

TEST(Registry, BatchWritesOnceAndUnchangedValuesWriteNothing) {
  TempDir dir;
  Registry reg(dir.Path());
  reg.WriteValue(Hive::CurrentUser, kKey, "Language", "1");
  const ino_t before = Inode(dir / "HKCU.reg");
  reg.WriteValue(Hive::CurrentUser, kKey, "LANGUAGE", "1");
  EXPECT_EQ(Inode(dir / "HKCU.reg"), before) << "same value: file not rewritten";

  reg.Batch([&] {
    reg.WriteValue(Hive::CurrentUser, kKey, "Language", "0");
    reg.WriteValue(Hive::LocalMachine, kKey, "Language", "0");
    reg.Batch([&] { reg.WriteValue(Hive::CurrentUser, kKey, "PingHost", "LocalHost"); });
    EXPECT_EQ(ReadFile(dir / "HKCU.reg").find("PingHost"), std::string::npos)
        << "nested batch does not write early";
    EXPECT_FALSE(Exists(dir / "HKLM.reg"));
  });
  EXPECT_NE(ReadFile(dir / "HKCU.reg").find("\"PingHost\"=\"LocalHost\""), std::string::npos);
  EXPECT_NE(ReadFile(dir / "HKLM.reg").find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\_StaylineConnections]"),
            std::string::npos);

  // A batch that fails half-way still keeps what it changed.
  EXPECT_THROW(reg.Batch([&] {
    reg.WriteValue(Hive::CurrentUser, kKey, "Language", "1");
    throw std::runtime_error("boom");
  }),
               std::runtime_error);
  EXPECT_EQ(Registry(dir.Path()).ReadValue(Hive::CurrentUser, kKey, "Language"), "1");
}

// Loading and saving grow with the file, not with its square: a hive of 20 000 values and
// 20 000 keys took several seconds when every value was looked up by walking the ones before it.
// The bound is generous on purpose (sanitizers, a busy machine); bench/hive_bench.cpp measures.
TEST(Registry, ALargeHiveLoadsAndSavesQuickly) {
  TempDir dir;
  std::string text = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\" + kKey + "]\n";
  constexpr int kCount = 20000;
  for (int i = 0; i < kCount; ++i) {
    text += "\"Value" + std::to_string(i) + "\"=\"" + std::to_string(i) + "\"\n";
  }
  for (int i = 0; i < kCount; ++i) {
    text += "[HKEY_CURRENT_USER\\" + kKey + "\\Profile\\P" + std::to_string(i) + "]\n";
    text += "\"PHost\"=\"h\\x0D\xC3\xA4\"\n";
  }
  WriteFile(dir / "HKCU.reg", text);

  const auto start = std::chrono::steady_clock::now();
  Registry reg(dir.Path());
  EXPECT_EQ(reg.ReadValue(Hive::CurrentUser, kKey, "value19999"), "19999");
  reg.WriteValue(Hive::CurrentUser, kKey, "Value0", "changed");
  const auto seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(seconds, 3.0);

  Registry again(dir.Path());
  EXPECT_EQ(again.ValueNames(Hive::CurrentUser, kKey).size(), static_cast<std::size_t>(kCount));
  EXPECT_EQ(again.SubKeyNames(Hive::CurrentUser, kKey + "\\Profile").size(),
            static_cast<std::size_t>(kCount));
  EXPECT_EQ(again.ReadValue(Hive::CurrentUser, kKey + "\\Profile\\p123", "phost"), "h\r\xC3\xA4");
  EXPECT_EQ(again.ReadValue(Hive::CurrentUser, kKey, "VALUE0"), "changed");
}

TEST(Registry, DamagedHiveIsKeptAsideReportedAndNeverOverwritten) {
  TempDir dir;
  const std::string damaged =
      "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\X]\n\"a\"=dword:1\n";
  WriteFile(dir / "HKCU.reg", damaged);
  WriteFile(dir / "HKCU.reg.damaged", "an older damaged copy");
  std::vector<std::string> errors;
  Registry reg(dir.Path());
  reg.OnError = [&](const std::string& e) { errors.push_back(e); };
  EXPECT_EQ(reg.ReadValue(Hive::CurrentUser, "X", "a"), std::nullopt);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("damaged"), std::string::npos) << errors[0];
  EXPECT_NE(errors[0].find("line 4"), std::string::npos) << errors[0];
  EXPECT_NE(errors[0].find("HKCU.reg.damaged.1"), std::string::npos) << errors[0];
  EXPECT_EQ(ReadFile(dir / "HKCU.reg.damaged.1"), damaged);
  EXPECT_EQ(ReadFile(dir / "HKCU.reg.damaged"), "an older damaged copy");
  EXPECT_FALSE(Exists(dir / "HKCU.reg")) << "nothing replaced it yet";
  reg.WriteValue(Hive::CurrentUser, "X", "a", "new");
  EXPECT_EQ(Registry(dir.Path()).ReadValue(Hive::CurrentUser, "X", "a"), "new");
}

mode_t Mode(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 0777 : 0;
}

// The hives hold passwords: one that others can read is tightened at loading and said so; a
// damaged one is kept aside for its owner only, whatever mode it had.
TEST(Registry, HivesReadableByOthersAreTightenedAndDamagedCopiesArePrivate) {
  struct Case {
    const char* Name;
    mode_t Before;
    bool Damaged;
    bool Told;
  };
  const Case cases[] = {
      {"readable by all", 0644, false, true},
      {"readable by the group", 0640, false, true},
      {"owner only", 0600, false, false},
      {"damaged and readable by all", 0644, true, false},
  };
  for (const auto& c : cases) {
    TempDir dir;
    WriteFile(dir / "HKLM.reg", c.Damaged ? "not a hive\n"
                                          : "Windows Registry Editor Version 5.00\n\n"
                                            "[HKEY_LOCAL_MACHINE\\X]\n\"a\"=\"secret\"\n");
    ::chmod((dir / "HKLM.reg").c_str(), c.Before);
    std::vector<std::string> errors;
    Registry reg(dir.Path());
    reg.OnError = [&](const std::string& e) { errors.push_back(e); };
    (void)reg.ReadValue(Hive::LocalMachine, "X", "a");
    (void)reg.ReadValue(Hive::LocalMachine, "X", "a");
    const std::string file = c.Damaged ? dir / "HKLM.reg.damaged" : dir / "HKLM.reg";
    EXPECT_EQ(Mode(file), 0600u) << c.Name;
    if (c.Damaged) continue;
    EXPECT_EQ(reg.ReadValue(Hive::LocalMachine, "X", "a"), "secret") << c.Name;
    ASSERT_EQ(errors.size(), c.Told ? 1u : 0u) << c.Name;
    if (c.Told) {
      EXPECT_NE(errors[0].find("readable by its owner only"), std::string::npos) << errors[0];
    }
  }
}

TEST(Registry, UnreadableUserHiveThrowsInsteadOfStartingEmpty) {
  TempDir dir;
  ::mkdir((dir / "HKCU.reg").c_str(), 0700);  // a folder cannot be read as a file
  Registry reg(dir.Path());
  EXPECT_THROW((void)reg.ReadValue(Hive::CurrentUser, kKey, "x"), platform::RegistryError);
  EXPECT_THROW(reg.WriteValue(Hive::CurrentUser, kKey, "x", "1"), platform::RegistryError);
}

TEST(Registry, RefusedMachineHiveIsReportedOnceAndTheUserHiveGoesOn) {
  TempDir dir;
  WriteFile(dir / "not-a-folder", "");
  std::vector<std::string> errors;
  Registry reg(Registry::HiveFiles{dir / "HKCU.reg", dir / "not-a-folder/HKLM.reg"});
  reg.OnError = [&](const std::string& e) { errors.push_back(e); };
  for (int i = 0; i < 3; ++i) {
    reg.WriteValue(Hive::LocalMachine, kKey, "Program", "p" + std::to_string(i));
    reg.WriteValue(Hive::CurrentUser, kKey, "Program", "p" + std::to_string(i));
  }
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("not-a-folder"), std::string::npos) << errors[0];
  EXPECT_EQ(reg.ReadValue(Hive::LocalMachine, kKey, "Program"), "p2") << "kept in memory";
  EXPECT_EQ(Registry(dir.Path()).ReadValue(Hive::CurrentUser, kKey, "Program"), "p2");
}

TEST(Registry, FailingUserHiveWriteThrowsAndKeepsTheOldFile) {
  TempDir dir;
  Registry reg(Registry::HiveFiles{dir / "HKCU.reg", dir / "HKLM.reg"});
  reg.WriteValue(Hive::CurrentUser, kKey, "a", "1");
  const std::string before = ReadFile(dir / "HKCU.reg");
  // Replacing the config folder by a file makes every later write fail.
  const std::string moved = dir.Path() + ".moved";
  ASSERT_EQ(::rename(dir.Path().c_str(), moved.c_str()), 0);
  WriteFile(dir.Path(), "");
  EXPECT_THROW(reg.WriteValue(Hive::CurrentUser, kKey, "a", "2"), platform::RegistryError);
  ::unlink(dir.Path().c_str());
  ASSERT_EQ(::rename(moved.c_str(), dir.Path().c_str()), 0);
  EXPECT_EQ(ReadFile(dir / "HKCU.reg"), before);
  // The change stays pending and is written by the next successful write.
  reg.WriteValue(Hive::CurrentUser, kKey, "b", "3");
  EXPECT_EQ(Registry(dir.Path()).ReadValue(Hive::CurrentUser, kKey, "a"), "2");
}

TEST(Registry, LeftoverTemporaryFilesOfAKilledWriterAreRemoved) {
  TempDir dir;
  WriteFile(dir / "HKCU.reg.tmp-a1B2c3", "half a hive");
  WriteFile(dir / "HKCU.reg.tmp-keepme-too-long", "not ours");
  Registry reg(dir.Path());
  EXPECT_FALSE(reg.KeyExists(Hive::CurrentUser, kKey));
  EXPECT_FALSE(Exists(dir / "HKCU.reg.tmp-a1B2c3"));
  EXPECT_TRUE(Exists(dir / "HKCU.reg.tmp-keepme-too-long"));
}

}  // namespace

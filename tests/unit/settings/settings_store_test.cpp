#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/program_info.h"
#include "platform/reg_format.h"
#include "platform/utf8.h"
#include "settings/settings_store.h"
#include "unit/platform/support/temp_dir.h"

namespace {

using platform::Hive;
using settings::SettingsStore;
using settings::TProfileData;
using testing_support::Exists;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

const std::string kKey(settings::kUserKey);
const std::string kRunOnce(settings::kRunOnceKey);

class SettingsStoreTest : public ::testing::Test {
 protected:
  SettingsStoreTest()
      : paths(platform::Paths::Resolve(dir.Path())),
        registry(paths.configDir),
        program(platform::ProgramInfo::ProgramPath()) {
    paths.EnsureCreated();
    registry.OnError = [this](const std::string& e) { errors.push_back(e); };
  }

  std::optional<std::string> User(const std::string& name) {
    return registry.ReadValue(Hive::CurrentUser, kKey, name);
  }
  std::optional<std::string> Machine(const std::string& name) {
    return registry.ReadValue(Hive::LocalMachine, kKey, name);
  }
  // A user who has started the program before, so loading reads the user key.
  void SeedUser(const std::vector<std::pair<std::string, std::string>>& values) {
    registry.WriteValue(Hive::CurrentUser, kKey, "AReadFirstReg", "1");
    for (const auto& [name, value] : values)
      registry.WriteValue(Hive::CurrentUser, kKey, name, value);
  }

  TempDir dir;
  platform::Paths paths;
  platform::Registry registry;
  std::string program;
  std::vector<std::string> errors;
};

TEST_F(SettingsStoreTest, FreshUserWithEmptyMachineKeyGetsEveryValueAtItsDefault) {
  SettingsStore store(registry, paths, program);
  store.ImportMachineSettings();
  const settings::NormaliseContext context{paths.dataDir, program};
  for (const auto& spec : settings::RegsValueTable()) {
    const std::string name(spec.Name);
    std::string expected;
    if (spec.Kind != settings::ValueKind::ReadFirst) {
      settings::NormaliseValue(spec, expected, settings::TRegsData{}, context);
    }
    if (name == "AReadFirstReg") expected = "1";
    if (spec.Kind == settings::ValueKind::Scrambled)
      expected = SettingsStore::ScrambleText(expected);
    EXPECT_EQ(User(name), expected) << name;
    EXPECT_EQ(Machine(name), expected) << name << " (machine key)";
  }
  EXPECT_EQ(User(""), "Stayline.EXE");
  EXPECT_EQ(Machine(""), "Stayline.EXE");
  EXPECT_EQ(registry.ValueNames(Hive::CurrentUser, kKey).size(),
            settings::RegsValueTable().size() + 1);

  // The defaults themselves, as a reader of the table sees them.
  const settings::TRegsData& d = store.Data();
  EXPECT_EQ(d.FTP_UploadPath, paths.dataDir);
  EXPECT_EQ(d.FTP_DownloadPath, paths.dataDir);
  EXPECT_EQ(d.Program, program);
  EXPECT_EQ(d.DynaHomeUrl, "http://www.example.com/mydyn.htm");
  EXPECT_EQ(d.FTP_HTML_User, settings::kDefaultHtmlPage);
  EXPECT_EQ(std::count(d.FTP_HTML_Default.begin(), d.FTP_HTML_Default.end(), '\n'), 10);
  EXPECT_EQ(d.EmailText, "Die IP hat sich ge\xC3\xA4ndert in #CIP#");
  EXPECT_EQ(d.PingInterval, "5");
  EXPECT_EQ(d.PingInterValMS, "m");
  EXPECT_EQ(d.Editor, "");
  EXPECT_TRUE(errors.empty());

  // The second start skips the import: a changed machine value no longer reaches the user.
  registry.WriteValue(Hive::LocalMachine, kKey, "PingHost", "machine.example.com");
  SettingsStore next(registry, paths, program);
  next.ImportMachineSettings();
  next.LoadProgramSettings();
  EXPECT_EQ(next.Data().PingHost, "LocalHost");
}

TEST_F(SettingsStoreTest, MachineValuesSeedANewUser) {
  registry.WriteValue(Hive::LocalMachine, kKey, "PingHost", "gateway.example.com");
  registry.WriteValue(Hive::LocalMachine, kKey, "FTP_Login",
                      SettingsStore::ScrambleText("ftpuser"));
  registry.WriteValue(Hive::LocalMachine, kKey, "Language", "0");
  SettingsStore store(registry, paths, program);
  store.ImportMachineSettings();
  EXPECT_EQ(store.Data().PingHost, "gateway.example.com");
  EXPECT_EQ(store.Data().FTP_Login, "ftpuser");
  EXPECT_EQ(User("PingHost"), "gateway.example.com");
  EXPECT_EQ(User("FTP_Login"), SettingsStore::ScrambleText("ftpuser"));
  EXPECT_EQ(User("Language"), "0");
  EXPECT_EQ(User("AReadFirstReg"), "1");
}

TEST_F(SettingsStoreTest, LoadingNormalisesAndWritesBack) {
  TempDir other;
  const std::string editor = other / "editor";
  WriteFile(editor, "#!/bin/sh\n");
  const struct {
    const char* name;
    std::string stored;
    std::string loaded;
  } cases[] = {
      {"PingInterval", "0", "1"},
      {"PingInterval", "05", "15"},
      {"PingInterval", "", "5"},
      {"PingInterval", "30", "30"},
      {"PingInterValMS", "x", "m"},
      {"PingInterValMS", "s", "s"},
      {"PingInterValMS", "", "m"},
      {"Language", "7", "1"},
      {"Language", "0", "0"},
      {"Language", "", "1"},
      {"FTP_Auto", "7", "0"},
      {"FTP_Auto", "1", "1"},
      {"FTP_Auto", "10", "1"},  // cut to the first character first
      {"FTP_Trace", "01", "0"},
      {"ErrorDelay", "", "1"},
      {"FTP_Port", "", "21"},
      {"StaylineConnection", "", "0"},
      {"StaylineConnection", "My DSL", "My DSL"},
      {"FTP_UploadPath", "/srv/up/", "/srv/up"},
      {"FTP_UploadPath", "C:\\up\\", "C:\\up"},
      {"FTP_DownloadPath", "/", "/"},
      {"FTP_DownloadPath", "", paths.dataDir},
      {"Editor", other / "deleted-editor", ""},
      {"Editor", editor, editor},
      {"Program", "/no/such/stayline", program},
      {"LastUrl", "", "about:blank"},
      {"SmtpSecurity", "", "0"},
      {"SmtpSecurity", "1", "1"},
      {"SmtpSecurity", "2", "2"},
      {"SmtpSecurity", "3", "0"},
      {"SmtpSecurity", "12", "0"},
      {"SmtpSecurity", "tls", "0"},
      {"FTP_Security", "", "0"},
      {"FTP_Security", "1", "1"},
      {"FTP_Security", "2", "0"},
      {"TlsCAFile", "", ""},
      {"TlsCAFile", "/etc/ssl/private-ca.pem", "/etc/ssl/private-ca.pem"},
  };
  for (const auto& c : cases) {
    SeedUser({{c.name, c.stored}});
    SettingsStore store(registry, paths, program);
    store.ImportMachineSettings();
    ASSERT_TRUE(store.LoadProgramSettings());
    EXPECT_EQ(store.Data().Field(c.name), c.loaded)
        << c.name << " stored as \"" << c.stored << "\"";
    EXPECT_EQ(User(c.name), c.loaded) << c.name << " written back";
  }
  EXPECT_EQ(Machine("Program"), program) << "the program path goes to both keys";
}

TEST_F(SettingsStoreTest, PageAddressDefaultIsBuiltFromTheStoredPathAndName) {
  SeedUser({{"FTP_StartPath", "/pub"}, {"FTP_HTML_Name", "ip.htm"}, {"FTP_HTML_Default", "<p>"}});
  SettingsStore store(registry, paths, program);
  store.LoadProgramSettings();
  EXPECT_EQ(store.Data().DynaHomeUrl, "http://www.example.com/pub/ip.htm");
  EXPECT_EQ(store.Data().FTP_HTML_User, "<p>");
  EXPECT_EQ(settings::DefaultHomeUrl("/", "mydyn.htm"), "http://www.example.com/mydyn.htm");
}

TEST(ScrambleText, IsItsOwnInverseOnCharacters) {
  const std::string cases[] = {
      "abc",
      "Z",
      "P\xC3\xA4sswort \xE2\x82\xAC \xF0\x9F\x94\x91",
      std::string("\0\x1F", 2),
      std::string(300, 'x'),
  };
  for (const auto& plain : cases) {
    const std::string scrambled = SettingsStore::ScrambleText(plain);
    EXPECT_TRUE(platform::utf8::IsValid(scrambled));
    EXPECT_EQ(SettingsStore::ScrambleText(scrambled), plain.substr(0, 255));
    const auto a = platform::utf8::Decode(plain), b = platform::utf8::Decode(scrambled);
    ASSERT_EQ(b.size(), std::min<std::size_t>(a.size(), 255));
    for (std::size_t i = 0; i < b.size(); ++i) EXPECT_EQ(b[i], a[i] ^ 0x5A);
  }
  EXPECT_EQ(SettingsStore::ScrambleText(""), "");
  EXPECT_EQ(SettingsStore::ScrambleText("abc"), ";89");
  EXPECT_EQ(SettingsStore::ScrambleText("Z"), std::string("\0", 1));
  // Latin-1 "\xE4" (a-umlaut) became "\xBE" in the original; here as characters.
  EXPECT_EQ(SettingsStore::ScrambleText("\xC3\xA4"), "\xC2\xBE");
  EXPECT_EQ(SettingsStore::ScrambleText("\xE4"), "\xC2\xBE")
      << "a raw Latin-1 byte scrambles alike";
}

TEST_F(SettingsStoreTest, ScrambledValuesRoundTripThroughTheHiveFile) {
  const std::string password = "Zug\xC3\xBCnd\xE2\x82\xAC";
  {
    SettingsStore store(registry, paths, program);
    store.ImportMachineSettings();
    store.Data().FTP_Password = "abc";
    store.WriteField("FTP_Password");
    EXPECT_EQ(User("FTP_Password"), ";89") << "three other characters";
    EXPECT_EQ(store.Data().FTP_Password, "abc") << "memory stays plain";
    store.Data().SmtpServerPassword = password;
    store.Data().FTP_Host = "";
    store.SaveProgramSettings();
  }
  EXPECT_NO_THROW(
      platform::ParseHive(ReadFile(paths.configDir + "/HKCU.reg"), "HKEY_CURRENT_USER"));
  platform::Registry fresh(paths.configDir);
  SettingsStore store(fresh, paths, program);
  store.ImportMachineSettings();
  store.LoadProgramSettings();
  EXPECT_EQ(store.Data().FTP_Password, "abc");
  EXPECT_EQ(store.Data().SmtpServerPassword, password);
  EXPECT_EQ(store.Data().FTP_Host, "ftp. (your FTP host name)") << "empty takes the plain default";
  EXPECT_EQ(fresh.ReadValue(Hive::CurrentUser, kKey, "SmtpServerPassword"),
            SettingsStore::ScrambleText(password));
}

TEST_F(SettingsStoreTest, WriteLockStopsEveryRegistryAccess) {
  SettingsStore store(registry, paths, program);
  store.ImportMachineSettings();
  store.WriteProfile("P", TProfileData{.PProfil = "P"});
  store.Data().AutoRun = "1";
  store.UpdateAutoRun();
  store.Data().AutoRun = "0";
  store.SetWriteLock();
  EXPECT_TRUE(store.WriteLocked());
  const std::string user = ReadFile(paths.configDir + "/HKCU.reg");
  const std::string machine = ReadFile(paths.configDir + "/HKLM.reg");

  store.Data().PingHost = "changed";
  store.WriteSetting("PingHost", "changed");
  store.WriteField("PingHost");
  store.WriteMachineSetting("PingHost", "changed");
  store.SaveProgramSettings();
  EXPECT_TRUE(store.LoadProgramSettings());
  EXPECT_EQ(store.Data().PingHost, "changed") << "loading leaves the record alone";
  store.UpdateAutoRun();
  store.WriteProfile("Q", TProfileData{});
  store.DeleteProfile("P");
  EXPECT_EQ(store.ReadSetting("PingHost"), "");
  EXPECT_EQ(store.ReadMachineSetting("Program"), "");
  std::vector<std::string> names{"stale"};
  store.GetProfileNames(names);
  EXPECT_TRUE(names.empty());

  EXPECT_EQ(ReadFile(paths.configDir + "/HKCU.reg"), user);
  EXPECT_EQ(ReadFile(paths.configDir + "/HKLM.reg"), machine);
  EXPECT_TRUE(Exists(paths.autostartDir + "/stayline.desktop"));
}

TEST_F(SettingsStoreTest, ProfilesAreSubkeysWithFifteenValues) {
  SettingsStore store(registry, paths, program);
  const TProfileData profile{"Home",  "ftp.example.com",
                             "me",    "Zecret",
                             "/www",  "/up",
                             "/down", "1",
                             "0",     "1",
                             "0",     "*.htm;*.txt",
                             "2121",  "my \"home\" server",
                             "1"};
  store.WriteProfile("Home", profile);
  store.WriteProfile("archive", TProfileData{.PProfil = "archive"});
  const std::string key = std::string(settings::kProfileKey) + "\\Home";
  EXPECT_EQ(
      registry.ValueNames(Hive::CurrentUser, key),
      (std::vector<std::string>{"PProfil", "PHost", "PUserID", "PPassword", "PHostDir", "PUpload ",
                                "PDownload", "PPassive", "PTransferType", "PTrace", "PAnonym",
                                "PASCIIFilter", "PPort", "PComment", "FTP_Security"}));
  EXPECT_EQ(registry.ReadValue(Hive::CurrentUser, key, "PHost"),
            SettingsStore::ScrambleText("ftp.example.com"));
  EXPECT_EQ(registry.ReadValue(Hive::CurrentUser, key, "PUserID"),
            SettingsStore::ScrambleText("me"));
  EXPECT_EQ(registry.ReadValue(Hive::CurrentUser, key, "PPassword"),
            SettingsStore::ScrambleText("Zecret"));
  EXPECT_EQ(registry.ReadValue(Hive::CurrentUser, key, "PUpload "), "/up");
  EXPECT_EQ(registry.ReadValue(Hive::CurrentUser, key, "PUpload"), std::nullopt);
  EXPECT_NE(ReadFile(paths.configDir + "/HKCU.reg").find("\"PUpload \"=\"/up\""),
            std::string::npos);

  platform::Registry fresh(paths.configDir);
  SettingsStore reread(fresh, paths, program);
  EXPECT_EQ(reread.ReadProfile("home"), profile);
  EXPECT_EQ(reread.ReadProfile("missing"), TProfileData{});
  std::vector<std::string> names;
  reread.GetProfileNames(names);
  EXPECT_EQ(names, (std::vector<std::string>{"archive", "Home"}));

  reread.DeleteProfile("HOME");
  // A stray value named like a profile is what gets removed when there is no such subkey.
  fresh.WriteValue(Hive::CurrentUser, std::string(settings::kProfileKey), "Old", "x");
  reread.DeleteProfile("Old");
  EXPECT_EQ(fresh.ValueNames(Hive::CurrentUser, std::string(settings::kProfileKey)).size(), 0u);
  reread.GetProfileNames(names);
  EXPECT_EQ(names, (std::vector<std::string>{"archive"}));

  for (const char* bad : {"", "a\\b", "tab\there"}) {
    EXPECT_THROW(reread.WriteProfile(bad, profile), platform::RegistryError) << bad;
  }
}

TEST_F(SettingsStoreTest, AutoRunKeepsRunOnceValueAndAutostartEntryTogether) {
  SettingsStore store(registry, paths, program);
  store.ImportMachineSettings();
  const std::string entry = paths.autostartDir + "/stayline.desktop";
  store.Data().AutoRun = "1";
  store.UpdateAutoRun();
  EXPECT_EQ(registry.ReadValue(Hive::CurrentUser, kRunOnce, "Stayline"), "\"" + program + "\"");
  EXPECT_NE(ReadFile(entry).find("\nExec=\"" + program + "\"\n"), std::string::npos);
  store.Data().AutoRun = "0";
  store.UpdateAutoRun();
  EXPECT_EQ(registry.ReadValue(Hive::CurrentUser, kRunOnce, "Stayline"), std::nullopt);
  EXPECT_FALSE(Exists(entry));
  EXPECT_TRUE(paths.autostartDir.starts_with(dir.Path() + "/config/"));
}

TEST_F(SettingsStoreTest, RefusedMachineKeyIsReportedOnceAndTheImportCompletes) {
  WriteFile(dir / "blocked", "");
  platform::Registry reg(
      platform::Registry::HiveFiles{paths.configDir + "/HKCU.reg", dir / "blocked/HKLM.reg"});
  std::vector<std::string> seen;
  reg.OnError = [&](const std::string& e) { seen.push_back(e); };
  SettingsStore store(reg, paths, program);
  store.ImportMachineSettings();
  store.LoadProgramSettings();
  store.SaveProgramSettings();
  EXPECT_EQ(seen.size(), 1u);
  platform::Registry fresh(paths.configDir);
  EXPECT_EQ(fresh.ReadValue(Hive::CurrentUser, kKey, "AReadFirstReg"), "1");
  EXPECT_EQ(fresh.ReadValue(Hive::CurrentUser, kKey, "PingHost"), "LocalHost");
}

TEST_F(SettingsStoreTest, DamagedUserHiveStartsFromDefaultsAndIsKeptAside) {
  const std::string damaged =
      "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\SOFTWARE\n";
  WriteFile(paths.configDir + "/HKCU.reg", damaged);
  SettingsStore store(registry, paths, program);
  store.ImportMachineSettings();
  EXPECT_EQ(store.Data().PingHost, "LocalHost");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(ReadFile(paths.configDir + "/HKCU.reg.damaged"), damaged);
  EXPECT_EQ(User("AReadFirstReg"), "1");
}

TEST(TRegsData, FieldFindsEveryValueByItsExactName) {
  settings::TRegsData data;
  data.FTP_Login_Anonymus = "1";
  EXPECT_EQ(data.Field("FTP_Login_Anonymus"), "1");
  data.Field("PingInterValMS") = "s";
  EXPECT_EQ(data.PingInterValMS, "s");
  EXPECT_THROW(data.Field("PingIntervalMS"), std::out_of_range);
  EXPECT_EQ(settings::RegsValueTable().size(), 67u);
}

}  // namespace

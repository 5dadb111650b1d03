#pragma once
// The settings store: owns the settings record TRegsData and moves it between memory and the
// registry. Every value lives as a string under the user key HKCU\SOFTWARE\_StaylineConnections;
// the machine key HKLM\SOFTWARE\_StaylineConnections seeds a user's key on the user's first start
// (ImportMachineSettings). Host names, logins and passwords are stored scrambled (ScrambleText)
// and held plain in memory. FTP profiles are subkeys of ...\Profile. "AutoRun" is mirrored by the
// RunOnce value "Stayline", whose effect on this platform is the autostart entry.
//
// Once the write lock is set (the program is being removed), the store neither reads nor writes
// the registry for the rest of the session: reads give "", writes and loads do nothing.
//
// Registry failures of the user hive propagate as platform::RegistryError.
//
// Threading: user-interface thread only.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/autostart.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "settings/profile_data.h"
#include "settings/regs_data.h"
#include "settings/regs_table.h"

namespace settings {

inline constexpr std::string_view kUserKey = "SOFTWARE\\_StaylineConnections";
inline constexpr std::string_view kProfileKey = "SOFTWARE\\_StaylineConnections\\Profile";
inline constexpr std::string_view kRunOnceKey =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
inline constexpr std::string_view kRunOnceValue = "Stayline";

class SettingsStore {
 public:
  SettingsStore(platform::Registry& registry, platform::Paths paths, std::string programPath);
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;

  [[nodiscard]] TRegsData& Data() { return data_; }
  [[nodiscard]] const TRegsData& Data() const { return data_; }

  // Reads every value (from the machine key while the import runs), applies defaults and
  // normalisation and writes every value back to the user key. Returns true.
  bool LoadProgramSettings();
  // Normalises the record and writes every value plus the key's unnamed value.
  void SaveProgramSettings();

  // One value of the user key as stored ("" when missing); no scrambling.
  [[nodiscard]] std::string ReadSetting(const std::string& name);
  void WriteSetting(const std::string& name, const std::string& value);
  [[nodiscard]] std::string ReadMachineSetting(const std::string& name);
  void WriteMachineSetting(const std::string& name, const std::string& value);
  // Writes the record's current value of `name` (scrambled where the table says so), the usual
  // way a handler persists one option: Data().X = ...; WriteField("X").
  void WriteField(std::string_view name);

  // Seeds the user key from the machine key unless "AReadFirstReg" is already "1".
  void ImportMachineSettings();

  [[nodiscard]] TProfileData ReadProfile(const std::string& name);
  // Throws platform::RegistryError for a name that cannot be a key (empty, "\", control chars).
  void WriteProfile(const std::string& name, const TProfileData& profile);
  void DeleteProfile(const std::string& name);
  void GetProfileNames(std::vector<std::string>& names);

  // RunOnce value "Stayline" = quoted program path while "AutoRun" is "1", else removed; the
  // autostart entry follows it. A failing autostart entry is reported through OnError.
  void UpdateAutoRun();

  // XOR 0x5A on each character (code point) of the first 255; its own inverse.
  static std::string ScrambleText(const std::string& text);

  // Deletes the program's key with all its values and profiles, from the user hive and then from
  // the machine hive (a machine hive that cannot be written is reported, as every machine write).
  void DeleteAllRegistryEintraege();

  void SetWriteLock() { writeLocked_ = true; }
  [[nodiscard]] bool WriteLocked() const { return writeLocked_; }

  // The program directory of this platform (data folder): logs, page, listing cache.
  [[nodiscard]] const std::string& ProgramDirectory() const { return paths_.dataDir; }
  [[nodiscard]] const std::string& ProgramPath() const { return programPath_; }
  [[nodiscard]] const platform::Paths& Paths() const { return paths_; }

  // Problems that do not stop the program (the autostart entry); falls back to the registry's.
  std::function<void(const std::string&)> OnError;

 private:
  // The stored form of a field: scrambled for scrambled values.
  [[nodiscard]] std::string StoredForm(const ValueSpec& spec) const;
  void WriteStored(const ValueSpec& spec, bool toMachineToo);
  void NormaliseRecord();
  [[nodiscard]] NormaliseContext Context() const;
  void Report(const std::string& message);

  platform::Registry& registry_;
  platform::Paths paths_;
  std::string programPath_;
  platform::Autostart autostart_;
  TRegsData data_;
  bool readFromMachine_ = false;
  bool writeLocked_ = false;
};

}  // namespace settings

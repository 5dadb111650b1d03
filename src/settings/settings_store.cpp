#include "settings/settings_store.h"

#include "platform/program_info.h"
#include "platform/utf8.h"

namespace settings {

namespace {

using platform::Hive;

constexpr std::size_t kScrambleMaxChars = 255;
constexpr char32_t kScrambleKey = 0x5A;

const std::string kUser(kUserKey);
const std::string kProfiles(kProfileKey);

// A profile name must be one key name: not empty, no key separator, nothing the hive file
// cannot hold in a key line.
bool ValidProfileName(const std::string& name) {
  if (name.empty()) return false;
  for (char c : name) {
    if (c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  }
  return true;
}

std::string ProfilePath(const std::string& name) {
  return kProfiles + "\\" + name;
}

}  // namespace

SettingsStore::SettingsStore(platform::Registry& registry, platform::Paths paths,
                             std::string programPath)
    : registry_(registry),
      paths_(std::move(paths)),
      programPath_(std::move(programPath)),
      autostart_(paths_.autostartDir) {}

std::string SettingsStore::ScrambleText(const std::string& text) {
  if (text.empty()) return text;
  std::u32string chars = platform::utf8::Decode(text);
  if (chars.size() > kScrambleMaxChars) chars.resize(kScrambleMaxChars);
  for (char32_t& c : chars) c ^= kScrambleKey;
  return platform::utf8::Encode(chars);
}

NormaliseContext SettingsStore::Context() const {
  return {paths_.dataDir, programPath_};
}

void SettingsStore::DeleteAllRegistryEintraege() {
  registry_.DeleteKey(Hive::CurrentUser, kUser);
  registry_.DeleteKey(Hive::LocalMachine, kUser);
}

void SettingsStore::Report(const std::string& message) {
  if (OnError) {
    OnError(message);
  } else if (registry_.OnError) {
    registry_.OnError(message);
  }
}

std::string SettingsStore::ReadSetting(const std::string& name) {
  if (writeLocked_) return {};
  const Hive hive = readFromMachine_ ? Hive::LocalMachine : Hive::CurrentUser;
  return registry_.ReadValue(hive, kUser, name).value_or(std::string());
}

void SettingsStore::WriteSetting(const std::string& name, const std::string& value) {
  if (writeLocked_) return;
  registry_.WriteValue(Hive::CurrentUser, kUser, name, value);
}

std::string SettingsStore::ReadMachineSetting(const std::string& name) {
  if (writeLocked_) return {};
  return registry_.ReadValue(Hive::LocalMachine, kUser, name).value_or(std::string());
}

void SettingsStore::WriteMachineSetting(const std::string& name, const std::string& value) {
  if (writeLocked_) return;
  registry_.WriteValue(Hive::LocalMachine, kUser, name, value);
}

std::string SettingsStore::StoredForm(const ValueSpec& spec) const {
  const std::string& value = data_.*spec.Member;
  return spec.Kind == ValueKind::Scrambled ? ScrambleText(value) : value;
}

void SettingsStore::WriteStored(const ValueSpec& spec, bool toMachineToo) {
  const std::string stored = StoredForm(spec);
  const std::string name(spec.Name);
  WriteSetting(name, stored);
  if (toMachineToo) WriteMachineSetting(name, stored);
  // Memory holds exactly what the registry holds, unscrambled (scrambling keeps 255 characters).
  if (spec.Kind == ValueKind::Scrambled) data_.*spec.Member = ScrambleText(stored);
}

void SettingsStore::WriteField(std::string_view name) {
  const ValueSpec* spec = FindValueSpec(name);
  if (spec == nullptr) throw std::out_of_range("unknown setting \"" + std::string(name) + "\"");
  WriteStored(*spec, false);
}

void SettingsStore::NormaliseRecord() {
  const NormaliseContext context = Context();
  for (const auto& spec : RegsValueTable()) {
    NormaliseValue(spec, data_.*spec.Member, data_, context);
  }
}

bool SettingsStore::LoadProgramSettings() {
  if (writeLocked_) return true;
  registry_.Batch([&] {
    // Everything is read first so that defaults built from other values (the page address)
    // see the stored values rather than the previous contents of the record.
    for (const auto& spec : RegsValueTable()) {
      std::string value = ReadSetting(std::string(spec.Name));
      if (spec.Kind == ValueKind::Scrambled) value = ScrambleText(value);
      if (IsFlag(spec.Kind) && value.size() > 1) value.resize(1);
      data_.*spec.Member = std::move(value);
    }
    NormaliseRecord();
    for (const auto& spec : RegsValueTable()) {
      if (spec.Kind == ValueKind::ReadFirst) continue;
      WriteStored(spec, spec.Kind == ValueKind::Program);
    }
  });
  return true;
}

void SettingsStore::SaveProgramSettings() {
  if (writeLocked_) return;
  registry_.Batch([&] {
    NormaliseRecord();
    for (const auto& spec : RegsValueTable()) {
      // The first-start marker is only ever set, never cleared by a save.
      if (spec.Kind == ValueKind::ReadFirst && data_.AReadFirstReg.empty()) continue;
      WriteStored(spec, false);
    }
    WriteSetting("", std::string(kProgramFileName));
  });
}

void SettingsStore::ImportMachineSettings() {
  if (writeLocked_ || ReadSetting("AReadFirstReg") == "1") return;
  registry_.Batch([&] {
    readFromMachine_ = true;
    try {
      LoadProgramSettings();
    } catch (...) {
      readFromMachine_ = false;
      throw;
    }
    data_.AReadFirstReg = "1";
    data_.Program = platform::ProgramInfo::FileExists(programPath_) ? programPath_
                                                                    : std::string(kProgramFileName);
    // The machine key gets the complete, normalised set too, so it can seed later users.
    for (const auto& spec : RegsValueTable()) WriteStored(spec, true);
    WriteMachineSetting("", std::string(kProgramFileName));
    readFromMachine_ = false;
    WriteSetting("AReadFirstReg", "1");
    SaveProgramSettings();
  });
}

TProfileData SettingsStore::ReadProfile(const std::string& name) {
  TProfileData profile;
  if (writeLocked_ || !ValidProfileName(name)) return profile;
  const std::string key = ProfilePath(name);
  for (const auto& spec : ProfileValueTable()) {
    std::string value =
        registry_.ReadValue(Hive::CurrentUser, key, std::string(spec.Name)).value_or("");
    profile.*spec.Member = spec.Scrambled ? ScrambleText(value) : value;
  }
  return profile;
}

void SettingsStore::WriteProfile(const std::string& name, const TProfileData& profile) {
  if (writeLocked_) return;
  if (!ValidProfileName(name)) {
    throw platform::RegistryError("invalid FTP profile name \"" + name + "\"");
  }
  const std::string key = ProfilePath(name);
  registry_.Batch([&] {
    registry_.CreateKey(Hive::CurrentUser, key);
    for (const auto& spec : ProfileValueTable()) {
      const std::string& value = profile.*spec.Member;
      registry_.WriteValue(Hive::CurrentUser, key, std::string(spec.Name),
                           spec.Scrambled ? ScrambleText(value) : value);
    }
  });
}

void SettingsStore::DeleteProfile(const std::string& name) {
  if (writeLocked_) return;
  registry_.Batch([&] {
    if (ValidProfileName(name)) {
      const std::string key = ProfilePath(name);
      for (const auto& value : registry_.ValueNames(Hive::CurrentUser, key)) {
        registry_.DeleteValue(Hive::CurrentUser, key, value);
      }
      if (registry_.DeleteKey(Hive::CurrentUser, key)) return;
    }
    registry_.DeleteValue(Hive::CurrentUser, kProfiles, name);
  });
}

void SettingsStore::GetProfileNames(std::vector<std::string>& names) {
  names.clear();
  if (writeLocked_) return;
  names = registry_.SubKeyNames(Hive::CurrentUser, kProfiles);
}

void SettingsStore::UpdateAutoRun() {
  if (writeLocked_) return;
  const std::string runOnceKey(kRunOnceKey), valueName(kRunOnceValue);
  const bool on = data_.AutoRun == "1";
  if (on) {
    registry_.WriteValue(Hive::CurrentUser, runOnceKey, valueName, "\"" + programPath_ + "\"");
  } else {
    registry_.DeleteValue(Hive::CurrentUser, runOnceKey, valueName);
  }
  try {
    if (on) {
      autostart_.Enable(programPath_);
    } else {
      autostart_.Disable();
    }
  } catch (const std::exception& e) {
    Report(std::string("Cannot update the autostart entry: ") + e.what());
  }
}

}  // namespace settings

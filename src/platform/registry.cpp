#include "platform/registry.h"

#include <sys/stat.h>
#include <cstdio>

#include "platform/atomic_file.h"
#include "platform/reg_format.h"
#include "platform/utf8.h"

namespace platform {

namespace {

std::vector<std::string> KeyPath(const std::string& keyPath) {
  try {
    return SplitKeyPath(keyPath);
  } catch (const std::invalid_argument& e) {
    throw RegistryError(std::string("invalid registry key: ") + e.what());
  }
}

std::string FolderOf(const std::string& file) {
  const std::size_t slash = file.rfind('/');
  return slash == std::string::npos ? "." : file.substr(0, slash == 0 ? 1 : slash);
}

// First of "<file>.damaged", "<file>.damaged.1", ... that does not exist yet, so an older
// damaged copy is never lost.
std::string FreeDamagedName(const std::string& file) {
  std::string name = file + ".damaged";
  struct stat st {};
  for (int i = 1; ::lstat(name.c_str(), &st) == 0 && i < 1000; ++i) {
    name = file + ".damaged." + std::to_string(i);
  }
  return name;
}

}  // namespace

Registry::Registry(const std::string& configDir)
    : Registry(HiveFiles{configDir + "/HKCU.reg", configDir + "/HKLM.reg"}) {}

Registry::Registry(HiveFiles files) {
  hives_[0].File = std::move(files.CurrentUser);
  hives_[0].RootName = "HKEY_CURRENT_USER";
  hives_[0].IsUser = true;
  hives_[1].File = std::move(files.LocalMachine);
  hives_[1].RootName = "HKEY_LOCAL_MACHINE";
}

Registry::HiveState& Registry::State(Hive hive) {
  return hives_[hive == Hive::CurrentUser ? 0 : 1];
}

const std::string& Registry::HiveFile(Hive hive) const {
  return hives_[hive == Hive::CurrentUser ? 0 : 1].File;
}

RegKey& Registry::Root(Hive hive) {
  HiveState& state = State(hive);
  if (!state.Root) Load(state);
  return *state.Root;
}

void Registry::Report(const std::string& message) {
  if (OnError) OnError(message);
}

void Registry::Load(HiveState& state) {
  // Only one instance runs, so a temporary file left next to the hive is from a killed writer.
  RemoveAtomicLeftovers(state.File);
  std::string text, error;
  switch (ReadWholeFile(state.File, text, error)) {
    case ReadResult::Missing:
      state.Root = std::make_unique<RegKey>();
      return;
    case ReadResult::Failed: {
      const std::string message = "Cannot read the settings file " + state.File + ": " + error;
      if (state.IsUser) throw RegistryError(message);
      state.Blocked = message;
      state.FailureReported = true;
      state.Root = std::make_unique<RegKey>();
      Report(message + ". Machine-wide settings are not saved in this session.");
      return;
    }
    case ReadResult::Ok:
      break;
  }
  try {
    state.Root = ParseHive(text, state.RootName);
    // A hive copied in or made by hand may be readable by others; it holds passwords.
    if (MakePrivate(state.File) == Privacy::Tightened) Report(TightenedMessage(state.File));
    return;
  } catch (const HiveFormatError& e) {
    state.Root = std::make_unique<RegKey>();
    const std::string aside = FreeDamagedName(state.File);
    std::string message = "The settings file " + state.File + " is damaged (" + e.what() + "). ";
    if (std::rename(state.File.c_str(), aside.c_str()) == 0) {
      // The damaged copy keeps the passwords it held: nobody else may read it, whatever mode
      // the original had.
      ::chmod(aside.c_str(), 0600);
      message += "It was kept as " + aside + "; its settings start again from their defaults.";
    } else {
      message +=
          "It could not be moved aside and is left untouched; changed settings are not "
          "saved in this session.";
      state.Blocked = "The settings file " + state.File + " is damaged and was left untouched";
      state.FailureReported = true;
    }
    Report(message);
  }
}

void Registry::Changed(HiveState& state) {
  state.Dirty = true;
  if (batchDepth_ == 0) Persist(state);
}

void Registry::Persist(HiveState& state) {
  if (!state.Dirty) return;
  if (!state.Blocked.empty()) {
    if (state.IsUser) throw RegistryError(state.Blocked);
    return;
  }
  try {
    CreateDirectories(FolderOf(state.File), 0700);
    WriteFileAtomically(state.File, SerializeHive(*state.Root, state.RootName), 0600);
    state.Dirty = false;
  } catch (const std::exception& e) {
    const std::string message = std::string("Cannot save the settings: ") + e.what();
    if (state.IsUser) throw RegistryError(message);
    if (!state.FailureReported) {
      state.FailureReported = true;
      Report(message + ". Machine-wide settings are kept for this session only.");
    }
  }
}

void Registry::Flush() {
  Persist(hives_[1]);  // never throws
  Persist(hives_[0]);
}

void Registry::Batch(const std::function<void()>& body) {
  ++batchDepth_;
  try {
    body();
  } catch (...) {
    if (--batchDepth_ == 0) {
      try {
        Flush();
      } catch (const std::exception&) {
        // the body's own error is the one the caller needs to see
      }
    }
    throw;
  }
  if (--batchDepth_ == 0) Flush();
}

std::optional<std::string> Registry::ReadValue(Hive hive, const std::string& keyPath,
                                               const std::string& name) {
  const RegKey* key = Root(hive).Find(KeyPath(keyPath));
  if (key == nullptr) return std::nullopt;
  const std::string* data = key->FindValue(name);
  if (data == nullptr) return std::nullopt;
  return *data;
}

void Registry::WriteValue(Hive hive, const std::string& keyPath, const std::string& name,
                          const std::string& value) {
  const auto path = KeyPath(keyPath);
  RegKey& root = Root(hive);
  const bool existed = root.Find(path) != nullptr;
  const bool changed = root.Create(path).SetValue(utf8::Sanitize(name), utf8::Sanitize(value));
  if (changed || !existed) Changed(State(hive));
}

bool Registry::DeleteValue(Hive hive, const std::string& keyPath, const std::string& name) {
  RegKey* key = Root(hive).Find(KeyPath(keyPath));
  if (key == nullptr || !key->RemoveValue(name)) return false;
  Changed(State(hive));
  return true;
}

void Registry::CreateKey(Hive hive, const std::string& keyPath) {
  const auto path = KeyPath(keyPath);
  RegKey& root = Root(hive);
  if (root.Find(path) != nullptr) return;
  root.Create(path);
  Changed(State(hive));
}

bool Registry::DeleteKey(Hive hive, const std::string& keyPath) {
  auto path = KeyPath(keyPath);
  if (path.empty()) return false;  // the hive root itself cannot be removed
  const std::string last = path.back();
  path.pop_back();
  RegKey* parent = Root(hive).Find(path);
  if (parent == nullptr || !parent->RemoveSubKey(last)) return false;
  Changed(State(hive));
  return true;
}

bool Registry::KeyExists(Hive hive, const std::string& keyPath) {
  return Root(hive).Find(KeyPath(keyPath)) != nullptr;
}

std::vector<std::string> Registry::SubKeyNames(Hive hive, const std::string& keyPath) {
  std::vector<std::string> names;
  if (const RegKey* key = Root(hive).Find(KeyPath(keyPath))) {
    for (const auto& sub : key->SubKeys()) names.push_back(sub->Name());
  }
  return names;
}

std::vector<std::string> Registry::ValueNames(Hive hive, const std::string& keyPath) {
  std::vector<std::string> names;
  if (const RegKey* key = Root(hive).Find(KeyPath(keyPath))) {
    for (const auto& value : key->Values()) names.push_back(value.first);
  }
  return names;
}

}  // namespace platform

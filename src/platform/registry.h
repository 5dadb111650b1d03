#pragma once
// The registry of this platform: the two hives HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE, each
// kept in memory and stored as one text file (config/HKCU.reg, config/HKLM.reg; format in
// docs/registry-format.md). Key paths are relative to the hive root ("SOFTWARE\\X", a leading
// backslash is tolerated); key and value names are matched ignoring case and keep the spelling
// they were created with. All values are strings; the name "" is the key's unnamed value.
//
// Every change rewrites its hive file atomically (mode 0600), unless it happens inside Batch(),
// which writes each changed hive once at the end. A write that changes nothing writes nothing.
//
// Failures:
// - A damaged hive file is moved aside as "<file>.damaged" and reported through OnError; the hive
//   then starts empty. If it cannot be moved aside it is never overwritten in this session.
// - The user hive: a file that cannot be read or written throws RegistryError to the caller.
// - The machine hive may be refused on a shared machine: a read or write failure is reported once
//   through OnError and the program goes on with the values in memory.
//
// Threading: user-interface thread only. Hives are loaded on first use, so OnError can be set
// after construction.

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/reg_key.h"

namespace platform {

enum class Hive { CurrentUser, LocalMachine };

class RegistryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Registry {
 public:
  struct HiveFiles {
    std::string CurrentUser;
    std::string LocalMachine;
  };

  // Hives in configDir/HKCU.reg and configDir/HKLM.reg.
  explicit Registry(const std::string& configDir);
  explicit Registry(HiveFiles files);
  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;

  [[nodiscard]] std::optional<std::string> ReadValue(Hive hive, const std::string& keyPath,
                                                     const std::string& name);
  // Creates missing keys on the way. Invalid UTF-8 in `value` is stored as Latin-1 characters.
  void WriteValue(Hive hive, const std::string& keyPath, const std::string& name,
                  const std::string& value);
  bool DeleteValue(Hive hive, const std::string& keyPath, const std::string& name);
  void CreateKey(Hive hive, const std::string& keyPath);
  // Removes the key with all its values and subkeys.
  bool DeleteKey(Hive hive, const std::string& keyPath);
  [[nodiscard]] bool KeyExists(Hive hive, const std::string& keyPath);
  // Subkeys in the registry's order (alphabetical, ignoring case); values in creation order.
  [[nodiscard]] std::vector<std::string> SubKeyNames(Hive hive, const std::string& keyPath);
  [[nodiscard]] std::vector<std::string> ValueNames(Hive hive, const std::string& keyPath);

  // Runs `body` and then writes each hive it changed once. Batches nest.
  void Batch(const std::function<void()>& body);

  [[nodiscard]] const std::string& HiveFile(Hive hive) const;

  std::function<void(const std::string&)> OnError;

 private:
  struct HiveState {
    std::string File;
    std::string RootName;
    bool IsUser = false;
    std::unique_ptr<RegKey> Root;
    // Why this hive must not be written in this session (its file could not be read or moved
    // aside); empty when writing is allowed.
    std::string Blocked;
    bool Dirty = false;
    bool FailureReported = false;
  };

  HiveState& State(Hive hive);
  RegKey& Root(Hive hive);
  void Load(HiveState& state);
  void Changed(HiveState& state);
  void Flush();
  void Persist(HiveState& state);
  void Report(const std::string& message);

  HiveState hives_[2];
  int batchDepth_ = 0;
};

}  // namespace platform

#pragma once
// One key of an in-memory registry hive: its name as stored, its string values in the order they
// were created, and its subkeys kept in the registry's enumeration order (names compared without
// regard to case). Names are looked up ignoring case and keep the spelling of their creation.
//
// Threading: plain data, owned and used by one thread (the Registry's).

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

class RegKey {
 public:
  explicit RegKey(std::string name = "") : name_(std::move(name)) {}

  [[nodiscard]] const std::string& Name() const { return name_; }

  [[nodiscard]] RegKey* FindSubKey(std::string_view name);
  [[nodiscard]] const RegKey* FindSubKey(std::string_view name) const;
  // Finds or creates.
  RegKey& SubKey(std::string_view name);
  bool RemoveSubKey(std::string_view name);
  [[nodiscard]] const std::vector<std::unique_ptr<RegKey>>& SubKeys() const { return subKeys_; }

  [[nodiscard]] const std::string* FindValue(std::string_view name) const;
  // Returns false when the value already held exactly this data (nothing changed).
  bool SetValue(std::string_view name, std::string data);
  bool RemoveValue(std::string_view name);
  [[nodiscard]] const std::vector<std::pair<std::string, std::string>>& Values() const {
    return values_;
  }

  // Walks a path of key names below this key; nullptr when a part is missing.
  [[nodiscard]] RegKey* Find(const std::vector<std::string>& path);
  RegKey& Create(const std::vector<std::string>& path);

 private:
  std::string name_;
  std::vector<std::pair<std::string, std::string>> values_;
  std::vector<std::unique_ptr<RegKey>> subKeys_;
};

// Splits "SOFTWARE\\_StaylineConnections\\Profile" into its key names. Leading and trailing
// backslashes are tolerated; an empty name inside the path, or a name holding a control
// character (which the hive file cannot hold), throws std::invalid_argument.
std::vector<std::string> SplitKeyPath(std::string_view path);

}  // namespace platform

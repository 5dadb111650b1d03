#pragma once
// One key of an in-memory registry hive: its name as stored, its string values in the order they
// were created, and its subkeys kept in the registry's enumeration order (names compared without
// regard to case). Names are looked up ignoring case and keep the spelling of their creation.
//
// Lookups go through the folded (upper-case) names, so loading a key of many values or many
// subkeys costs time in proportion to their number, not its square.
//
// Threading: plain data, owned and used by one thread (the Registry's).

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
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
  // In enumeration order: alphabetical by upper-case name.
  [[nodiscard]] std::vector<const RegKey*> SubKeys() const;

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
  // Folded value name -> its place in values_.
  std::unordered_map<std::string, std::size_t> valueIndex_;
  // Folded subkey name -> subkey; the map's byte order of folded names is the enumeration order.
  std::map<std::string, std::unique_ptr<RegKey>, std::less<>> subKeys_;
};

// Splits "SOFTWARE\\_StaylineConnections\\Profile" into its key names. Leading and trailing
// backslashes are tolerated; an empty name inside the path, or a name holding a control
// character (which the hive file cannot hold), throws std::invalid_argument.
std::vector<std::string> SplitKeyPath(std::string_view path);

}  // namespace platform

#include "platform/reg_key.h"

#include <algorithm>
#include <stdexcept>

#include "platform/utf8.h"

namespace platform {

RegKey* RegKey::FindSubKey(std::string_view name) {
  for (auto& key : subKeys_) {
    if (utf8::EqualsFolded(key->name_, name)) return key.get();
  }
  return nullptr;
}

const RegKey* RegKey::FindSubKey(std::string_view name) const {
  return const_cast<RegKey*>(this)->FindSubKey(name);
}

RegKey& RegKey::SubKey(std::string_view name) {
  if (RegKey* found = FindSubKey(name)) return *found;
  const std::string folded = utf8::Fold(name);
  const auto pos = std::find_if(subKeys_.begin(), subKeys_.end(),
                                [&](const auto& key) { return utf8::Fold(key->name_) > folded; });
  return **subKeys_.insert(pos, std::make_unique<RegKey>(std::string(name)));
}

bool RegKey::RemoveSubKey(std::string_view name) {
  const auto pos = std::find_if(subKeys_.begin(), subKeys_.end(), [&](const auto& key) {
    return utf8::EqualsFolded(key->name_, name);
  });
  if (pos == subKeys_.end()) return false;
  subKeys_.erase(pos);
  return true;
}

const std::string* RegKey::FindValue(std::string_view name) const {
  for (const auto& [valueName, data] : values_) {
    if (utf8::EqualsFolded(valueName, name)) return &data;
  }
  return nullptr;
}

bool RegKey::SetValue(std::string_view name, std::string data) {
  for (auto& [valueName, current] : values_) {
    if (utf8::EqualsFolded(valueName, name)) {
      if (current == data) return false;
      current = std::move(data);
      return true;
    }
  }
  values_.emplace_back(std::string(name), std::move(data));
  return true;
}

bool RegKey::RemoveValue(std::string_view name) {
  const auto pos = std::find_if(values_.begin(), values_.end(), [&](const auto& value) {
    return utf8::EqualsFolded(value.first, name);
  });
  if (pos == values_.end()) return false;
  values_.erase(pos);
  return true;
}

RegKey* RegKey::Find(const std::vector<std::string>& path) {
  RegKey* key = this;
  for (const auto& name : path) {
    key = key->FindSubKey(name);
    if (key == nullptr) return nullptr;
  }
  return key;
}

RegKey& RegKey::Create(const std::vector<std::string>& path) {
  RegKey* key = this;
  for (const auto& name : path) key = &key->SubKey(name);
  return *key;
}

std::vector<std::string> SplitKeyPath(std::string_view path) {
  while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
  while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  std::vector<std::string> names;
  if (path.empty()) return names;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = path.find('\\', start);
    const std::string_view name = path.substr(start, end - start);
    if (name.empty())
      throw std::invalid_argument("empty key name in \"" + std::string(path) + "\"");
    for (char c : name) {
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
        throw std::invalid_argument("control character in key name \"" + std::string(path) + "\"");
      }
    }
    names.push_back(utf8::Sanitize(name));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return names;
}

}  // namespace platform

#include "platform/reg_key.h"

#include <stdexcept>

#include "platform/utf8.h"

namespace platform {

RegKey* RegKey::FindSubKey(std::string_view name) {
  const auto it = subKeys_.find(utf8::Fold(name));
  return it == subKeys_.end() ? nullptr : it->second.get();
}

const RegKey* RegKey::FindSubKey(std::string_view name) const {
  return const_cast<RegKey*>(this)->FindSubKey(name);
}

RegKey& RegKey::SubKey(std::string_view name) {
  auto [it, added] = subKeys_.try_emplace(utf8::Fold(name));
  if (added) it->second = std::make_unique<RegKey>(std::string(name));
  return *it->second;
}

bool RegKey::RemoveSubKey(std::string_view name) {
  return subKeys_.erase(utf8::Fold(name)) > 0;
}

std::vector<const RegKey*> RegKey::SubKeys() const {
  std::vector<const RegKey*> keys;
  keys.reserve(subKeys_.size());
  for (const auto& [folded, key] : subKeys_) keys.push_back(key.get());
  return keys;
}

const std::string* RegKey::FindValue(std::string_view name) const {
  const auto it = valueIndex_.find(utf8::Fold(name));
  return it == valueIndex_.end() ? nullptr : &values_[it->second].second;
}

bool RegKey::SetValue(std::string_view name, std::string data) {
  const auto [it, added] = valueIndex_.try_emplace(utf8::Fold(name), values_.size());
  if (added) {
    values_.emplace_back(std::string(name), std::move(data));
    return true;
  }
  std::string& current = values_[it->second].second;
  if (current == data) return false;
  current = std::move(data);
  return true;
}

bool RegKey::RemoveValue(std::string_view name) {
  const auto it = valueIndex_.find(utf8::Fold(name));
  if (it == valueIndex_.end()) return false;
  const std::size_t at = it->second;
  valueIndex_.erase(it);
  values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(at));
  // Removal is rare; renumbering the later values keeps lookups constant-time.
  for (auto& [folded, index] : valueIndex_) {
    if (index > at) --index;
  }
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

#pragma once
// The small JSON the browser's DevTools endpoint speaks: a value tree, a parser bounded in
// input size and nesting depth (a hostile peer cannot make it recurse or allocate without limit),
// and a writer. Numbers are kept as doubles (read and written the same in every locale; one a
// double cannot hold is refused); strings are UTF-8 (\u escapes, surrogate pairs included, are
// decoded).
//
// Threading: plain values; no shared state.

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace net {

class JsonValue {
 public:
  enum class Kind { Null, Bool, Number, String, Array, Object };
  using Array = std::vector<JsonValue>;
  using Object = std::map<std::string, JsonValue>;

  JsonValue() = default;
  static JsonValue Boolean(bool b);
  static JsonValue Number(double d);
  static JsonValue Text(std::string s);
  static JsonValue MakeArray(Array items = {});
  static JsonValue MakeObject(Object members = {});

  [[nodiscard]] Kind Type() const { return kind_; }
  [[nodiscard]] bool IsObject() const { return kind_ == Kind::Object; }
  [[nodiscard]] bool IsArray() const { return kind_ == Kind::Array; }
  [[nodiscard]] bool IsString() const { return kind_ == Kind::String; }
  [[nodiscard]] bool AsBool() const { return kind_ == Kind::Bool && bool_; }
  [[nodiscard]] double AsNumber() const { return kind_ == Kind::Number ? number_ : 0.0; }
  // The string's text; "" for any other kind.
  [[nodiscard]] const std::string& AsString() const;
  [[nodiscard]] const Array& Items() const { return array_; }
  [[nodiscard]] const Object& Members() const { return object_; }
  // The member `key` of an object; nullptr when absent or this is no object.
  [[nodiscard]] const JsonValue* Find(const std::string& key) const;
  // The member's text when it is a string, else "".
  [[nodiscard]] std::string StringAt(const std::string& key) const;

  Array& MutableItems() { return array_; }
  Object& MutableMembers() { return object_; }

 private:
  Kind kind_ = Kind::Null;
  bool bool_ = false;
  double number_ = 0.0;
  std::string string_;
  Array array_;
  Object object_;
};

struct JsonLimits {
  std::size_t maxInput = 4 * 1024 * 1024;
  int maxDepth = 64;
};

// The value `text` holds (whitespace around it allowed); nullopt when it is not exactly one
// well-formed JSON value or exceeds the limits.
std::optional<JsonValue> ParseJson(std::string_view text, const JsonLimits& limits = {});
// Compact JSON text of `value` (no spaces). Numbers that are whole print without a fraction.
std::string WriteJson(const JsonValue& value);

}  // namespace net

#pragma once
// Base64 (the standard alphabet with "=" padding) for the SMTP login exchange.
//
// Threading: pure functions.

#include <optional>
#include <string>
#include <string_view>

namespace net {

[[nodiscard]] std::string Base64Encode(std::string_view data);
// The decoded bytes; nullopt for text that is not Base64 (wrong length, a foreign character,
// padding in the middle). Line ends and spaces are ignored, as mail servers fold long lines.
[[nodiscard]] std::optional<std::string> Base64Decode(std::string_view text);

}  // namespace net

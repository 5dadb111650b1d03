#pragma once
// RAS error numbers (the platform's numbering) and their texts in English and German, as the
// platform's error-string function hands them out. Pure functions; any thread.

#include <cstdint>
#include <string>

namespace ras {

inline constexpr std::uint32_t ERROR_SUCCESS = 0;
inline constexpr std::uint32_t ERROR_ACCESS_DENIED = 5;
inline constexpr std::uint32_t ERROR_INVALID_HANDLE = 6;
inline constexpr std::uint32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr std::uint32_t ERROR_INVALID_NAME = 123;
inline constexpr std::uint32_t ERROR_ALREADY_EXISTS = 183;
inline constexpr std::uint32_t ERROR_PENDING = 600;
inline constexpr std::uint32_t ERROR_PORT_ALREADY_OPEN = 602;
inline constexpr std::uint32_t ERROR_BUFFER_TOO_SMALL = 603;
inline constexpr std::uint32_t ERROR_DEVICE_DOES_NOT_EXIST = 608;
inline constexpr std::uint32_t ERROR_BUFFER_INVALID = 610;
inline constexpr std::uint32_t ERROR_CANNOT_OPEN_PHONEBOOK = 621;
inline constexpr std::uint32_t ERROR_CANNOT_FIND_PHONEBOOK_ENTRY = 623;
inline constexpr std::uint32_t ERROR_CANNOT_WRITE_PHONEBOOK = 624;
inline constexpr std::uint32_t ERROR_DISCONNECTION = 628;
inline constexpr std::uint32_t ERROR_REMOTE_DISCONNECTION = 629;
inline constexpr std::uint32_t ERROR_USER_DISCONNECTION = 631;
inline constexpr std::uint32_t ERROR_INVALID_SIZE = 632;
inline constexpr std::uint32_t ERROR_FROM_DEVICE = 651;
inline constexpr std::uint32_t ERROR_NO_CONNECTION = 668;
inline constexpr std::uint32_t ERROR_LINE_BUSY = 676;
inline constexpr std::uint32_t ERROR_NO_ANSWER = 678;
inline constexpr std::uint32_t ERROR_NO_DIALTONE = 680;
inline constexpr std::uint32_t ERROR_AUTHENTICATION_FAILURE = 691;
inline constexpr std::uint32_t ERROR_PROJECTION_NOT_COMPLETE = 730;
inline constexpr std::uint32_t ERROR_PROTOCOL_NOT_CONFIGURED = 731;
inline constexpr std::uint32_t ERROR_DIAL_ALREADY_IN_PROGRESS = 756;
inline constexpr std::uint32_t ERROR_CANCELLED = 1223;
inline constexpr std::uint32_t ERROR_TIMEOUT = 1460;

enum class RasTextLanguage { kEnglish, kGerman };

// The text of `error`; codes without a text of their own get a generic one naming the number.
[[nodiscard]] std::string RasErrorText(std::uint32_t error, RasTextLanguage language);

// The platform's text language, from LC_ALL, LC_MESSAGES or LANG ("de..." is German).
[[nodiscard]] RasTextLanguage SystemTextLanguage();

}  // namespace ras

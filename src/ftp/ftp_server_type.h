#pragma once
// The listing formats the FTP engine knows (`TMFtpServerType`), with their names as the
// command-line tools and logs show them. The numeric values are part of the settings and must
// not change.
//
// Threading: pure functions, safe from any thread.

#include <optional>
#include <string>
#include <string_view>

namespace ftp {

enum class TMFtpServerType : int {
  ftpstAutoDetect = 0,
  ftpstDefault = 1,
  ftpstUNIX = 2,
  ftpstULTRIX = 3,
  ftpstClix = 4,
  ftpstChameleon = 5,
  ftpstNCSA = 6,
  ftpstQVT = 7,
  ftpstBSD = 8,
  ftpstSunOS = 9,
  ftpstVmsMultinet = 10,
  ftpstVmsUcx = 11,
  ftpstMVS = 12,
  ftpstVM = 13,
  ftpstVMVPS = 14,
  ftpstMSFTP = 15,
  ftpstNetTerm = 16,
  ftpstServU = 17,
  ftpstWFTPD = 18,
  ftpWarFTPD = 19,
  ftpstNetware = 20,
  ftpstNetPresenz = 21,
};

inline constexpr int kServerTypeCount = 22;

// The enumerator's name without its "ftpst" (or "ftp") prefix: "AutoDetect", "UNIX", "WarFTPD".
[[nodiscard]] std::string_view ServerTypeName(TMFtpServerType type);

// The inverse of ServerTypeName, in any letter case; the full enumerator name ("ftpstUNIX") is
// accepted as well. Unknown names give nothing.
[[nodiscard]] std::optional<TMFtpServerType> ServerTypeFromName(std::string_view name);

// The type for a stored number; out-of-range values give nothing.
[[nodiscard]] std::optional<TMFtpServerType> ServerTypeFromValue(int value);

}  // namespace ftp

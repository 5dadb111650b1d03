#pragma once
// Small pure readers of FTP reply lines and texts the engine builds: reply classes, the quoted
// folder of a 257/250 reply, the number of a SIZE reply or announced by a 150 reply, the PASV
// address, the PORT argument and
// the server type a SYST reply names.
//
// Threading: pure functions.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ftp/ftp_server_type.h"

namespace ftp {

// The first character of the reply code: '1' preliminary, '2' success, '3' more needed,
// '4'/'5' failure; 0 for a line that does not start with a digit.
[[nodiscard]] char ReplyClass(std::string_view line);

// The text between the first pair of double quotes; empty when there is none.
[[nodiscard]] std::string QuotedPath(std::string_view line);

// The number after the code of a SIZE reply ("213 1234"); nothing when the text is anything but
// that number (trailing blanks aside): a size half read would fail a complete transfer.
[[nodiscard]] std::optional<std::int64_t> SizeFromReply(std::string_view line);

// The size a transfer's preliminary reply announces, as in "150 Opening BINARY mode data
// connection for f.bin (1234 bytes)."; the last such group counts, since a file name before it
// may hold one too. Nothing when the reply names no size.
[[nodiscard]] std::optional<std::int64_t> AnnouncedSize(std::string_view line);

struct PasvAddress {
  std::string Address;  // dotted h1.h2.h3.h4 as the server named it
  std::uint16_t Port = 0;
};
// The six numbers between "(" and ")" of a PASV reply; nothing when they are not six bytes.
[[nodiscard]] std::optional<PasvAddress> ParsePasvReply(std::string_view line);

// "h1,h2,h3,h4,p1,p2" for a PORT command.
[[nodiscard]] std::string PortArgument(const std::string& dottedAddress, std::uint16_t port);

// The listing format named by the text of a SYST reply (keywords matched as they stand, in the
// upper-cased text after the code; the first match wins; none gives ftpstDefault).
[[nodiscard]] TMFtpServerType ServerTypeFromSyst(std::string_view line);

}  // namespace ftp

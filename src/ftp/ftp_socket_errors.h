#pragma once
// Maps socket and name-resolution failures (errno / EAI codes) to the engine's network error
// codes 1 to 17 and their German texts.
//
// Threading: pure functions.

#include <string>

#include "ftp/ftp_codes.h"

namespace ftp {

struct FtpFailure {
  FtpError Code = FtpError::kNone;
  std::string Text;
};

// A failed socket call (connect, send, receive, listen) with its errno.
[[nodiscard]] FtpFailure SocketFailure(int err);
// A failed name resolution with its getaddrinfo code.
[[nodiscard]] FtpFailure ResolveFailure(int eaiError);

}  // namespace ftp

#pragma once
// What stayline-ftp was asked to do: its options and the parts of its ftp:// address.

#include <optional>
#include <string>
#include <vector>

#include "ftp/ftp_server_type.h"

namespace staylineftp {

struct Options {
  bool Passive = true;
  bool Ascii = false;
  std::optional<ftp::TMFtpServerType> Type;
  bool NoCache = false;
  bool Verbose = false;
  bool Tls = false;      // --tls: explicit TLS for an ftp:// address
  std::string CaFile;    // --cafile: PEM certificates trusted besides the system's
  std::string Existing;  // answer to "local/remote file exists": "Resume", "Overwrite" or ""
  std::string Url;
  std::vector<std::string> Command;
};

struct FtpUrl {
  bool Tls = false;  // ftps://: explicit TLS (AUTH TLS on the normal port)
  std::string User;
  std::optional<std::string> Password;
  std::string Host;
  int Port = 21;
  // The folder entered after login: relative to the login folder, like curl and RFC 1738 take
  // it ("ftp://host/pub"); "ftp://host//srv" or "ftp://host/%2Fsrv" names an absolute one.
  // Empty: stay where the server put us.
  std::string Dir;
};

}  // namespace staylineftp

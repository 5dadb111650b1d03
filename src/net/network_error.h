#pragma once
// The process-wide network error record. The blocking network clients (ping, mail, HTTP) do not
// throw on socket errors: they record the error here and the operation goes on, and the callers
// that care (the mail sender, the web-server test) look at the flag and clear it.
//
// The code is the POSIX errno value of the failure (ECONNREFUSED, ETIMEDOUT, ...); a host name
// that cannot be resolved is recorded as EHOSTUNREACH. Failures that have no errno (a TLS
// certificate that does not verify) are recorded with their reason as text.
//
// Threading: loop thread only, like every user of the network layer.

#include <string>

namespace net {

// True while a socket error is recorded and not yet cleared.
[[nodiscard]] bool NetworkErrorFlag();
// "Socket Refresh: " + the decimal error code of the last recorded error ("" when none).
[[nodiscard]] const std::string& NetworkErrorText();
// Records a socket error: sets the flag and the text.
void RecordNetworkError(int code);
// Records a failure described by `text` ("TLS: certificate verify failed: ..."), kept as it is.
void RecordNetworkErrorText(const std::string& text);
// Clears the flag and the text.
void ClearNetworkError();

}  // namespace net

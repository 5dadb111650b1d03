#include "ftp/ftp_socket_errors.h"

#include <netdb.h>

#include <cerrno>

namespace ftp {

FtpFailure SocketFailure(int err) {
  switch (err) {
    case ENETDOWN:
      return {FtpError::kNetworkDown, "Netzwerk nicht verfügbar "};
    case EINVAL:
    case EAFNOSUPPORT:
    case EFAULT:
      return {FtpError::kInvalidAddress, "Ungültige Adresse angegeben"};
    case ETIMEDOUT:
      return {FtpError::kConnectTimeOut, "Verbindungs Time Out"};
    case EMFILE:
    case ENFILE:
    case ENOBUFS:
    case ENOMEM:
      return {FtpError::kOutofSockets, "Out of sockets"};
    case ENETUNREACH:
      return {FtpError::kNetworkUnreachable, "Netzwerk kann nicht erreicht werden"};
    case EHOSTUNREACH:
      return {FtpError::kHostUnreachable, "Host kann nicht erreicht werden"};
    case EADDRNOTAVAIL:
      return {FtpError::kAddressNotAvailable, "Adresse ungültig"};
    case ECONNREFUSED:
      return {FtpError::kConnectionRefused, std::string(kTextConnectionLost)};
    case ECONNRESET:
    case EPIPE:
      return {FtpError::kConnReset, "Verbindung vom Remote Host abgebrochen"};
    case ECONNABORTED:
      return {FtpError::kConnAborted, "Verbindung durch Time Out abgebrochen oder anderer Fehler"};
    case EIO:
      return {FtpError::kGeneralWinsockError, "Genereller Winsock Fehler"};
    case EPROTONOSUPPORT:
    case EPROTOTYPE:
    case ESOCKTNOSUPPORT:
    case EPFNOSUPPORT:
    case EOPNOTSUPP:
      return {FtpError::kGeneralWinsockError, std::string(kTextProtocolNotSupported)};
    default:
      return {FtpError::kInternalError,
              "Interner Ausnahmefehler in Komponente (WinSock Fehler Code: " + std::to_string(err) +
                  ")"};
  }
}

FtpFailure ResolveFailure(int eaiError) {
  if (eaiError == EAI_SYSTEM || eaiError == EAI_MEMORY) {
    return {FtpError::kAddressResolutionError, "Ausnahmefehler trat auf beim Auflösen der URL"};
  }
  // The name exists, but not with an IPv4 address (the only kind the engine connects to).
  if (eaiError == EAI_ADDRFAMILY || eaiError == EAI_FAMILY) {
    return {FtpError::kAddressResolutionError, std::string(kTextProtocolNotSupported)};
  }
  return {FtpError::kAddressResolutionError, "Adressauflösungsfehler"};
}

}  // namespace ftp

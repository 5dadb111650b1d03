#include "ftp/ftp_codes.h"

#include <array>

namespace ftp {

namespace {

constexpr std::array<std::string_view, 28> kInfoNames = {"ServerConnected",
                                                         "ServerDisconnected",
                                                         "ResolvingAddress",
                                                         "TraceIn",
                                                         "TraceOut",
                                                         "AlreadyBusy",
                                                         "SupportResume",
                                                         "Debug",
                                                         "DataTrace",
                                                         "Ready",
                                                         "TransferDone",
                                                         "DirectoryRefresh",
                                                         "LoggedIn",
                                                         "FileSize",
                                                         "StartListing",
                                                         "ListingParsed",
                                                         "",
                                                         "NotSupportResume",
                                                         "Retrying ",
                                                         "AddressResolved",
                                                         "Nothing",
                                                         "RetryFinished",
                                                         "SearchStopped",
                                                         "TransferPutStart",
                                                         "TransferPutFinish",
                                                         "TransferResume",
                                                         "TransferGetStart",
                                                         "TransferGetFinish"};

constexpr std::array<std::string_view, 38> kErrorNames = {"",
                                                          "NetworkDown",
                                                          "InvalidAddress",
                                                          "InternalError",
                                                          "GeneralWinsockError",
                                                          "ConnAborted",
                                                          "ConnReset",
                                                          "ConnectTimeOut",
                                                          "OutofSockets",
                                                          "NetworkUnreachable",
                                                          "AddressNotAvailable",
                                                          "ConnectionRefused",
                                                          "ProtocolError",
                                                          "Canceled",
                                                          "Unknown",
                                                          "AddressResolutionError",
                                                          "PrematureDisconnect",
                                                          "HostUnreachable",
                                                          "NoServer",
                                                          "NoProxyServer",
                                                          "FileOpen",
                                                          "FileWrite",
                                                          "FileRead",
                                                          "FileNotFound",
                                                          "TimeOut",
                                                          "ServerDown",
                                                          "AccessDenied",
                                                          "DataError",
                                                          "ResumeFailed",
                                                          "PermissionDenied",
                                                          "BadURL",
                                                          "TransferType",
                                                          "TransferPort",
                                                          "TransferFatalPort",
                                                          "TransferGet",
                                                          "TransferPut",
                                                          "TransferFatalError",
                                                          "TransferResumeFailed"};

}  // namespace

std::string_view FtpInfoName(FtpInfo info) {
  const auto i = static_cast<std::size_t>(info);
  return i < kInfoNames.size() ? kInfoNames[i] : std::string_view{};
}

std::string_view FtpErrorName(FtpError error) {
  const auto i = static_cast<std::size_t>(error);
  return i < kErrorNames.size() ? kErrorNames[i] : std::string_view{};
}

std::string_view FtpInfoDefaultText(FtpInfo info) {
  switch (info) {
    case FtpInfo::kServerDisconnected:
      return "Keine Verbindung zum Server";
    case FtpInfo::kAlreadyBusy:
      return "Die Komponente arbeitet zur Zeit";
    case FtpInfo::kSupportResume:
      return "Diese Seite kann abgebrochen Downloads/Uploads wieder aufnehmen";
    case FtpInfo::kLoggedIn:
      return "Verbinden";
    case FtpInfo::kNotSupportResume:
      return "Diese Seite kann keine abgebrochen Downloads/Uploads wieder aufnehmen";
    case FtpInfo::kRetrying:
      return "Neuer Versuch...";
    case FtpInfo::kNothing:
      return kTextNothingToDo;
    case FtpInfo::kRetryFinished:
      return kTextRetryFinished;
    case FtpInfo::kSearchStopped:
      return "Dateilistenaufbau wurde abgebrochen";
    default:
      return {};
  }
}

}  // namespace ftp

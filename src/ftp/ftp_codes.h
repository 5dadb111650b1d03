#pragma once
// The FTP engine's info, error and question codes with their names and the engine's own texts.
// The numeric values are part of the engine's surface: owners log and compare them.
//
// Threading: pure data and functions; usable from any thread.

#include <string>
#include <string_view>

namespace ftp {

enum class FtpInfo : int {
  kServerConnected = 0,
  kServerDisconnected = 1,
  kResolvingAddress = 2,
  kTraceIn = 3,
  kTraceOut = 4,
  kAlreadyBusy = 5,
  kSupportResume = 6,
  kDebug = 7,
  kDataTrace = 8,
  kReady = 9,
  kTransferDone = 10,
  kDirectoryRefresh = 11,
  kLoggedIn = 12,
  kFileSize = 13,
  kStartListing = 14,
  kListingParsed = 15,
  kMultiLineReply = 16,
  kNotSupportResume = 17,
  kRetrying = 18,
  kAddressResolved = 19,
  kNothing = 20,
  kRetryFinished = 21,
  kSearchStopped = 22,
  kTransferPutStart = 23,
  kTransferPutFinish = 24,
  kTransferResume = 25,
  kTransferGetStart = 26,
  kTransferGetFinish = 27,
};

enum class FtpError : int {
  kNone = 0,
  kNetworkDown = 1,
  kInvalidAddress = 2,
  kInternalError = 3,
  kGeneralWinsockError = 4,
  kConnAborted = 5,
  kConnReset = 6,
  kConnectTimeOut = 7,
  kOutofSockets = 8,
  kNetworkUnreachable = 9,
  kAddressNotAvailable = 10,
  kConnectionRefused = 11,
  kProtocolError = 12,
  kCanceled = 13,
  kUnknown = 14,
  kAddressResolutionError = 15,
  kPrematureDisconnect = 16,
  kHostUnreachable = 17,
  kNoServer = 18,
  kNoProxyServer = 19,
  kFileOpen = 20,
  kFileWrite = 21,
  kFileRead = 22,
  kFileNotFound = 23,
  kTimeOut = 24,
  kServerDown = 25,
  kAccessDenied = 26,
  kDataError = 27,
  kResumeFailed = 28,
  kPermissionDenied = 29,
  kBadURL = 30,
  kTransferType = 31,
  kTransferPort = 32,
  kTransferFatalPort = 33,
  kTransferGet = 34,
  kTransferPut = 35,
  kTransferFatalError = 36,
  kTransferResumeFailed = 37,
};

// Questions the engine asks its owner through OnFtpNeedInfo.
enum class TMFtpInfoNeeded : int {
  kAccount = 0,
  kServer = 1,
  kLocalFileExists = 3,  // answer "Resume", "Overwrite" or "Cancel"
  kPassword = 4,
  kUserName = 5,
};

// "ServerConnected", ... as the FTP page shows them; empty for codes without a name.
[[nodiscard]] std::string_view FtpInfoName(FtpInfo info);
// "NetworkDown", ...; empty for kNone and unknown codes.
[[nodiscard]] std::string_view FtpErrorName(FtpError error);
// The engine's text for an info raised without one (empty when it has none).
[[nodiscard]] std::string_view FtpInfoDefaultText(FtpInfo info);

// Engine texts used in more than one place.
inline constexpr std::string_view kTextRefused = "Zugriff verweigert oder Datei existiert nicht";
inline constexpr std::string_view kTextTimedOut = "Connection timed out";
inline constexpr std::string_view kTextConnectionLost = "Verbindung abgebrochen";
inline constexpr std::string_view kTextPasswordSent = "Passwort wird gesendet";
inline constexpr std::string_view kTextNothingToDo = "Ich habe nichts zu tun";
inline constexpr std::string_view kTextCannotResume =
    "Ich weiss nicht wie diese Datei wieder aufgenommen wird, ich überschreibe sie";
inline constexpr std::string_view kTextResumeDownloadFailed =
    "Fehler beim wiederherrstellen des Downloads";
inline constexpr std::string_view kTextResumeUploadFailed =
    "Fehler beim wiederherrstellen des Uploads";
inline constexpr std::string_view kTextRetryFinished = "Retry Finished";
inline constexpr std::string_view kTextBadSyntax = "Flasche Syntax";
inline constexpr std::string_view kTextProtocolNotSupported =
    "Das Protokoll wird nicht unterstützt";
inline constexpr std::string_view kTextSizeMismatch = "Übertragene Größe weicht ab";
inline constexpr std::string_view kTextReplyLineTooLong = "Antwortzeile zu lang";
inline constexpr std::string_view kTextReplyTooLong = "Mehrzeilige Antwort zu lang";
inline constexpr std::string_view kTextListingLineTooLong = "Zeile der Dateiliste zu lang";

}  // namespace ftp

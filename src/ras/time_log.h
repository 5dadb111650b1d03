#pragma once
// The time log's building blocks: the program's one text-file writer, the log time stamp and the
// two line forms of "TimeLog.txt". The main window composes the lines from its state.

#include <chrono>
#include <string>
#include <string_view>

namespace ras {

inline constexpr std::string_view kTimeLogFile = "TimeLog.txt";
inline constexpr std::string_view kFtpLogFile = "FTP.Log";
inline constexpr std::string_view kCrLf = "\r\n";

// Writes `text` to `fileName`: creates it anew with `overwrite`, else appends (creating it when
// missing); `newLine` adds CR LF. The file is opened and closed on every call. Throws
// std::system_error when the file cannot be written.
void WriteTextFile(const std::string& fileName, std::string_view text, bool overwrite,
                   bool newLine);

// "dd.mm.yyyy hh:mm:ss,zzz" in local time.
std::string GetTimeDate(std::chrono::system_clock::time_point when);

// An address as it stands in a log line: trimmed, "0.0.0.0" when empty, padded with blanks to 15.
std::string PadAddress(std::string_view address);

// label + " " + stamp + " | " + text
std::string StatusLine(std::string_view label, std::string_view stamp, std::string_view text);
// label + " " + stamp + " |" + text + " | ServerIP: " + server + " ClientIP: " + client + " | " +
// browser part; the addresses are expected padded already.
std::string FullLine(std::string_view label, std::string_view stamp, std::string_view text,
                     std::string_view server, std::string_view client,
                     std::string_view browserPart);

}  // namespace ras

#pragma once
// The directory-listing parser: turns the lines of a LIST reply into file information records,
// by the server's listing format (`TMFtpServerType`). EPLF, VMS (MultiNet and UCX, with wrapped
// entries over two lines), VM, VM/VPS, DOS and the Unix family with its per-server size column.
//
// Parsing is a pure function of the line, the server type and the current year (which completes
// Unix dates given with a time instead of a year). Only VMS needs state across lines, so the
// engine feeds a listing through one `ListingParser`; single lines of the other formats can go
// through `ParseListingLine`. No input crashes the parser or makes it read out of bounds; lines
// are expected without their line end (see `ListingLineBuffer` for splitting raw data).
//
// Threading: no shared state; one ListingParser per listing and thread.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ftp/ftp_server_type.h"

namespace ftp {

// One parsed listing entry (the engine's `MFtpFileInfo`). All fields but the folder flag are
// texts as the views show them and as the listing cache stores them.
struct MFtpFileInfo {
  std::string Name;
  bool Directory = false;
  std::string Attributes;
  std::string Owner;
  std::string Group;
  std::string LinkTarget;   // text after "->" of a symbolic link, else empty
  std::string Date;         // date text, see listing_date.h
  std::string Size;         // size text as listed (bytes for most formats)
  std::string Description;  // shown by the file list; never filled by the parser

  bool operator==(const MFtpFileInfo&) const = default;
};

using TMFtpFileInfoList = std::vector<MFtpFileInfo>;

// Longest listing line kept; the rest of a longer line is dropped (a server cannot make the
// client buffer an endless line).
inline constexpr std::size_t kMaxListingLineBytes = 64 * 1024;

class ListingParser {
 public:
  explicit ListingParser(TMFtpServerType type, int currentYear);

  // Parses one complete line (its CR/LF already removed). Gives the entry the line completes:
  // nothing for headers, totals, blank and skipped lines and for a VMS line held back until its
  // continuation arrives.
  [[nodiscard]] std::optional<MFtpFileInfo> ParseLine(std::string_view line);

  // Ends the listing: a VMS line still held back is dropped.
  void Finish() { held_.clear(); }

  [[nodiscard]] TMFtpServerType Type() const { return type_; }
  [[nodiscard]] int CurrentYear() const { return currentYear_; }

 private:
  std::optional<MFtpFileInfo> ParseVmsLine(std::string_view line);

  TMFtpServerType type_;
  int currentYear_;
  std::string held_;  // VMS: first half of a wrapped entry
};

// One line on its own (a VMS line that would wait for a continuation gives nothing).
[[nodiscard]] std::optional<MFtpFileInfo> ParseListingLine(std::string_view line,
                                                           TMFtpServerType type, int currentYear);

// A whole listing as received (lines ended by CR LF or LF), every entry the parser yields in
// order, "." and ".." included.
[[nodiscard]] TMFtpFileInfoList ParseListingText(std::string_view text, TMFtpServerType type,
                                                 int currentYear);

// "." and "..": listed by many servers, never shown as folders.
[[nodiscard]] bool IsDotFolder(const MFtpFileInfo& info);

// `text` made safe to print on a terminal: control characters (U+0000..U+001F, U+007F..U+009F,
// tab and line ends included) become "\xHH" and a backslash becomes "\\", so a hostile name
// can neither drive the terminal nor break a line. A byte that is not valid UTF-8 is taken as
// its Latin-1 character.
[[nodiscard]] std::string PrintableText(std::string_view text);

// The one-line form of an entry printed by `stayline-ftp ls` and `parse`:
// dir|file TAB size TAB date TAB name TAB attributes TAB owner TAB group TAB link target, each
// field as PrintableText gives it.
[[nodiscard]] std::string FormatListingEntry(const MFtpFileInfo& info);

// The local calendar year now; the default for ListingParser's current year.
[[nodiscard]] int CurrentLocalYear();

}  // namespace ftp

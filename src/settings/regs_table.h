#pragma once
// The table of the program's registry values: name, record field, kind and default, in the order
// they are loaded and saved, and the normalisation each kind applies. The defaults that are
// placeholders (servers, addresses, passwords) point at example domains only.
//
// Threading: immutable data and pure functions (apart from file-existence checks).

#include <span>
#include <string>
#include <string_view>

#include "settings/regs_data.h"

namespace settings {

enum class ValueKind {
  FlagOn,        // ON-unless-0: empty -> default, then "0" stays, anything else "1"
  FlagOff,       // OFF-unless-1: empty -> default, then "1" stays, anything else "0"
  Text,          // texts and numbers: empty -> default
  Scrambled,     // text stored scrambled: empty -> default
  Folder,        // empty -> program directory; one trailing separator removed
  Editor,        // cleared when the file does not exist
  ReadFirst,     // "AReadFirstReg": read, never normalised or written back by loading
  Program,       // path of the program file, see NormaliseValue
  PingInterval,  // empty -> "5"; a leading "0" becomes "1"
  IntervalUnit,  // "s" stays, anything else "m"
  HomeUrl,       // empty -> sample home + FTP_StartPath + "/" + FTP_HTML_Name
  HtmlUser,      // empty -> FTP_HTML_Default
  SecurityMode,  // "SmtpSecurity": "1" and "2" stay, anything else "0"
};

struct ValueSpec {
  std::string_view Name;
  std::string TRegsData::*Member;
  ValueKind Kind;
  std::string_view Default;
};

std::span<const ValueSpec> RegsValueTable();
// nullptr for a name that is not in the table (exact spelling).
const ValueSpec* FindValueSpec(std::string_view name);
// The table default of a value (empty for the computed ones).
std::string_view DefaultOf(std::string_view name);

inline bool IsFlag(ValueKind kind) {
  return kind == ValueKind::FlagOn || kind == ValueKind::FlagOff;
}

inline constexpr std::string_view kProgramFileName = "Stayline.EXE";
inline constexpr std::string_view kSampleHomeUrl = "http://www.example.com";
// The factory client-IP page: eleven lines joined by CR LF.
inline constexpr std::string_view kDefaultHtmlPage =
    "<html>\r\n"
    "<head>\r\n"
    "<title>Dynamic IP</title>\r\n"
    "<META NAME=\"robots\" CONTENT=\"NOINDEX,NOFOLLOW\">\r\n"
    "<META NAME=\"GENERATOR\" CONTENT=\"Stayline\">\r\n"
    "<meta http-equiv=\"Content-type\" content=\"text/html; charset=iso-8859-1\">\r\n"
    "<meta http-equiv=\"refresh\" content=\"0; URL=http://#CIP#/\">\r\n"
    "</head>\r\n"
    "<body bgcolor=\"#FFFFFF\" text=\"#000000\">\r\n"
    "</body>\r\n"
    "</html>";

// The "DynaHomeUrl" default: sample home, start path, "/" unless it ends in one, page name.
std::string DefaultHomeUrl(std::string_view startPath, std::string_view htmlName);

struct NormaliseContext {
  std::string ProgramDirectory;  // default of the upload and download folders
  std::string ProgramPath;       // the running program file
};

// Applies the default and normalisation of `spec` to `value`; `record` supplies the values that
// other defaults are built from (already read, perhaps not yet normalised).
void NormaliseValue(const ValueSpec& spec, std::string& value, const TRegsData& record,
                    const NormaliseContext& context);

}  // namespace settings

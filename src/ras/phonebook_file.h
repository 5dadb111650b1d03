#pragma once
// phonebook.ini: the dial-up entries of the simulated and POSIX backends, one section per entry.
// The file is meant to be edited by hand, so a rewrite keeps everything it does not change:
// comments (whole-line and after a value), blank lines, unknown keys and their order.
//
// Values: text after "=", trimmed; a ";" or "#" preceded by white space starts a comment. A value
// that needs them (or leading/trailing blanks) is written in double quotes with \" and \\ escapes.
// Keys are matched without regard to letter case, entry names exactly. A UTF-8 byte-order mark
// is accepted (and kept on rewrite).
//
// A line that cannot be read is kept as it is and listed in Problems() with its number: an entry
// header with a name that cannot be an entry ("[]", "[Bad", a name with brackets, control
// characters or over 256 bytes) skips that entry, keys included, up to the next header; any other
// such line is skipped alone.
//
// Threading: one thread at a time.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace ras {

// Longest entry name, in bytes: the platform's entry records hold 256 and a terminating NUL.
inline constexpr std::size_t kMaxEntryNameBytes = 256;

class PhonebookFile {
 public:
  struct Problem {
    int Line = 0;         // 1-based
    std::string Excerpt;  // the start of the line as written
    std::string Text;     // what is wrong and what is skipped
  };

  // Why `name` cannot be an entry name ("" when it can): 1..256 bytes, no "[" "]", no control
  // characters, no leading or trailing blank.
  [[nodiscard]] static std::string EntryNameProblem(const std::string& name);

  // Reads `path`; a missing file is an empty phonebook (true). False when it cannot be read
  // (`error` then tells why).
  bool Load(const std::string& path, std::string* error = nullptr);
  // Writes the file atomically (temporary file, fsync, rename), readable only by its owner,
  // since it holds passwords. False on failure.
  bool Save() const;
  bool SaveAs(const std::string& path, std::string* error = nullptr) const;

  void Parse(const std::string& text);
  [[nodiscard]] std::string Text() const;
  [[nodiscard]] const std::string& Path() const { return path_; }
  // The lines the last Parse or Load could not read, in file order.
  [[nodiscard]] const std::vector<Problem>& Problems() const { return problems_; }

  // Entry names in file order (a repeated section counts once).
  [[nodiscard]] std::vector<std::string> Sections() const;
  [[nodiscard]] bool HasSection(const std::string& section) const;
  [[nodiscard]] std::optional<std::string> Get(const std::string& section,
                                               const std::string& key) const;
  [[nodiscard]] std::string GetOr(const std::string& section, const std::string& key,
                                  const std::string& fallback) const;
  // Keys of a section in file order, with their values.
  [[nodiscard]] std::vector<std::pair<std::string, std::string>> Keys(
      const std::string& section) const;

  // Sets a key (adds the section at the end when it is missing). Line breaks are dropped.
  void Set(const std::string& section, const std::string& key, const std::string& value);
  void Remove(const std::string& section, const std::string& key);
  // False when the section already exists.
  bool AddSection(const std::string& section);
  // False when `from` is missing or `to` exists.
  bool RenameSection(const std::string& from, const std::string& to);
  // Removes the section with its keys; comments directly above the next section stay with it.
  bool RemoveSection(const std::string& section);

 private:
  // kBadSection: a header that names no valid entry; it ends the section before it, and the
  // lines up to the next header belong to no entry.
  enum class Kind { kOther, kSection, kBadSection, kKey };
  struct Line {
    Kind kind = Kind::kOther;
    std::string raw;      // the line as read or last written
    std::string section;  // kSection: its name
    std::string key;      // kKey: the key as spelt in the file
    std::string value;    // kKey: the value, unquoted
    std::string comment;  // kKey: white space and comment after the value, kept on rewrite
    std::string problem;  // why the line cannot be read (kBadSection and unreadable kOther)
  };

  static Line ParseLine(const std::string& text);
  static std::string FormatValue(const std::string& value);
  // [begin, end) of a section's lines, header included; nullopt when missing.
  [[nodiscard]] std::optional<std::pair<std::size_t, std::size_t>> Extent(
      const std::string& section) const;
  [[nodiscard]] std::optional<std::size_t> FindKey(const std::string& section,
                                                   const std::string& key) const;

  void NoteProblems();

  std::string path_;
  std::vector<Line> lines_;
  std::vector<Problem> problems_;
  bool byteOrderMark_ = false;
};

}  // namespace ras

#pragma once
// FtpReplyReader: turns the bytes of the control connection into reply events. Lines end at LF
// (a CR before it is dropped). A line whose fourth character is "-" opens a multi-line reply;
// until the line that starts with its code and a blank, further lines are only collected. The
// closing line completes the multi-line reply and, like every single line, is a reply for the
// command that waits for one. Lines and multi-line replies are capped so that a server cannot
// make the client's memory grow without bound.
//
// Threading: a plain value type; no I/O of its own.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ftp {

struct FtpReplyEvent {
  enum class Kind {
    kMultiLineDone,  // Lines hold the whole multi-line reply, Code its code
    kReply,          // Lines[0] is the reply line for the waiting command
  };
  Kind EventKind = Kind::kReply;
  std::string Code;
  std::vector<std::string> Lines;

  // The multi-line text as the engine reports it: the lines joined with CR LF.
  [[nodiscard]] std::string Text() const;
};

class FtpReplyReader {
 public:
  static constexpr std::size_t kMaxLineBytes = 64 * 1024;
  static constexpr std::size_t kMaxReplyBytes = 1024 * 1024;

  enum class Status { kOk, kLineTooLong, kReplyTooLong };

  // Consumes `data`; appends the events it completes to `events`. After a status other than
  // kOk the reader's state is undefined until Reset.
  [[nodiscard]] Status Feed(std::string_view data, std::vector<FtpReplyEvent>& events);
  void Reset();

  [[nodiscard]] bool InMultiLine() const { return !multiCode_.empty(); }
  [[nodiscard]] std::size_t PartialSize() const { return partial_.size(); }

 private:
  Status HandleLine(std::string line, std::vector<FtpReplyEvent>& events);

  std::string partial_;
  std::string multiCode_;
  std::vector<std::string> multiLines_;
  std::size_t multiBytes_ = 0;
};

}  // namespace ftp

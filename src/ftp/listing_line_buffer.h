#pragma once
// Splits the bytes of a listing's data connection into lines. Lines end with LF; a CR right
// before it is dropped (servers send CR LF, some only LF). A line longer than
// kMaxListingLineBytes keeps its first kMaxListingLineBytes bytes and the rest up to its end is
// discarded, so a line that never ends cannot grow the buffer without bound. Overflowed() tells
// that this happened; the engine ends such a listing as a protocol error rather than show a
// cut-off entry.
//
// Threading: one buffer per data connection, used from one thread.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "ftp/listing_parser.h"

namespace ftp {

class ListingLineBuffer {
 public:
  using LineHandler = std::function<void(std::string_view line)>;

  explicit ListingLineBuffer(std::size_t maxLineBytes = kMaxListingLineBytes)
      : maxLineBytes_(maxLineBytes) {}

  // Hands every line completed by `data` to `onLine`, in order.
  void Append(std::string_view data, const LineHandler& onLine);
  // The connection has closed: a last line without an end is handed over too.
  void Finish(const LineHandler& onLine);

  // Bytes of the unfinished line held now (never more than the cap and a CR).
  [[nodiscard]] std::size_t Pending() const { return partial_.size(); }
  // Some line so far was longer than the cap.
  [[nodiscard]] bool Overflowed() const { return overflowed_; }

 private:
  void Take(std::string_view piece);
  void Emit(const LineHandler& onLine);

  std::size_t maxLineBytes_;
  std::string partial_;
  bool overlong_ = false;  // the current line passed the cap; the rest of it is dropped
  bool overflowed_ = false;
};

}  // namespace ftp

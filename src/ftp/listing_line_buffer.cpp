#include "ftp/listing_line_buffer.h"

namespace ftp {

void ListingLineBuffer::Take(std::string_view piece) {
  if (overlong_) return;
  // One byte more than the cap is held, so a line of exactly the cap keeps its CR.
  const std::size_t room = maxLineBytes_ + 1 - partial_.size();
  if (piece.size() > room) {
    partial_.append(piece.substr(0, room));
    overlong_ = true;
    overflowed_ = true;
    return;
  }
  partial_.append(piece);
}

void ListingLineBuffer::Emit(const LineHandler& onLine) {
  std::string_view line = partial_;
  // The CR of a CR LF end; a truncated line has lost its end and keeps what it has.
  if (!overlong_ && !line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.size() > maxLineBytes_) {
    overlong_ = true;
    line = line.substr(0, maxLineBytes_);
  }
  overflowed_ = overflowed_ || overlong_;
  onLine(line);
  partial_.clear();
  overlong_ = false;
}

void ListingLineBuffer::Append(std::string_view data, const LineHandler& onLine) {
  while (!data.empty()) {
    const auto lf = data.find('\n');
    if (lf == std::string_view::npos) {
      Take(data);
      return;
    }
    Take(data.substr(0, lf));
    Emit(onLine);
    data.remove_prefix(lf + 1);
  }
}

void ListingLineBuffer::Finish(const LineHandler& onLine) {
  if (!partial_.empty() || overlong_) Emit(onLine);
}

}  // namespace ftp

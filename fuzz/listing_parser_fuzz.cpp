// Fuzz target for the listing parser: the first byte picks the server type, the rest is a
// listing as it comes off the data connection (split by the line buffer, parsed line by line,
// so VMS continuations are exercised too). Every entry is also formatted and named for the cache.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ftp/listing_cache.h"
#include "ftp/listing_date.h"
#include "ftp/listing_line_buffer.h"
#include "ftp/listing_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const auto type = static_cast<ftp::TMFtpServerType>(data[0] % ftp::kServerTypeCount);
  const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);

  ftp::ListingParser parser(type, 2024);
  ftp::ListingLineBuffer buffer(256);  // a small cap so overlong lines are reached
  const auto onLine = [&](std::string_view line) {
    const auto entry = parser.ParseLine(line);
    if (!entry) return;
    if (entry->Name.empty()) std::abort();
    const std::string formatted = ftp::FormatListingEntry(*entry);
    if (formatted.find('\n') != std::string::npos) std::abort();
    (void)ftp::DateSortKey(entry->Date);
    const std::string name = ftp::ListingCache::FileName(
        {entry->Owner, 21, entry->Group, entry->Name}, ftp::ListingCacheKind::kFiles);
    if (name.find('/') != std::string::npos || name.size() > 255) std::abort();
  };
  // Two reads, split where the input says, as the socket would deliver them.
  const std::size_t cut = input.empty() ? 0 : static_cast<unsigned char>(input[0]) % input.size();
  buffer.Append(input.substr(0, cut), onLine);
  buffer.Append(input.substr(cut), onLine);
  buffer.Finish(onLine);
  parser.Finish();

  (void)ftp::ServerTypeFromName(input);
  (void)ftp::DateSortKey(input);
  return 0;
}

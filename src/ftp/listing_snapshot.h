#pragma once
// What the bound views read from the engine when a listing is done: where it was taken
// ("ftp://host/folder/", as TMFtp::Location gives it) and its folders and files. The owner that
// binds a view hands it a source, e.g.
//   view.Source = [&] { return ListingSnapshot{ftp.Location(), ftp.Folders(), ftp.Files()}; };
//
// Threading: plain data.

#include <functional>
#include <string>

#include "ftp/listing_parser.h"

namespace ftp {

struct ListingSnapshot {
  std::string Location;
  TMFtpFileInfoList Folders;
  TMFtpFileInfoList Files;
};

using ListingSnapshotSource = std::function<ListingSnapshot()>;

// The folder part of an "ftp://host[:port]/folder/" location ("/" when it has none), and the
// "ftp://host[:port]" part before it. Texts not starting with "ftp://" give empty results.
[[nodiscard]] std::string LocationFolder(const std::string& location);
[[nodiscard]] std::string LocationServer(const std::string& location);

}  // namespace ftp

#pragma once
// The listing cache: parsed listings kept as files in the "ftpcache" folder of the program data
// folder, one file for the folders and one for the files of each server, port, user and remote
// folder, so browsing back to a folder needs no new listing.
//
// File name: server + "[" + port + "]-" + "(" + user + ")-" (left out for the users "ftp" and
// "anonymous", any letter case) + remote folder, with every character a file name cannot hold
// replaced by "~", then ".cached" (folders) or ".cachef" (files). Server and folder names come
// from the server, so the name can never leave the cache folder: separators are replaced, and
// names too long for the file system are shortened with a hash of the whole name.
//
// Content: the number of entries on the first line, then eight lines per entry (name, size,
// date, attributes, owner, group, link target, description). A file is valid when the expiry
// (days) is not positive or the day it was written plus the expiry lies after today.
//
// Threading: one thread (the engine's); the clock is called on it.

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "ftp/listing_parser.h"

namespace ftp {

enum class ListingCacheKind { kFolders, kFiles };

// Which listing a cache file holds.
struct ListingCacheKey {
  std::string Server;
  int Port = 21;
  std::string User;
  std::string Folder;
};

// Both halves of a cached listing.
struct CachedListing {
  TMFtpFileInfoList Folders;
  TMFtpFileInfoList Files;
};

class ListingCache {
 public:
  using Clock = std::function<std::chrono::system_clock::time_point()>;

  // `folder` is the program data folder + "ftpcache". The clock tells today's date.
  explicit ListingCache(std::filesystem::path folder,
                        Clock clock = &std::chrono::system_clock::now);

  // Creates the cache folder (readable by the user only). False when it cannot be made.
  bool Prepare();
  [[nodiscard]] const std::filesystem::path& Folder() const { return folder_; }

  // The cache file's name (no folder) for a key.
  [[nodiscard]] static std::string FileName(const ListingCacheKey& key, ListingCacheKind kind);

  // One half; nothing when it is missing, unreadable, malformed or expired.
  [[nodiscard]] std::optional<TMFtpFileInfoList> Load(const ListingCacheKey& key,
                                                      ListingCacheKind kind, int expireDays) const;
  // Both halves, only when both are there and valid. Entries of the folder file are folders.
  [[nodiscard]] std::optional<CachedListing> LoadListing(const ListingCacheKey& key,
                                                         int expireDays) const;

  // Writes one half (replacing the old file whole). False when it cannot be written.
  bool Store(const ListingCacheKey& key, ListingCacheKind kind, const TMFtpFileInfoList& entries);
  // Writes both halves.
  bool StoreListing(const ListingCacheKey& key, const CachedListing& listing);

  // Deletes both cache files of `key` (a folder known to have changed).
  void Remove(const ListingCacheKey& key);

  // With a positive `argument`, deletes every cache file of the requested kinds whatever its
  // age; returns how many were deleted.
  int Purge(int argument, bool folders = true, bool files = true);

 private:
  [[nodiscard]] bool IsValid(const std::filesystem::path& file, int expireDays) const;

  std::filesystem::path folder_;
  Clock clock_;
};

}  // namespace ftp

#pragma once
// FtpListingStore: the engine's seam to the listing cache. The engine asks it for the cached
// folder and file lists of a server, user and folder before it lists, and hands it every
// listing that succeeded. Without a store the engine always lists from the server.
//
// Threading: called on the engine's loop thread only.

#include <string>

#include "ftp/listing_parser.h"

namespace ftp {

struct FtpListingKey {
  std::string Server;
  int Port = 21;
  std::string User;
  std::string Folder;
};

class FtpListingStore {
 public:
  virtual ~FtpListingStore() = default;
  // Both lists of `key` when both are cached and not older than `expireDays` (not positive:
  // never expire); false otherwise.
  virtual bool Load(const FtpListingKey& key, int expireDays, TMFtpFileInfoList& folders,
                    TMFtpFileInfoList& files) = 0;
  virtual void Save(const FtpListingKey& key, const TMFtpFileInfoList& folders,
                    const TMFtpFileInfoList& files) = 0;
  // Drops both lists of `key` (a folder known to have changed).
  virtual void Forget(const FtpListingKey& key) = 0;
  // Deletes cached lists (folder lists, file lists or both) when `days` is positive; returns
  // how many were deleted.
  virtual int Purge(bool folders, bool files, int days) = 0;
};

}  // namespace ftp

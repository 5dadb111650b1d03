#pragma once
// FtpListingCacheStore: the engine's listing store backed by the on-disk listing cache.
//
// Threading: the engine's loop thread only.

#include "ftp/ftp_listing_store.h"
#include "ftp/listing_cache.h"

namespace ftp {

class FtpListingCacheStore final : public FtpListingStore {
 public:
  explicit FtpListingCacheStore(ListingCache& cache) : cache_(cache) {}

  bool Load(const FtpListingKey& key, int expireDays, TMFtpFileInfoList& folders,
            TMFtpFileInfoList& files) override;
  void Save(const FtpListingKey& key, const TMFtpFileInfoList& folders,
            const TMFtpFileInfoList& files) override;
  void Forget(const FtpListingKey& key) override;
  int Purge(bool folders, bool files, int days) override;

 private:
  ListingCache& cache_;
};

}  // namespace ftp

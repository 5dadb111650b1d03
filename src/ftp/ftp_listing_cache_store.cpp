#include "ftp/ftp_listing_cache_store.h"

namespace ftp {

namespace {
ListingCacheKey CacheKeyOf(const FtpListingKey& key) {
  return ListingCacheKey{key.Server, key.Port, key.User, key.Folder};
}
}  // namespace

bool FtpListingCacheStore::Load(const FtpListingKey& key, int expireDays,
                                TMFtpFileInfoList& folders, TMFtpFileInfoList& files) {
  auto listing = cache_.LoadListing(CacheKeyOf(key), expireDays);
  if (!listing) return false;
  folders = std::move(listing->Folders);
  files = std::move(listing->Files);
  return true;
}

void FtpListingCacheStore::Save(const FtpListingKey& key, const TMFtpFileInfoList& folders,
                                const TMFtpFileInfoList& files) {
  cache_.StoreListing(CacheKeyOf(key), CachedListing{folders, files});
}

void FtpListingCacheStore::Forget(const FtpListingKey& key) {
  cache_.Remove(CacheKeyOf(key));
}

int FtpListingCacheStore::Purge(bool folders, bool files, int days) {
  return cache_.Purge(days, folders, files);
}

}  // namespace ftp

#include <gtest/gtest.h>

#include <unistd.h>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "ftp/listing_cache.h"

namespace {

namespace fs = std::filesystem;
using ftp::ListingCache;
using ftp::ListingCacheKey;
using ftp::ListingCacheKind;
using Clock = std::chrono::system_clock;

class ListingCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::path(::testing::TempDir()) /
            ("listing_cache_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    folder_ = root_ / "data" / "ftpcache";
  }
  void TearDown() override { fs::remove_all(root_); }

  std::set<std::string> Names(const fs::path& dir) const {
    std::set<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(dir))
      names.insert(fs::relative(e.path(), dir).string());
    return names;
  }

  fs::path root_;
  fs::path folder_;
  Clock::time_point now_ = Clock::now();
};

ftp::MFtpFileInfo Entry(std::string name, bool dir = false) {
  ftp::MFtpFileInfo e;
  e.Name = std::move(name);
  e.Directory = dir;
  e.Size = "1234";
  e.Date = "1/29/2024 3:26 AM";
  e.Attributes = "-rw-r--r--";
  e.Owner = "root";
  e.Group = "";
  e.LinkTarget = "";
  e.Description = "";
  return e;
}

TEST(ListingCacheName, FollowsTheNamingRule) {
  struct Case {
    ListingCacheKey key;
    ListingCacheKind kind;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {{"ftp.example.com", 21, "anonymous", "/pub/linux"},
       ListingCacheKind::kFolders,
       "ftp.example.com[21]-~pub~linux.cached"},
      {{"host", 21, "FTP", "/"}, ListingCacheKind::kFiles, "host[21]-~.cachef"},
      {{"host", 2121, "bob", "/home/bob"},
       ListingCacheKind::kFiles,
       "host[2121]-(bob)-~home~bob.cachef"},
      {{"10.0.0.1", 21, "Anonymous", "/a:b*c?d\"e<f>g|h\\i\nj"},
       ListingCacheKind::kFolders,
       "10.0.0.1[21]-~a~b~c~d~e~f~g~h~i~j.cached"},
  };
  for (const auto& c : cases) EXPECT_EQ(ListingCache::FileName(c.key, c.kind), c.expected);
}

TEST_F(ListingCacheTest, HostileNamesStayInsideTheCacheFolder) {
  ListingCache cache(folder_);
  ASSERT_TRUE(cache.Prepare());
  const std::string longFolder(5000, 'x');
  const std::vector<ListingCacheKey> keys = {
      {"..", 21, "..", "/../../../../outside"},
      {"../../outside", 21, "ftp", ".."},
      {"host", 21, "a/../../b", "/"},
      {"host", 21, "ftp", std::string("/nul\0byte", 9)},
      {"host", 21, "ftp", longFolder + "1"},
      {"host", 21, "ftp", longFolder + "2"},  // must not share the shortened name
  };
  std::set<std::string> names;
  for (const auto& key : keys) {
    const std::string name = ListingCache::FileName(key, ListingCacheKind::kFiles);
    EXPECT_EQ(name.find('/'), std::string::npos) << name;
    EXPECT_EQ(name.find('\0'), std::string::npos) << name;
    EXPECT_LE(name.size(), 255u);
    names.insert(name);
    ASSERT_TRUE(cache.Store(key, ListingCacheKind::kFiles, {Entry("a")})) << name;
    EXPECT_TRUE(cache.Load(key, ListingCacheKind::kFiles, 7).has_value()) << name;
  }
  EXPECT_EQ(names.size(), keys.size());
  std::set<std::string> expected = {"ftpcache"};
  for (const auto& n : names) expected.insert("ftpcache/" + n);
  EXPECT_EQ(Names(root_ / "data"), expected)
      << "nothing written anywhere but directly in the cache folder";
}

TEST_F(ListingCacheTest, StoresAndLoadsBothHalves) {
  ListingCache cache(folder_);
  ASSERT_TRUE(cache.Prepare());
  EXPECT_EQ(fs::status(folder_).permissions() & fs::perms::all, fs::perms::owner_all);
  const ListingCacheKey key{"ftp.example.com", 21, "bob", "/pub"};
  ftp::CachedListing listing;
  listing.Folders = {Entry("sub dir", true), Entry("", true)};
  listing.Files = {Entry("with  blanks.txt"), Entry("cr\rinside")};
  listing.Files[0].LinkTarget = "target";
  listing.Files[0].Description = "described";
  ASSERT_TRUE(cache.StoreListing(key, listing));

  const auto loaded = cache.LoadListing(key, 7);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->Folders, listing.Folders);
  EXPECT_EQ(loaded->Files, listing.Files);

  // The file itself: the count, then eight lines per entry.
  std::ifstream in(folder_ / ListingCache::FileName(key, ListingCacheKind::kFolders));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 1u + 2 * 8);
  EXPECT_EQ(lines[0], "2");
  EXPECT_EQ(lines[1], "sub dir");

  // A line end inside a field cannot shift the fields after it.
  listing.Files = {Entry("two\nlines")};
  ASSERT_TRUE(cache.Store(key, ListingCacheKind::kFiles, listing.Files));
  EXPECT_EQ(cache.Load(key, ListingCacheKind::kFiles, 7)->at(0).Name, "two lines");

  // One half missing: no listing from the cache.
  fs::remove(folder_ / ListingCache::FileName(key, ListingCacheKind::kFiles));
  EXPECT_FALSE(cache.LoadListing(key, 7));
  EXPECT_FALSE(cache.LoadListing({"other", 21, "bob", "/pub"}, 7));

  // Remove takes exactly the two files of its key.
  const ListingCacheKey other{"ftp.example.com", 21, "bob", "/other"};
  ASSERT_TRUE(cache.StoreListing(key, listing));
  ASSERT_TRUE(cache.StoreListing(other, listing));
  cache.Remove(key);
  EXPECT_FALSE(fs::exists(folder_ / ListingCache::FileName(key, ListingCacheKind::kFolders)));
  EXPECT_FALSE(fs::exists(folder_ / ListingCache::FileName(key, ListingCacheKind::kFiles)));
  EXPECT_TRUE(cache.LoadListing(other, 7));
}

TEST_F(ListingCacheTest, MalformedFilesAreNotUsed) {
  ListingCache cache(folder_);
  ASSERT_TRUE(cache.Prepare());
  const ListingCacheKey key{"h", 21, "ftp", "/"};
  const std::string good = "1\nn\ns\nd\na\no\ng\nl\nx\n";
  const std::vector<std::pair<std::string, bool>> cases = {
      {good, true},
      {"0\n", true},
      {"", false},
      {"1\nn\ns\nd\na\no\ng\nl\n", false},   // cut short
      {"1\nn\ns\nd\na\no\ng\nl\nx", false},  // last line without its end
      {good + "extra\n", false},             // more than it claims
      {"abc\n", false},
      {"-1\n", false},
      {"99999999999999999999999\n", false},
      {"1000000000\n", false},
  };
  for (const auto& [content, valid] : cases) {
    std::ofstream(folder_ / ListingCache::FileName(key, ListingCacheKind::kFiles),
                  std::ios::binary | std::ios::trunc)
        << content;
    EXPECT_EQ(cache.Load(key, ListingCacheKind::kFiles, 7).has_value(), valid) << content;
  }
}

TEST_F(ListingCacheTest, ExpiresByDaysAcrossMonthEnds) {
  // Noon avoids daylight-saving edges; the dates are local calendar days.
  const auto localNoon = [](int y, int m, int d) {
    std::tm t{};
    t.tm_year = y - 1900;
    t.tm_mon = m - 1;
    t.tm_mday = d;
    t.tm_hour = 12;
    t.tm_isdst = -1;
    return Clock::from_time_t(std::mktime(&t));
  };
  Clock::time_point today = localNoon(2024, 2, 1);
  ListingCache cache(folder_, [&] { return today; });
  ASSERT_TRUE(cache.Prepare());
  const ListingCacheKey key{"h", 21, "ftp", "/"};
  const fs::path file = folder_ / ListingCache::FileName(key, ListingCacheKind::kFiles);
  struct Case {
    Clock::time_point written;
    int expireDays;
    bool valid;
  };
  const std::vector<Case> cases = {
      {localNoon(2024, 2, 1), 7, true},
      {localNoon(2024, 1, 30), 7, true},   // two days old, over a month end
      {localNoon(2024, 1, 26), 7, true},   // six days
      {localNoon(2024, 1, 25), 7, false},  // seven days
      {localNoon(2023, 12, 28), 7, false},
      {localNoon(2024, 1, 31), 1, false},
      {localNoon(2000, 1, 1), 0, true},  // no expiry
      {localNoon(2000, 1, 1), -3, true},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(cache.Store(key, ListingCacheKind::kFiles, {Entry("a")}));
    fs::last_write_time(file, std::chrono::file_clock::from_sys(c.written));
    EXPECT_EQ(cache.Load(key, ListingCacheKind::kFiles, c.expireDays).has_value(), c.valid)
        << Clock::to_time_t(c.written) << " expire " << c.expireDays;
  }
}

TEST_F(ListingCacheTest, PurgeDeletesTheRequestedKinds) {
  ListingCache cache(folder_);
  ASSERT_TRUE(cache.Prepare());
  const auto fill = [&] {
    for (const char* name : {"a[21]-~.cached", "a[21]-~.cachef", "b[21]-~x.cached",
                             "leftover.cachef.tmp-123456", "keep.txt"})
      std::ofstream(folder_ / name) << "0\n";
    fs::create_directories(folder_ / "dir.cached");
  };
  fill();
  EXPECT_EQ(cache.Purge(0), 0);
  EXPECT_EQ(cache.Purge(-1), 0);
  EXPECT_EQ(cache.Purge(7, true, false), 2);
  EXPECT_EQ(Names(folder_), (std::set<std::string>{"a[21]-~.cachef", "leftover.cachef.tmp-123456",
                                                   "keep.txt", "dir.cached"}));
  fill();
  EXPECT_EQ(cache.Purge(7), 4);
  EXPECT_EQ(Names(folder_), (std::set<std::string>{"keep.txt", "dir.cached"}));
  ListingCache missing(root_ / "nowhere");
  EXPECT_EQ(missing.Purge(7), 0);
}

}  // namespace

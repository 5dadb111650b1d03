#include "ftp/listing_cache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <system_error>

#include "core/unique_fd.h"

namespace ftp {
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxStem = 200;  // leaves room for suffixes within NAME_MAX (255)
constexpr std::size_t kMaxEntries = 1000000;
constexpr int kLinesPerEntry = 8;

bool IsAnonymous(std::string_view user) {
  std::string lower(user);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower == "ftp" || lower == "anonymous";
}

// Characters no file name may hold here (nor on the original platform), and control bytes.
bool IsForbidden(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u < 0x20 || u == 0x7F) return true;
  return std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos;
}

std::uint64_t Fnv1a(std::string_view text) {
  std::uint64_t hash = 14695981039346656037ull;
  for (char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

std::string_view Suffix(ListingCacheKind kind) {
  return kind == ListingCacheKind::kFolders ? ".cached" : ".cachef";
}

std::chrono::sys_days LocalDay(std::chrono::system_clock::time_point when) {
  const std::time_t t = std::chrono::system_clock::to_time_t(when);
  std::tm local{};
  localtime_r(&t, &local);
  using namespace std::chrono;
  return sys_days{year{local.tm_year + 1900} / month{static_cast<unsigned>(local.tm_mon + 1)} /
                  day{static_cast<unsigned>(local.tm_mday)}};
}

void AppendField(std::string& out, const std::string& field) {
  for (char c : field) out += c == '\n' ? ' ' : c;  // a line end would shift every later field
  out += '\n';
}

std::string Serialize(const TMFtpFileInfoList& entries) {
  std::string out = std::to_string(entries.size()) + '\n';
  for (const auto& e : entries) {
    for (const std::string* field : {&e.Name, &e.Size, &e.Date, &e.Attributes, &e.Owner, &e.Group,
                                     &e.LinkTarget, &e.Description})
      AppendField(out, *field);
  }
  return out;
}

std::optional<TMFtpFileInfoList> Deserialize(std::string_view text, bool folders) {
  const auto nextLine = [&text](std::string_view& line) {
    const auto lf = text.find('\n');
    if (lf == std::string_view::npos) return false;  // every line written ends with LF
    line = text.substr(0, lf);
    text.remove_prefix(lf + 1);
    return true;
  };
  std::string_view line;
  if (!nextLine(line)) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  std::size_t count = 0;
  const auto [end, ec] = std::from_chars(line.data(), line.data() + line.size(), count);
  if (ec != std::errc() || end != line.data() + line.size() || line.empty() || count > kMaxEntries)
    return std::nullopt;
  TMFtpFileInfoList entries;
  entries.reserve(std::min(count, text.size() / kLinesPerEntry));
  for (std::size_t i = 0; i < count; ++i) {
    MFtpFileInfo e;
    e.Directory = folders;
    for (std::string* field : {&e.Name, &e.Size, &e.Date, &e.Attributes, &e.Owner, &e.Group,
                               &e.LinkTarget, &e.Description}) {
      if (!nextLine(line)) return std::nullopt;  // cut short
      field->assign(line);
    }
    entries.push_back(std::move(e));
  }
  if (!text.empty()) return std::nullopt;  // more than it claims: not a file we wrote
  return entries;
}

}  // namespace

ListingCache::ListingCache(fs::path folder, Clock clock)
    : folder_(std::move(folder)), clock_(std::move(clock)) {}

bool ListingCache::Prepare() {
  std::error_code ec;
  fs::create_directories(folder_, ec);
  if (ec || !fs::is_directory(folder_, ec)) return false;
  // Listings of the user's servers are nobody else's business.
  fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::replace, ec);
  return true;
}

std::string ListingCache::FileName(const ListingCacheKey& key, ListingCacheKind kind) {
  std::string stem = key.Server + '[' + std::to_string(key.Port) + "]-";
  if (!IsAnonymous(key.User)) stem += '(' + key.User + ")-";
  stem += key.Folder;
  const std::uint64_t hash = Fnv1a(stem);
  for (char& c : stem) {
    if (IsForbidden(c)) c = '~';
  }
  if (stem.size() > kMaxStem) {
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    stem.resize(kMaxStem - 17);
    stem += '~';
    stem += hex;
  }
  return stem + std::string(Suffix(kind));
}

bool ListingCache::IsValid(const fs::path& file, int expireDays) const {
  std::error_code ec;
  const auto written = fs::last_write_time(file, ec);
  if (ec) return false;
  if (expireDays <= 0) return true;
  const auto writtenDay = LocalDay(std::chrono::file_clock::to_sys(written));
  return writtenDay + std::chrono::days(expireDays) > LocalDay(clock_());
}

std::optional<TMFtpFileInfoList> ListingCache::Load(const ListingCacheKey& key,
                                                    ListingCacheKind kind, int expireDays) const {
  const fs::path file = folder_ / FileName(key, kind);
  if (!IsValid(file, expireDays)) return std::nullopt;
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return std::nullopt;
  return Deserialize(text, kind == ListingCacheKind::kFolders);
}

std::optional<CachedListing> ListingCache::LoadListing(const ListingCacheKey& key,
                                                       int expireDays) const {
  auto folders = Load(key, ListingCacheKind::kFolders, expireDays);
  if (!folders) return std::nullopt;
  auto files = Load(key, ListingCacheKind::kFiles, expireDays);
  if (!files) return std::nullopt;
  return CachedListing{std::move(*folders), std::move(*files)};
}

bool ListingCache::Store(const ListingCacheKey& key, ListingCacheKind kind,
                         const TMFtpFileInfoList& entries) {
  const fs::path file = folder_ / FileName(key, kind);
  const std::string content = Serialize(entries);
  // A fresh file renamed over the old one: readers never see half a listing, and a link
  // planted under the cache name is replaced, not followed.
  std::string temp = (folder_ / (file.filename().string() + ".tmp-XXXXXX")).string();
  core::UniqueFd fd(::mkstemp(temp.data()));
  if (!fd) return false;
  std::size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = ::write(fd.Get(), content.data() + done, content.size() - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  const bool closed = fd.Close() == 0;
  if (done != content.size() || !closed || ::rename(temp.c_str(), file.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

bool ListingCache::StoreListing(const ListingCacheKey& key, const CachedListing& listing) {
  const bool folders = Store(key, ListingCacheKind::kFolders, listing.Folders);
  const bool files = Store(key, ListingCacheKind::kFiles, listing.Files);
  return folders && files;
}

void ListingCache::Remove(const ListingCacheKey& key) {
  std::error_code ec;
  fs::remove(folder_ / FileName(key, ListingCacheKind::kFolders), ec);
  fs::remove(folder_ / FileName(key, ListingCacheKind::kFiles), ec);
}

int ListingCache::Purge(int argument, bool folders, bool files) {
  if (argument <= 0) return 0;
  int deleted = 0;
  std::error_code ec;
  for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    const bool match = (folders && name.find(".cached") != std::string::npos) ||
                       (files && name.find(".cachef") != std::string::npos);
    if (!match) continue;
    std::error_code statEc;
    if (fs::is_directory(it->symlink_status(statEc))) continue;
    std::error_code removeEc;
    if (fs::remove(it->path(), removeEc)) ++deleted;
  }
  return deleted;
}

}  // namespace ftp

#include "ftp/file_list_view.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <optional>

#include "ftp/listing_date.h"

namespace ftp {
namespace {

std::optional<std::uint64_t> ByteCount(std::string_view text) {
  std::uint64_t value = 0;
  if (text.empty()) return std::nullopt;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// Case-insensitive three-way comparison of ASCII texts.
int CompareText(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const int ca = std::tolower(static_cast<unsigned char>(a[i]));
    const int cb = std::tolower(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

template <typename T>
int CompareValues(const T& a, const T& b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

// Sort key comparison for one sort type; ties fall back to the name.
int CompareBy(TMFtpSortType type, const MFtpFileInfo& a, const MFtpFileInfo& b) {
  int c = 0;
  switch (type) {
    case TMFtpSortType::stNone:
    case TMFtpSortType::stName:
      break;
    case TMFtpSortType::stAttrib:
      c = CompareText(a.Attributes, b.Attributes);
      break;
    case TMFtpSortType::stDateTime: {
      // Undated entries first; dates the key cannot read after them, by text.
      const auto ka = DateSortKey(a.Date);
      const auto kb = DateSortKey(b.Date);
      c = CompareValues(ka.value_or(-1), kb.value_or(-1));
      if (c == 0 && !ka) c = CompareText(a.Date, b.Date);
      break;
    }
    case TMFtpSortType::stDescription:
      c = CompareText(a.Description, b.Description);
      break;
    case TMFtpSortType::stSize: {
      const auto sa = ByteCount(a.Size);
      const auto sb = ByteCount(b.Size);
      c = CompareValues(sa.has_value(), sb.has_value());
      if (c == 0) c = sa ? CompareValues(*sa, *sb) : CompareText(a.Size, b.Size);
      break;
    }
    case TMFtpSortType::stSymbolLink:
      c = CompareText(a.LinkTarget, b.LinkTarget);
      break;
    case TMFtpSortType::stOwner:
      c = CompareText(a.Owner, b.Owner);
      break;
    case TMFtpSortType::stGroup:
      c = CompareText(a.Group, b.Group);
      break;
    case TMFtpSortType::stFileType:
      c = CompareText(FileTypeText(a), FileTypeText(b));
      break;
  }
  if (c == 0) c = CompareText(a.Name, b.Name);
  if (c == 0) c = CompareValues(a.Name, b.Name);
  return c;
}

std::string GroupThousands(std::uint64_t value) {
  std::string digits = std::to_string(value);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

}  // namespace

std::string FormatSizeKB(std::string_view sizeText) {
  const auto bytes = ByteCount(sizeText);
  if (!bytes) return std::string(sizeText);
  if (*bytes == 0) return "0KB";
  if (*bytes < 1024) return "1KB";
  const std::uint64_t kb = *bytes / 1024 + (*bytes % 1024 >= 512 ? 1 : 0);
  return GroupThousands(kb) + "KB";
}

std::string FileTypeText(const MFtpFileInfo& info) {
  if (info.Directory) return "File Folder";
  const auto dot = info.Name.rfind('.');
  if (dot == std::string::npos || dot == 0 || dot + 1 == info.Name.size()) return "File";
  std::string ext = info.Name.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return ext + " File";
}

void TMFtpListView::Notify(ListViewChange change) {
  if (OnChanged) OnChanged(change);
}

void TMFtpListView::ShowListing(const TMFtpFileInfoList& folders, const TMFtpFileInfoList& files) {
  items_.clear();
  items_.reserve(folders.size() + files.size() + 1);
  TMFtpListItem parent;
  parent.ParentEntry = true;
  parent.Info.Name = "..";
  parent.Info.Directory = true;
  items_.push_back(std::move(parent));
  for (const auto& info : folders) {
    if (IsDotFolder(info)) continue;
    TMFtpListItem item;
    item.Info = info;
    item.Info.Directory = true;
    items_.push_back(std::move(item));
  }
  for (const auto& info : files) {
    TMFtpListItem item;
    item.Info = info;
    items_.push_back(std::move(item));
  }
  Sort();
  Notify(ListViewChange::kItems);
}

void TMFtpListView::Clear() {
  items_.clear();
  Notify(ListViewChange::kItems);
}

void TMFtpListView::EngineListingDone() {
  if (!Source) return;
  const ListingSnapshot snapshot = Source();
  ShowListing(snapshot.Folders, snapshot.Files);
}

void TMFtpListView::Sort() {
  if (sortType_ == TMFtpSortType::stNone) return;  // listing order
  // The parent entry stays on top and folders come before files, as the shell shows them.
  const auto rank = [](const TMFtpListItem& item) {
    return item.ParentEntry ? 0 : item.IsFolder() ? 1 : 2;
  };
  std::stable_sort(items_.begin(), items_.end(),
                   [this, &rank](const TMFtpListItem& a, const TMFtpListItem& b) {
                     const int ra = rank(a);
                     const int rb = rank(b);
                     if (ra != rb) return ra < rb;
                     return CompareBy(sortType_, a.Info, b.Info) < 0;
                   });
}

std::string TMFtpListView::Caption(std::size_t index) const {
  if (index >= items_.size()) return {};
  const auto& item = items_[index];
  return item.ParentEntry ? std::string(ParentEntryCaption()) : item.Info.Name;
}

std::string TMFtpListView::ColumnText(std::size_t index, TMFtpListColumn column) const {
  if (index >= items_.size()) return {};
  const auto& item = items_[index];
  const auto& info = item.Info;
  switch (column) {
    case TMFtpListColumn::kName:
      return Caption(index);
    case TMFtpListColumn::kSize:
      return item.IsFolder() ? std::string() : FormatSizeKB(info.Size);
    case TMFtpListColumn::kType:
      return FileTypeText(info);
    case TMFtpListColumn::kModified:
      return info.Date;
    case TMFtpListColumn::kAttributes:
      return info.Attributes;
    case TMFtpListColumn::kOwner:
      return info.Owner;
    case TMFtpListColumn::kGroup:
      return info.Group;
    case TMFtpListColumn::kDescription:
      return info.Description;
  }
  return {};
}

std::vector<std::string> TMFtpListView::ColumnCaptions() const {
  if (german_)
    return {"Name", "Größe", "Typ", "Geändert", "Attribute", "Besitzer", "Gruppe", "Beschreibung"};
  return {"Name", "Size", "Type", "Modified", "Attributes", "Owner", "Group", "Description"};
}

void TMFtpListView::SetGerman(bool german) {
  if (german_ == german) return;
  german_ = german;
  Notify(ListViewChange::kTexts);
}

void TMFtpListView::SetSortType(TMFtpSortType type) {
  if (sortType_ == type) return;
  sortType_ = type;
  Sort();
  Notify(ListViewChange::kItems);
}

void TMFtpListView::SetViewStyle(TMFtpViewStyle style) {
  if (viewStyle_ == style) return;
  viewStyle_ = style;
  Notify(ListViewChange::kStyle);
}

void TMFtpListView::SetSelected(std::size_t index, bool selected) {
  if (index >= items_.size() || items_[index].Selected == selected) return;
  items_[index].Selected = selected;
  Notify(ListViewChange::kSelection);
}

void TMFtpListView::SelectOnly(std::size_t index) {
  bool changed = false;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    const bool want = i == index;
    if (items_[i].Selected != want) {
      items_[i].Selected = want;
      changed = true;
    }
  }
  if (changed) Notify(ListViewChange::kSelection);
}

void TMFtpListView::ClearSelection() {
  SelectOnly(items_.size());
}

bool TMFtpListView::AnySelected() const {
  return std::any_of(items_.begin(), items_.end(), [](const auto& i) { return i.Selected; });
}

std::vector<std::string> TMFtpListView::SelectedFolders() const {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].Selected && items_[i].IsFolder()) out.push_back(Caption(i));
  }
  return out;
}

std::vector<std::string> TMFtpListView::SelectedFiles() const {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].Selected && !items_[i].IsFolder()) out.push_back(Caption(i));
  }
  return out;
}

bool TMFtpListView::DropFiles(const std::vector<std::string>& paths) {
  if (!accept_) return false;
  dropped_.clear();
  for (const auto& path : paths) {
    if (!path.empty() && path.size() <= kMaxDroppedPathLength) dropped_.push_back(path);
  }
  if (OnFileDropped) OnFileDropped(dropped_);
  return true;
}

}  // namespace ftp

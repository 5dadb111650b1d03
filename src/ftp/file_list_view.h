#pragma once
// TMFtpListView: the remote file list as a model (the GUI draws it). It shows the engine's
// current folder: first an entry for the parent folder ("Vorheriger Ordner" / "Parent
// Directory"), then the folders, then the files, in the chosen sort order. It keeps the columns
// with their texts, the view style, the selection, and whether local files may be dropped on it.
//
// Bound to the engine as a TMFtpObserver: when a listing is done it reads the listing through
// `Source` and shows it. Owners may also call ShowListing directly.
//
// Threading: the engine's loop thread only.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ftp/listing_parser.h"
#include "ftp/listing_snapshot.h"
#include "ftp/tm_ftp_observer.h"

namespace ftp {

enum class TMFtpSortType {
  stNone,
  stAttrib,
  stDateTime,
  stDescription,
  stName,
  stSize,
  stSymbolLink,
  stOwner,
  stGroup,
  stFileType,
};

// The styles of the view menu; the values are the menu items' tags.
enum class TMFtpViewStyle { vsIcon = 0, vsSmallIcon = 1, vsList = 2, vsReport = 3 };

enum class TMFtpListColumn {
  kName,
  kSize,
  kType,
  kModified,
  kAttributes,
  kOwner,
  kGroup,
  kDescription,
};
inline constexpr std::size_t kListColumnCount = 8;

// What changed, for observers that redraw.
enum class ListViewChange { kItems, kSelection, kStyle, kTexts };

struct TMFtpListItem {
  MFtpFileInfo Info;
  bool ParentEntry = false;
  bool Selected = false;
  // Shown with the folder image (folders, links to folders and the parent entry).
  [[nodiscard]] bool IsFolder() const { return ParentEntry || Info.Directory; }
};

// "0KB" for nothing, "1KB" up to one kilobyte, else whole kilobytes rounded, with thousands
// separated by ","; texts that are not a byte count are shown as they are.
[[nodiscard]] std::string FormatSizeKB(std::string_view sizeText);

// "File Folder" for folders; for files the upper-case extension + " File", else "File".
[[nodiscard]] std::string FileTypeText(const MFtpFileInfo& info);

inline constexpr std::string_view kParentEntryGerman = "Vorheriger Ordner";
inline constexpr std::string_view kParentEntryEnglish = "Parent Directory";
inline constexpr std::size_t kMaxDroppedPathLength = 255;

class TMFtpListView : public TMFtpObserver {
 public:
  TMFtpListView() = default;
  TMFtpListView(const TMFtpListView&) = delete;
  TMFtpListView& operator=(const TMFtpListView&) = delete;

  // ---- Contents ----
  // Replaces the items: parent entry, the folders ("." and ".." left out) and the files. The
  // selection is cleared.
  void ShowListing(const TMFtpFileInfoList& folders, const TMFtpFileInfoList& files);
  // Empties the list (not even the parent entry stays).
  void Clear();
  [[nodiscard]] const std::vector<TMFtpListItem>& Items() const { return items_; }
  [[nodiscard]] std::size_t ItemCount() const { return items_.size(); }
  // The item's caption (its name; the parent entry's text by language); also its info tip.
  [[nodiscard]] std::string Caption(std::size_t index) const;
  // The text of one column for an item.
  [[nodiscard]] std::string ColumnText(std::size_t index, TMFtpListColumn column) const;

  // ---- Columns and language ----
  [[nodiscard]] std::vector<std::string> ColumnCaptions() const;
  [[nodiscard]] bool German() const { return german_; }
  void SetGerman(bool german);
  [[nodiscard]] std::string_view ParentEntryCaption() const {
    return german_ ? kParentEntryGerman : kParentEntryEnglish;
  }

  // ---- Sorting and style ----
  [[nodiscard]] TMFtpSortType SortType() const { return sortType_; }
  void SetSortType(TMFtpSortType type);
  [[nodiscard]] TMFtpViewStyle ViewStyle() const { return viewStyle_; }
  void SetViewStyle(TMFtpViewStyle style);
  // Editable captions and web style are kept for the GUI; the model does not act on them.
  bool ReadOnly = false;
  bool WebStyle = false;

  // ---- Selection ----
  void SetSelected(std::size_t index, bool selected);
  // Selects this item only (a plain click).
  void SelectOnly(std::size_t index);
  void ClearSelection();
  [[nodiscard]] bool AnySelected() const;
  // Captions of the selected folder items (the parent entry's caption included) and of the
  // selected files, in display order.
  [[nodiscard]] std::vector<std::string> SelectedFolders() const;
  [[nodiscard]] std::vector<std::string> SelectedFiles() const;

  // ---- Dropping local files ----
  [[nodiscard]] bool Accept() const { return accept_; }
  void SetAccept(bool accept) { accept_ = accept; }
  // Local files dropped from the shell. While Accept is on, their paths are collected and
  // OnFileDropped fires; a path longer than 255 characters is left out rather than cut (a cut
  // path names another file). Returns whether the drop was taken.
  bool DropFiles(const std::vector<std::string>& paths);
  [[nodiscard]] const std::vector<std::string>& DroppedFiles() const { return dropped_; }

  // ---- Events ----
  std::function<void(const std::vector<std::string>& paths)> OnFileDropped;
  std::function<void(ListViewChange change)> OnChanged;

  // ---- Binding to the engine ----
  ListingSnapshotSource Source;
  void EngineListingDone() override;

 private:
  void Sort();
  void Notify(ListViewChange change);

  std::vector<TMFtpListItem> items_;
  TMFtpSortType sortType_ = TMFtpSortType::stNone;
  TMFtpViewStyle viewStyle_ = TMFtpViewStyle::vsIcon;
  bool german_ = true;
  bool accept_ = true;
  std::vector<std::string> dropped_;
};

}  // namespace ftp

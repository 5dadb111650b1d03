#pragma once
// TMFtpTreeView: the server's folder tree as a model (the GUI draws it). The root stands for
// the server ("ftp://host/"); every listing that is done fills the children of the listed
// folder, creating the folders on the way to it, and selects it. Each node carries its folder
// path and its "ftp://" location and is of the kind "REMOTE_FOLDER". Children are sorted by
// their text.
//
// When the user selects a node, OnChange fires after ChangeDelay milliseconds (a newer choice
// within that time replaces the older one); the owner changes the engine's folder to it.
// Selections made by a listing fire nothing.
//
// Threading: the engine's loop thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/event_loop.h"
#include "core/one_shot_timer.h"
#include "ftp/listing_parser.h"
#include "ftp/listing_snapshot.h"
#include "ftp/tm_ftp_observer.h"

namespace ftp {

inline constexpr const char* kRemoteFolderKind = "REMOTE_FOLDER";

struct TMFtpTreeNode {
  std::string Text;      // the folder's name; the root shows the server location
  std::string Path;      // "/" for the root, "/pub/linux" below it
  std::string Location;  // "ftp://host/pub/linux/"
  std::string Kind = kRemoteFolderKind;
  bool ChildrenKnown = false;  // listed at least once
  bool Expanded = false;
  TMFtpTreeNode* Parent = nullptr;
  std::vector<std::unique_ptr<TMFtpTreeNode>> Children;
};

// What changed, for observers that redraw.
enum class TreeViewChange { kNodes, kSelection };

class TMFtpTreeView : public TMFtpObserver {
 public:
  // The loop times ChangeDelay; without one a user's choice is reported at once.
  explicit TMFtpTreeView(core::EventLoop* loop = nullptr);
  ~TMFtpTreeView() override;
  TMFtpTreeView(const TMFtpTreeView&) = delete;
  TMFtpTreeView& operator=(const TMFtpTreeView&) = delete;

  // The folders of the listing taken at `location` ("ftp://host[:port]/folder/"). A listing of
  // another server starts a new tree.
  void ShowListing(const std::string& location, const TMFtpFileInfoList& folders);
  void Clear();

  [[nodiscard]] const TMFtpTreeNode* Root() const { return root_.get(); }
  [[nodiscard]] const TMFtpTreeNode* Selected() const { return selected_; }
  [[nodiscard]] const TMFtpTreeNode* FindNode(const std::string& path) const;
  [[nodiscard]] std::size_t NodeCount() const;

  // The user chose a node (nullptr: none). OnChange follows after ChangeDelay.
  void SelectByUser(const TMFtpTreeNode* node);
  void SetExpanded(const TMFtpTreeNode* node, bool expanded);

  // Local files dropped on a node: OnFileDropped(node, paths) while Accept is on.
  bool DropFiles(const TMFtpTreeNode* node, const std::vector<std::string>& paths);

  // ---- Properties (the page sets web style, preloading, 50 ms and drops) ----
  std::int64_t ChangeDelay = 0;  // milliseconds
  bool WebStyle = false;
  bool Preload = false;  // kept for the GUI; folders are filled by listings only
  bool Accept = false;

  // ---- Events ----
  std::function<void(const TMFtpTreeNode& node)> OnChange;
  std::function<void(const TMFtpTreeNode& node, const std::vector<std::string>& paths)>
      OnFileDropped;
  std::function<void(TreeViewChange change)> OnChanged;

  // ---- Binding to the engine ----
  ListingSnapshotSource Source;
  void EngineListingDone() override;

 private:
  TMFtpTreeNode* FindMutable(const std::string& path);
  TMFtpTreeNode* Ensure(const std::string& path);
  std::unique_ptr<TMFtpTreeNode> MakeNode(TMFtpTreeNode* parent, const std::string& name) const;
  void CancelPendingChange();
  void FireChange(const std::string& path);
  void Notify(TreeViewChange change);

  std::optional<core::OneShotTimer> pendingChange_;  // present when there is a loop
  std::string server_;                               // "ftp://host[:port]"
  std::unique_ptr<TMFtpTreeNode> root_;
  TMFtpTreeNode* selected_ = nullptr;
};

}  // namespace ftp

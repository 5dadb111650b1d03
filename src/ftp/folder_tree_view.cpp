#include "ftp/folder_tree_view.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace ftp {
namespace {

int CompareText(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const int ca = std::tolower(static_cast<unsigned char>(a[i]));
    const int cb = std::tolower(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

// "/pub/linux/" as {"pub", "linux"}; empty and "." parts are dropped.
std::vector<std::string> PathParts(std::string_view path) {
  std::vector<std::string> parts;
  while (!path.empty()) {
    const auto slash = path.find('/');
    const std::string_view part = path.substr(0, slash);
    if (!part.empty() && part != ".") parts.emplace_back(part);
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  return parts;
}

std::string NormalPath(std::string_view path) {
  std::string out;
  for (const auto& part : PathParts(path)) {
    out += '/';
    out += part;
  }
  return out.empty() ? "/" : out;
}

std::size_t CountNodes(const TMFtpTreeNode& node) {
  std::size_t n = 1;
  for (const auto& child : node.Children) n += CountNodes(*child);
  return n;
}

}  // namespace

TMFtpTreeView::TMFtpTreeView(core::EventLoop* loop) {
  if (loop) pendingChange_.emplace(*loop);
}

// The pending choice is cancelled by its timer's own destructor.
TMFtpTreeView::~TMFtpTreeView() = default;

void TMFtpTreeView::Notify(TreeViewChange change) {
  if (OnChanged) OnChanged(change);
}

std::unique_ptr<TMFtpTreeNode> TMFtpTreeView::MakeNode(TMFtpTreeNode* parent,
                                                       const std::string& name) const {
  auto node = std::make_unique<TMFtpTreeNode>();
  node->Parent = parent;
  std::string path(1, '/');
  if (parent) path = parent->Path == "/" ? path + name : parent->Path + path + name;
  node->Text = parent ? name : server_ + path;
  node->Location = parent ? server_ + path + '/' : server_ + path;
  node->Path = std::move(path);
  return node;
}

TMFtpTreeNode* TMFtpTreeView::FindMutable(const std::string& path) {
  if (!root_) return nullptr;
  TMFtpTreeNode* node = root_.get();
  for (const auto& part : PathParts(path)) {
    auto it = std::find_if(node->Children.begin(), node->Children.end(),
                           [&](const auto& child) { return child->Text == part; });
    if (it == node->Children.end()) return nullptr;
    node = it->get();
  }
  return node;
}

const TMFtpTreeNode* TMFtpTreeView::FindNode(const std::string& path) const {
  return const_cast<TMFtpTreeView*>(this)->FindMutable(path);
}

TMFtpTreeNode* TMFtpTreeView::Ensure(const std::string& path) {
  TMFtpTreeNode* node = root_.get();
  for (const auto& part : PathParts(path)) {
    auto it = std::find_if(node->Children.begin(), node->Children.end(),
                           [&](const auto& child) { return child->Text == part; });
    if (it == node->Children.end()) {
      node->Children.push_back(MakeNode(node, part));
      std::sort(node->Children.begin(), node->Children.end(),
                [](const auto& a, const auto& b) { return CompareText(a->Text, b->Text) < 0; });
      it = std::find_if(node->Children.begin(), node->Children.end(),
                        [&](const auto& child) { return child->Text == part; });
    }
    node->Expanded = true;
    node = it->get();
  }
  return node;
}

void TMFtpTreeView::ShowListing(const std::string& location, const TMFtpFileInfoList& folders) {
  const std::string server = LocationServer(location);
  if (server.empty()) return;
  if (!root_ || server != server_) {
    CancelPendingChange();
    server_ = server;
    selected_ = nullptr;
    root_ = MakeNode(nullptr, {});
  }
  TMFtpTreeNode* target = Ensure(NormalPath(LocationFolder(location)));

  // Folders listed again keep what is known below them.
  std::vector<std::unique_ptr<TMFtpTreeNode>> old = std::move(target->Children);
  target->Children.clear();
  for (const auto& info : folders) {
    const std::string& name = info.Name;
    // "." and ".." and names that cannot be one path step have no node of their own.
    if (IsDotFolder(info) || name.empty() || name.find('/') != std::string::npos) continue;
    const bool known = std::any_of(target->Children.begin(), target->Children.end(),
                                   [&](const auto& child) { return child->Text == name; });
    if (known) continue;
    auto it = std::find_if(old.begin(), old.end(),
                           [&](const auto& child) { return child && child->Text == name; });
    target->Children.push_back(it != old.end() ? std::move(*it) : MakeNode(target, name));
  }
  std::sort(target->Children.begin(), target->Children.end(),
            [](const auto& a, const auto& b) { return CompareText(a->Text, b->Text) < 0; });
  target->ChildrenKnown = true;
  target->Expanded = true;
  selected_ = target;  // nodes of folders gone from the listing are freed with `old`
  Notify(TreeViewChange::kNodes);
}

void TMFtpTreeView::Clear() {
  CancelPendingChange();
  root_.reset();
  selected_ = nullptr;
  server_.clear();
  Notify(TreeViewChange::kNodes);
}

std::size_t TMFtpTreeView::NodeCount() const {
  return root_ ? CountNodes(*root_) : 0;
}

void TMFtpTreeView::EngineListingDone() {
  if (!Source) return;
  const ListingSnapshot snapshot = Source();
  ShowListing(snapshot.Location, snapshot.Folders);
}

void TMFtpTreeView::CancelPendingChange() {
  if (pendingChange_) pendingChange_->Cancel();
}

void TMFtpTreeView::FireChange(const std::string& path) {
  // The node may have gone with a newer listing; then there is nothing to go to.
  const TMFtpTreeNode* node = FindNode(path);
  if (node && OnChange) OnChange(*node);
}

void TMFtpTreeView::SelectByUser(const TMFtpTreeNode* node) {
  TMFtpTreeNode* mine = node ? FindMutable(node->Path) : nullptr;
  if (node && mine != node) return;  // not a node of this tree
  CancelPendingChange();
  if (selected_ != mine) {
    selected_ = mine;
    Notify(TreeViewChange::kSelection);
  }
  if (!mine) return;
  const std::string path = mine->Path;
  if (ChangeDelay > 0 && pendingChange_) {
    pendingChange_->Start(ChangeDelay, [this, path] { FireChange(path); });
  } else {
    FireChange(path);
  }
}

void TMFtpTreeView::SetExpanded(const TMFtpTreeNode* node, bool expanded) {
  TMFtpTreeNode* mine = node ? FindMutable(node->Path) : nullptr;
  if (!mine || mine != node || mine->Expanded == expanded) return;
  mine->Expanded = expanded;
  Notify(TreeViewChange::kNodes);
}

bool TMFtpTreeView::DropFiles(const TMFtpTreeNode* node, const std::vector<std::string>& paths) {
  const TMFtpTreeNode* mine = node ? FindNode(node->Path) : nullptr;
  if (!Accept || !mine || mine != node) return false;
  if (OnFileDropped) OnFileDropped(*mine, paths);
  return true;
}

}  // namespace ftp

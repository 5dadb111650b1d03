// The engine's listing: from the cache when it holds the folder, else TYPE A, PASV or PORT and
// LIST over the data connection, parsed line by line as it arrives.

#include "ftp/ftp_reply_text.h"
#include "ftp/tm_ftp.h"
#include "ftp/tm_ftp_transfer_state.h"

namespace ftp {

FtpListingKey TMFtp::CacheKey() const {
  return FtpListingKey{Server, Port == 0 ? 21 : Port, Username, currentDir_};
}

bool TMFtp::Refresh() {
  if (!Claim(TMFtpOperation::kList)) return false;
  folders_.clear();
  files_.clear();
  rawListing_.clear();
  listedDir_.reset();
  TMFtpFileInfoList cachedFolders;
  TMFtpFileInfoList cachedFiles;
  if (Cache && store_ && store_->Load(CacheKey(), CacheExpire, cachedFolders, cachedFiles)) {
    const std::uint64_t serial = opSerial_;
    Info(FtpInfo::kDebug, "Liste aus dem Cache: " + Location());
    for (const auto& entry : cachedFolders) {
      if (serial == opSerial_) AddEntry(entry);
    }
    for (const auto& entry : cachedFiles) {
      if (serial == opSerial_) AddEntry(entry);
    }
    if (serial == opSerial_) Info(FtpInfo::kDirectoryRefresh);
    for (auto* view : std::vector<TMFtpObserver*>(views_)) view->EngineListingDone();
    if (serial == opSerial_) EndOperation(true);
    WaitIfSynchronous();
    return true;
  }
  listedDir_ = currentDir_;
  transfer_ = std::make_unique<Transfer>(Transfer::Kind::kList);
  transfer_->Parser = std::make_unique<ListingParser>(ServerType, CurrentLocalYear());
  SendCommand("TYPE A", [this](const std::string& line) {
    if (ReplyClass(line) != '2') {
      Fail(FtpError::kProtocolError, line, false);
      return;
    }
    OpenData([this] { StartListing(); });
  });
  WaitIfSynchronous();
  return true;
}

void TMFtp::StartListing() {
  const std::uint64_t serial = opSerial_;
  Info(FtpInfo::kStartListing, currentDir_);
  if (serial != opSerial_) return;
  StartTransferCommand(FileMask.empty() ? "LIST" : "LIST " + FileMask, false);
}

bool TMFtp::ListingData(const char* data, std::size_t size) {
  if (!transfer_) return false;
  const std::uint64_t serial = opSerial_;
  transfer_->Lines.Append(std::string_view(data, size), [this, serial](std::string_view line) {
    if (serial == opSerial_ && transfer_) ListingLine(line);
  });
  if (serial != opSerial_ || !transfer_) return false;
  if (transfer_->Lines.Overflowed()) {
    // No listing line is that long: the stream is not a listing, or a hostile one.
    DataFailed(FtpError::kProtocolError, std::string(kTextListingLineTooLong));
    return false;
  }
  return true;
}

void TMFtp::ListingLine(std::string_view line) {
  const std::uint64_t serial = opSerial_;
  Info(FtpInfo::kDataTrace, std::string(line));
  if (serial != opSerial_ || !transfer_) return;
  rawListing_.emplace_back(line);
  if (auto entry = transfer_->Parser->ParseLine(line)) AddEntry(*entry);
}

void TMFtp::AddEntry(const MFtpFileInfo& entry) {
  if (entry.Directory && IsDotFolder(entry)) return;
  (entry.Directory ? folders_ : files_).push_back(entry);
  const std::uint64_t serial = opSerial_;
  Info(FtpInfo::kListingParsed, entry.Directory ? "Folder" : "File");
  if (serial != opSerial_) return;
  const std::string location = Location();
  if (OnFileFound) OnFileFound(entry, location, entry.Directory);
  for (auto* view : std::vector<TMFtpObserver*>(views_)) {
    view->EngineFileFound(entry, location, entry.Directory);
  }
}

void TMFtp::ListingComplete() {
  transfer_->Parser->Finish();
  // A listing fetched from the server refreshes the cache even when this one bypassed it.
  if (store_) store_->Save(CacheKey(), folders_, files_);
  const std::uint64_t serial = opSerial_;
  Info(FtpInfo::kDirectoryRefresh);
  if (serial != opSerial_) return;
  for (auto* view : std::vector<TMFtpObserver*>(views_)) view->EngineListingDone();
  if (serial == opSerial_) EndOperation(true);
}

}  // namespace ftp

// Downloads and uploads: TYPE, the resume decision (SIZE and REST), the data connection and the
// streaming between the local file and the data socket.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <strings.h>
#include <cerrno>
#include <cstring>
#include <optional>
#include <utility>

#include "ftp/ftp_reply_text.h"
#include "ftp/tm_ftp.h"
#include "ftp/tm_ftp_transfer_state.h"

namespace ftp {

namespace {

std::string TypeCommand(TMFtpTransferMode mode) {
  return mode == TMFtpTransferMode::AsciiTransfer ? "TYPE A" : "TYPE I";
}

std::int64_t FileSize(int fd) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 ? static_cast<std::int64_t>(st.st_size) : 0;
}

// Listings in these formats give blocks or records, not bytes.
bool ListsBytes(TMFtpServerType type) {
  switch (type) {
    case TMFtpServerType::ftpstVmsMultinet:
    case TMFtpServerType::ftpstVmsUcx:
    case TMFtpServerType::ftpstMVS:
    case TMFtpServerType::ftpstVM:
    case TMFtpServerType::ftpstVMVPS:
      return false;
    default:
      return true;
  }
}

constexpr std::string_view kResume = "Resume";
constexpr std::string_view kOverwrite = "Overwrite";

}  // namespace

void TMFtp::SendRest(std::int64_t offset, bool download, std::function<void()> then) {
  SendCommand("REST " + std::to_string(offset), [this, download,
                                                 then = std::move(then)](const std::string& line) {
    if (ReplyClass(line) != '3') {
      Fail(FtpError::kResumeFailed,
           std::string(download ? kTextResumeDownloadFailed : kTextResumeUploadFailed), false);
      return;
    }
    then();
  });
}

// ---- download ----

// The size of `remote` in bytes as the server's own latest listing of the current folder gives
// it; -1 when that is not known. A link's listed size is the link's, not its target's.
std::int64_t TMFtp::ListedSize(const std::string& remote) const {
  if (listedDir_ != currentDir_ || !ListsBytes(ServerType)) return -1;
  for (const auto& file : files_) {
    if (::strcasecmp(file.Name.c_str(), remote.c_str()) != 0) continue;
    const std::string& size = file.Size;
    if (!file.LinkTarget.empty() || size.empty() || size.size() > 18 ||
        size.find_first_not_of("0123456789") != std::string::npos) {
      return -1;
    }
    const std::int64_t bytes = std::stoll(size);
    return bytes > 0 ? bytes : -1;  // 0 is also what a listing without sizes gives
  }
  return -1;
}

bool TMFtp::Download(const std::string& remote, const std::string& local) {
  if (!Claim(TMFtpOperation::kDownload)) return false;
  const std::optional<QueriedSize> queried = std::exchange(queriedSize_, std::nullopt);
  const std::uint64_t serial = opSerial_;
  if (remote.empty() || local.empty()) {
    Fail(remote.empty() ? FtpError::kFileNotFound : FtpError::kFileOpen, {}, false);
    WaitIfSynchronous();
    return true;
  }
  if (!ArgumentsSafe({remote}, "RETR")) {
    WaitIfSynchronous();
    return true;
  }
  for (const auto& file : files_) {
    if (::strcasecmp(file.Name.c_str(), remote.c_str()) == 0) {
      const long long size = std::atoll(file.Size.c_str());
      if (size > 0) Info(FtpInfo::kFileSize, std::to_string(size));
      break;
    }
  }
  if (serial != opSerial_) return true;
  bool resume = false;
  struct stat st {};
  if (::stat(local.c_str(), &st) == 0) {
    const std::string answer = Ask(TMFtpInfoNeeded::kLocalFileExists, {});
    if (serial != opSerial_) return true;
    if (answer == kResume) {
      if (!supportsResume_) {
        Info(FtpInfo::kNotSupportResume);
        if (serial == opSerial_) EndOperation(false);
        WaitIfSynchronous();
        return true;
      }
      resume = true;
    } else if (!answer.empty() && answer != kOverwrite) {
      EndOperation(false);
      WaitIfSynchronous();
      return true;
    }
  }
  const int fd = ::open(local.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    Fail(FtpError::kFileOpen, local, false);
    WaitIfSynchronous();
    return true;
  }
  transfer_ = std::make_unique<Transfer>(Transfer::Kind::kDownload);
  transfer_->Fd.Reset(fd);
  transfer_->Remote = remote;
  transfer_->Local = local;
  // ASCII mode may change line ends, and with them the size.
  if (TransferMode == TMFtpTransferMode::BinaryTransfer) {
    transfer_->ExpectedSize = queried && queried->Dir == currentDir_ && queried->Name == remote
                                  ? queried->Bytes
                                  : ListedSize(remote);
  }
  PutFileOpen = true;
  SendCommand(TypeCommand(TransferMode), [this, resume](const std::string& line) {
    if (ReplyClass(line) != '2') {
      Fail(FtpError::kTransferType, line, false);
      return;
    }
    const std::int64_t localSize = FileSize(transfer_->Fd.Get());
    if (!resume) {
      StartDownload(0);
    } else if (sizeAllowed_) {
      SendCommand("SIZE " + transfer_->Remote,
                  [this, localSize](const std::string& reply) { DownloadSize(reply, localSize); });
    } else {
      DownloadSize({}, localSize);
    }
  });
  WaitIfSynchronous();
  return true;
}

void TMFtp::DownloadSize(const std::string& line, std::int64_t localSize) {
  std::int64_t serverSize = 0;
  if (line.rfind("50", 0) == 0) sizeAllowed_ = false;
  if (ReplyClass(line) == '2') {
    const auto size = SizeFromReply(line);
    serverSize = size.value_or(0);
    if (size && TransferMode == TMFtpTransferMode::BinaryTransfer) transfer_->ExpectedSize = *size;
  }
  const std::uint64_t serial = opSerial_;
  if (localSize > 0 && localSize <= serverSize) {
    if (localSize == serverSize) {
      Info(FtpInfo::kNothing, std::string(kTextNothingToDo));
      if (serial != opSerial_) return;
      CloseLocalFile();
      EndOperation(false);
      return;
    }
    Info(FtpInfo::kTransferResume, std::to_string(localSize));
    if (serial != opSerial_) return;
    SendRest(localSize, true, [this, localSize] { StartDownload(localSize); });
    return;
  }
  Info(FtpInfo::kNotSupportResume, std::string(kTextCannotResume));
  if (serial == opSerial_) StartDownload(0);
}

bool TMFtp::QuerySize(const std::string& remote) {
  if (!Claim(TMFtpOperation::kSize)) return false;
  if (remote.empty()) {
    Fail(FtpError::kFileNotFound, {}, false);
  } else if (!ArgumentsSafe({remote}, "SIZE")) {
    // Refused and reported; nothing was sent.
  } else if (!sizeAllowed_) {
    EndOperation(true);  // the server said it has no SIZE: the size stays unknown
  } else {
    // The size of the binary file; some servers refuse SIZE in ASCII mode.
    SendCommand("TYPE I", [this, remote](const std::string& line) {
      if (ReplyClass(line) != '2') {
        EndOperation(true);
        return;
      }
      SendCommand("SIZE " + remote,
                  [this, remote](const std::string& reply) { QueriedSizeReply(remote, reply); });
    });
  }
  WaitIfSynchronous();
  return true;
}

void TMFtp::QueriedSizeReply(const std::string& remote, const std::string& line) {
  if (line.rfind("50", 0) == 0) sizeAllowed_ = false;
  const auto size = ReplyClass(line) == '2' ? SizeFromReply(line) : std::nullopt;
  if (size) {
    queriedSize_ = QueriedSize{currentDir_, remote, *size};
    const std::uint64_t serial = opSerial_;
    Info(FtpInfo::kFileSize, std::to_string(*size));
    if (serial != opSerial_) return;
  }
  EndOperation(true);
}

void TMFtp::StartDownload(std::int64_t restartAt) {
  transfer_->Offset = restartAt;
  if (::ftruncate(transfer_->Fd.Get(), restartAt) != 0 ||
      ::lseek(transfer_->Fd.Get(), restartAt, SEEK_SET) != restartAt) {
    Fail(FtpError::kFileWrite, transfer_->Local, false);
    return;
  }
  OpenData([this] {
    const std::uint64_t serial = opSerial_;
    Info(FtpInfo::kTransferGetStart, transfer_->Remote);
    if (serial == opSerial_) StartTransferCommand("RETR " + transfer_->Remote, false);
  });
}

bool TMFtp::DownloadData(const char* data, std::size_t size) {
  if (!transfer_ || !transfer_->Fd) return false;
  while (size > 0) {
    const ssize_t n = ::write(transfer_->Fd.Get(), data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      DataFailed(FtpError::kFileWrite, transfer_->Local + ": " + std::strerror(errno));
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
    transfer_->Received += n;
  }
  return true;
}

// ---- upload ----

bool TMFtp::Upload(const std::string& local, const std::string& remote) {
  ++PutCount;
  if (!Claim(TMFtpOperation::kUpload)) {
    PutIssued = false;
    return false;
  }
  StartUpload(local, remote);
  WaitIfSynchronous();
  return true;
}

bool TMFtp::UploadFiles(const std::vector<std::string>& locals,
                        const std::vector<std::string>& remotes) {
  if (!Claim(TMFtpOperation::kMultiUpload)) return false;
  for (std::size_t i = 0; i < locals.size() && i < remotes.size(); ++i) {
    batch_.emplace_back(locals[i], remotes[i]);
  }
  NextBatchUpload();
  WaitIfSynchronous();
  return true;
}

void TMFtp::NextBatchUpload() {
  transfer_.reset();
  if (batch_.empty()) {
    EndOperation(true);
    return;
  }
  auto [local, remote] = batch_.front();
  batch_.erase(batch_.begin());
  ++PutCount;
  StartUpload(local, remote);
}

bool TMFtp::StartUpload(const std::string& local, const std::string& remote) {
  if (remote.empty() || local.empty()) {
    Fail(remote.empty() ? FtpError::kFileNotFound : FtpError::kFileOpen, {}, false);
    return false;
  }
  if (!ArgumentsSafe({remote}, "STOR")) return false;
  const int fd = ::open(local.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    Fail(FtpError::kFileOpen, local, false);
    return false;
  }
  transfer_ = std::make_unique<Transfer>(Transfer::Kind::kUpload);
  transfer_->Fd.Reset(fd);
  transfer_->Remote = remote;
  transfer_->Local = local;
  transfer_->InBatch = op_ == TMFtpOperation::kMultiUpload;
  PutFileOpen = true;
  SendCommand(TypeCommand(TransferMode), [this](const std::string& line) { UploadTypeSet(line); });
  if (transfer_) PutIssued = true;
  return true;
}

void TMFtp::UploadTypeSet(const std::string& line) {
  if (ReplyClass(line) != '2') {
    Fail(FtpError::kTransferType, line, false);
    return;
  }
  if (supportsResume_ && sizeAllowed_) {
    SendCommand("SIZE " + transfer_->Remote,
                [this](const std::string& reply) { UploadSize(reply); });
  } else {
    StartStore(0);
  }
}

void TMFtp::UploadSize(const std::string& line) {
  if (line.rfind("50", 0) == 0) sizeAllowed_ = false;
  const std::int64_t remoteSize = ReplyClass(line) == '2' ? SizeFromReply(line).value_or(0) : 0;
  if (remoteSize <= 0) {
    StartStore(0);
    return;
  }
  const std::uint64_t serial = opSerial_;
  const std::string answer = Ask(TMFtpInfoNeeded::kLocalFileExists, {});
  if (serial != opSerial_ || !transfer_) return;
  if (answer.empty() || answer == kOverwrite) {
    StartStore(0);
    return;
  }
  if (answer != kResume) {
    CloseLocalFile();
    EndOperation(false);
    return;
  }
  const std::int64_t localSize = FileSize(transfer_->Fd.Get());
  if (remoteSize == localSize) {
    // The server holds the whole file already.
    Info(FtpInfo::kNothing, std::string(kTextNothingToDo));
    if (serial != opSerial_) return;
    CloseLocalFile();
    PutFileClosed = true;
    if (transfer_->InBatch) {
      NextBatchUpload();
    } else {
      EndOperation(false);
    }
    return;
  }
  if (remoteSize > localSize || ::lseek(transfer_->Fd.Get(), remoteSize, SEEK_SET) != remoteSize) {
    Info(FtpInfo::kNotSupportResume, std::string(kTextCannotResume));
    if (serial == opSerial_) StartStore(0);
    return;
  }
  Info(FtpInfo::kTransferResume, std::to_string(remoteSize));
  if (serial != opSerial_) return;
  SendRest(remoteSize, false, [this, remoteSize] { StartStore(remoteSize); });
}

void TMFtp::StartStore(std::int64_t restartAt) {
  transfer_->Offset = restartAt;
  if (restartAt == 0) ::lseek(transfer_->Fd.Get(), 0, SEEK_SET);
  OpenData([this] {
    const std::uint64_t serial = opSerial_;
    Info(FtpInfo::kTransferPutStart, transfer_->Remote);
    if (serial == opSerial_) StartTransferCommand("STOR " + transfer_->Remote, true);
  });
}

long TMFtp::UploadSource(char* buffer, std::size_t size) {
  if (!transfer_ || !transfer_->Fd) return -1;
  for (;;) {
    const ssize_t n = ::read(transfer_->Fd.Get(), buffer, size);
    if (n >= 0) return static_cast<long>(n);
    if (errno == EINTR) continue;
    DataFailed(FtpError::kFileRead, transfer_->Local + ": " + std::strerror(errno));
    return -1;
  }
}

void TMFtp::UploadDone() {
  const std::string remote = transfer_->Remote;
  const bool inBatch = transfer_->InBatch;
  const std::uint64_t serial = opSerial_;
  CloseLocalFile();
  PutFileClosed = true;
  Info(FtpInfo::kTransferPutFinish, remote);
  if (serial == opSerial_) Info(FtpInfo::kTransferDone);
  if (serial != opSerial_) return;
  if (!inBatch) {
    EndOperation(true);
    return;
  }
  if (OnFileStored) OnFileStored();
  if (serial == opSerial_) NextBatchUpload();
}

}  // namespace ftp

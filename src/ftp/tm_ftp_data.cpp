// The engine's data side: PASV or PORT, the transfer command, and the bookkeeping that ends a
// transfer only when both the data stream and the command's final reply are complete.

#include "ftp/ftp_reply_text.h"
#include "ftp/tm_ftp.h"
#include "ftp/tm_ftp_transfer_state.h"

namespace ftp {

void TMFtp::OpenData(std::function<void()> then) {
  // Stock servers accept a protected data connection only when it resumes the control
  // connection's TLS session.
  if (control_.Secure()) {
    data_.SecureWith(tlsContext_, {Server, TlsCAFile, control_.TlsSession()},
                     std::int64_t{TimeOut} * 1000);
  } else {
    data_.SecureWith(nullptr, {}, 0);
  }
  if (!Passive) {
    std::string argument;
    FtpFailure failure;
    if (!data_.OpenActive(control_.LocalAddress(), argument, failure)) {
      Fail(failure.Code, failure.Text, false);
      return;
    }
    SendCommand("PORT " + argument, [this, then = std::move(then)](const std::string& line) {
      if (ReplyClass(line) != '2') {
        Fail(FtpError::kProtocolError, line, false);
        return;
      }
      then();
    });
    return;
  }
  SendCommand("PASV", [this, then = std::move(then)](const std::string& line) {
    const auto pasv = ReplyClass(line) == '2' ? ParsePasvReply(line) : std::nullopt;
    if (!pasv) {
      Fail(FtpError::kProtocolError, line, false);
      return;
    }
    // The reply may name any address (a server behind NAT, or one aiming the client at a third
    // host); the data connection goes to the server we are talking to, on the port it named.
    const std::string peer = control_.PeerAddress();
    if (pasv->Address != peer) {
      Info(FtpInfo::kDebug, "PASV nennt " + pasv->Address + ", verbunden wird mit " + peer);
    }
    data_.OpenPassive(peer, pasv->Port, std::int64_t{TimeOut} * 1000);
    then();
  });
}

void TMFtp::StartTransferCommand(const std::string& command, bool sending) {
  if (!transfer_) return;
  transfer_->CommandSent = true;
  if (!sending) {
    const bool listing = transfer_->TransferKind == Transfer::Kind::kList;
    data_.ReceiveInto([this, listing](const char* data, std::size_t size) {
      return listing ? ListingData(data, size) : DownloadData(data, size);
    });
  }
  SendCommand(command, [this](const std::string& line) { TransferReply(line); });
}

void TMFtp::TransferReply(const std::string& line) {
  if (!transfer_) return;
  const char cls = ReplyClass(line);
  if (cls == '1') {
    data_.TransferAccepted();
    if (!transfer_) return;  // the held connection failed at once
    // A download from the start whose size is not known yet takes the size the server
    // announces here, when it does ("150 ... (1234 bytes)"); ASCII mode may change it.
    if (transfer_->TransferKind == Transfer::Kind::kDownload && transfer_->Offset == 0 &&
        transfer_->ExpectedSize < 0 && TransferMode == TMFtpTransferMode::BinaryTransfer) {
      transfer_->ExpectedSize = AnnouncedSize(line).value_or(-1);
    }
    // The server opens the transfer: an upload starts sending now.
    if (transfer_->TransferKind == Transfer::Kind::kUpload &&
        transfer_->PendingError == FtpError::kNone) {
      data_.SendFrom([this](char* buffer, std::size_t size) { return UploadSource(buffer, size); });
    }
    pending_ = [this](const std::string& next) { TransferReply(next); };
    ArmReplyTimer();
    return;
  }
  if (transfer_->PendingError != FtpError::kNone) {
    Fail(transfer_->PendingError, transfer_->PendingText, false);
    return;
  }
  if (cls != '2') {
    const FtpError error =
        transfer_->TransferKind == Transfer::Kind::kList       ? FtpError::kProtocolError
        : transfer_->TransferKind == Transfer::Kind::kDownload ? FtpError::kTransferGet
                                                               : FtpError::kTransferPut;
    Fail(error, line, false);
    return;
  }
  transfer_->ReplyDone = true;
  if (!transfer_->DataDone) ArmReplyTimer();  // the rest of the data is owed within TimeOut
  TryCompleteTransfer();
}

void TMFtp::DataFinished() {
  if (!transfer_) return;
  if (transfer_->TransferKind == Transfer::Kind::kUpload && !data_.SourceDone()) {
    DataFailed(FtpError::kConnReset, "Verbindung vom Remote Host abgebrochen");
    return;
  }
  if (transfer_->TransferKind == Transfer::Kind::kList) {
    transfer_->Lines.Finish([this](std::string_view line) { ListingLine(line); });
    if (!transfer_) return;
  }
  transfer_->DataDone = true;
  TryCompleteTransfer();
}

void TMFtp::DataFailed(FtpError error, const std::string& text) {
  if (!transfer_) return;
  data_.Close();
  if (transfer_->CommandSent && !transfer_->ReplyDone) {
    // Raised when the server has answered the command, so that answer stays paired with it.
    if (transfer_->PendingError == FtpError::kNone) {
      transfer_->PendingError = error;
      transfer_->PendingText = text;
    }
    return;
  }
  Fail(error, text, false);
}

void TMFtp::TryCompleteTransfer() {
  if (!transfer_ || !transfer_->ReplyDone || !transfer_->DataDone) return;
  switch (transfer_->TransferKind) {
    case Transfer::Kind::kList:
      ListingComplete();
      return;
    case Transfer::Kind::kDownload: {
      const std::int64_t size = transfer_->Offset + transfer_->Received;
      if (transfer_->ExpectedSize >= 0 && size != transfer_->ExpectedSize) {
        // The server called it done, but this is not the file it announced.
        Fail(FtpError::kTransferGet,
             std::string(kTextSizeMismatch) + ": " + transfer_->Remote + " (" +
                 std::to_string(size) + " statt " + std::to_string(transfer_->ExpectedSize) +
                 " Bytes)",
             false);
        return;
      }
      const std::string remote = transfer_->Remote;
      const std::uint64_t serial = opSerial_;
      CloseLocalFile();
      PutFileClosed = true;
      Info(FtpInfo::kTransferGetFinish, remote);
      if (serial == opSerial_) Info(FtpInfo::kTransferDone);
      if (serial == opSerial_) EndOperation(true);
      return;
    }
    case Transfer::Kind::kUpload:
      UploadDone();
      return;
  }
}

void TMFtp::CloseLocalFile() {
  if (transfer_) transfer_->Fd.Reset();
}

}  // namespace ftp

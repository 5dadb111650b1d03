// The engine's single-command operations: folders, delete, rename, quit.

#include "ftp/ftp_reply_text.h"
#include "ftp/tm_ftp.h"

namespace ftp {

bool TMFtp::SimpleCommand(TMFtpOperation op, const std::string& command) {
  if (!Claim(op)) return false;
  if (op == TMFtpOperation::kDelete) DeleteSent = true;
  SendCommand(command, [this, op](const std::string& line) {
    if (ReplyClass(line) != '2') {
      Fail(FtpError::kPermissionDenied, std::string(kTextRefused), false);
      return;
    }
    if (op == TMFtpOperation::kChangeDir || op == TMFtpOperation::kParentDir) {
      FolderFromReply(line, [this] { EndOperation(true); });
    } else {
      EndOperation(true);
    }
  });
  WaitIfSynchronous();
  return true;
}

bool TMFtp::ChangeDir(const std::string& name) {
  return SimpleCommand(TMFtpOperation::kChangeDir, "CWD " + name);
}

bool TMFtp::ChangeDirUp() {
  return SimpleCommand(TMFtpOperation::kParentDir, "CDUP");
}

bool TMFtp::MakeDir(const std::string& name) {
  return SimpleCommand(TMFtpOperation::kMakeDir, "MKD " + name);
}

bool TMFtp::RemoveDir(const std::string& name) {
  return SimpleCommand(TMFtpOperation::kRemoveDir, "RMD " + name);
}

bool TMFtp::DeleteFile(const std::string& name) {
  return SimpleCommand(TMFtpOperation::kDelete, "DELE " + name);
}

bool TMFtp::Rename(const std::string& oldName, const std::string& newName) {
  if (!Claim(TMFtpOperation::kRename)) return false;
  // Both names are checked before RNFR, so a refused new name leaves no rename half begun.
  if (!ArgumentsSafe({oldName, newName}, "RNFR")) {
    WaitIfSynchronous();
    return true;
  }
  SendCommand("RNFR " + oldName, [this, newName](const std::string& line) {
    if (ReplyClass(line) != '3') {
      Fail(FtpError::kPermissionDenied, std::string(kTextRefused), false);
      return;
    }
    SendCommand("Rnto " + newName, [this](const std::string& reply) {
      if (ReplyClass(reply) != '2') {
        Fail(FtpError::kPermissionDenied, std::string(kTextRefused), false);
        return;
      }
      EndOperation(true);
    });
  });
  WaitIfSynchronous();
  return true;
}

bool TMFtp::Quit() {
  if (!Claim(TMFtpOperation::kQuit)) return false;
  // Whatever the answer, the session ends as if the server had closed it.
  SendCommand("QUIT", [this](const std::string&) { ConnectionLost(); });
  WaitIfSynchronous();
  return true;
}

void TMFtp::FolderFromReply(const std::string& line, std::function<void()> then) {
  const std::string quoted = QuotedPath(line);
  if (!quoted.empty()) {
    currentDir_ = quoted;
    then();
    return;
  }
  SendCommand("PWD", [this, then = std::move(then)](const std::string& reply) {
    if (ReplyClass(reply) == '2') {
      const std::string folder = QuotedPath(reply);
      if (!folder.empty()) currentDir_ = folder;
    }
    then();
  });
}

}  // namespace ftp

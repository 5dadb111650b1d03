// The mini client's display side: status and progress, busy/ready/quit, the protocol list.

#include <algorithm>
#include <cstdio>
#include <string>

#include "app/auto_ftp.h"
#include "app/ftp_panel.h"
#include "app/t_stayline.h"
#include "core/text.h"
#include "ftp/tm_ftp.h"

namespace app {

namespace {

constexpr long long kUnknownSizeMax = 1'000'000;

}  // namespace

void FtpPanel::MFtp1FtpInfo(ftp::FtpInfo info, const std::string& addInfo) {
  if (main_.State().RestartInProgress) return;
  Status("");
  const std::string_view name = ftp::FtpInfoName(info);
  if (!name.empty()) Status(std::string(name));
  switch (info) {
    case ftp::FtpInfo::kFileSize:
      StartTransfer(addInfo);
      break;
    case ftp::FtpInfo::kDataTrace:
      ShowRate();
      break;
    case ftp::FtpInfo::kTransferDone:
      main_.Form().ProgressBar1.SetPosition(0);
      transferRunning_ = false;
      downloadTarget_.clear();
      transferSize_ = 0;
      break;
    case ftp::FtpInfo::kTransferPutStart:
      main_.Beep();
      break;
    default:
      break;
  }
}

void FtpPanel::StartTransfer(const std::string& sizeText) {
  MainForm& f = main_.Form();
  long long size = 0;
  // An empty size or one starting with "0" is unknown; so is a text that is no number.
  if (!sizeText.empty() && sizeText[0] != '0' && !core::TryParseInt(sizeText, size)) size = 0;
  transferSize_ = size > 0 ? size : 0;
  f.ProgressBar1.SetMax(transferSize_ > 0 ? transferSize_ : kUnknownSizeMax);
  transferStartMs_ = main_.Loop().NowMs();
  rate_ = 0.0;
  f.ProgressBar1.SetPosition(0);
  lastProtocolLine_.clear();
  transferRunning_ = true;
  DisableTransferButtons();
}

void FtpPanel::ShowRate() {
  const std::uint64_t bytes = main_.MFtp1().BytesTransferred();
  if (transferSize_ <= 0 || bytes < 1) return;
  main_.Form().ProgressBar1.SetPosition(static_cast<long long>(bytes));
  rate_ = Rate(bytes, main_.Loop().NowMs() - transferStartMs_, rate_);
  Status(SpeedText(rate_, bytes));
}

double FtpPanel::Rate(std::uint64_t bytes, std::int64_t elapsedMs, double previous) {
  if (elapsedMs <= 0) return previous;
  return static_cast<double>(bytes) / 1024.0 / (static_cast<double>(elapsedMs) / 1000.0);
}

std::string FtpPanel::SpeedText(double rate, std::uint64_t bytes) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", rate);
  return "Speed: " + std::string(text) + " KB/s | Bytes: " + std::to_string(bytes);
}

void FtpPanel::MFtp1FtpBusy() {
  main_.Dialogs().SetBusyCursor(false);
  list_.SetAccept(false);
  Status(main_.Tx("FTP", "FTP Busy"));
}

void FtpPanel::MFtp1FtpReady() {
  main_.Dialogs().SetBusyCursor(false);
  list_.SetAccept(true);
  main_.Publisher().State().FtpReadySeen = true;
  Status("FTP OK");
  RemovePendingFolder();
}

void FtpPanel::MFtp1FtpQuit() {
  Status(main_.Tx("Verbindung getrennt.", "Disconnected."));
  tree_.Clear();
  list_.Clear();
}

void FtpPanel::MFtpMessenger1MessageShow(const std::string& text) {
  std::string line = core::Trim(text);
  std::replace(line.begin(), line.end(), '\r', ' ');
  std::replace(line.begin(), line.end(), '\n', ' ');
  line = core::Trim(line);
  if (line.empty() || line == core::Trim(lastProtocolLine_)) return;
  if (line.find("NOOP") != std::string::npos) return;
  forms::ListBox& box = main_.Form().DebugListBox;
  box.SetItemIndex(box.AddItem(line));
  lastProtocolLine_ = line;
}

}  // namespace app

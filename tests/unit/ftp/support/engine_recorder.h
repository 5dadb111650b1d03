#pragma once
// Records what a TMFtp engine tells its owner, as short texts in order ("info 12 Verbinden",
// "error 29 ...", "busy", "ready", "LoggedIn", ...), and runs a loop until an event came.
// Header-only so the integration tests can use it as well.

#include <algorithm>
#include <string>
#include <vector>

#include "core/event_loop.h"
#include "ftp/tm_ftp.h"

namespace ftptest {

class EngineRecorder {
 public:
  explicit EngineRecorder(ftp::TMFtp& ftp) : ftp_(ftp) {
    ftp.OnFtpInfo = [this](ftp::FtpInfo info, const std::string& text) {
      if (info == ftp::FtpInfo::kTraceIn || info == ftp::FtpInfo::kDataTrace) return;
      Add("info " + std::to_string(static_cast<int>(info)) + " " + text);
    };
    ftp.OnFtpError = [this](ftp::FtpError error, const std::string& text) {
      Add("error " + std::to_string(static_cast<int>(error)) + " " + text);
    };
    ftp.OnFtpNeedInfo = [this](ftp::TMFtpInfoNeeded need, std::string& value) {
      Add("need " + std::to_string(static_cast<int>(need)));
      value = Answer;
    };
    ftp.OnFtpBusy = [this] { Add("busy"); };
    ftp.OnFtpReady = [this] {
      Add("ready");
      ++readyCount_;
    };
    ftp.OnLoggedIn = [this] { Add("LoggedIn"); };
    ftp.OnDirectoryChanged = [this] { Add("DirectoryChanged"); };
    ftp.OnDirectoryCreated = [this] { Add("DirectoryCreated"); };
    ftp.OnDirectoryDeleted = [this] { Add("DirectoryDeleted"); };
    ftp.OnFileDeleted = [this] { Add("FileDeleted"); };
    ftp.OnFileRenamed = [this] { Add("FileRenamed"); };
    ftp.OnFileReceived = [this] { Add("FileReceived"); };
    ftp.OnFileStored = [this] { Add("FileStored"); };
    ftp.OnListingDone = [this] { Add("ListingDone"); };
    ftp.OnFtpQuit = [this] { Add("Quit"); };
    ftp.OnAborted = [this] { Add("Aborted"); };
  }

  // The answer to every question (OnFtpNeedInfo).
  std::string Answer;

  [[nodiscard]] const std::vector<std::string>& Events() const { return events_; }
  void Clear() { events_.clear(); }

  [[nodiscard]] bool Has(const std::string& prefix) const {
    return std::any_of(events_.begin(), events_.end(),
                       [&](const std::string& e) { return e.rfind(prefix, 0) == 0; });
  }
  [[nodiscard]] int Count(const std::string& prefix) const {
    return static_cast<int>(
        std::count_if(events_.begin(), events_.end(),
                      [&](const std::string& e) { return e.rfind(prefix, 0) == 0; }));
  }
  // Index of the first event starting with `prefix`, or -1.
  [[nodiscard]] int IndexOf(const std::string& prefix) const {
    for (std::size_t i = 0; i < events_.size(); ++i) {
      if (events_[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
    }
    return -1;
  }
  [[nodiscard]] std::string Dump() const {
    std::string all;
    for (const auto& e : events_) all += e + "\n";
    return all;
  }

  // Runs the loop until the engine is idle after a ready notification (or `ms` have passed).
  bool WaitReady(core::EventLoop& loop, std::int64_t ms = 20'000) {
    const int before = readyCount_;
    return loop.RunUntil([&] { return readyCount_ > before && !ftp_.Busy(); }, ms);
  }
  bool WaitFor(core::EventLoop& loop, const std::string& prefix, std::int64_t ms = 20'000) {
    return loop.RunUntil([&] { return Has(prefix); }, ms);
  }

 private:
  void Add(std::string e) { events_.push_back(std::move(e)); }

  ftp::TMFtp& ftp_;
  std::vector<std::string> events_;
  int readyCount_ = 0;
};

}  // namespace ftptest

#pragma once
// TMFtpMessenger: the protocol view as a model (the GUI draws it). It turns the engine's info
// and error notifications into lines: commands sent, replies received, debug output and error
// texts, in one of three styles:
//   msgClassic   the text as the engine gives it ("Courier New");
//   msgMFtp      marked by direction or kind: "> " sent, "< " received, "Error: " ("MS Sans
//   Serif"); msgMFtpTime  as msgMFtp, after the local time "hh:mm:ss " ("MS Sans Serif").
// Debug texts carry "DEBUG:>" before them in every style. Before a line is shown OnMessageShow
// (infos) or OnErrorShow (errors) fires with its text, which CurrentMessage also gives.
//
// Bulk data (listing lines and byte counts of info 8, parsed entries of info 15) is not protocol
// and is not shown. The view keeps the last kMaxLines lines.
//
// Threading: the engine's loop thread only.

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <string>

#include "ftp/ftp_codes.h"
#include "ftp/tm_ftp_observer.h"

namespace ftp {

enum class TMFtpMessengerStyle { msgClassic, msgMFtp, msgMFtpTime };

class TMFtpMessenger : public TMFtpObserver {
 public:
  using Clock = std::function<std::chrono::system_clock::time_point()>;
  static constexpr std::size_t kMaxLines = 1000;

  explicit TMFtpMessenger(Clock clock = &std::chrono::system_clock::now)
      : clock_(std::move(clock)) {}
  TMFtpMessenger(const TMFtpMessenger&) = delete;
  TMFtpMessenger& operator=(const TMFtpMessenger&) = delete;

  [[nodiscard]] TMFtpMessengerStyle Style() const { return style_; }
  void SetStyle(TMFtpMessengerStyle style);
  [[nodiscard]] const char* FontName() const;
  bool AutoScroll = true;
  bool WordWrap = false;

  [[nodiscard]] const std::deque<std::string>& Lines() const { return lines_; }
  // The line being shown (valid inside OnMessageShow / OnErrorShow and until the next line).
  [[nodiscard]] const std::string& CurrentMessage() const { return current_; }
  void Clear();

  std::function<void(const std::string& text)> OnMessageShow;
  std::function<void(const std::string& text)> OnErrorShow;
  std::function<void()> OnChanged;

  // ---- Binding to the engine ----
  void EngineInfo(FtpInfo info, const std::string& addInfo) override;
  void EngineError(FtpError error, const std::string& addInfo) override;

 private:
  void Show(std::string line, bool error);
  [[nodiscard]] std::string TimePrefix() const;

  Clock clock_;
  TMFtpMessengerStyle style_ = TMFtpMessengerStyle::msgClassic;
  std::deque<std::string> lines_;
  std::string current_;
};

}  // namespace ftp

#include "ftp/protocol_view.h"

#include <cstdio>
#include <ctime>

namespace ftp {

void TMFtpMessenger::SetStyle(TMFtpMessengerStyle style) {
  if (style_ == style) return;
  style_ = style;
  if (OnChanged) OnChanged();
}

const char* TMFtpMessenger::FontName() const {
  return style_ == TMFtpMessengerStyle::msgClassic ? "Courier New" : "MS Sans Serif";
}

void TMFtpMessenger::Clear() {
  lines_.clear();
  current_.clear();
  if (OnChanged) OnChanged();
}

std::string TMFtpMessenger::TimePrefix() const {
  const std::time_t t = std::chrono::system_clock::to_time_t(clock_());
  std::tm local{};
  localtime_r(&t, &local);
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d ", local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

void TMFtpMessenger::EngineInfo(FtpInfo info, const std::string& addInfo) {
  switch (info) {
    case FtpInfo::kDataTrace:
    case FtpInfo::kListingParsed:
      return;
    case FtpInfo::kDebug:
      Show("DEBUG:>" + addInfo, false);
      return;
    case FtpInfo::kTraceOut:
      if (!addInfo.empty())
        Show(style_ == TMFtpMessengerStyle::msgClassic ? addInfo : "> " + addInfo, false);
      return;
    case FtpInfo::kTraceIn:
      if (!addInfo.empty())
        Show(style_ == TMFtpMessengerStyle::msgClassic ? addInfo : "< " + addInfo, false);
      return;
    default:
      if (!addInfo.empty()) Show(addInfo, false);
      return;
  }
}

void TMFtpMessenger::EngineError(FtpError error, const std::string& addInfo) {
  std::string text = addInfo.empty() ? std::string(FtpErrorName(error)) : addInfo;
  if (text.empty()) return;
  if (style_ != TMFtpMessengerStyle::msgClassic) text = "Error: " + text;
  Show(std::move(text), true);
}

void TMFtpMessenger::Show(std::string line, bool error) {
  if (style_ == TMFtpMessengerStyle::msgMFtpTime) line = TimePrefix() + line;
  current_ = std::move(line);
  if (error) {
    if (OnErrorShow) OnErrorShow(current_);
  } else if (OnMessageShow) {
    OnMessageShow(current_);
  }
  lines_.push_back(current_);
  while (lines_.size() > kMaxLines) lines_.pop_front();
  if (OnChanged) OnChanged();
}

}  // namespace ftp

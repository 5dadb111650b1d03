#include "app/time_log_writer.h"

#include "app/browser_refresh.h"
#include "app/mail_notifier.h"
#include "app/t_stayline.h"
#include "core/text.h"
#include "ras/time_log.h"

namespace app {

std::string TimeLogWriter::GetTimeDate() const {
  return ras::GetTimeDate(main_.WallNow());
}

std::string TimeLogWriter::LogPath() const {
  return main_.ProgramDirFile(ras::kTimeLogFile);
}

std::string TimeLogWriter::FtpLogPath() const {
  return main_.ProgramDirFile(ras::kFtpLogFile);
}

void TimeLogWriter::WriteToLogFile(const std::string& label, const std::string& text, bool doMail) {
  const bool logging = main_.Form().WriteLogFileBox.Checked();
  if (logging && core::Trim(label).empty() && core::Trim(text).empty()) {
    ras::WriteTextFile(LogPath(), "", false, true);
    return;
  }
  const std::string stamp = GetTimeDate();
  std::string url = core::Trim(main_.Browser().GetActualUrl());
  if (!url.empty()) url = " ActURL: " + url;
  MainState& s = main_.State();
  s.LastServerIP = ras::PadAddress(s.LastServerIP);
  s.LastClientIP = ras::PadAddress(s.LastClientIP);
  if (logging) {
    if (core::EqualsNoCase(label, "Reset Logs:")) {
      ras::WriteTextFile(LogPath(),
                         ras::FullLine(label, stamp, text, s.LastServerIP, s.LastClientIP, url),
                         true, true);
    } else if (core::EqualsNoCase(label, " Status...:")) {
      ras::WriteTextFile(LogPath(), ras::StatusLine(label, stamp, text), false, true);
    } else {
      ras::WriteTextFile(LogPath(),
                         ras::FullLine(label, stamp, text, s.LastServerIP, s.LastClientIP, url),
                         false, true);
    }
  }
  if (doMail) main_.Mailer().ComposeMail();
}

}  // namespace app

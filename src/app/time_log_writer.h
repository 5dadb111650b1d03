#pragma once
// Writes the lines of "TimeLog.txt" from the main window's state: the label, the time stamp, the
// text and, for full lines, the connection's addresses and the browser's address.

#include <string>

namespace app {

class TStayline;

class TimeLogWriter {
 public:
  explicit TimeLogWriter(TStayline& main) : main_(main) {}

  void WriteToLogFile(const std::string& label, const std::string& text, bool doMail);
  [[nodiscard]] std::string GetTimeDate() const;
  [[nodiscard]] std::string LogPath() const;
  [[nodiscard]] std::string FtpLogPath() const;

 private:
  TStayline& main_;
};

}  // namespace app

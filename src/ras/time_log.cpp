#include "ras/time_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <system_error>

#include "core/text.h"
#include "core/unique_fd.h"

namespace ras {

void WriteTextFile(const std::string& fileName, std::string_view text, bool overwrite,
                   bool newLine) {
  const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (overwrite ? O_TRUNC : O_APPEND);
  core::UniqueFd fd(::open(fileName.c_str(), flags, 0644));
  if (!fd) throw std::system_error(errno, std::generic_category(), fileName);
  std::string data(text);
  if (newLine) data.append(kCrLf);
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd.Get(), data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw std::system_error(errno, std::generic_category(), fileName);
    }
    done += static_cast<std::size_t>(n);
  }
  if (fd.Close() != 0) throw std::system_error(errno, std::generic_category(), fileName);
}

std::string GetTimeDate(std::chrono::system_clock::time_point when) {
  using namespace std::chrono;
  const auto ms = duration_cast<milliseconds>(when.time_since_epoch()).count();
  const std::time_t secs = static_cast<std::time_t>(ms / 1000 - (ms % 1000 < 0 ? 1 : 0));
  const int millis = static_cast<int>(((ms % 1000) + 1000) % 1000);
  std::tm tm{};
  ::localtime_r(&secs, &tm);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%02d.%02d.%04d %02d:%02d:%02d,%03d", tm.tm_mday, tm.tm_mon + 1,
                tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec, millis);
  return buf;
}

std::string PadAddress(std::string_view address) {
  std::string a = core::Trim(address);
  if (a.empty()) a = "0.0.0.0";
  if (a.size() < 15) a.append(15 - a.size(), ' ');
  return a;
}

std::string StatusLine(std::string_view label, std::string_view stamp, std::string_view text) {
  std::string line(label);
  line.append(" ").append(stamp).append(" | ").append(text);
  return line;
}

std::string FullLine(std::string_view label, std::string_view stamp, std::string_view text,
                     std::string_view server, std::string_view client,
                     std::string_view browserPart) {
  std::string line(label);
  line.append(" ").append(stamp).append(" |").append(text);
  line.append(" | ServerIP: ").append(server).append(" ClientIP: ").append(client);
  line.append(" | ").append(browserPart);
  return line;
}

}  // namespace ras

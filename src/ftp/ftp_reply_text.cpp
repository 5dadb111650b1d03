#include "ftp/ftp_reply_text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <vector>

namespace ftp {

char ReplyClass(std::string_view line) {
  return !line.empty() && std::isdigit(static_cast<unsigned char>(line[0])) ? line[0] : 0;
}

std::string QuotedPath(std::string_view line) {
  const std::size_t open = line.find('"');
  if (open == std::string_view::npos) return {};
  const std::size_t close = line.find('"', open + 1);
  if (close == std::string_view::npos) return {};
  return std::string(line.substr(open + 1, close - open - 1));
}

namespace {

// A whole decimal number that fits std::int64_t.
std::optional<std::int64_t> WholeNumber(std::string_view text) {
  std::int64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || text.empty() || end != text.data() + text.size() || value < 0) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

std::optional<std::int64_t> SizeFromReply(std::string_view line) {
  if (line.size() < 5) return std::nullopt;
  std::string_view text = line.substr(4);
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return WholeNumber(text);
}

std::optional<std::int64_t> AnnouncedSize(std::string_view line) {
  constexpr std::string_view kBytes = " bytes";
  const std::size_t at = line.rfind(kBytes);
  if (at == std::string_view::npos) return std::nullopt;
  const std::size_t open = line.rfind('(', at);
  if (open == std::string_view::npos) return std::nullopt;
  return WholeNumber(line.substr(open + 1, at - open - 1));
}

std::optional<PasvAddress> ParsePasvReply(std::string_view line) {
  const std::size_t open = line.find('(');
  const std::size_t close = line.find(')', open == std::string_view::npos ? 0 : open);
  if (open == std::string_view::npos || close == std::string_view::npos) return std::nullopt;
  std::string_view inner = line.substr(open + 1, close - open - 1);
  std::vector<int> numbers;
  while (true) {
    const std::size_t comma = inner.find(',');
    std::string_view part = inner.substr(0, comma);
    while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
    while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
    int value = -1;
    const auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
    if (ec != std::errc() || end != part.data() + part.size() || value < 0 || value > 255) {
      return std::nullopt;
    }
    numbers.push_back(value);
    if (comma == std::string_view::npos) break;
    inner.remove_prefix(comma + 1);
  }
  if (numbers.size() != 6) return std::nullopt;
  PasvAddress result;
  result.Address = std::to_string(numbers[0]) + "." + std::to_string(numbers[1]) + "." +
                   std::to_string(numbers[2]) + "." + std::to_string(numbers[3]);
  result.Port = static_cast<std::uint16_t>(numbers[4] * 256 + numbers[5]);
  return result;
}

std::string PortArgument(const std::string& dottedAddress, std::uint16_t port) {
  std::string text = dottedAddress;
  std::replace(text.begin(), text.end(), '.', ',');
  return text + "," + std::to_string(port >> 8) + "," + std::to_string(port & 0xFF);
}

TMFtpServerType ServerTypeFromSyst(std::string_view line) {
  std::string text(line.size() > 3 ? line.substr(3) : std::string_view{});
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const auto has = [&](std::string_view word) { return text.find(word) != std::string::npos; };
  using T = TMFtpServerType;
  struct Keyword {
    std::string_view Word;
    T Type;
  };
  static constexpr Keyword kKeywords[] = {{"UNIX", T::ftpstUNIX},
                                          {"BSD", T::ftpstBSD},
                                          {"SUNOS", T::ftpstSunOS},
                                          {"CLIX", T::ftpstClix},
                                          {"ULTRIX", T::ftpstULTRIX},
                                          {"MVS", T::ftpstMVS},
                                          {"QVT", T::ftpstQVT},
                                          {"NCSA", T::ftpstNCSA},
                                          {"WFTPD", T::ftpstWFTPD},
                                          {"WINDWOS_NT", T::ftpstMSFTP},
                                          {"CHAMELEON", T::ftpstChameleon}};
  for (const auto& k : kKeywords) {
    if (has(k.Word)) return k.Type;
  }
  if (has("VMS")) return has("MULTINET") ? T::ftpstVmsMultinet : T::ftpstVmsUcx;
  if (has("VM")) return has("VPS") ? T::ftpstVMVPS : T::ftpstVM;
  return T::ftpstDefault;
}

}  // namespace ftp

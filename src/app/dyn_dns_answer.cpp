#include "app/dyn_dns_answer.h"

#include <array>
#include <vector>

#include "core/text.h"

namespace app {

namespace {

constexpr std::array<std::string_view, 6> kStopCodes{"badauth", "nohost",   "notfqdn",
                                                     "abuse",   "!donator", "badagent"};

bool IsStop(std::string_view word) {
  for (std::string_view code : kStopCodes) {
    if (word == code) return true;
  }
  return false;
}

std::vector<std::string> FirstWords(std::string_view body) {
  std::vector<std::string> words;
  std::size_t start = 0;
  while (start <= body.size()) {
    std::size_t end = body.find('\n', start);
    if (end == std::string_view::npos) end = body.size();
    const std::string line = core::Trim(std::string(body.substr(start, end - start)));
    if (!line.empty()) words.push_back(line.substr(0, line.find_first_of(" \t")));
    start = end + 1;
  }
  return words;
}

}  // namespace

DynDnsAnswer ClassifyDynDnsAnswer(std::string_view body, int status) {
  const std::vector<std::string> words = FirstWords(body);
  if (words.empty()) {
    if (status == 401) return {DynDnsAnswer::Kind::Stop, "badauth"};
    return {DynDnsAnswer::Kind::Retry, ""};
  }
  // A stop for any host wins: the account must be looked at before anything is asked again.
  for (const std::string& word : words) {
    if (IsStop(word)) return {DynDnsAnswer::Kind::Stop, word};
  }
  for (const std::string& word : words) {
    if (word != "good" && word != "nochg") {
      if (status == 401) return {DynDnsAnswer::Kind::Stop, "badauth"};
      return {DynDnsAnswer::Kind::Retry, word};
    }
  }
  return {DynDnsAnswer::Kind::Success, words.front()};
}

}  // namespace app

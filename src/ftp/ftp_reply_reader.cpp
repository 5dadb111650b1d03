#include "ftp/ftp_reply_reader.h"

namespace ftp {

std::string FtpReplyEvent::Text() const {
  std::string text;
  for (std::size_t i = 0; i < Lines.size(); ++i) {
    if (i) text += "\r\n";
    text += Lines[i];
  }
  return text;
}

void FtpReplyReader::Reset() {
  partial_.clear();
  multiCode_.clear();
  multiLines_.clear();
  multiBytes_ = 0;
}

FtpReplyReader::Status FtpReplyReader::Feed(std::string_view data,
                                            std::vector<FtpReplyEvent>& events) {
  while (!data.empty()) {
    const std::size_t lf = data.find('\n');
    if (lf == std::string_view::npos) {
      if (partial_.size() + data.size() > kMaxLineBytes) return Status::kLineTooLong;
      partial_.append(data);
      return Status::kOk;
    }
    if (partial_.size() + lf > kMaxLineBytes) return Status::kLineTooLong;
    std::string line = std::move(partial_);
    partial_.clear();
    line.append(data.substr(0, lf));
    data.remove_prefix(lf + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const Status status = HandleLine(std::move(line), events);
    if (status != Status::kOk) return status;
  }
  return Status::kOk;
}

FtpReplyReader::Status FtpReplyReader::HandleLine(std::string line,
                                                  std::vector<FtpReplyEvent>& events) {
  if (InMultiLine()) {
    const bool closes = line.size() >= 4 && line.compare(0, 3, multiCode_) == 0 && line[3] == ' ';
    multiBytes_ += line.size() + 2;
    if (multiBytes_ > kMaxReplyBytes) return Status::kReplyTooLong;
    multiLines_.push_back(line);
    if (!closes) return Status::kOk;
    FtpReplyEvent done{FtpReplyEvent::Kind::kMultiLineDone, multiCode_, std::move(multiLines_)};
    events.push_back(std::move(done));
    multiCode_.clear();
    multiLines_.clear();
    multiBytes_ = 0;
  } else if (line.size() >= 4 && line[3] == '-') {
    multiCode_ = line.substr(0, 3);
    multiBytes_ = line.size() + 2;
    multiLines_.push_back(std::move(line));
    return Status::kOk;
  }
  FtpReplyEvent reply{FtpReplyEvent::Kind::kReply, line.substr(0, 3), {std::move(line)}};
  events.push_back(std::move(reply));
  return Status::kOk;
}

}  // namespace ftp

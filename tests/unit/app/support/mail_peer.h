#pragma once
// A scripted SMTP peer on 127.0.0.1 for the window's mail tests: a thread that accepts
// connections one after another, answers the dialogue (optionally offering AUTH LOGIN, or
// refusing the sender), and keeps every line it heard and every mail's data. Stopped and joined
// when the object goes.

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/unique_fd.h"

namespace app_test {

class MailPeer {
 public:
  struct Mail {
    std::string From;  // the "Mail from:" line's address
    std::vector<std::string> To;
    std::string Data;  // as on the wire, up to (not including) the end line
  };

  // `senderReply` answers "Mail from:" ("250 ok" by default, e.g. "550 not you").
  explicit MailPeer(bool offerLogin = false, std::string senderReply = "250 ok");
  ~MailPeer();
  MailPeer(const MailPeer&) = delete;
  MailPeer& operator=(const MailPeer&) = delete;

  [[nodiscard]] int Port() const { return port_; }
  [[nodiscard]] std::vector<Mail> Mails() const;
  [[nodiscard]] std::string Heard() const;  // every line of every connection
  [[nodiscard]] int Connections() const { return connections_; }

 private:
  void Serve();
  void Session(int fd);

  core::UniqueFd listener_;
  int port_ = 0;
  bool offerLogin_;
  std::string senderReply_;
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  mutable std::mutex mutex_;
  std::vector<Mail> mails_;
  std::string heard_;
  std::thread thread_;
};

}  // namespace app_test

#pragma once
// The control socket: a Unix domain stream socket (owner-only) on which each request is one line
// and each reply one line, "OK <value>" or "ERR <reason>", with "\n", "\r" and "\\" escaped in
// values. Requests of one client are answered in order. A request line is at most
// kMaxRequest bytes (its LF not counted): a longer one is answered "ERR" and its bytes are read
// and dropped, so a client cannot grow the server's memory. Runs on the event loop; the
// listening socket does not hold simulated time.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "core/event_loop.h"
#include "core/unique_fd.h"

namespace platform {

struct ControlReply {
  bool Ok = true;
  std::string Value;
};

class ControlServer {
 public:
  using Handler = std::function<ControlReply(const std::string& request)>;
  static constexpr std::size_t kMaxRequest = 64 * 1024;

  ControlServer(core::EventLoop& loop, std::string path, Handler handler);
  ~ControlServer();
  ControlServer(const ControlServer&) = delete;
  ControlServer& operator=(const ControlServer&) = delete;

  // Binds and listens; throws std::runtime_error when the socket cannot be made.
  void Start();
  [[nodiscard]] const std::string& Path() const { return path_; }

  static std::string Escape(const std::string& value);
  static std::string Unescape(const std::string& value);

 private:
  struct Client {
    core::UniqueFd fd;
    core::EventLoop::WatchId watch = 0;
    std::string in;
    bool skipping = false;  // in the rest of an overlong line, which was answered already
    std::string out;
  };
  void Accept();
  void ShedOneConnection();
  void Serve(int fd, unsigned events);
  // Reads what the client sent, up to about one request's worth; false when it has gone.
  static bool Receive(Client& c);
  // Sends what is pending; false when the client can no longer be written to.
  static bool Flush(Client& c);
  // Answers the complete lines read, in order; false when the client went meanwhile.
  bool AnswerLines(int fd);
  void Drop(int fd);

  core::EventLoop& loop_;
  std::string path_;
  Handler handler_;
  core::UniqueFd listenFd_;
  core::UniqueFd spareFd_;  // given up when descriptors run out (ShedOneConnection)
  core::EventLoop::WatchId listenWatch_ = 0;
  std::map<int, std::unique_ptr<Client>> clients_;
};

// Sends one request to the control socket at `path` and waits for its reply (at most
// `timeoutMs`). Line breaks in `request` are sent escaped, so it stays one request. nullopt when
// no instance answers.
std::optional<ControlReply> ControlRequest(const std::string& path, const std::string& request,
                                           int timeoutMs = 10000);

}  // namespace platform

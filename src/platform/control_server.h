#pragma once
// The control socket: a Unix domain stream socket (owner-only) on which each request is one line
// and each reply one line, "OK <value>" or "ERR <reason>", with "\n", "\r" and "\\" escaped in
// values. Requests of one client are answered in order. Runs on the event loop; the listening
// socket does not hold simulated time.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "core/event_loop.h"

namespace platform {

struct ControlReply {
  bool Ok = true;
  std::string Value;
};

class ControlServer {
 public:
  using Handler = std::function<ControlReply(const std::string& request)>;

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
    int fd = -1;
    core::EventLoop::WatchId watch = 0;
    std::string in;
    std::string out;
  };
  void Accept();
  void Serve(int fd, unsigned events);
  void Drop(int fd);

  core::EventLoop& loop_;
  std::string path_;
  Handler handler_;
  int listenFd_ = -1;
  core::EventLoop::WatchId listenWatch_ = 0;
  std::map<int, std::unique_ptr<Client>> clients_;
};

// Sends one request to the control socket at `path` and waits for its reply (at most
// `timeoutMs`). Line breaks in `request` are sent escaped, so it stays one request. nullopt when
// no instance answers.
std::optional<ControlReply> ControlRequest(const std::string& path, const std::string& request,
                                           int timeoutMs = 10000);

}  // namespace platform

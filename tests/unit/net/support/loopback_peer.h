#pragma once
// A scripted peer for the network clients' tests: listens on 127.0.0.1 (free port) and runs a
// script against the one connection it accepts, on a thread joined when the object goes.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <thread>

#include "core/unique_fd.h"

namespace testing_support {

class LoopbackPeer {
 public:
  using Script = std::function<void(int fd)>;

  explicit LoopbackPeer(Script script) {
    sockaddr_in sin{};
    sin.sin_family = AF_INET;
    sin.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listen_.Get(), reinterpret_cast<sockaddr*>(&sin), sizeof sin);
    ::listen(listen_.Get(), 4);
    socklen_t len = sizeof sin;
    ::getsockname(listen_.Get(), reinterpret_cast<sockaddr*>(&sin), &len);
    port_ = ntohs(sin.sin_port);
    thread_ = std::thread([this, script = std::move(script)] {
      core::UniqueFd c(::accept(listen_.Get(), nullptr, nullptr));
      if (c) script(c.Get());
    });
  }
  ~LoopbackPeer() {
    ::shutdown(listen_.Get(), SHUT_RDWR);  // ends an accept still waiting
    thread_.join();
  }
  LoopbackPeer(const LoopbackPeer&) = delete;
  LoopbackPeer& operator=(const LoopbackPeer&) = delete;

  [[nodiscard]] int Port() const { return port_; }

  static void Send(int fd, const std::string& text) {
    ::send(fd, text.data(), text.size(), MSG_NOSIGNAL);
  }
  // Reads until `end` has arrived (or the peer goes); returns everything read.
  static std::string ReadUntil(int fd, const std::string& end) {
    std::string got;
    char buf[4096];
    while (got.find(end) == std::string::npos) {
      const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
      if (n <= 0) break;
      got.append(buf, static_cast<std::size_t>(n));
    }
    return got;
  }
  // Reads exactly `n` bytes (fewer when the peer goes).
  static std::string ReadExactly(int fd, std::size_t n) {
    std::string got;
    char buf[4096];
    while (got.size() < n) {
      const ssize_t r = ::recv(fd, buf, std::min(sizeof buf, n - got.size()), 0);
      if (r <= 0) break;
      got.append(buf, static_cast<std::size_t>(r));
    }
    return got;
  }

 private:
  core::UniqueFd listen_{::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)};
  int port_ = 0;
  std::thread thread_;
};

}  // namespace testing_support

#pragma once
// Peers for the network clients' tests on 127.0.0.1: a listening socket on a free port, and a
// scripted peer that runs a script against the one connection it accepts, on a thread joined
// when the object goes.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <thread>

#include "core/unique_fd.h"

namespace testing_support {

// A socket listening on 127.0.0.1 with a port of the system's choice.
struct LoopbackListener {
  core::UniqueFd fd{::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)};
  int port = 0;
  LoopbackListener() {
    sockaddr_in sin{};
    sin.sin_family = AF_INET;
    sin.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd.Get(), reinterpret_cast<sockaddr*>(&sin), sizeof sin) != 0 ||
        ::listen(fd.Get(), 4) != 0) {
      return;  // port stays 0: the test sees it
    }
    socklen_t len = sizeof sin;
    ::getsockname(fd.Get(), reinterpret_cast<sockaddr*>(&sin), &len);
    port = ntohs(sin.sin_port);
  }
  [[nodiscard]] core::UniqueFd Accept() const {
    return core::UniqueFd(::accept(fd.Get(), nullptr, nullptr));
  }
};

class LoopbackPeer {
 public:
  using Script = std::function<void(int fd)>;

  explicit LoopbackPeer(Script script) {
    thread_ = std::thread([this, script = std::move(script)] {
      core::UniqueFd c = listener_.Accept();
      if (c) script(c.Get());
    });
  }
  ~LoopbackPeer() {
    ::shutdown(listener_.fd.Get(), SHUT_RDWR);  // ends an accept still waiting
    thread_.join();
  }
  LoopbackPeer(const LoopbackPeer&) = delete;
  LoopbackPeer& operator=(const LoopbackPeer&) = delete;

  [[nodiscard]] int Port() const { return listener_.port; }

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
  LoopbackListener listener_;
  std::thread thread_;
};

}  // namespace testing_support

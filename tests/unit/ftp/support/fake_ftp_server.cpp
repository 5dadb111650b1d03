#include "fake_ftp_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace ftptest {

namespace {

core::UniqueFd ListenLoopback(std::uint16_t& port) {
  core::UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (!fd || ::bind(fd.Get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(fd.Get(), 4) != 0 ||
      ::getsockname(fd.Get(), reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    throw std::runtime_error("fake server: cannot listen");
  }
  port = ntohs(addr.sin_port);
  return fd;
}

}  // namespace

FakeFtpServer::FakeFtpServer(std::vector<std::string> script) : script_(std::move(script)) {
  listener_ = ListenLoopback(port_);
  thread_ = std::thread([this] { Run(); });
}

FakeFtpServer::~FakeFtpServer() {
  stop_ = true;
  thread_.join();
}

std::vector<std::string> FakeFtpServer::Received() const {
  std::lock_guard lock(mutex_);
  return received_;
}

std::vector<std::string> FakeFtpServer::Failures() const {
  std::lock_guard lock(mutex_);
  return failures_;
}

void FakeFtpServer::Fail(const std::string& what) {
  std::lock_guard lock(mutex_);
  failures_.push_back(what);
}

bool FakeFtpServer::Accept(const core::UniqueFd& listener, core::UniqueFd& fd) {
  while (!stop_) {
    pollfd p{listener.Get(), POLLIN, 0};
    if (::poll(&p, 1, 20) > 0) {
      fd.Reset(::accept4(listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));
      return fd.Valid();
    }
  }
  return false;
}

bool FakeFtpServer::SendAll(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size() && !stop_) {
    const ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return done == data.size();
}

// Waits up to 20 ms for more of the client's bytes; false when the client has gone.
bool FakeFtpServer::ReceiveSome() {
  pollfd p{control_.Get(), POLLIN, 0};
  if (::poll(&p, 1, 20) <= 0) return true;
  char buffer[4096];
  const ssize_t n = ::recv(control_.Get(), buffer, sizeof buffer, 0);
  if (n <= 0) return false;
  pending_.append(buffer, static_cast<std::size_t>(n));
  return true;
}

bool FakeFtpServer::ReadTlsHello() {
  while (!stop_ && pending_.empty()) {
    if (!ReceiveSome()) return false;
  }
  const bool hello = !pending_.empty() && pending_[0] == '\x16';
  pending_.clear();
  std::lock_guard lock(mutex_);
  received_.push_back(hello ? "<TLS hello>" : "<not TLS>");
  return hello;
}

bool FakeFtpServer::ReadLine(std::string& line) {
  while (!stop_) {
    const std::size_t lf = pending_.find('\n');
    if (lf != std::string::npos) {
      line = pending_.substr(0, lf);
      pending_.erase(0, lf + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      std::lock_guard lock(mutex_);
      received_.push_back(line);
      return true;
    }
    if (!ReceiveSome()) return false;
  }
  return false;
}

std::string FakeFtpServer::Expand(const std::string& text) {
  std::string out = text;
  const auto replace = [&](const std::string& key, int value) {
    for (std::size_t at; (at = out.find(key)) != std::string::npos;) {
      out.replace(at, key.size(), std::to_string(value));
    }
  };
  if (out.find("{p1}") != std::string::npos || out.find("{p2}") != std::string::npos) {
    data_.Reset();
    dataListener_.Reset();
    std::uint16_t port = 0;
    dataListener_ = ListenLoopback(port);
    replace("{p1}", port >> 8);
    replace("{p2}", port & 0xFF);
  }
  return out;
}

void FakeFtpServer::Run() {
  if (!Accept(listener_, control_)) return;
  ++connections_;
  for (const std::string& step : script_) {
    if (stop_) return;
    const std::string body = step.size() > 3 ? step.substr(3) : std::string();
    if (step.rfind("S: ", 0) == 0) {
      if (!SendAll(control_.Get(), Expand(body) + "\r\n")) return Fail("cannot send: " + body);
    } else if (step.rfind("C: ", 0) == 0) {
      std::string line;
      if (!ReadLine(line)) return Fail("client gone, expected: " + body);
      const bool prefix = !body.empty() && body.back() == '*';
      const bool match =
          prefix ? line.rfind(body.substr(0, body.size() - 1), 0) == 0 : line == body;
      if (!match) return Fail("expected \"" + body + "\", got \"" + line + "\"");
    } else if (step.rfind("D: ", 0) == 0) {
      if (!data_ && !Accept(dataListener_, data_)) return Fail("no data connection");
      if (!SendAll(data_.Get(), body + "\r\n")) return Fail("cannot send data");
    } else if (step == "DCLOSE") {
      if (!data_ && dataListener_) Accept(dataListener_, data_);
      data_.Reset();
    } else if (step == "ENDLESS") {
      const std::string chunk(64 * 1024, 'x');
      SendAll(control_.Get(), "220 ");
      while (!stop_ && SendAll(control_.Get(), chunk)) {
      }
      return;
    } else if (step == "DENDLESS") {
      if (!data_ && !Accept(dataListener_, data_)) return Fail("no data connection");
      const std::string chunk(64 * 1024, 'x');
      while (!stop_ && SendAll(data_.Get(), chunk)) {
      }
      data_.Reset();
    } else if (step.rfind("TRICKLE ", 0) == 0) {
      const std::string text = step.substr(8);
      for (std::size_t i = 0; i < text.size() && !stop_; ++i) {
        while (!stop_ && ticks_ == 0) ::usleep(1'000);
        --ticks_;
        if (!SendAll(control_.Get(), text.substr(i, 1))) return;
      }
    } else if (step == "TLSHELLO") {
      if (!ReadTlsHello()) return Fail("expected a TLS handshake");
    } else if (step == "SILENT") {
      while (!stop_) ::usleep(20'000);
      return;
    } else if (step == "CLOSE") {
      control_.Reset();
      pending_.clear();
    } else if (step == "ACCEPT") {
      control_.Reset();
      pending_.clear();
      if (!Accept(listener_, control_)) return Fail("no further connection");
      ++connections_;
    } else {
      return Fail("bad script step: " + step);
    }
  }
  finished_ = true;
  // Keep the connection open until the test is done with the engine.
  while (!stop_) ::usleep(20'000);
}

}  // namespace ftptest

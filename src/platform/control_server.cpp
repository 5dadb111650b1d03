#include "platform/control_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <stdexcept>

namespace platform {

namespace {
constexpr std::size_t kMaxRequest = 64 * 1024;

sockaddr_un Address(const std::string& path) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof(addr.sun_path)) {
    throw std::runtime_error("control socket path too long: " + path);
  }
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  return addr;
}
}  // namespace

std::string ControlServer::Escape(const std::string& value) {
  std::string out;
  for (char c : value) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
  return out;
}

std::string ControlServer::Unescape(const std::string& value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) {
      const char n = value[++i];
      out += n == 'n' ? '\n' : n == 'r' ? '\r' : n;
    } else {
      out += value[i];
    }
  }
  return out;
}

ControlServer::ControlServer(core::EventLoop& loop, std::string path, Handler handler)
    : loop_(loop), path_(std::move(path)), handler_(std::move(handler)) {}

ControlServer::~ControlServer() {
  for (auto& [fd, client] : clients_) {
    loop_.Unwatch(client->watch);
    ::close(fd);
  }
  if (listenFd_ >= 0) {
    loop_.Unwatch(listenWatch_);
    ::close(listenFd_);
    ::unlink(path_.c_str());
  }
}

void ControlServer::Start() {
  const sockaddr_un addr = Address(path_);
  listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (listenFd_ < 0) throw std::runtime_error("control socket: " + std::string(strerror(errno)));
  ::unlink(path_.c_str());  // a leftover of a dead instance; we hold the instance lock
  const mode_t old = ::umask(077);
  const int rc = ::bind(listenFd_, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
  ::umask(old);
  if (rc != 0 || ::listen(listenFd_, 16) != 0) {
    const std::string why = strerror(errno);
    ::close(listenFd_);
    listenFd_ = -1;
    throw std::runtime_error("control socket " + path_ + ": " + why);
  }
  ::chmod(path_.c_str(), 0600);
  listenWatch_ = loop_.WatchFd(
      listenFd_, core::kIoRead, [this](unsigned) { Accept(); }, false);
}

void ControlServer::Accept() {
  while (true) {
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;
    auto client = std::make_unique<Client>();
    client->fd = fd;
    client->watch = loop_.WatchFd(
        fd, core::kIoRead, [this, fd](unsigned ev) { Serve(fd, ev); }, false);
    clients_[fd] = std::move(client);
  }
}

void ControlServer::Drop(int fd) {
  auto it = clients_.find(fd);
  if (it == clients_.end()) return;
  loop_.Unwatch(it->second->watch);
  ::close(fd);
  clients_.erase(it);
}

void ControlServer::Serve(int fd, unsigned events) {
  auto it = clients_.find(fd);
  if (it == clients_.end()) return;
  Client* c = it->second.get();
  if (events & core::kIoWrite) {
    while (!c->out.empty()) {
      const ssize_t n = ::send(fd, c->out.data(), c->out.size(), MSG_NOSIGNAL);
      if (n <= 0) break;
      c->out.erase(0, static_cast<std::size_t>(n));
    }
  }
  bool closed = false;
  if (events & (core::kIoRead | core::kIoError)) {
    char buf[4096];
    while (true) {
      const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
      if (n > 0) {
        c->in.append(buf, static_cast<std::size_t>(n));
        continue;
      }
      if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) closed = true;
      break;
    }
  }
  // Answer every complete line in order. The handler may pump the loop (a modal wait), so the
  // client is looked up again after each request.
  while (true) {
    it = clients_.find(fd);
    if (it == clients_.end()) return;
    c = it->second.get();
    const std::size_t nl = c->in.find('\n');
    if (nl == std::string::npos) break;
    std::string line = c->in.substr(0, nl);
    c->in.erase(0, nl + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ControlReply reply;
    try {
      reply = handler_(line);
    } catch (const std::exception& e) {
      reply = {false, e.what()};
    }
    it = clients_.find(fd);
    if (it == clients_.end()) return;
    c = it->second.get();
    c->out += (reply.Ok ? "OK " : "ERR ") + Escape(reply.Value) + "\n";
    const ssize_t n = ::send(fd, c->out.data(), c->out.size(), MSG_NOSIGNAL);
    if (n > 0) c->out.erase(0, static_cast<std::size_t>(n));
  }
  if (c->in.size() > kMaxRequest) closed = true;
  if (closed && c->out.empty()) {
    Drop(fd);
    return;
  }
  loop_.ModifyWatch(c->watch, core::kIoRead | (c->out.empty() ? 0u : core::kIoWrite));
}

std::optional<ControlReply> ControlRequest(const std::string& path, const std::string& request,
                                           int timeoutMs) {
  const sockaddr_un addr = Address(path);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return std::nullopt;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
    ::close(fd);
    return std::nullopt;
  }
  // A line break inside the request must not end it and start another one.
  std::string line;
  for (char c : request) line += c == '\n' ? "\\n" : c == '\r' ? "\\r" : std::string(1, c);
  line += '\n';
  if (::send(fd, line.data(), line.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(line.size())) {
    ::close(fd);
    return std::nullopt;
  }
  std::string in;
  while (in.find('\n') == std::string::npos) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) break;
    char buf[4096];
    const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) break;
    in.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  const std::size_t nl = in.find('\n');
  if (nl == std::string::npos) return std::nullopt;
  in.resize(nl);
  if (in.rfind("OK", 0) == 0)
    return ControlReply{true, ControlServer::Unescape(in.substr(in.size() > 2 ? 3 : 2))};
  if (in.rfind("ERR", 0) == 0)
    return ControlReply{false, ControlServer::Unescape(in.substr(in.size() > 3 ? 4 : 3))};
  return ControlReply{false, "malformed reply: " + in};
}

}  // namespace platform

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
#include <string_view>

namespace platform {

namespace {
// A client that does not read its replies is not read from while this much waits for it.
constexpr std::size_t kMaxPendingReplies = 256 * 1024;

ControlReply TooLong() {
  return {false, "request longer than " + std::to_string(ControlServer::kMaxRequest) + " bytes"};
}

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
  for (auto& [fd, client] : clients_) loop_.Unwatch(client->watch);
  if (listenFd_) {
    loop_.Unwatch(listenWatch_);
    ::unlink(path_.c_str());
  }
}

void ControlServer::Start() {
  const sockaddr_un addr = Address(path_);
  listenFd_.Reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (!listenFd_) throw std::runtime_error("control socket: " + std::string(strerror(errno)));
  ::unlink(path_.c_str());  // a leftover of a dead instance; we hold the instance lock
  const mode_t old = ::umask(077);
  const int rc = ::bind(listenFd_.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
  ::umask(old);
  if (rc != 0 || ::listen(listenFd_.Get(), 16) != 0) {
    const std::string why = strerror(errno);
    listenFd_.Reset();
    throw std::runtime_error("control socket " + path_ + ": " + why);
  }
  ::chmod(path_.c_str(), 0600);
  spareFd_.Reset(::open("/dev/null", O_RDONLY | O_CLOEXEC));
  listenWatch_ = loop_.WatchFd(
      listenFd_.Get(), core::kIoRead, [this](unsigned) { Accept(); }, false);
}

void ControlServer::Accept() {
  while (true) {
    core::UniqueFd fd(::accept4(listenFd_.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
    if (!fd) {
      if (errno == EMFILE || errno == ENFILE) ShedOneConnection();
      return;
    }
    const int n = fd.Get();
    auto client = std::make_unique<Client>();
    client->fd = std::move(fd);
    client->watch = loop_.WatchFd(
        n, core::kIoRead, [this, n](unsigned ev) { Serve(n, ev); }, false);
    clients_[n] = std::move(client);
  }
}

// Out of descriptors, the waiting connection would keep the listening socket readable and the
// loop would spin on it. The spare descriptor makes room to take that connection and close it at
// once: the client sees its connection end instead of hanging, and the loop goes on.
void ControlServer::ShedOneConnection() {
  spareFd_.Reset();
  core::UniqueFd shed(::accept4(listenFd_.Get(), nullptr, nullptr, SOCK_CLOEXEC));
  shed.Reset();
  spareFd_.Reset(::open("/dev/null", O_RDONLY | O_CLOEXEC));
}

void ControlServer::Drop(int fd) {
  auto it = clients_.find(fd);
  if (it == clients_.end()) return;
  loop_.Unwatch(it->second->watch);
  clients_.erase(it);  // closes the socket
}

bool ControlServer::Flush(Client& c) {
  while (!c.out.empty()) {
    const ssize_t n = ::send(c.fd.Get(), c.out.data(), c.out.size(), MSG_NOSIGNAL);
    if (n > 0) {
      c.out.erase(0, static_cast<std::size_t>(n));
    } else if (n < 0 && errno != EINTR) {
      return errno == EAGAIN || errno == EWOULDBLOCK;
    }
  }
  return true;
}

bool ControlServer::Receive(Client& c) {
  char buf[4096];
  // More than one request's worth waiting unanswered is enough: the rest stays in the socket
  // until those are answered.
  while (c.in.size() <= kMaxRequest) {
    const ssize_t n = ::recv(c.fd.Get(), buf, sizeof buf, 0);
    if (n == 0) return false;
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno == EAGAIN || errno == EWOULDBLOCK;
    }
    std::string_view data(buf, static_cast<std::size_t>(n));
    if (c.skipping) {
      const std::size_t nl = data.find('\n');
      if (nl == std::string_view::npos) continue;  // still the overlong line
      c.skipping = false;
      data.remove_prefix(nl + 1);
    }
    c.in.append(data);
  }
  return true;
}

bool ControlServer::AnswerLines(int fd) {
  // The handler may pump the loop (a modal wait), so the client is looked up again after each
  // request.
  while (true) {
    auto it = clients_.find(fd);
    if (it == clients_.end()) return false;
    Client* c = it->second.get();
    if (c->out.size() >= kMaxPendingReplies) return true;  // it reads its replies first
    const std::size_t nl = c->in.find('\n');
    ControlReply reply;
    if (nl == std::string::npos) {
      if (c->in.size() <= kMaxRequest) return true;  // the line is not complete yet
      // Answered at once, so a client sending an endless line is not left waiting; the rest of
      // the line is dropped as it comes.
      c->in.clear();
      c->skipping = true;
      reply = TooLong();
    } else if (nl > kMaxRequest) {
      c->in.erase(0, nl + 1);
      reply = TooLong();
    } else {
      std::string line = c->in.substr(0, nl);
      c->in.erase(0, nl + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      try {
        reply = handler_(line);
      } catch (const std::exception& e) {
        reply = {false, e.what()};
      }
      it = clients_.find(fd);
      if (it == clients_.end()) return false;
      c = it->second.get();
    }
    c->out += (reply.Ok ? "OK " : "ERR ") + Escape(reply.Value) + "\n";
    Flush(*c);  // a failure shows in Serve
  }
}

void ControlServer::Serve(int fd, unsigned events) {
  auto it = clients_.find(fd);
  if (it == clients_.end()) return;
  Client* c = it->second.get();
  // Replies go out first: a client that does not read them is not read from either.
  if (!Flush(*c)) {
    Drop(fd);
    return;
  }
  bool ended = false;
  if ((events & (core::kIoRead | core::kIoError)) && c->out.size() < kMaxPendingReplies) {
    ended = !Receive(*c);
  }
  if (!AnswerLines(fd)) return;
  c = clients_.at(fd).get();
  if (!Flush(*c) || (ended && c->out.empty())) {
    Drop(fd);
    return;
  }
  const bool reading = !ended && c->out.size() < kMaxPendingReplies;
  loop_.ModifyWatch(c->watch,
                    (reading ? core::kIoRead : 0u) | (c->out.empty() ? 0u : core::kIoWrite));
}

std::optional<ControlReply> ControlRequest(const std::string& path, const std::string& request,
                                           int timeoutMs) {
  const sockaddr_un addr = Address(path);
  const core::UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  const int fd = socket.Get();
  if (fd < 0) return std::nullopt;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
    return std::nullopt;
  }
  // A line break inside the request must not end it and start another one.
  std::string line;
  for (char c : request) line += c == '\n' ? "\\n" : c == '\r' ? "\\r" : std::string(1, c);
  line += '\n';
  if (::send(fd, line.data(), line.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(line.size())) {
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

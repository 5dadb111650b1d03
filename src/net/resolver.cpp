#include "net/resolver.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <map>
#include <mutex>
#include <thread>

namespace net {

// State shared between the resolver and its workers; a worker only reaches the loop while the
// resolver still exists and its request was not cancelled.
struct Resolver::Shared {
  std::mutex mutex;
  core::EventLoop* loop = nullptr;
  std::map<RequestId, std::unique_ptr<core::EventLoop::ExternalWork>> pending;
  std::map<RequestId, Handler> handlers;  // touched on the loop thread only
};

Resolver::Resolver(core::EventLoop& loop) : shared_(std::make_shared<Shared>()) {
  shared_->loop = &loop;
}

Resolver::~Resolver() {
  shared_->handlers.clear();  // an answer already queued on the loop finds nothing to call
  std::lock_guard lock(shared_->mutex);
  shared_->pending.clear();
  shared_->loop = nullptr;
}

bool Resolver::IsDottedAddress(const std::string& host) {
  in_addr addr{};
  return ::inet_pton(AF_INET, host.c_str(), &addr) == 1;
}

Resolver::RequestId Resolver::Resolve(const std::string& host, Handler handler) {
  const RequestId id = nextId_++;
  {
    std::lock_guard lock(shared_->mutex);
    shared_->pending[id] = std::make_unique<core::EventLoop::ExternalWork>(*shared_->loop);
  }
  shared_->handlers[id] = std::move(handler);
  std::thread([shared = shared_, id, host] {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    int error = ::getaddrinfo(host.c_str(), nullptr, &hints, &result);
    std::string address;
    if (error == 0 && result) {
      char text[INET_ADDRSTRLEN] = {};
      const auto* sin = reinterpret_cast<const sockaddr_in*>(result->ai_addr);
      ::inet_ntop(AF_INET, &sin->sin_addr, text, sizeof text);
      address = text;
    } else {
      if (error == 0) error = EAI_NONAME;
      address = ::gai_strerror(error);
    }
    if (result) ::freeaddrinfo(result);
    std::lock_guard lock(shared->mutex);
    auto it = shared->pending.find(id);
    if (it == shared->pending.end() || !shared->loop) return;
    shared->loop->PostFromAnyThread([shared, id, error, address] {
      auto h = shared->handlers.find(id);
      if (h == shared->handlers.end()) return;
      Handler done = std::move(h->second);
      shared->handlers.erase(h);
      done(error, address);
    });
    // The answer is queued: the loop has work again, so the hold on its clock can go.
    shared->pending.erase(it);
  }).detach();
  return id;
}

void Resolver::Cancel(RequestId id) {
  shared_->handlers.erase(id);
  std::lock_guard lock(shared_->mutex);
  shared_->pending.erase(id);
}

}  // namespace net

#pragma once
// Interface state from the kernel's routing netlink: whether an interface exists and is up, its
// IPv4 address with the point-to-point peer, the gateway of a default route through it, and an
// event socket that becomes readable whenever links, IPv4 addresses or IPv4 routes change.
//
// Netlink rather than polling getifaddrs: the change arrives the moment it happens, costs nothing
// while nothing changes, and the peer address comes without the ambiguity of ifa_dstaddr.
// Queries are synchronous dumps on a socket of their own (a few dozen microseconds).
//
// Threading: one thread at a time.

#include <functional>
#include <string>

#include "core/unique_fd.h"

struct nlmsghdr;

namespace ras {

struct InterfaceState {
  bool Exists = false;
  bool Up = false;      // administratively up (IFF_UP)
  std::string Address;  // first IPv4 address, dotted; empty when none
  std::string Peer;     // its point-to-point peer; empty when none
};

class NetlinkMonitor {
 public:
  NetlinkMonitor();
  ~NetlinkMonitor();
  NetlinkMonitor(const NetlinkMonitor&) = delete;
  NetlinkMonitor& operator=(const NetlinkMonitor&) = delete;

  // The event socket; -1 when netlink could not be opened (the caller then polls).
  [[nodiscard]] int EventFd() const { return eventFd_.Get(); }
  // Reads all pending change messages; true when there were any (or some were lost).
  bool DrainEvents();

  [[nodiscard]] InterfaceState Query(const std::string& name) const;
  // Gateway of a default IPv4 route through the interface; empty when there is none.
  [[nodiscard]] std::string DefaultGateway(const std::string& name) const;

 private:
  // Sends a dump request of `type` and hands every answer message to `onMessage`.
  static bool Dump(unsigned short type, const std::function<void(const nlmsghdr*)>& onMessage);

  core::UniqueFd eventFd_;
};

}  // namespace ras

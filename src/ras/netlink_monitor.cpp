#include "ras/netlink_monitor.h"

#include <arpa/inet.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "core/unique_fd.h"

namespace ras {

namespace {

std::string Dotted(const void* data) {
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, data, text, sizeof text);
  return text;
}

core::UniqueFd OpenRoute(unsigned groups, int flags) {
  core::UniqueFd fd(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | flags, NETLINK_ROUTE));
  if (!fd) return fd;
  sockaddr_nl local{};
  local.nl_family = AF_NETLINK;
  local.nl_groups = groups;
  if (::bind(fd.Get(), reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) fd.Reset();
  return fd;
}

// Payload size of the header structure each dump request carries.
std::size_t RequestPayload(unsigned short type) {
  switch (type) {
    case RTM_GETLINK:
      return sizeof(ifinfomsg);
    case RTM_GETADDR:
      return sizeof(ifaddrmsg);
    default:
      return sizeof(rtmsg);
  }
}

}  // namespace

NetlinkMonitor::NetlinkMonitor()
    : eventFd_(OpenRoute(RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV4_ROUTE, SOCK_NONBLOCK)) {}

NetlinkMonitor::~NetlinkMonitor() = default;

bool NetlinkMonitor::DrainEvents() {
  if (!eventFd_) return false;
  bool any = false;
  char buffer[8192];
  for (;;) {
    const ssize_t n = ::recv(eventFd_.Get(), buffer, sizeof buffer, MSG_DONTWAIT);
    if (n > 0) {
      any = true;
    } else if (n < 0 && errno == ENOBUFS) {
      any = true;  // messages were lost: everything must be looked at again
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      return any;
    }
  }
}

bool NetlinkMonitor::Dump(unsigned short type,
                          const std::function<void(const nlmsghdr*)>& onMessage) {
  const core::UniqueFd fd = OpenRoute(0, 0);
  if (!fd) return false;
  alignas(nlmsghdr) char request[NLMSG_SPACE(sizeof(ifinfomsg))] = {};
  auto* header = reinterpret_cast<nlmsghdr*>(request);
  header->nlmsg_len = NLMSG_LENGTH(RequestPayload(type));
  header->nlmsg_type = type;
  header->nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
  header->nlmsg_seq = 1;
  // The family byte opens every request payload.
  reinterpret_cast<unsigned char*>(NLMSG_DATA(header))[0] =
      type == RTM_GETLINK ? AF_UNSPEC : AF_INET;
  if (::send(fd.Get(), request, header->nlmsg_len, 0) < 0) return false;
  std::vector<char> buffer(32768);
  bool ok = false;
  for (bool done = false; !done;) {
    const ssize_t n = ::recv(fd.Get(), buffer.data(), buffer.size(), 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    int left = static_cast<int>(n);
    for (auto* msg = reinterpret_cast<const nlmsghdr*>(buffer.data()); NLMSG_OK(msg, left);
         msg = NLMSG_NEXT(msg, left)) {
      if (msg->nlmsg_type == NLMSG_DONE) {
        ok = true;
        done = true;
        break;
      }
      if (msg->nlmsg_type == NLMSG_ERROR) {
        done = true;
        break;
      }
      onMessage(msg);
    }
  }
  return ok;
}

InterfaceState NetlinkMonitor::Query(const std::string& name) const {
  InterfaceState state;
  const unsigned index = ::if_nametoindex(name.c_str());
  if (index == 0) return state;
  Dump(RTM_GETLINK, [&](const nlmsghdr* msg) {
    if (msg->nlmsg_type != RTM_NEWLINK) return;
    const auto* info = static_cast<const ifinfomsg*>(NLMSG_DATA(msg));
    if (static_cast<unsigned>(info->ifi_index) != index) return;
    state.Exists = true;
    state.Up = (info->ifi_flags & IFF_UP) != 0;
  });
  if (!state.Exists) return state;
  Dump(RTM_GETADDR, [&](const nlmsghdr* msg) {
    if (msg->nlmsg_type != RTM_NEWADDR || !state.Address.empty()) return;
    const auto* info = static_cast<const ifaddrmsg*>(NLMSG_DATA(msg));
    if (info->ifa_family != AF_INET || info->ifa_index != index) return;
    std::string local;
    std::string address;
    int len = static_cast<int>(IFA_PAYLOAD(msg));
    for (auto* attr = IFA_RTA(info); RTA_OK(attr, len); attr = RTA_NEXT(attr, len)) {
      if (RTA_PAYLOAD(attr) < 4) continue;
      if (attr->rta_type == IFA_LOCAL) local = Dotted(RTA_DATA(attr));
      if (attr->rta_type == IFA_ADDRESS) address = Dotted(RTA_DATA(attr));
    }
    // On a point-to-point link IFA_ADDRESS is the peer and IFA_LOCAL our own address.
    state.Address = local.empty() ? address : local;
    if (!local.empty() && !address.empty() && address != local) state.Peer = address;
  });
  return state;
}

std::string NetlinkMonitor::DefaultGateway(const std::string& name) const {
  const unsigned index = ::if_nametoindex(name.c_str());
  if (index == 0) return {};
  std::string gateway;
  Dump(RTM_GETROUTE, [&](const nlmsghdr* msg) {
    if (msg->nlmsg_type != RTM_NEWROUTE || !gateway.empty()) return;
    const auto* route = static_cast<const rtmsg*>(NLMSG_DATA(msg));
    if (route->rtm_family != AF_INET || route->rtm_dst_len != 0 || route->rtm_type != RTN_UNICAST) {
      return;
    }
    unsigned oif = 0;
    std::string via;
    int len = static_cast<int>(RTM_PAYLOAD(msg));
    for (auto* attr = RTM_RTA(route); RTA_OK(attr, len); attr = RTA_NEXT(attr, len)) {
      if (attr->rta_type == RTA_OIF && RTA_PAYLOAD(attr) >= 4) {
        std::memcpy(&oif, RTA_DATA(attr), sizeof oif);
      }
      if (attr->rta_type == RTA_GATEWAY && RTA_PAYLOAD(attr) >= 4) via = Dotted(RTA_DATA(attr));
    }
    if (oif == index) gateway = via;
  });
  return gateway;
}

}  // namespace ras

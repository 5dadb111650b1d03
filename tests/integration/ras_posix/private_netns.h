#pragma once
// Moves the test process into a network namespace of its own, so the interfaces a test creates
// (tun, veth) never touch the host's; the namespace and all in it vanish with the process, and
// the programs the test starts inherit it. Needs root.

#include <sched.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace testing_support {

// The ip(8) program of iproute2; empty when it is not installed.
inline const std::string& IpProgram() {
  static const std::string path = [] {
    for (const char* candidate : {"/usr/sbin/ip", "/sbin/ip", "/usr/bin/ip", "/bin/ip"}) {
      if (::access(candidate, X_OK) == 0) return std::string(candidate);
    }
    return std::string();
  }();
  return path;
}

// Enters the namespace at the first call; the reason to skip when it cannot (empty: entered).
inline const std::string& EnterPrivateNetworkNamespace() {
  static const std::string reason = []() -> std::string {
    if (::geteuid() != 0) return "needs root to create a network namespace and interfaces";
    if (IpProgram().empty()) return "ip(8) from iproute2 is not installed";
    if (::unshare(CLONE_NEWNET) != 0) {
      return std::string("cannot create a network namespace: ") + std::strerror(errno);
    }
    if (::access("/dev/net/tun", R_OK | W_OK) != 0) return "no /dev/net/tun";
    return {};
  }();
  return reason;
}

}  // namespace testing_support

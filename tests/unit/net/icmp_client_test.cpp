// The echo client against the kernel's own echo on loopback. The cases that need another socket
// kind, a silent or missing loopback, or a name that resolves to nothing run in a child process
// inside a network namespace of its own, so nothing leaves the machine.
#include "net/icmp_client.h"

#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>

#include "core/poll_loop.h"
#include "core/unique_fd.h"
#include "net/network_error.h"

namespace {

struct Outcome {
  std::string text;  // "SKIP: why" when the setting could not be made
};

std::string Describe(const net::TReplyStatus& r) {
  return std::to_string(static_cast<int>(r.Status)) + " " + std::to_string(r.ByteCount) + " " +
         r.SourceAddress + " type=" + std::to_string(r.IcmpType) +
         " seq=" + std::to_string(r.Sequence) + " ttl=" + std::to_string(r.Ttl);
}

bool WriteProc(const char* path, const char* value) {
  const core::UniqueFd fd(::open(path, O_WRONLY | O_CLOEXEC));
  return fd && ::write(fd.Get(), value, std::char_traits<char>::length(value)) > 0;
}

bool LoopbackUp() {
  const core::UniqueFd fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  ifreq ifr{};
  std::snprintf(ifr.ifr_name, sizeof ifr.ifr_name, "lo");
  if (!fd || ::ioctl(fd.Get(), SIOCGIFFLAGS, &ifr) != 0) return false;
  ifr.ifr_flags = static_cast<short>(ifr.ifr_flags | IFF_UP);
  return ::ioctl(fd.Get(), SIOCSIFFLAGS, &ifr) == 0;
}

// Runs `body` in a forked child inside a new network namespace after `setup` (which returns an
// empty text or why it failed); the child's text comes back through a pipe.
Outcome InNamespace(const std::function<std::string()>& setup,
                    const std::function<std::string()>& body) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return {"SKIP: no pipe"};
  core::UniqueFd readEnd(fds[0]);
  core::UniqueFd writeEnd(fds[1]);
  const pid_t pid = ::fork();
  if (pid == 0) {
    readEnd.Reset();
    std::string text;
    if (::unshare(CLONE_NEWNET) != 0) {
      text = "SKIP: cannot create a network namespace";
    } else if (const std::string why = setup(); !why.empty()) {
      text = "SKIP: " + why;
    } else {
      text = body();
    }
    (void)!::write(writeEnd.Get(), text.data(), text.size());
    ::_exit(0);
  }
  writeEnd.Reset();
  Outcome out;
  char buf[512];
  ssize_t n;
  while ((n = ::read(readEnd.Get(), buf, sizeof buf)) > 0) {
    out.text.append(buf, static_cast<size_t>(n));
  }
  ::waitpid(pid, nullptr, 0);
  return out;
}

// Pings `host` `times` times; the lines of the replies, the errors raised, the network error
// record and what the loop's error display was told.
std::string PingLines(const std::string& host, int times, int timeoutMs = 300) {
  core::PollLoop loop;
  std::string notices;
  loop.SetErrorDisplay([&](const std::string& e) { notices += "[" + e + "]"; });
  net::ClearNetworkError();
  net::TIdIcmpClient icmp(loop);
  icmp.Host = host;
  icmp.ReceiveTimeout = timeoutMs;
  std::string text;
  int replies = 0;
  icmp.OnReply = [&](net::IcmpEcho& sender, const net::TReplyStatus& r) {
    if (&sender == &icmp) ++replies;
    text += Describe(r) + "\n";
  };
  for (int i = 0; i < times; ++i) {
    try {
      icmp.Ping();
    } catch (const net::IcmpDecodeError& e) {
      text += std::string("raised ") + e.what() + "\n";
    }
  }
  const char* kinds[] = {"none", "raw", "datagram"};
  text += "replies=" + std::to_string(replies) +
          " kind=" + kinds[static_cast<int>(icmp.LastSocketKind())] +
          " next=" + std::to_string(icmp.SequenceNumber()) + " error=" + net::NetworkErrorText() +
          " notices=" + std::to_string(std::count(notices.begin(), notices.end(), '['));
  if (!notices.empty()) text += " " + notices;
  return text;
}

std::string PrivilegedSetup(bool loopbackUp, const char* echoIgnoreAll) {
  if (loopbackUp && !LoopbackUp()) return "cannot bring the loopback up";
  if (!WriteProc("/proc/sys/net/ipv4/icmp_echo_ignore_all", echoIgnoreAll)) {
    return "cannot set icmp_echo_ignore_all";
  }
  return "";
}

// An unprivileged user (nobody) with the datagram socket granted to `range` only.
std::string UnprivilegedSetup(const char* range) {
  if (!LoopbackUp()) return "cannot bring the loopback up";
  if (!WriteProc("/proc/sys/net/ipv4/ping_group_range", range)) {
    return "cannot set ping_group_range";
  }
  if (::setgid(65534) != 0 || ::setuid(65534) != 0) return "cannot become nobody";
  return "";
}

#define SKIP_IF_UNSET(outcome) \
  if ((outcome).text.rfind("SKIP: ", 0) == 0) GTEST_SKIP() << (outcome).text

TEST(IcmpClient, RealEchoOnLoopbackWithTheRawSocket) {
  if (::geteuid() != 0) GTEST_SKIP() << "the raw socket needs root or CAP_NET_RAW";
  // The kernel's answer (type 0, its own TTL), not our request read back on loopback (type 8,
  // TTL 128); the sequence counts from 0.
  const std::string text = PingLines("LocalHost", 2);
  EXPECT_EQ(text,
            "0 72 127.0.0.1 type=0 seq=0 ttl=64\n"
            "0 72 127.0.0.1 type=0 seq=1 ttl=64\n"
            "replies=2 kind=raw next=2 error= notices=0")
      << text;
}

TEST(IcmpClient, InANamespaceOfItsOwn) {
  struct Case {
    const char* what;
    std::function<std::string()> setup;
    std::string host;
    int times;
    std::string expected;
  } cases[] = {
      {"raw socket, loopback silent: our own request is no answer",
       [] { return PrivilegedSetup(true, "1"); }, "127.0.0.1", 1,
       "2 0 0.0.0.0 type=0 seq=1 ttl=0\nreplies=1 kind=raw next=1 error= notices=0"},
      {"loopback down: the send fails and ends as a time-out",
       [] { return PrivilegedSetup(false, "0"); }, "127.0.0.1", 1,
       "2 0 0.0.0.0 type=0 seq=1 ttl=0\nreplies=1 kind=raw next=1 error=Socket Refresh: 101 "
       "notices=0"},
      {"a name that resolves to nothing", [] { return PrivilegedSetup(true, "0"); },
       "no-such-host.invalid", 1,
       "2 0 0.0.0.0 type=0 seq=1 ttl=0\nreplies=1 kind=none next=1 error=Socket Refresh: 113 "
       "notices=0"},
      {"unprivileged: the datagram socket, TTL from the control data",
       [] { return UnprivilegedSetup("65534 65534"); }, "localhost", 2,
       "0 72 127.0.0.1 type=0 seq=0 ttl=64\n0 72 127.0.0.1 type=0 seq=1 ttl=64\n"
       "replies=2 kind=datagram next=2 error= notices=0"},
      {"no socket permitted: said once, every ping a time-out",
       [] { return UnprivilegedSetup("1 0"); }, "127.0.0.1", 2,
       "2 0 0.0.0.0 type=0 seq=1 ttl=0\n2 0 0.0.0.0 type=0 seq=2 ttl=0\n"
       "replies=2 kind=none next=2 error=Socket Refresh: 13 notices=1 [" +
           std::string(net::TIdIcmpClient::kNoSocketText) + "]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Outcome out = InNamespace(c.setup, [&] { return PingLines(c.host, c.times); });
    SKIP_IF_UNSET(out);
    EXPECT_EQ(out.text, c.expected);
  }
}

}  // namespace

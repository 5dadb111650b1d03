#pragma once
// The POSIX interface line: an entry is a connection that commands bring up and down and a
// network interface shows - pppd (pon/poff), wg-quick, nmcli con up/down, a VPN client.
// Entry keys (docs/phonebook.md): Dial=, HangUp= (run with /bin/sh -c; the credentials are in
// STAYLINE_USER and STAYLINE_PASSWORD, never on the command line), Interface=, DialTimeoutMs=,
// DeviceType=, DeviceName=, plus the credential keys.
//
// A connection is active while its interface exists, is up and has an IPv4 address; the client
// IP is that address, the server IP the point-to-point peer, else the gateway of a default route
// through the interface, else "0.0.0.0". Connections that came up without the program (before it
// started, or by hand) are enumerated too. Dial progress: "ConnectDevice" when the dial command
// starts, "Authenticate" and "Projected" when the interface is up without an address,
// "Connected" with the address; a dial command that exits non-zero before that fails the dial
// with 651, no connection within DialTimeoutMs with 678.
//
// A dial without a notifier runs the loop until the line is up or has failed. Interfaces are
// watched through netlink (NetlinkMonitor), so the line's state follows the
// kernel's announcements at once.
//
// Threading: user-interface thread (notifiers on the notifier thread).

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/one_shot_timer.h"
#include "core/timer.h"
#include "ras/line_backend.h"
#include "ras/netlink_monitor.h"
#include "ras/shell_command.h"

namespace ras {

class PosixRas final : public LineBackend {
 public:
  PosixRas(core::EventLoop& loop, std::string phonebookPath);
  ~PosixRas() override;

  std::uint32_t RasDialA(const RASDIALPARAMSA& params, RasDialFunc notifier,
                         HRasConn* handle) override;
  std::uint32_t RasHangUpA(HRasConn handle) override;

  [[nodiscard]] std::string Kind() const override { return "posix"; }

  static constexpr std::int64_t kDefaultDialTimeoutMs = 60'000;
  // How long a hang-up may leave the interface up before the line counts as up again.
  static constexpr std::int64_t kHangUpGraceMs = 30'000;

 protected:
  [[nodiscard]] std::vector<std::pair<std::string, std::string>> EntryKeyDefaults() const override;
  void Refresh() override;

 private:
  // What runs for one line: its commands, the dial timeout, a hang-up in progress.
  struct Session {
    explicit Session(core::EventLoop& loop) : Timer(loop) {}
    std::unique_ptr<ShellCommand> DialCommand;
    std::unique_ptr<ShellCommand> HangUpCommand;
    core::OneShotTimer Timer;  // the dial's time-out, then the hang-up's grace time
    bool HangingUp = false;
  };
  Session& SessionOf(HRasConn handle);

  void Evaluate();
  void FollowLine(HRasConn handle);
  void FindOutsideConnections();
  [[nodiscard]] bool Active(const InterfaceState& state) const;
  void SetAddresses(Line& line, const InterfaceState& state, const std::string& iface);
  // Emits the progress states up to `target` that the line has not reported yet.
  void Reach(Line& line, RASCONNSTATE target);
  void FailDial(Line& line, std::uint32_t error, const std::string& why);
  void DialExited(HRasConn handle, int status);
  void DialTimedOut(HRasConn handle);
  void HangUpExited(HRasConn handle, int status);
  bool CommandRunning(HRasConn handle) const;
  void Forget(HRasConn handle);
  bool StartCommand(std::unique_ptr<ShellCommand>& slot, const std::string& what,
                    const std::string& entry, const std::string& user, const std::string& password,
                    ShellCommand::ExitHandler onExit);
  std::string Interface(const std::string& entry);

  NetlinkMonitor monitor_;
  core::EventLoop::WatchId watch_ = 0;
  std::unique_ptr<core::Timer> poll_;  // only when netlink is unavailable
  std::map<HRasConn, Session> sessions_;
  // Commands whose session ended inside one of their own handlers; freed at the next call.
  std::vector<std::unique_ptr<ShellCommand>> retired_;
  std::uint64_t evaluatedGeneration_ = 0;
  bool evaluating_ = false;
};

}  // namespace ras

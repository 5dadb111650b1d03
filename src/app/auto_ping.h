#pragma once
// AutoPing: the "Ping" group of the main page. One echo request on "Start 1 Ping" (or Enter in
// the host edit), or an auto-ping that repeats it every interval (minutes or seconds); replies
// and time-outs are listed newest first. While the line is down and phonebook entries exist, a
// ping first dials, so the auto-ping doubles as a keep-alive. The tray blink while the auto-ping
// runs is the tray model's step, driven here by PingImageTimer.
//
// The echo client is reached only through net::IcmpEcho; the window uses a TIdIcmpClient and the
// tests put in scripted replies. Errors the client raises for a packet it cannot decode leave the
// handlers and reach the loop's error display; the buttons and the hang-up flag are put back
// first.
//
// Threading: loop thread only. A ping waits up to a second in real time with the loop running,
// so other handlers may run meanwhile.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "net/icmp_client.h"

namespace app {

class TStayline;

class AutoPing {
 public:
  static constexpr int kReceiveTimeoutMs = 1000;
  static constexpr int kMaxReplyLines = 50;  // one more line clears the list first
  static constexpr int kEnterKey = 13;

  explicit AutoPing(TStayline& main);
  ~AutoPing();
  AutoPing(const AutoPing&) = delete;
  AutoPing& operator=(const AutoPing&) = delete;

  // The echo client; a test replaces the window's with a scripted one.
  [[nodiscard]] net::IcmpEcho& ICMP() { return *icmp_; }
  void SetEchoClient(std::unique_ptr<net::IcmpEcho> client) { icmp_ = std::move(client); }

  void btnPingClick();
  void StartAutoPingClick();
  void StopAutoPingClick();
  void PopupStopAutoPingClick() { StopAutoPingClick(); }
  void PingTimerTimer();
  void PingImageTimerTimer();
  // One list line for a reply or a time-out.
  void ICMPReply(const net::TReplyStatus& status);
  // A key pressed in the host edit: Enter pings once.
  void edtHostKeyDown(int key);
  void StartAutoPingBoxClick();
  void PingBlinkOnOffClick();
  // The own client address on the connection into the host edit.
  void IPHandleClick();
  // The status tick's duty: keeps the auto-ping started while "Start AutoPing" is checked. An
  // error the start raises is shown and the tick goes on.
  void KeepStarted();

  // The period of a valid `Interval` text in milliseconds (the edit is trimmed first); nullopt
  // for an invalid one. A period beyond 32 bits throws.
  [[nodiscard]] std::optional<std::uint32_t> ValidInterval();

 private:
  // Dials when the line is down and entries exist, then MayPing.
  bool PingGuard();
  // Takes the client address; whether a ping may be sent.
  bool MayPing();
  // Sets up the echo client for `host` and sends one request.
  void SendPing(const std::string& host);
  // The trimmed host edit, written back; "" (after a beep) when empty.
  std::string TrimmedHost();

  TStayline& main_;
  std::unique_ptr<net::IcmpEcho> icmp_;
  std::string PingClientIP;
};

}  // namespace app

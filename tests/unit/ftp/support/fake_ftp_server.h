#pragma once
// A scripted FTP server for engine tests: plays "C:"/"S:" exchanges on 127.0.0.1 with a port the
// system picks, on a thread of its own, for what real servers rarely do.
//
// Script lines:
//   "S: text"   send text + CR LF. "{p1}" / "{p2}" open a data listener and name its port bytes.
//   "C: text"   expect this client line; a trailing "*" matches any rest.
//   "D: text"   send text + CR LF on the data connection (accepted on first use).
//   "DCLOSE"    close the data connection.
//   "ENDLESS"   send a line that never ends, until the client goes away.
//   "DENDLESS"  the same on the data connection; the script goes on once the client drops it.
//   "TRICKLE text" send text one byte per Tick() (no line end), then go on.
//   "TLSHELLO"  expect the start of a TLS handshake (a handshake record) instead of a line; it is
//               received as "<TLS hello>" and left unanswered.
//   "SILENT"    stop answering; keep the connection open.
//   "CLOSE"     close the control connection.
//   "ACCEPT"    wait for the next control connection (a retry).

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/unique_fd.h"

namespace ftptest {

class FakeFtpServer {
 public:
  explicit FakeFtpServer(std::vector<std::string> script);
  ~FakeFtpServer();
  FakeFtpServer(const FakeFtpServer&) = delete;
  FakeFtpServer& operator=(const FakeFtpServer&) = delete;

  [[nodiscard]] std::uint16_t Port() const { return port_; }
  // Every line the client sent, in order.
  [[nodiscard]] std::vector<std::string> Received() const;
  // Script mismatches; empty when the client did what the script expected.
  [[nodiscard]] std::vector<std::string> Failures() const;
  // Number of control connections accepted.
  [[nodiscard]] int Connections() const { return connections_; }
  // Whether the script ran to its end.
  [[nodiscard]] bool Finished() const { return finished_; }
  // Lets a TRICKLE step send its next byte (the test paces it on its own clock).
  void Tick() { ++ticks_; }

 private:
  void Run();
  bool Accept(const core::UniqueFd& listener, core::UniqueFd& fd);
  bool ReadLine(std::string& line);
  bool ReadTlsHello();
  bool ReceiveSome();
  bool SendAll(int fd, const std::string& data);
  std::string Expand(const std::string& text);
  void Fail(const std::string& what);

  std::vector<std::string> script_;
  core::UniqueFd listener_;
  core::UniqueFd dataListener_;
  core::UniqueFd control_;
  core::UniqueFd data_;
  std::uint16_t port_ = 0;
  std::string pending_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> finished_{false};
  std::atomic<int> connections_{0};
  std::atomic<int> ticks_{0};
  mutable std::mutex mutex_;
  std::vector<std::string> received_;
  std::vector<std::string> failures_;
  std::thread thread_;
};

}  // namespace ftptest

#pragma once
// The simulated line: entries in phonebook.ini describe how their line behaves (see
// docs/phonebook.md): how long a dial takes, which client addresses successive connections get,
// whether the line drops or breaks some time after it came up, and how many dials fail first.
// Line events are timers on the program's loop, so the line keeps the program's time and runs in
// virtual time on a simulated loop; dial notifications come from the backend's notifier thread.
//
// A dial without a notifier runs the loop until the line is up or has failed (the line lives on
// the loop's timers). Credentials are checked: a dial whose user name or password differs from the
// entry's stored ones fails with 691 while authenticating.
//
// Threading: user-interface thread (notifiers on the notifier thread).

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ras/line_backend.h"

namespace ras {

class SimRas final : public LineBackend, public SimControl {
 public:
  SimRas(core::EventLoop& loop, std::string phonebookPath);
  ~SimRas() override;

  std::uint32_t RasDialA(const RASDIALPARAMSA& params, RasDialFunc notifier,
                         HRasConn* handle) override;
  std::uint32_t RasHangUpA(HRasConn handle) override;

  [[nodiscard]] std::string Kind() const override { return "sim"; }
  SimControl* Sim() override { return this; }

  int Drop(const std::string& entry) override;
  int Break(const std::string& entry) override;
  [[nodiscard]] std::string NoLineToDisturb(const std::string& entry, bool breaking) override;
  bool SetNextClientIp(const std::string& entry, const std::string& ip) override;

 protected:
  [[nodiscard]] std::vector<std::pair<std::string, std::string>> EntryKeyDefaults() const override;

 private:
  struct Config {
    std::string DeviceType;
    std::string DeviceName;
    std::int64_t ConnectMs = 0;
    std::vector<std::string> ClientIPs;
    std::string ServerIP;
    std::int64_t DropAfterMs = 0;
    std::int64_t BrokenAfterMs = 0;
    std::int64_t FailDials = 0;
    std::uint32_t FailError = 0;
  };
  Config ReadConfig(const std::string& entry);
  std::int64_t Number(const std::string& entry, const std::string& key, std::int64_t fallback);

  // Runs `step` on the line `delayMs` from now, unless the line has ended or was hung up.
  void At(HRasConn handle, std::int64_t delayMs, std::function<void(Line&)> step);
  void CancelTimers(HRasConn handle);
  void StartLine(Line& line, const Config& config, std::uint32_t failError);
  void Project(Line& line, const Config& config);
  void Connect(Line& line, const Config& config);
  void DropLine(Line& line, const char* why);
  void BreakLine(Line& line, const char* why);
  // Up lines (connected or broken) of `entry`, or of every entry when it is empty.
  std::vector<HRasConn> UpLines(const std::string& entry, bool brokenToo);

  std::map<HRasConn, std::vector<core::EventLoop::TimerId>> timers_;
  std::map<std::string, std::int64_t> dials_;        // dials per entry in this run
  std::map<std::string, std::size_t> connections_;   // successful dials per entry
  std::map<std::string, std::string> nextClientIp_;  // set by SetNextClientIp
};

}  // namespace ras

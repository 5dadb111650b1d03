#pragma once
// A main window on simulated time: a temporary home, its settings store, a queued dialog
// service, the simulated line with a phonebook of the test's choice, and TStayline with its
// process-ending hooks, the restart and the real-time waits replaced by recorders.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/t_stayline.h"
#include "core/sim_loop.h"
#include "forms/queued_dialog_service.h"
#include "platform/registry.h"
#include "ras/ras_backend.h"
#include "settings/settings_store.h"
#include "unit/app/support/fake_browser.h"
#include "unit/app/support/scripted_dyn_dns.h"

namespace app_test {

// Two entries: "Office DSL" with credentials, connecting after 1.5 s with three client
// addresses in turn, and "NoPassword" without a saved password.
extern const char* const kPhonebook;

class StaylineTest : public ::testing::Test {
 protected:
  explicit StaylineTest(const std::string& phonebook = kPhonebook,
                        std::int64_t startMs = 1'000'000);
  ~StaylineTest() override;

  // Stores `settings` in the user key (on top of the defaults) and runs the start-up.
  void Start(const std::map<std::string, std::string>& settings = {});
  // The usual start: the office entry dialled automatically, the time log on, English texts.
  void StartAutoDial(std::map<std::string, std::string> extra = {});

  void RunFor(std::int64_t ms) { loop.RunFor(ms); }
  bool RunUntil(const std::function<bool()>& done, std::int64_t ms) {
    return loop.RunUntil(done, ms);
  }
  // Runs until the client address `ip` is known on a connected line.
  bool RunUntilOnline(const std::string& ip, std::int64_t ms = 10'000);

  [[nodiscard]] std::string ReadFile(const std::string& path) const;
  [[nodiscard]] std::string TimeLog() const;
  [[nodiscard]] std::vector<std::string> TimeLogLines() const;
  // The stored (registry) value of a setting.
  [[nodiscard]] std::string Stored(const std::string& name) { return store->ReadSetting(name); }

  app::MainForm& Form() { return main->Form(); }
  app::MainState& State() { return main->State(); }
  ras::SimControl& Sim() { return *line->Sim(); }

  std::string home;
  core::SimLoop loop;
  forms::QueuedDialogService dialogs{loop};
  forms::Application application{loop, dialogs};
  std::unique_ptr<platform::Registry> registry;
  std::unique_ptr<settings::SettingsStore> store;
  std::unique_ptr<ras::RasBackend> line;
  std::unique_ptr<app::TStayline> main;
  platform::Paths paths;
  // The browser and web server the window sees.
  FakeBrowser browser;
  FakeWebServer web;
  // The dynamic-DNS server the window updates.
  ScriptedDynDns dynDns{&loop};

  std::vector<int> terminated;  // codes handed to Terminate
  std::vector<int> exited;      // codes handed to ExitNow
  int restarts = 0;
  int restartsInARow = 0;  // what the restart script handed this instance
  // The recovery's real-time waits, recorded instead of waited for; the real clock follows the
  // loop's, so the recovery's own waits count as real time.
  std::vector<std::int64_t> realWaits;
};

}  // namespace app_test

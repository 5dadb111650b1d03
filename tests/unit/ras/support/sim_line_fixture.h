#pragma once
// A simulated line with its phonebook in a scratch folder and a TDialUp on virtual time.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "core/sim_loop.h"
#include "ras/dial_up.h"
#include "ras/sim_ras.h"
#include "unit/platform/support/temp_dir.h"

namespace ras_test {

struct SeenConnection {
  ras::HRasConn Handle;
  std::uint32_t State;
  std::string Entry;
};

class SimLineTest : public ::testing::Test {
 protected:
  // Writes the phonebook first, so the backend reads it at its first call.
  explicit SimLineTest(const std::string& phonebook) {
    testing_support::WriteFile(dir / "phonebook.ini", phonebook);
    ::chmod((dir / "phonebook.ini").c_str(), 0600);  // as the program writes it
    backend.SetLog([this](const std::string& line) { Log.push_back(line); });
    backend.SetErrorLanguage(ras::RasTextLanguage::kEnglish);
  }

  std::vector<SeenConnection> Connections() {
    std::vector<SeenConnection> seen;
    dialUp.OnActiveConnection = [&](ras::TDialUp&, ras::HRasConn h, const ras::TRasConnStatusA& s,
                                    const std::string&, const char* entry, const char*,
                                    const char*) {
      seen.push_back({h, s.rasconnstate, entry});
    };
    int count = -1;
    EXPECT_EQ(dialUp.GetConnections(count), 0);
    EXPECT_EQ(count, static_cast<int>(seen.size()));
    dialUp.OnActiveConnection = nullptr;
    return seen;
  }

  // Runs the loop until a connection of the dial handle reports "Connected".
  bool RunUntilConnected(std::int64_t timeoutMs = 60'000) {
    return loop.RunUntil(
        [&] {
          ras::RASCONNSTATUSA s{};
          s.dwSize = ras::kSizeRasConnStatus;
          return backend.RasGetConnectStatusA(dialUp.DialHandle(), &s) == 0 &&
                 s.rasconnstate == ras::RASCS_Connected;
        },
        timeoutMs);
  }

  testing_support::TempDir dir;
  core::SimLoop loop{0};
  ras::SimRas backend{loop, dir / "phonebook.ini"};
  ras::TDialUp dialUp{loop, backend};  // after the backend: it goes first
  std::vector<std::string> Log;
};

}  // namespace ras_test

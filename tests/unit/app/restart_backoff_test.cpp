// The count of restarts in a row as the restart script hands it over. (The delays and the reset
// after a steady connection are tested through the recovery.)

#include <gtest/gtest.h>

#include "app/restart_backoff.h"

namespace {

using app::RestartBackoff;

TEST(RestartBackoff, TheHandedOverCountIsADecimalNumberOrNothing) {
  struct Case {
    const char* text;
    int count;
  } cases[] = {
      {nullptr, 0}, {"", 0},   {"0", 0},  {"3", 3},   {"12", 12},
      {"-1", 0},    {"3x", 0}, {" 3", 0}, {"1e3", 0}, {"99999999999999999999", 1000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RestartBackoff::Parse(c.text), c.count) << (c.text ? c.text : "(none)");
  }
}

}  // namespace

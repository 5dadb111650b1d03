// The desktop program's command line: its own options and Qt's after "--" are told apart, and an
// instance started again gets both, so it comes up on the same display.
#include "gui/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

gui::CommandLine Split(const Args& args) {
  std::vector<const char*> argv{"stayline"};
  for (const auto& a : args) argv.push_back(a.c_str());
  return gui::SplitCommandLine(static_cast<int>(argv.size()), argv.data());
}

TEST(CommandLineTest, OwnAndQtPartsAndTheRestartArguments) {
  struct Case {
    const char* name;
    Args given;
    Args own;
    Args qt;
    Args restart;
  };
  const Case cases[] = {
      {"no Qt part",
       {"--home", "/h", "--ras", "sim"},
       {"--home", "/h", "--ras", "sim"},
       {},
       {"--home", "/h", "--ras", "sim"}},
      {"Qt part kept for the restart",
       {"--ras", "sim", "--", "-platform", "xcb", "-display", ":1"},
       {"--ras", "sim"},
       {"-platform", "xcb", "-display", ":1"},
       {"--ras", "sim", "--", "-platform", "xcb", "-display", ":1"}},
      {"only Qt's", {"--", "-display", ":2"}, {}, {"-display", ":2"}, {"--", "-display", ":2"}},
      {"an empty Qt part is dropped",
       {"--home", "/h", "--"},
       {"--home", "/h"},
       {},
       {"--home", "/h"}},
      {"a second -- is Qt's",
       {"--", "-a", "--", "-b"},
       {},
       {"-a", "--", "-b"},
       {"--", "-a", "--", "-b"}},
      {"nothing", {}, {}, {}, {}},
  };
  for (const Case& c : cases) {
    const gui::CommandLine line = Split(c.given);
    EXPECT_EQ(line.Own, c.own) << c.name;
    EXPECT_EQ(line.Qt, c.qt) << c.name;
    EXPECT_EQ(line.RestartArguments(), c.restart) << c.name;
  }
}

}  // namespace

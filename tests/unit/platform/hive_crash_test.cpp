// A hive file must always hold either the old or the new content, whatever moment the writing
// process dies at. A child rewrites the hive with two alternating versions and is killed at
// random points; the parent then finds exactly one of the two versions on disk.

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <random>
#include <string>

#include "platform/reg_format.h"
#include "platform/registry.h"
#include "platform/utf8.h"
#include "unit/platform/support/temp_dir.h"

namespace {

using platform::Hive;
using platform::Registry;

const std::string kKey = "SOFTWARE\\_StaylineConnections";
constexpr int kValues = 300;

// Version `v` of value i: long enough (tens of kilobytes in all) that a torn write would show,
// with characters that need escaping.
std::string ValueText(int v, int i) {
  std::string text = "v" + std::to_string(v) + "-" + std::to_string(i) + " \"q\" \\ \t";
  platform::utf8::Append(text, 0xE4 + v);
  text.push_back('\0');
  return text + std::string(80, v == 0 ? 'a' : 'b');
}

void WriteVersion(Registry& reg, int v) {
  reg.Batch([&] {
    for (int i = 0; i < kValues; ++i) {
      reg.WriteValue(Hive::CurrentUser, kKey, "Value" + std::to_string(i), ValueText(v, i));
    }
  });
}

std::string ExpectedFile(int v) {
  platform::RegKey root;
  platform::RegKey& key = root.Create({"SOFTWARE", "_StaylineConnections"});
  for (int i = 0; i < kValues; ++i) key.SetValue("Value" + std::to_string(i), ValueText(v, i));
  return platform::SerializeHive(root, "HKEY_CURRENT_USER");
}

int CountTempFiles(const std::string& dir) {
  int count = 0;
  DIR* d = ::opendir(dir.c_str());
  while (const dirent* e = ::readdir(d))
    count += std::string(e->d_name).find(".tmp-") != std::string::npos;
  ::closedir(d);
  return count;
}

TEST(HiveCrash, KilledWriterLeavesTheOldOrTheNewHive) {
  testing_support::TempDir dir;
  const std::string versions[2] = {ExpectedFile(0), ExpectedFile(1)};
  {
    Registry reg(dir.Path());
    WriteVersion(reg, 0);
  }
  ASSERT_EQ(testing_support::ReadFile(dir / "HKCU.reg"), versions[0]);

  std::mt19937 rng(std::random_device{}());
  int seen[2] = {0, 0};
  constexpr int kRounds = 40;
  for (int round = 0; round < kRounds; ++round) {
    int progress[2];
    ASSERT_EQ(::pipe(progress), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(progress[0]);
      Registry reg(dir.Path());
      for (int v = 1;; v ^= 1) {
        WriteVersion(reg, v);
        if (::write(progress[1], "w", 1) != 1) ::_exit(1);
      }
    }
    ::close(progress[1]);
    // Let a random number of complete writes pass, then kill somewhere inside the next ones.
    const int waitWrites = std::uniform_int_distribution<int>(0, 3)(rng);
    char byte;
    for (int i = 0; i < waitWrites && ::read(progress[0], &byte, 1) == 1; ++i) {
    }
    ::usleep(std::uniform_int_distribution<useconds_t>(0, 4000)(rng));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(progress[0]);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer must die by the kill, not on its own";

    const std::string onDisk = testing_support::ReadFile(dir / "HKCU.reg");
    const int which = onDisk == versions[0] ? 0 : onDisk == versions[1] ? 1 : -1;
    ASSERT_NE(which, -1) << "round " << round << ": torn hive of " << onDisk.size() << " bytes";
    ++seen[which];
    EXPECT_NO_THROW(platform::ParseHive(onDisk, "HKEY_CURRENT_USER"));
  }
  EXPECT_GT(seen[0], 0);
  EXPECT_GT(seen[1], 0);

  // The next session sweeps away the temporary files of killed writers.
  Registry reg(dir.Path());
  EXPECT_TRUE(reg.KeyExists(Hive::CurrentUser, kKey));
  EXPECT_EQ(CountTempFiles(dir.Path()), 0);
}

}  // namespace

// Hive files: loading (the first read of a Registry) and saving (a change that rewrites the
// file) of hives of 10 000 and 40 000 values in one key, and of a ~50 MB hive with 12 000 FTP
// profile keys whose values hold umlauts and escaped line breaks. Both must grow linearly with
// the file: the 40 000-value hive should take about four times the 10 000-value one.

#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/reg_format.h"
#include "platform/registry.h"

namespace {

using platform::Hive;
using platform::Registry;

const std::string kKey = "SOFTWARE\\_StaylineConnections";

// A scratch folder with one HKCU.reg, removed at the end of the benchmark.
class HiveFolder {
 public:
  explicit HiveFolder(const std::string& text) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp == '/' ? tmp : "/tmp") + "/stayline-bench-XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    std::ofstream(path_ + "/HKCU.reg", std::ios::binary) << text;
  }
  ~HiveFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  HiveFolder(const HiveFolder&) = delete;
  HiveFolder& operator=(const HiveFolder&) = delete;
  [[nodiscard]] const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// `values` values in the program's own key, named and filled like real settings.
std::string FlatHive(int values) {
  std::string text = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\SOFTWARE]\n\n";
  text += "[HKEY_CURRENT_USER\\" + kKey + "]\n";
  for (int i = 0; i < values; ++i) {
    text += "\"Setting" + std::to_string(i) + "\"=\"value " + std::to_string(i * 7) + "\"\n";
  }
  return text + "\n";
}

// About 50 MB: 12 000 profile keys of 14 values, each value about 180 bytes with non-ASCII
// letters and escapes, as a page template or a scrambled password has.
std::string BigHive() {
  std::string text = "Windows Registry Editor Version 5.00\n\n";
  text += "[HKEY_CURRENT_USER\\SOFTWARE]\n\n[HKEY_CURRENT_USER\\" + kKey + "]\n\n";
  text += "[HKEY_CURRENT_USER\\" + kKey + "\\Profile]\n\n";
  const std::string filler =
      "Gr\xC3\xBC\xC3\x9F"
      "e aus M\xC3\xBCnchen\\x0D\\x0A<html>\\x0D\\x0A"
      "<meta http-equiv=\\\"refresh\\\" content=\\\"0; URL=http://#CIP#/\\\">\\x0D\\x0A"
      "\\x3B\\x00\\x1B</html> \xE2\x82\xAC ";
  const char* names[] = {"PProfil",  "PHost",        "PUserID",  "PPassword",     "PHostDir",
                         "PUpload ", "PDownload",    "PPassive", "PTransferType", "PTrace",
                         "PAnonym",  "PASCIIFilter", "PPort",    "PComment"};
  for (int p = 0; p < 12000; ++p) {
    text += "[HKEY_CURRENT_USER\\" + kKey + "\\Profile\\Profil " + std::to_string(p) + "]\n";
    for (const char* name : names) {
      text +=
          "\"" + std::string(name) + "\"=\"" + std::to_string(p) + " " + filler + filler + "\"\n";
    }
    text += "\n";
  }
  return text;
}

void Load(benchmark::State& state, const std::string& text) {
  const HiveFolder folder(text);
  for (auto _ : state) {
    Registry reg(folder.Path());
    benchmark::DoNotOptimize(reg.KeyExists(Hive::CurrentUser, kKey));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
  state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
}

// One changed value rewrites the whole file.
void Save(benchmark::State& state, const std::string& text) {
  const HiveFolder folder(text);
  Registry reg(folder.Path());
  int round = 0;
  for (auto _ : state) {
    reg.WriteValue(Hive::CurrentUser, kKey, "ErrorDelay", std::to_string(++round % 2));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}

void BM_LoadFlatHive(benchmark::State& state) {
  Load(state, FlatHive(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_LoadFlatHive)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);

void BM_SaveFlatHive(benchmark::State& state) {
  Save(state, FlatHive(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_SaveFlatHive)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);

void BM_Load50MBHive(benchmark::State& state) {
  static const std::string text = BigHive();
  Load(state, text);
}
BENCHMARK(BM_Load50MBHive)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Save50MBHive(benchmark::State& state) {
  static const std::string text = BigHive();
  Save(state, text);
}
BENCHMARK(BM_Save50MBHive)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();

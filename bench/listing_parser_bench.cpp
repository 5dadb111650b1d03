// Listing parser throughput: a 100 000-line listing parsed whole, as the engine does it (split
// into lines, then one parser over all lines). Reported as lines per second.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

#include "ftp/listing_parser.h"

namespace {

constexpr int kLines = 100000;

std::string UnixListing() {
  std::string text = "total 123456\r\n";
  const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  for (int i = 1; i < kLines; ++i) {
    const std::string n = std::to_string(i);
    const std::string date = std::string(months[i % 12]) + " " + std::to_string(1 + i % 28) +
                             (i % 3 ? " 12:34" : "  2019");
    switch (i % 4) {
      case 0:
        text += "drwxr-xr-x   2 ftp      ftp          4096 " + date + " folder" + n + "\r\n";
        break;
      case 1:
        text += "-rw-r--r--   1 ftp      ftp      " + std::to_string(i * 37) + " " + date +
                " file " + n + " with blanks.txt\r\n";
        break;
      case 2:
        text += "lrwxrwxrwx   1 root     root           7 " + date + " link" + n +
                " -> ../target/README\r\n";
        break;
      default:
        text +=
            "-rw-r--r--   1 ftp      ftp        123456 " + date + " archive-" + n + ".tar.gz\r\n";
        break;
    }
  }
  return text;
}

std::string DosListing() {
  std::string text;
  for (int i = 0; i < kLines; ++i) {
    text += i % 5 == 0
                ? "01-16-02  11:14AM       <DIR>          folder" + std::to_string(i) + "\r\n"
                : "06-05-03  03:19PM                 1873 file" + std::to_string(i) + ".txt\r\n";
  }
  return text;
}

std::string VmsListing() {
  std::string text = "Directory DISK$ANONFTP:[ANONYMOUS]\r\n\r\n";
  for (int i = 0; i < kLines; ++i) {
    if (i % 10 == 0)  // a wrapped entry over two lines
      text += "A_RATHER_LONG_FILE_NAME_" + std::to_string(i) +
              ".TXT;1\r\n        2 30-DEC-1996 17:44 [SYSTEM] (RWED,RWED,RE,RE)\r\n";
    else
      text +=
          "FILE" + std::to_string(i) + ".TXT;1  213/216  29-JAN-1996 03:33:12  [ANON]  (RWED)\r\n";
  }
  return text;
}

void Run(benchmark::State& state, const std::string& listing, ftp::TMFtpServerType type) {
  std::size_t entries = 0;
  for (auto _ : state) {
    const auto parsed = ftp::ParseListingText(listing, type, 2024);
    entries = parsed.size();
    benchmark::DoNotOptimize(parsed.data());
  }
  state.counters["entries"] = static_cast<double>(entries);
  const auto lines = std::count(listing.begin(), listing.end(), '\n');
  state.SetItemsProcessed(state.iterations() * lines);  // items/s = lines per second
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(listing.size()));
}

void BM_ParseUnixListing(benchmark::State& state) {
  static const std::string listing = UnixListing();
  Run(state, listing, ftp::TMFtpServerType::ftpstUNIX);
}
BENCHMARK(BM_ParseUnixListing)->Unit(benchmark::kMillisecond);

void BM_ParseDosListing(benchmark::State& state) {
  static const std::string listing = DosListing();
  Run(state, listing, ftp::TMFtpServerType::ftpstMSFTP);
}
BENCHMARK(BM_ParseDosListing)->Unit(benchmark::kMillisecond);

void BM_ParseVmsListing(benchmark::State& state) {
  static const std::string listing = VmsListing();
  Run(state, listing, ftp::TMFtpServerType::ftpstVmsMultinet);
}
BENCHMARK(BM_ParseVmsListing)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

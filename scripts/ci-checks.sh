#!/usr/bin/env bash
# The checks CI runs besides the test suite, each in a build folder of its own:
#   release   the programs compile in a Release (-O3) configuration
#   sanitize  the unit tests run under AddressSanitizer and UndefinedBehaviorSanitizer
#   fuzz      the listing parser's fuzz target runs for FUZZ_SECONDS (60) when clang and
#             libFuzzer are installed
# Usage: scripts/ci-checks.sh [release] [sanitize] [fuzz]   (all three without arguments)
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
steps=("$@")
[ ${#steps[@]} -eq 0 ] && steps=(release sanitize fuzz)

configure() {  # dir, cmake arguments...
  local dir=$1
  shift
  [ -f "$dir/build.ninja" ] || cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
}

for step in "${steps[@]}"; do
  start=$(date +%s)
  case $step in
    release)
      configure build-release -DCMAKE_BUILD_TYPE=Release -DSTAYLINE_WERROR=ON
      cmake --build build-release -j "$jobs" --target staylined stayline-ctl stayline-ftp
      ;;
    sanitize)
      configure build-asan -DCMAKE_BUILD_TYPE=Debug -DSTAYLINE_WERROR=ON \
        -DSTAYLINE_SANITIZE=address,undefined
      mapfile -t targets < <(ninja -C build-asan -t targets all | sed -n 's/^\(test_[A-Za-z0-9_]*\): .*/\1/p')
      cmake --build build-asan -j "$jobs" --target "${targets[@]}"
      (cd build-asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
        UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        ctest -L unit --output-on-failure -j "$jobs" --timeout 600)
      ;;
    fuzz)
      if ! command -v clang++ >/dev/null 2>&1; then
        echo "ci-checks: no clang++, the fuzz run is skipped"
        continue
      fi
      configure build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++
      if ! cmake --build build-fuzz -j "$jobs" --target fuzz_listing_parser; then
        echo "ci-checks: the fuzz target does not build" >&2
        exit 1
      fi
      corpus=$(mktemp -d)
      cp -r fuzz/corpus/listing_parser/. "$corpus/"
      build-fuzz/bin/fuzz_listing_parser "$corpus" -max_total_time="${FUZZ_SECONDS:-60}" \
        -print_final_stats=1 2>&1 | tail -n 15
      rm -rf "$corpus"
      ;;
    *)
      echo "ci-checks: unknown step $step" >&2
      exit 2
      ;;
  esac
  echo "ci-checks: $step took $(($(date +%s) - start)) s"
done

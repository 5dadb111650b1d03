#!/usr/bin/env bash
# Runs every benchmark and prints its figures: the Google Benchmark programs built from
# bench/*_bench.cpp, the scripts bench/*.sh, and the FTP transfer comparison against curl.
# Usage: scripts/run-bench.sh [BUILD_DIR]
#   BENCH_FILTER=regex   only the Google Benchmark cases matching it
#   BENCH_FTP_MIB=n      size of the FTP transfer file (256 MiB by default; 0 skips it)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
status=0

shopt -s nullglob
for prog in "$build"/bin/bench_*; do
  [ -x "$prog" ] || continue
  echo "== $(basename "$prog")"
  args=(--benchmark_counters_tabular=true)
  [ -n "${BENCH_FILTER:-}" ] && args+=("--benchmark_filter=$BENCH_FILTER")
  "$prog" "${args[@]}" || { echo "run-bench: $(basename "$prog") failed" >&2; status=1; }
  echo
done

for script in "$here"/bench/*.sh; do
  echo "== $(basename "$script")"
  "$script" "$build" || { echo "run-bench: $(basename "$script") failed" >&2; status=1; }
  echo
done

mib=${BENCH_FTP_MIB:-256}
if [ "$mib" != 0 ]; then
  echo "== bench-ftp.sh ($mib MiB)"
  "$here/scripts/bench-ftp.sh" "$build/bin/stayline-ftp" "$mib" ||
    { echo "run-bench: bench-ftp.sh failed" >&2; status=1; }
fi
exit $status

#!/usr/bin/env bash
# Idle cost of a running Stayline and its reaction to a dropped line, on the simulated line:
#   - CPU time per minute while connected and idle, and the resident memory;
#   - the time from a line drop to the start of the redial (several drops).
# Usage: bench/idle-cost.sh [BUILD_DIR]   (DURATION=seconds of the idle measurement, default 60;
#        DROPS=number of drops, default 5). Not a test: it prints figures.
set -euo pipefail
build=${1:-build}
duration=${DURATION:-60}
drops=${DROPS:-5}
bin="$build/bin"
home=$(mktemp -d /tmp/stayline-bench-XXXXXX)
pid=""
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill "$pid"; wait "$pid" 2>/dev/null || true; fi
  rm -rf "$home"
}
trap cleanup EXIT

mkdir -p "$home/config"
cat >"$home/config/phonebook.ini" <<'INI'
[Stayline Demo]
UserName=demo
Password=demo
PasswordSaved=1
ConnectMs=1500
ClientIPs=10.64.0.10 10.64.0.11 10.64.0.12
ServerIP=10.64.0.1
INI
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\_StaylineConnections]\r\n"AReadFirstReg"="1"\r\n"AutoConnect"="1"\r\n"StaylineConnection"="Stayline Demo"\r\n"SaveOnlineTimer"="1"\r\n"ViewOnlineTimer"="1"\r\n"Language"="0"\r\n' >"$home/config/HKCU.reg"
chmod 600 "$home/config/HKCU.reg"

ctl() { "$bin/stayline-ctl" --home "$home" "$@"; }
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

"$bin/staylined" --home "$home" --ras sim --quiet 2>"$home/ras.log" &
pid=$!
deadline=$(( $(now_ms) + 20000 ))
until [ "$(ctl state ActiveConnectionCount 2>/dev/null || true)" = 1 ] &&
      [ -n "$(ctl state LastClientIP 2>/dev/null | tr -d ' ')" ]; do
  [ "$(now_ms)" -lt "$deadline" ] || { echo "idle-cost: no connection within 20 s" >&2; exit 1; }
  sleep 0.1
done
sleep 2

ticks=$(getconf CLK_TCK)
cpu() { awk '{ sub(/.*\) /, ""); print $12 + $13 }' "/proc/$pid/stat"; }
c0=$(cpu); t0=$(now_ms)
sleep "$duration"
c1=$(cpu); t1=$(now_ms)
rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status")
cpu_ms=$(( (c1 - c0) * 1000 / ticks ))
per_min=$(awk -v c="$cpu_ms" -v t=$((t1 - t0)) 'BEGIN { printf "%.1f", c * 60000 / t }')
echo "idle while connected: ${cpu_ms} ms CPU in $(( (t1 - t0) / 1000 )) s = ${per_min} ms CPU per minute"
echo "resident memory: ${rss} KiB"

total=0
for i in $(seq 1 "$drops"); do
  before=$(grep -c "dialling" "$home/ras.log" || true)
  start=$(now_ms)
  ctl sim drop >/dev/null
  until [ "$(grep -c "dialling" "$home/ras.log" || true)" -gt "$before" ]; do
    [ $(( $(now_ms) - start )) -lt 10000 ] || { echo "idle-cost: no redial within 10 s" >&2; exit 1; }
    sleep 0.005
  done
  took=$(( $(now_ms) - start ))
  total=$(( total + took ))
  echo "drop $i: redial started after ${took} ms"
  until [ "$(ctl state ActiveConnectionCount)" = 1 ] && [ "$(ctl state ConnectTick)" != 0 ]; do sleep 0.1; done
  sleep 1
done
echo "drop to redial: mean $(( total / drops )) ms over $drops drops (the status tick runs once a second)"

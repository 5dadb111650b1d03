#!/usr/bin/env bash
# Idle cost of a running Stayline and its reaction to a dropped line, on the simulated line:
#   - CPU time per minute while connected and idle, and the resident memory;
#   - the time from a line drop to the start of the redial (several drops).
#   - with PROGRAM=stayline (the desktop program): the time from its start to its tray icon, under
#     an Xvfb display with the trayer tray host that the script starts when no display is set.
# Usage: bench/idle-cost.sh [BUILD_DIR]   (DURATION=seconds of the idle measurement, default 60;
#        DROPS=number of drops, default 10; PROGRAM=staylined or stayline). Not a test: it prints
#        figures.
set -euo pipefail
build=${1:-build}
duration=${DURATION:-60}
program=${PROGRAM:-staylined}
# The desktop program runs the same core: its redial is the headless one's (its log is not on
# standard error to watch), so by default it is not measured again.
default_drops=10
[ "$program" != stayline ] || default_drops=0
drops=${DROPS:-$default_drops}
bin="$build/bin"
home=$(mktemp -d /tmp/stayline-bench-XXXXXX)
pid=""
display_pids=()
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill "$pid"; wait "$pid" 2>/dev/null || true; fi
  for p in "${display_pids[@]}"; do kill "$p" 2>/dev/null || true; done
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

if [ "$program" = stayline ]; then
  if [ -z "${DISPLAY:-}" ]; then
    exec {fd}<> <(:)
    Xvfb -displayfd "$fd" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    display_pids+=($!)
    read -r -t 10 -u "$fd" number || { echo "idle-cost: Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$number"
    trayer >/dev/null 2>&1 &
    display_pids+=($!)
    sleep 1
  fi
  start=$(now_ms)
  "$bin/stayline" --home "$home" --ras sim 2>"$home/ras.log" >/dev/null &
  pid=$!
  until [ "$(ctl get TrayIcon.Added 2>/dev/null || true)" = True ]; do
    [ $(( $(now_ms) - start )) -lt 20000 ] || { echo "idle-cost: no tray icon within 20 s" >&2; exit 1; }
    sleep 0.01
  done
  echo "start -> tray icon: $(( $(now_ms) - start )) ms"
else
  "$bin/staylined" --home "$home" --ras sim --quiet 2>"$home/ras.log" &
  pid=$!
fi
deadline=$(( $(now_ms) + 20000 ))
until [ "$(ctl state ActiveConnectionCount 2>/dev/null || true)" = 1 ] &&
      [ -n "$(ctl state LastClientIP 2>/dev/null | tr -d ' ')" ]; do
  [ "$(now_ms)" -lt "$deadline" ] || { echo "idle-cost: no connection within 20 s" >&2; exit 1; }
  sleep 0.1
done
sleep 2

# CPU time in microseconds: the scheduler's nanosecond run time of every thread where the kernel
# keeps it (schedstat), else user + system time in clock ticks.
ticks=$(getconf CLK_TCK)
cpu_us() {
  if [ -r "/proc/$pid/task/$pid/schedstat" ]; then
    cat /proc/"$pid"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { printf "%d", s / 1000 }'
  else
    awk -v t="$ticks" '{ sub(/.*\) /, ""); printf "%d", ($12 + $13) * 1000000 / t }' "/proc/$pid/stat"
  fi
}
c0=$(cpu_us); t0=$(now_ms)
sleep "$duration"
c1=$(cpu_us); t1=$(now_ms)
rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status")
threads=$(awk '/^Threads:/ { print $2 }' "/proc/$pid/status")
awk -v c=$((c1 - c0)) -v t=$((t1 - t0)) 'BEGIN {
  printf "idle while connected: %.1f ms CPU in %d s = %.2f ms CPU per minute (%.4f %% of one core)\n",
         c / 1000, t / 1000, c * 60 / t, c / (t * 10) }'
echo "resident memory: ${rss} KiB (${threads} threads)"

total=0
min=""
max=0
for i in $(seq 1 "$drops"); do
  # a drop at a random point between two ticks, as a real line drops
  sleep "0.$(printf '%03d' $(( RANDOM % 1000 )))"
  before=$(grep -c "dialling" "$home/ras.log" || true)
  start=$(now_ms)
  ctl sim drop >/dev/null
  until [ "$(grep -c "dialling" "$home/ras.log" || true)" -gt "$before" ]; do
    [ $(( $(now_ms) - start )) -lt 10000 ] || { echo "idle-cost: no redial within 10 s" >&2; exit 1; }
    sleep 0.005
  done
  took=$(( $(now_ms) - start ))
  total=$(( total + took ))
  [ -z "$min" ] || [ "$took" -lt "$min" ] && min=$took
  [ "$took" -gt "$max" ] && max=$took
  echo "drop $i: redial started after ${took} ms"
  until [ "$(ctl state ActiveConnectionCount)" = 1 ] && [ "$(ctl state ConnectTick)" != 0 ]; do sleep 0.1; done
  sleep 1
done
[ "$drops" -gt 0 ] || exit 0
echo "drop to redial: mean $(( total / drops )) ms, min ${min} ms, max ${max} ms over $drops drops" \
     "(the status tick runs once a second)"

#!/usr/bin/env bash
# `make run`: starts Stayline on the simulated line with its state under build/demo-home, so a
# first try leaves the user's home untouched. A demo phonebook entry is seeded when none exists.
# With a display (X11 or Wayland) and the desktop program built it is the tray program
# `stayline`, else the headless `staylined`.
set -euo pipefail
# The demo's settings and phonebook hold passwords: everything it creates is the user's alone.
umask 077
build=${1:-build}
home="$build/demo-home"
mkdir -p "$home/config" "$home/data"
# A demo home made by an older version of this script may still be open to others.
chmod 700 "$home" "$home/config" "$home/data"
if [ ! -f "$home/config/phonebook.ini" ]; then
  cat >"$home/config/phonebook.ini" <<'INI'
; Demo entry of the simulated line (see docs/phonebook.md)
[Stayline Demo]
UserName=demo
Password=demo
PasswordSaved=1
DeviceType=PPPoE
DeviceName=Simulated PPPoE line
ConnectMs=1500
ClientIPs=10.64.0.10 10.64.0.11 10.64.0.12
ServerIP=10.64.0.1
DropAfterMs=0
BrokenAfterMs=0
FailDials=0
FailError=678
INI
  # Dial the demo entry at start.
  cat >"$home/config/HKCU.reg" <<'REG'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\SOFTWARE\_StaylineConnections]
"AReadFirstReg"="1"
"AutoConnect"="1"
"StaylineConnection"="Stayline Demo"
"ViewOnlineTimer"="1"
"SaveOnlineTimer"="1"
"Language"="0"
REG
fi
chmod 600 "$home/config/phonebook.ini"
[ ! -f "$home/config/HKCU.reg" ] || chmod 600 "$home/config/HKCU.reg"
program=staylined
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$build/bin/stayline" ]; then
  program=stayline
  echo "Stayline starts in the tray with its state in $home (a double click shows the window)."
else
  echo "Stayline runs headless with its state in $home."
fi
echo "Drive it from another terminal, e.g.: $build/bin/stayline-ctl --home $home get Status2.Caption"
exec "$build/bin/$program" --home "$home" --ras sim

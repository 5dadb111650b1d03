#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when they are missing.
# Idempotent and quiet when everything is there. clang with its runtime libraries builds the
# fuzz target (libFuzzer); cmark-gfm renders the user manual; OpenSSL gives mail and FTP their
# TLS; Qt 6 builds the desktop program, which its tests run offscreen and under Xvfb with a tray;
# rsvg-convert (librsvg2-bin) renders its 48x48 menu icon.
set -euo pipefail
pkgs=(cmake ninja-build g++ make pkg-config libgtest-dev libgmock-dev googletest libbenchmark-dev
      python3 python3-pyftpdlib python3-aiosmtpd python3-openssl vsftpd curl iproute2 clang-format time
      clang libclang-rt-14-dev chromium cmark-gfm libssl-dev qt6-base-dev qt6-svg-dev xvfb xauth
      trayer desktop-file-utils librsvg2-bin fonts-dejavu-core)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "install-deps: installing ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
if ! $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/tmp/stayline-apt.log 2>&1; then
  $SUDO apt-get update -qq >>/tmp/stayline-apt.log 2>&1
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >>/tmp/stayline-apt.log 2>&1 ||
    { cat /tmp/stayline-apt.log; exit 1; }
fi
# vsftpd starts a system-wide server on port 21 when installed; the tests start their own.
if command -v systemctl >/dev/null 2>&1; then $SUDO systemctl disable --now vsftpd >/dev/null 2>&1 || true; fi
exit 0

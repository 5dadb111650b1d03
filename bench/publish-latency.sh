#!/bin/sh
# Publishing latency: staylined on the simulated line (real-time loop) publishes to a local
# pyftpdlib; over 10 redials, the time from the "Connect...:" time-log line to the page with the
# new client IP being complete on the server, and to the session being closed ("AutoFTP Close - "
# in FTP.Log). Prints mean and maximum of both.
#
# usage: bench/publish-latency.sh [BUILD_DIR]   (default: build)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$root/build}/bin
exec /usr/bin/python3 - "$root" "$bin" <<'EOF'
import datetime, os, re, subprocess, sys, time

root, bin_dir = sys.argv[1], sys.argv[2]
sys.path.insert(0, root + "/bench")
from stayline_home import clean_up, end_on_signals, make_home, scrambled, sim_drop, write_hive, \
    write_phonebook
import stayline_home

end_on_signals()
redials = 10
home = make_home("stayline-bench-")
served = os.path.join(home, "server")
os.makedirs(served)
os.makedirs(os.path.join(home, "upload"))

server = subprocess.Popen(["/usr/bin/python3", root + "/tests/servers/ftp_pyftpd_server.py",
                           "--root", served], stdout=subprocess.PIPE, text=True)
port = int(server.stdout.readline().split()[1])

values = [("AReadFirstReg", "1"), ("AutoConnect", "1"), ("StaylineConnection", "Bench"),
          ("SaveOnlineTimer", "1"), ("Language", "1"), ("FTPLogFile", "1"), ("FTP_Auto", "1"),
          ("FTP_Host", scrambled("127.0.0.1")), ("FTP_Port", str(port)),
          ("FTP_Login", scrambled("user")), ("FTP_Password", scrambled("secret")),
          ("FTP_StartPath", "/"), ("FTP_UploadPath", os.path.join(home, "upload"))]
write_hive(home, values)
ips = ["10.64.0.%d" % n for n in range(10, 10 + redials + 1)]
write_phonebook(home, ips, "10.64.0.1")

daemon = subprocess.Popen([bin_dir + "/staylined", "--home", home, "--ras", "sim", "--quiet"])

read = stayline_home.read
stamp = stayline_home.stamp

def wait(check, seconds=180):
    return stayline_home.wait(
        check, seconds, lambda: "FTP.Log:\n" + read(os.path.join(home, "data", "FTP.Log"))[-3000:])

def page_with(ip):
    text = read(os.path.join(served, "mydyn.htm"))
    return time.time() if "URL=http://%s/" % ip in text and "</html>" in text else None

def closes():
    return re.findall(r"AutoFTP Close - (\S+ \S+)", read(os.path.join(home, "data", "FTP.Log")))

def connect_of(ip):
    for line in read(os.path.join(home, "data", "TimeLog.txt")).splitlines():
        if line.startswith("Connect...: ") and "ClientIP: %s " % ip in line:
            return stamp(line[12:35])
    return None

to_page, to_close, drop_to_page = [], [], []
try:
    wait(lambda: page_with(ips[0]) and len(closes()) >= 1)
    for ip in ips[1:]:
        before = len(closes())
        # The old page stays on the server: each session replaces it, as it does for a user.
        dropped = time.time()
        sim_drop(bin_dir, home)
        seen = wait(lambda: page_with(ip))
        closed = wait(lambda: closes()[before] if len(closes()) > before else None)
        connected = wait(lambda: connect_of(ip))
        to_page.append(seen - connected)
        to_close.append(stamp(closed) - connected)
        drop_to_page.append(seen - dropped)
        print("%s: page %.3f s, closed %.3f s (drop -> page %.3f s)"
              % (ip, to_page[-1], to_close[-1], drop_to_page[-1]), flush=True)
finally:
    clean_up(home, daemon, server)

print("line up -> page on the server: mean %.3f s, max %.3f s" %
      (sum(to_page) / len(to_page), max(to_page)))
print("line up -> session closed:     mean %.3f s, max %.3f s" %
      (sum(to_close) / len(to_close), max(to_close)))
print("line dropped -> page:          mean %.3f s, max %.3f s" %
      (sum(drop_to_page) / len(drop_to_page), max(drop_to_page)))
EOF

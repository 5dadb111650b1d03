#!/bin/sh
# Dynamic-DNS and new-address command latency: staylined on the simulated line (real-time loop)
# updates a local dyndns2 server over HTTPS (tests/servers/dyndns_server.py, a certificate made
# here with openssl and trusted through "TlsCAFile") and runs a NewIPCommand that notes the time;
# over 5 redials, the time from the line's drop (the simulated redial takes 300 ms to come up)
# to the update request arriving at the server and to the command having run, and where the
# "Connect...:" time-log line falls against the request. Prints mean and maximum.
#
# usage: bench/dyndns-latency.sh [BUILD_DIR]   (default: build)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$root/build}/bin
exec /usr/bin/python3 - "$root" "$bin" <<'EOF'
import datetime, os, subprocess, sys, threading, time

root, bin_dir = sys.argv[1], sys.argv[2]
sys.path.insert(0, root + "/bench")
from stayline_home import clean_up, end_on_signals, make_certificates, make_home, scrambled, \
    sim_drop, write_hive, write_phonebook
import stayline_home

end_on_signals()
redials = 5
home = make_home("stayline-bench-")
ca, cert, key = make_certificates(home)

server = subprocess.Popen(["/usr/bin/python3", root + "/tests/servers/dyndns_server.py",
                           "--cert", cert, "--key", key, "alice", "secret"],
                          stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
port = int(server.stdout.readline().split()[1])
arrivals = []  # (time, request line)

def collect():
    for line in server.stdout:
        arrivals.append((time.time(), line.strip()))

threading.Thread(target=collect, daemon=True).start()

marks = os.path.join(home, "marks")
os.makedirs(marks)
values = [("AReadFirstReg", "1"), ("AutoConnect", "1"), ("StaylineConnection", "Bench"),
          ("SaveOnlineTimer", "1"), ("Language", "1"), ("DynDnsAuto", "1"),
          ("DynDnsServer", "127.0.0.1:%d" % port), ("DynDnsHosts", "good.example.org"),
          ("DynDnsUser", scrambled("alice")), ("DynDnsPassword", scrambled("secret")),
          ("TlsCAFile", ca),
          ("NewIPCommand", 'date +%%s.%%N > %s/"$STAYLINE_CLIENT_IP"' % marks)]
write_hive(home, values)
ips = ["10.64.0.%d" % n for n in range(10, 10 + redials + 1)]
write_phonebook(home, ips, "10.64.0.1")

daemon = subprocess.Popen([bin_dir + "/staylined", "--home", home, "--ras", "sim", "--quiet"])

read = stayline_home.read
stamp = stayline_home.stamp

def wait(check, seconds=60):
    return stayline_home.wait(
        check, seconds, lambda: "TimeLog:\n" + read(os.path.join(home, "data", "TimeLog.txt"))[-3000:])

def request_for(ip):
    for at, line in list(arrivals):
        if "myip=%s " % ip in line:
            return at
    return None

def command_for(ip):
    text = read(os.path.join(marks, ip)).strip()
    return float(text) if text else None

def connect_of(ip):
    for line in read(os.path.join(home, "data", "TimeLog.txt")).splitlines():
        if line.startswith("Connect...: ") and "ClientIP: %s " % ip in line:
            return stamp(line[12:35])
    return None

to_request, to_command, after_connect = [], [], []
try:
    for n, ip in enumerate(ips):
        dropped = time.time()
        if n > 0:
            sim_drop(bin_dir, home)
        requested = wait(lambda: request_for(ip))
        ran = wait(lambda: command_for(ip))
        connected = wait(lambda: connect_of(ip))
        if n == 0:
            continue  # the first start also loads the program; the redials are what counts
        to_request.append(requested - dropped)
        to_command.append(ran - dropped)
        after_connect.append(requested - connected)
        print("%s: drop -> update request %.3f s, command %.3f s; request - Connect line %+.3f s"
              % (ip, to_request[-1], to_command[-1], after_connect[-1]), flush=True)
finally:
    server.stdin.close()
    clean_up(home, daemon, server)

print("line dropped -> dynamic-DNS request at the server: mean %.3f s, max %.3f s" %
      (sum(to_request) / len(to_request), max(to_request)))
print("line dropped -> command run:                       mean %.3f s, max %.3f s" %
      (sum(to_command) / len(to_command), max(to_command)))
print("request - \"Connect...:\" time-log line:          mean %+.3f s, max %+.3f s" %
      (sum(after_connect) / len(after_connect), max(after_connect)))

#!/bin/sh
# Mail latency: staylined on the simulated line (real-time loop) with "Auto Mail" on mails each
# new client IP to a local SMTP server (tests/servers/smtp_server.py, aiosmtpd); over 10 redials,
# the time from the line coming up (the simulated line's "connected" report, read as it is
# printed) to the mail with the new client IP being accepted by the server (its file written
# before the server's 250). Prints each redial, then mean and maximum. With "starttls" or "tls"
# the server speaks STARTTLS or TLS from the first byte with a certificate of a test CA made here
# with openssl, and the mail logs in (AUTH PLAIN inside TLS).
#
# usage: bench/mail-latency.sh [BUILD_DIR [none|starttls|tls]]   (default: build, none)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$root/build}/bin
exec /usr/bin/python3 - "$root" "$bin" "${2:-none}" <<'EOF'
import os, re, subprocess, sys, threading, time

root, bin_dir, security = sys.argv[1], sys.argv[2], sys.argv[3]
sys.path.insert(0, root + "/bench")
from stayline_home import clean_up, end_on_signals, make_certificates, make_home, scrambled, \
    sim_drop, write_hive, write_phonebook
import stayline_home

end_on_signals()
redials = 10
home = make_home("stayline-mailbench-")
mails = os.path.join(home, "mails")

server_args = ["--out", mails]
tls_values = []
if security != "none":
    ca, cert, key = make_certificates(home)
    server_args += ["--cert", cert, "--key", key, "--auth", "mailer:pw",
                    "--starttls" if security == "starttls" else "--tls"]
    tls_values = [("SmtpSecurity", "1" if security == "starttls" else "2"),
                  ("TlsCAFile", ca), ("SmtpAuthType", "1"),
                  ("SmtpServerUser", scrambled("mailer")), ("SmtpServerPassword", scrambled("pw")),
                  ("SmtpServerName", "localhost")]

server = subprocess.Popen(["/usr/bin/python3", root + "/tests/servers/smtp_server.py",
                           *server_args], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                          text=True)
port = int(server.stdout.readline().split()[1])

values = [("AReadFirstReg", "1"), ("AutoConnect", "1"), ("StaylineConnection", "Bench"),
          ("SaveOnlineTimer", "1"), ("Language", "0"), ("AutoMail", "1"),
          ("SmtpServerName", "127.0.0.1"), ("SmtpServerPort", str(port)), ("SmtpAuthType", "0"),
          ("MailToText", "me@example.com"), ("UserEmail", "stayline@example.org"),
          ("ESubject", "ClientIP Changed: #CIP#")]
# Later entries win: the TLS settings replace the plain server's.
values = list(dict(values + tls_values).items())
write_hive(home, values)
ips = ["127.0.0.%d" % n for n in range(10, 10 + redials + 1)]
write_phonebook(home, ips, "127.0.0.1")

daemon = subprocess.Popen([bin_dir + "/staylined", "--home", home, "--ras", "sim"],
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
line_up = {}  # client IP -> when the simulated line reported it connected

def watch():
    for line in daemon.stdout:
        m = re.search(r"connected, client (\d+\.\d+\.\d+\.\d+)", line)
        if m and m.group(1) not in line_up:
            line_up[m.group(1)] = time.time()

threading.Thread(target=watch, daemon=True).start()

def wait(check, seconds=60):
    return stayline_home.wait(check, seconds, lambda: "mails: %s" % sorted(os.listdir(mails)))

def accepted(ip):
    # The time the server wrote the mail naming `ip` in its subject.
    for name in sorted(os.listdir(mails)):
        if not name.endswith(".eml"):
            continue
        path = os.path.join(mails, name)
        with open(path, "rb") as f:
            if ("Subject: ClientIP Changed: %s\r\n" % ip).encode() in f.read():
                return os.stat(path).st_mtime
    return None

latencies = []
try:
    wait(lambda: accepted(ips[0]))
    for ip in ips[1:]:
        sim_drop(bin_dir, home)
        done = wait(lambda: accepted(ip))
        up = wait(lambda: line_up.get(ip))
        latencies.append(done - up)
        print("%s: line up -> mail accepted %.3f s" % (ip, latencies[-1]), flush=True)
finally:
    server.stdin.close()
    clean_up(home, daemon, server)

print("line up -> mail accepted (%s): mean %.3f s, max %.3f s" %
      ("plain" if security == "none" else security, sum(latencies) / len(latencies),
       max(latencies)))

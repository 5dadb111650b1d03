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
import datetime, os, re, signal, subprocess, sys, tempfile, time

# Ended early: the server, the daemon and the home still go (the finally below).
signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
signal.signal(signal.SIGINT, lambda *_: sys.exit(1))

root, bin_dir = sys.argv[1], sys.argv[2]
redials = 10
home = tempfile.mkdtemp(prefix="stayline-bench-")
served = os.path.join(home, "server")
os.makedirs(served)
os.makedirs(os.path.join(home, "config"))
os.makedirs(os.path.join(home, "upload"))

server = subprocess.Popen(["/usr/bin/python3", root + "/tests/servers/ftp_pyftpd_server.py",
                           "--root", served], stdout=subprocess.PIPE, text=True)
port = int(server.stdout.readline().split()[1])

def scrambled(text):
    return "".join(chr(ord(c) ^ 0x5A) for c in text)

def quoted(text):
    out = ""
    for c in text:
        if c in '\\"':
            out += "\\" + c
        elif ord(c) < 0x20 or 0x7F <= ord(c) <= 0x9F:
            out += "\\x%02X" % ord(c)
        else:
            out += c
    return '"' + out + '"'

values = [("AReadFirstReg", "1"), ("AutoConnect", "1"), ("StaylineConnection", "Bench"),
          ("SaveOnlineTimer", "1"), ("Language", "1"), ("FTPLogFile", "1"), ("FTP_Auto", "1"),
          ("FTP_Host", scrambled("127.0.0.1")), ("FTP_Port", str(port)),
          ("FTP_Login", scrambled("user")), ("FTP_Password", scrambled("secret")),
          ("FTP_StartPath", "/"), ("FTP_UploadPath", os.path.join(home, "upload"))]
hive = os.path.join(home, "config", "HKCU.reg")
with open(hive, "w", newline="") as f:
    f.write("Windows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_CURRENT_USER\\SOFTWARE\\_StaylineConnections]\r\n")
    for name, value in values:
        f.write('"%s"=%s\r\n' % (name, quoted(value)))
os.chmod(hive, 0o600)
ips = ["10.64.0.%d" % n for n in range(10, 10 + redials + 1)]
book = os.path.join(home, "config", "phonebook.ini")
with open(book, "w") as f:
    f.write("[Bench]\nUserName=bench\nPassword=bench\nPasswordSaved=1\nConnectMs=300\n"
            "ClientIPs=%s\nServerIP=10.64.0.1\n" % " ".join(ips))
os.chmod(book, 0o600)

daemon = subprocess.Popen([bin_dir + "/staylined", "--home", home, "--ras", "sim", "--quiet"])

def read(path):
    try:
        with open(path, encoding="latin-1") as f:
            return f.read()
    except FileNotFoundError:
        return ""

def stamp(text):
    return datetime.datetime.strptime(text, "%d.%m.%Y %H:%M:%S,%f").timestamp()

def wait(check, seconds=180):
    end = time.time() + seconds
    while time.time() < end:
        result = check()
        if result:
            return result
        time.sleep(0.02)
    raise SystemExit("timed out; FTP.Log:\n" + read(os.path.join(home, "data", "FTP.Log"))[-3000:])

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
        subprocess.run([bin_dir + "/stayline-ctl", "--home", home, "sim", "drop"], check=True,
                       stdout=subprocess.DEVNULL)
        seen = wait(lambda: page_with(ip))
        closed = wait(lambda: closes()[before] if len(closes()) > before else None)
        connected = wait(lambda: connect_of(ip))
        to_page.append(seen - connected)
        to_close.append(stamp(closed) - connected)
        drop_to_page.append(seen - dropped)
        print("%s: page %.3f s, closed %.3f s (drop -> page %.3f s)"
              % (ip, to_page[-1], to_close[-1], drop_to_page[-1]), flush=True)
finally:
    daemon.kill()
    daemon.wait()
    server.kill()
    server.wait()
    subprocess.run(["rm", "-rf", home])

print("line up -> page on the server: mean %.3f s, max %.3f s" %
      (sum(to_page) / len(to_page), max(to_page)))
print("line up -> session closed:     mean %.3f s, max %.3f s" %
      (sum(to_close) / len(to_close), max(to_close)))
print("line dropped -> page:          mean %.3f s, max %.3f s" %
      (sum(drop_to_page) / len(drop_to_page), max(drop_to_page)))
EOF

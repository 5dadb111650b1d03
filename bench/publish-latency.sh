#!/bin/sh
# Publishing latency: staylined on the simulated line (real-time loop) publishes every new client
# IP in all ways at once, as a user with everything switched on has it: the auto-FTP page to a
# local pyftpdlib, a mail to a local aiosmtpd, a dynamic-DNS update to a local dyndns2 server over
# HTTPS and the command on every new address. Over 10 redials it measures, from the line coming
# up (the simulated line's "connected" report, read as staylined prints it), when each arrived:
# the page complete on the FTP server, the mail accepted (its file written before the server's
# 250), the update request at the dyndns2 server, the command run; and when the FTP session was
# closed ("AutoFTP Close - " in FTP.Log, at the tick limit by design). Prints each redial, then
# mean and maximum per way.
#
#   plain  FTP and mail in plain text (the dynamic-DNS update is HTTPS always)
#   tls    FTP with explicit TLS, mail with STARTTLS and a login
#   tls465 FTP with explicit TLS, mail with TLS from the first byte and a login
# The servers' certificates come from a CA made here with openssl, trusted through "TlsCAFile".
# The FTP data connection is active (PORT, the program's default) or passive (PASV).
#
# usage: bench/publish-latency.sh [BUILD_DIR [plain|tls|tls465 [active|passive]]]
#        (default: build, plain, active)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$root/build}/bin
exec /usr/bin/python3 - "$root" "$bin" "${2:-plain}" "${3:-active}" <<'EOF'
import os, re, subprocess, sys, threading, time

root, bin_dir, mode, data_mode = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4]
if mode not in ("plain", "tls", "tls465"):
    raise SystemExit("publish-latency: the mode is plain, tls or tls465, not " + mode)
if data_mode not in ("active", "passive"):
    raise SystemExit("publish-latency: the data connection is active or passive, not " + data_mode)
sys.path.insert(0, root + "/bench")
from stayline_home import clean_up, end_on_signals, make_certificates, make_home, scrambled, \
    sim_drop, start_server, write_hive, write_phonebook
import stayline_home

end_on_signals()
redials = 10
home = make_home("stayline-bench-")
servers = []
daemon = None
line_up, requests = {}, []  # client IP -> when the line reported it up; (time, dyndns request)


def follow(stream, handle):
    threading.Thread(target=lambda: [handle(line) for line in stream], daemon=True).start()


def note_line_up(line):
    m = re.search(r"connected, client (\d+\.\d+\.\d+\.\d+)", line)
    if m and m.group(1) not in line_up:
        line_up[m.group(1)] = time.time()


try:
    ca, cert, key = make_certificates(home)
    tls = mode != "plain"
    served, mails, marks = (os.path.join(home, n) for n in ("served", "mails", "marks"))
    for folder in (served, mails, marks, os.path.join(home, "upload")):
        os.makedirs(folder)

    ftp_args = [root + "/tests/servers/ftp_pyftpd_server.py", "--root", served]
    if tls:
        ftp_args += ["--cert", cert, "--key", key]
    ftp, ftp_port = start_server(ftp_args)
    servers.append(ftp)
    smtp_args = [root + "/tests/servers/smtp_server.py", "--out", mails]
    if tls:
        smtp_args += ["--cert", cert, "--key", key, "--auth", "mailer:pw",
                      "--starttls" if mode == "tls" else "--tls"]
    smtp, smtp_port = start_server(smtp_args)
    servers.append(smtp)
    dyndns, dyndns_port = start_server([root + "/tests/servers/dyndns_server.py", "--cert", cert,
                                        "--key", key, "alice", "secret"])
    servers.append(dyndns)
    follow(dyndns.stdout, lambda line: requests.append((time.time(), line.strip())))

    values = [("AReadFirstReg", "1"), ("AutoConnect", "1"), ("StaylineConnection", "Bench"),
              ("SaveOnlineTimer", "1"), ("Language", "1"), ("FTPLogFile", "1"),
              ("TlsCAFile", ca),
              ("FTP_Auto", "1"), ("FTP_Host", scrambled("localhost")),
              ("FTP_Port", str(ftp_port)), ("FTP_Login", scrambled("user")),
              ("FTP_Password", scrambled("secret")), ("FTP_StartPath", "/"),
              ("FTP_UploadPath", os.path.join(home, "upload")),
              ("FTP_Security", "1" if tls else "0"),
              ("Port_PassiveTransfer", "1" if data_mode == "passive" else "0"),
              ("AutoMail", "1"), ("SmtpServerName", "localhost"),
              ("SmtpServerPort", str(smtp_port)), ("MailToText", "me@example.com"),
              ("UserEmail", "stayline@example.org"), ("ESubject", "ClientIP Changed: #CIP#"),
              ("SmtpSecurity", {"plain": "0", "tls": "1", "tls465": "2"}[mode]),
              ("SmtpAuthType", "1" if tls else "0"), ("SmtpServerUser", scrambled("mailer")),
              ("SmtpServerPassword", scrambled("pw")),
              ("DynDnsAuto", "1"), ("DynDnsServer", "localhost:%d" % dyndns_port),
              ("DynDnsHosts", "good.example.org"), ("DynDnsUser", scrambled("alice")),
              ("DynDnsPassword", scrambled("secret")),
              ("NewIPCommand", 'date +%%s.%%N > %s/"$STAYLINE_CLIENT_IP"' % marks)]
    write_hive(home, values)
    ips = ["10.64.0.%d" % n for n in range(10, 10 + redials + 1)]
    write_phonebook(home, ips, "10.64.0.1")

    daemon = subprocess.Popen([bin_dir + "/staylined", "--home", home, "--ras", "sim"],
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    follow(daemon.stdout, note_line_up)
    read = stayline_home.read
    ftp_log = os.path.join(home, "data", "FTP.Log")

    def wait(check, seconds=90):
        return stayline_home.wait(
            check, seconds,
            lambda: "FTP.Log:\n%s\nTimeLog:\n%s" % (
                read(ftp_log)[-2000:], read(os.path.join(home, "data", "TimeLog.txt"))[-2000:]))

    def page(ip):
        text = read(os.path.join(served, "mydyn.htm"))
        return time.time() if "URL=http://%s/" % ip in text and "</html>" in text else None

    def mail(ip):
        for name in sorted(os.listdir(mails)):
            path = os.path.join(mails, name)
            if name.endswith(".eml"):
                with open(path, "rb") as f:
                    if ("Subject: ClientIP Changed: %s\r\n" % ip).encode() in f.read():
                        return os.stat(path).st_mtime
        return None

    def request(ip):
        return next((at for at, line in list(requests) if "myip=%s " % ip in line), None)

    def command(ip):
        text = read(os.path.join(marks, ip)).strip()
        return float(text) if text else None

    def closes():
        return re.findall(r"AutoFTP Close - (\S+ \S+)", read(ftp_log))

    ways = [("page on the FTP server", page), ("mail accepted", mail),
            ("dynamic-DNS request", request), ("command run", command)]
    figures = {name: [] for name, _ in ways}
    figures["FTP session closed"] = []
    for n, ip in enumerate(ips):
        before = len(closes())
        if n > 0:
            sim_drop(bin_dir, home)
        arrived = {name: wait(lambda: check(ip)) for name, check in ways}
        closed = wait(lambda: closes()[before] if len(closes()) > before else None)
        up = wait(lambda: line_up.get(ip))
        if n == 0:
            continue  # the first start also loads the program; the redials are what counts
        for name, at in arrived.items():
            figures[name].append(at - up)
        figures["FTP session closed"].append(stayline_home.stamp(closed) - up)
        print("%s: " % ip + ", ".join("%s %.3f s" % (name, times[-1])
                                      for name, times in figures.items()), flush=True)
finally:
    for server in servers:
        server.stdin.close()
    clean_up(home, *([daemon] if daemon else []), *servers)

print("line up -> (%s, %s)%s mean      max" % (mode, data_mode, " " * (14 - len(mode + data_mode))))
for name, times in figures.items():
    print("  %-24s %7.3f s %7.3f s" % (name, sum(times) / len(times), max(times)))
EOF

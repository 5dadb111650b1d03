"""What the benchmarks share: a temporary home for staylined on the simulated line (its user
hive and phonebook), waiting for a condition, and ending the children."""
import datetime
import os
import signal
import subprocess
import sys
import tempfile
import time


def end_on_signals():
    # Ended early: the children and the home still go (the callers' finally blocks).
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    signal.signal(signal.SIGINT, lambda *_: sys.exit(1))


def make_home(prefix):
    home = tempfile.mkdtemp(prefix=prefix)
    os.makedirs(os.path.join(home, "config"))
    return home


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


def write_hive(home, values):
    """The user hive with `values` (name, value) under the program's key, owner-only."""
    hive = os.path.join(home, "config", "HKCU.reg")
    with open(hive, "w", newline="") as f:
        f.write("Windows Registry Editor Version 5.00\r\n\r\n"
                "[HKEY_CURRENT_USER\\SOFTWARE\\_StaylineConnections]\r\n")
        for name, value in values:
            f.write('"%s"=%s\r\n' % (name, quoted(value)))
    os.chmod(hive, 0o600)


def write_phonebook(home, client_ips, server_ip):
    """One simulated entry "Bench" handing out `client_ips` in turn."""
    book = os.path.join(home, "config", "phonebook.ini")
    with open(book, "w") as f:
        f.write("[Bench]\nUserName=bench\nPassword=bench\nPasswordSaved=1\nConnectMs=300\n"
                "ClientIPs=%s\nServerIP=%s\n" % (" ".join(client_ips), server_ip))
    os.chmod(book, 0o600)


def read(path):
    """A file's text (Latin-1, as the program writes its logs); "" when it is not there yet."""
    try:
        with open(path, encoding="latin-1") as f:
            return f.read()
    except FileNotFoundError:
        return ""


def stamp(text):
    """The time of a time-log or FTP.Log stamp ("09.12.2026 22:16:01,338") as a POSIX time."""
    return datetime.datetime.strptime(text, "%d.%m.%Y %H:%M:%S,%f").timestamp()


def wait(check, seconds, why):
    """Polls `check` until it gives a true value, which is returned; `why()` explains a time-out."""
    end = time.time() + seconds
    while time.time() < end:
        result = check()
        if result:
            return result
        time.sleep(0.005)
    raise SystemExit("timed out; " + why())


def make_certificates(home):
    """A CA and a server certificate it signed for localhost and 127.0.0.1 (EC keys, two days),
    in `home`; returns the paths of the CA, the server certificate and its key."""
    def openssl(*args):
        subprocess.run(["openssl", *args], check=True, capture_output=True, cwd=home)
    ec = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
    openssl("req", "-x509", *ec, "-days", "2", "-subj", "/CN=Bench CA", "-addext",
            "basicConstraints=critical,CA:TRUE", "-keyout", "ca.key", "-out", "ca.pem")
    openssl("req", "-new", *ec, "-subj", "/CN=localhost", "-keyout", "server.key",
            "-out", "server.csr")
    with open(os.path.join(home, "server.ext"), "w") as f:
        f.write("subjectAltName=DNS:localhost,IP:127.0.0.1\n")
    openssl("x509", "-req", "-days", "2", "-in", "server.csr", "-CA", "ca.pem", "-CAkey",
            "ca.key", "-CAcreateserial", "-extfile", "server.ext", "-out", "server.pem")
    return tuple(os.path.join(home, n) for n in ("ca.pem", "server.pem", "server.key"))


def start_server(args):
    """A test server that prints "PORT <n>" first; returns the process and the port."""
    server = subprocess.Popen(["/usr/bin/python3", *args], stdin=subprocess.PIPE,
                              stdout=subprocess.PIPE, text=True)
    line = server.stdout.readline().split()
    if len(line) != 2 or line[0] != "PORT":
        server.kill()
        server.wait()
        raise SystemExit("%s did not start" % args[0])
    return server, int(line[1])


def sim_drop(bin_dir, home):
    subprocess.run([bin_dir + "/stayline-ctl", "--home", home, "sim", "drop"], check=True,
                   stdout=subprocess.DEVNULL)


def clean_up(home, *children):
    for child in children:
        child.kill()
        child.wait()
    if os.environ.get("BENCH_KEEP_HOME"):
        print("home kept: " + home, file=sys.stderr)
    else:
        subprocess.run(["rm", "-rf", home])

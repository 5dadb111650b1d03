#!/usr/bin/python3
"""A dynamic-DNS update server (dyndns2 protocol) for the tests: HTTPS on 127.0.0.1 only.

Usage: dyndns_server.py --cert PEM --key PEM USER PASSWORD
Answers GET /nic/update?hostname=h1,h2&myip=ip with one line per host name. A request without
the basic authentication of USER:PASSWORD gets 401 and "badauth". Otherwise the first label of
each host name picks the answer: good, nochg (followed by the address), nohost, notfqdn, abuse,
donator ("!donator"), badagent, 911; any other name is "good". Any other path is 404.
Prints "PORT <n>" once it listens, then one line per request:
"REQ <method> <path> auth=<Authorization> ua=<User-Agent>".
Ends when its standard input closes (the test that started it has gone) or on SIGTERM.
"""
import base64
import http.server
import sys
import urllib.parse

import serve_util

ANSWERS = {"good": "good", "nochg": "nochg", "nohost": "nohost", "notfqdn": "notfqdn",
           "abuse": "abuse", "donator": "!donator", "badagent": "badagent", "911": "911"}


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    expected_auth = ""

    def log_message(self, *args):
        pass

    def answer(self, status, text):
        body = text.encode()
        self.send_response(status)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        print("REQ %s %s auth=%s ua=%s" % (self.command, self.path,
                                           self.headers.get("Authorization", ""),
                                           self.headers.get("User-Agent", "")), flush=True)
        url = urllib.parse.urlsplit(self.path)
        if url.path != "/nic/update":
            self.answer(404, "not found")
            return
        if self.headers.get("Authorization", "") != self.expected_auth:
            self.answer(401, "badauth")
            return
        query = urllib.parse.parse_qs(url.query)
        ip = query.get("myip", [""])[0]
        lines = []
        for host in query.get("hostname", [""])[0].split(","):
            word = ANSWERS.get(host.split(".")[0], "good")
            lines.append(word + (" " + ip if word in ("good", "nochg") else ""))
        self.answer(200, "\n".join(lines) + "\n")


def main():
    cert, key, args = serve_util.tls_args(sys.argv[1:])
    if not cert or len(args) != 2:
        sys.exit(__doc__)
    Handler.expected_auth = "Basic " + base64.b64encode(
        ("%s:%s" % (args[0], args[1])).encode()).decode()
    serve_util.serve(Handler, cert=cert, key=key)


if __name__ == "__main__":
    main()

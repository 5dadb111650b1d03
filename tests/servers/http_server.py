#!/usr/bin/python3
"""A small web server for the tests, on 127.0.0.1 only.

Usage: http_server.py [--cert PEM --key PEM] [HOST [PORT]] (HOST a 127.x.y.z address, default
127.0.0.1 and a free port). With --cert and --key it serves HTTPS with that certificate.
Serves two pages (/page1.html, /page2.html), a chunked page (/chunked) and anything else as 404.
Prints "PORT <n>" on its first line once it listens, then one line per request:
"REQ <method> <path> cache-control=<value> pragma=<value> ua=<user agent>".
Ends when its standard input closes (the test that started it has gone) or on SIGTERM.
"""
import http.server
import sys

import serve_util

PAGES = {
    "/page1.html": b"<html><head><title>One</title></head><body>page one</body></html>",
    "/page2.html": b"<html><head><title>Two</title></head><body>page two</body></html>",
}


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def record(self):
        line = "REQ %s %s cache-control=%s pragma=%s ua=%s" % (
            self.command, self.path, self.headers.get("Cache-Control", ""),
            self.headers.get("Pragma", ""), self.headers.get("User-Agent", ""))
        print(line, flush=True)

    def do_GET(self):
        self.record()
        if self.path == "/chunked":
            self.send_response(200)
            self.send_header("Content-Type", "text/plain")
            self.send_header("Transfer-Encoding", "chunked")
            self.end_headers()
            for part in (b"Hello, ", b"chunked ", b"world"):
                self.wfile.write(b"%x\r\n%s\r\n" % (len(part), part))
            self.wfile.write(b"0\r\n\r\n")
            return
        body = PAGES.get(self.path)
        if body is None:
            self.send_error(404, "File not found")
            return
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        # Cacheable, so only a reload past the cache asks again.
        self.send_header("Cache-Control", "max-age=3600")
        self.end_headers()
        self.wfile.write(body)


def main():
    cert, key, args = serve_util.tls_args(sys.argv[1:])
    # Optional: a loopback address and port of the test's choice (a web server on a client IP).
    host = args[0] if len(args) > 0 else "127.0.0.1"
    port = int(args[1]) if len(args) > 1 else 0
    serve_util.serve(Handler, host, port, cert, key)


if __name__ == "__main__":
    main()

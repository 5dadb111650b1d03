"""The common end of the test web servers: listen on a loopback address (with TLS when given a
certificate), say the port on standard output, serve until the test closes standard input."""

import http.server
import ssl
import sys
import threading


def tls_args(args):
    """Takes leading "--cert FILE" and "--key FILE" off `args`: (cert, key, the rest)."""
    cert = key = None
    while args[:1] in (["--cert"], ["--key"]) and len(args) > 1:
        if args[0] == "--cert":
            cert = args[1]
        else:
            key = args[1]
        args = args[2:]
    return cert, key, args


def serve(handler, host="127.0.0.1", port=0, cert=None, key=None):
    if not host.startswith("127."):
        sys.exit("loopback addresses only")
    server = http.server.ThreadingHTTPServer((host, port), handler)
    server.daemon_threads = True
    if cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(cert, key)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    print("PORT %d" % server.server_address[1], flush=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    sys.stdin.read()  # until the test closes our input
    server.shutdown()

#!/usr/bin/python3
"""A local SMTP server for the mail tests (aiosmtpd from Debian; run with /usr/bin/python3).

Binds 127.0.0.1 on the given port (0: a free one), prints "PORT <n>" on stdout once it listens,
and stores every mail it accepts in --out as <n>.env (MAIL FROM, then one RCPT TO per line) and
<n>.eml (the message data exactly as received, after the transparency dots were removed).

  --auth USER:PASSWORD  offer AUTH LOGIN and PLAIN and accept mail only after a login with them
  --no-login            with --auth: offer PLAIN only, and accept mail without a login
  --cert PEM --key PEM  with --starttls or --tls: the server's certificate
  --starttls            offer STARTTLS and require it before anything else
  --tls                 TLS from the first byte (as on port 465)
Each successful login is appended to <out>/auth.log as "<mechanism> <user> <tls|plain>".
The server runs until stdin closes or it is terminated.
"""

import argparse
import asyncio
import logging
import os
import signal
import ssl
import sys
import warnings

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class Store:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.folder, "%04d" % self.count)
        with open(base + ".eml.tmp", "wb") as f:
            f.write(envelope.original_content)
        with open(base + ".env", "w", encoding="utf-8") as f:
            f.write(envelope.mail_from + "\n")
            for rcpt in envelope.rcpt_tos:
                f.write(rcpt + "\n")
        # The .eml appears last and whole: a test waiting for it reads a complete mail.
        os.rename(base + ".eml.tmp", base + ".eml")
        return "250 Message accepted for delivery"


class Authenticator:
    def __init__(self, user, password, log):
        self.user = user.encode()
        self.password = password.encode()
        self.log = log

    def __call__(self, server, session, envelope, mechanism, auth_data):
        ok = (isinstance(auth_data, LoginPassword) and auth_data.login == self.user
              and auth_data.password == self.password)
        if ok:
            secure = server.transport.get_extra_info("ssl_object") is not None
            with open(self.log, "a", encoding="utf-8") as f:
                f.write("%s %s %s\n" % (mechanism, self.user.decode(),
                                         "tls" if secure else "plain"))
        # handled=False: the server itself answers 235 or 535 (with True it would say nothing
        # and the client would wait for a reply that never comes).
        return AuthResult(success=ok, handled=False)


async def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--out", required=True)
    parser.add_argument("--auth")
    parser.add_argument("--no-login", action="store_true")
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--starttls", action="store_true")
    parser.add_argument("--tls", action="store_true")
    args = parser.parse_args()
    # Login without TLS is what the tests exercise; the server's warning about it is noise.
    warnings.simplefilter("ignore")
    os.makedirs(args.out, exist_ok=True)

    store = Store(args.out)
    kwargs = {"hostname": "stayline-test", "ident": "Stayline test SMTP"}
    if args.auth:
        user, _, password = args.auth.partition(":")
        kwargs.update(authenticator=Authenticator(user, password,
                                                  os.path.join(args.out, "auth.log")),
                      auth_require_tls=False)
        if args.no_login:
            kwargs["auth_exclude_mechanism"] = ["LOGIN"]
        else:
            kwargs["auth_required"] = True

    context = None
    if args.starttls or args.tls:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
    if args.starttls:
        kwargs.update(tls_context=context, require_starttls=True)
    if context:
        # The tests show it certificates a client must refuse: the refusals are expected.
        logging.getLogger("asyncio").setLevel(logging.CRITICAL)
        logging.getLogger("mail.log").setLevel(logging.CRITICAL)

    loop = asyncio.get_running_loop()
    server = await loop.create_server(lambda: SMTP(store, **kwargs), "127.0.0.1", args.port,
                                      ssl=context if args.tls else None)
    port = server.sockets[0].getsockname()[1]
    print("PORT %d" % port, flush=True)

    done = loop.create_future()
    for sig in (signal.SIGTERM, signal.SIGINT):
        loop.add_signal_handler(sig, lambda: done.done() or done.set_result(None))
    # The parent going away closes our stdin: no orphaned server.
    loop.add_reader(sys.stdin.fileno(), lambda: sys.stdin.buffer.read1(4096) or
                    (done.done() or done.set_result(None)))
    await done
    server.close()
    await server.wait_closed()


if __name__ == "__main__":
    asyncio.run(main())

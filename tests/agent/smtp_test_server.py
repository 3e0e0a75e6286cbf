#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""A real SMTP server on loopback for the agent's tests (aiosmtpd): STARTTLS required, AUTH
required, every accepted mail stored as one file in --store. Writes the port to --ready once
it listens; runs until SIGTERM."""
import argparse
import os
import signal
import socket
import ssl
import threading

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult, LoginPassword


class StoringHandler:
    def __init__(self, store):
        self.store = store
        self.count = 0
        self.lock = threading.Lock()

    async def handle_DATA(self, server, session, envelope):
        with self.lock:
            self.count += 1
            name = "%06d-%d.eml" % (self.count, os.getpid())
        temporary = os.path.join(self.store, "." + name)
        with open(temporary, "wb") as mail:
            mail.write(envelope.original_content or envelope.content)
        os.rename(temporary, os.path.join(self.store, name))
        return "250 OK stored as " + name


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--store", required=True)
    parser.add_argument("--ready", required=True)
    parser.add_argument("--cert", required=True)
    parser.add_argument("--key", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    options = parser.parse_args()

    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(options.cert, options.key)

    def authenticate(server, session, envelope, mechanism, auth_data):
        good = (isinstance(auth_data, LoginPassword)
                and auth_data.login.decode() == options.user
                and auth_data.password.decode() == options.password)
        # handled=False: aiosmtpd then answers a refusal with 535 itself.
        return AuthResult(success=good, handled=False)

    port = options.port or free_port()
    controller = Controller(StoringHandler(options.store), hostname="127.0.0.1", port=port,
                            tls_context=context, require_starttls=True, auth_required=True,
                            auth_require_tls=True, authenticator=authenticate)
    controller.start()
    with open(options.ready + ".tmp", "w") as ready:
        ready.write(str(port))
    os.rename(options.ready + ".tmp", options.ready)
    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())
    stop.wait()
    controller.stop()


if __name__ == "__main__":
    main()

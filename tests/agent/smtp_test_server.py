#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""A real SMTP server on loopback for the agent's tests (aiosmtpd): STARTTLS and AUTH
required unless told otherwise, every accepted mail stored as one file in --store with a
NAME.json beside it (recipients, whether the session ran TLS, the decoded subject). Standard
input is a socket the caller listens on already, so that clients may connect while Python
starts; writes the port to --ready once it answers; runs until SIGTERM.

Rules, read from --rules (JSON) at every command so that a test may change them while the
server runs:
  "refuse_rcpt": {"address": "550 5.1.1 No such user", ...}   a reply to RCPT TO
  "refuse_marker": "TEXT"       the end of DATA gets "554 5.6.0 Refused: TEXT" when the
                                mail holds TEXT (in its subject or body)
  "stall_marker": "TEXT"        the end of DATA of a mail holding TEXT waits
  "stall_seconds": SECONDS      this long before its reply
"""
import argparse
import asyncio
import email
import email.header
import json
import os
import signal
import socket
import ssl
import threading

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult, LoginPassword


def read_rules(path):
    try:
        with open(path) as rules:
            return json.load(rules)
    except (OSError, ValueError):
        return {}


def decoded_subject(content):
    message = email.message_from_bytes(content)
    raw = message.get("Subject", "")
    return str(email.header.make_header(email.header.decode_header(raw)))


class StoringHandler:
    def __init__(self, store, rules):
        self.store = store
        self.rules = rules
        self.count = 0
        self.lock = threading.Lock()

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        refusal = read_rules(self.rules).get("refuse_rcpt", {}).get(address)
        if refusal:
            return refusal
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        rules = read_rules(self.rules)
        content = envelope.original_content or envelope.content
        stall = rules.get("stall_marker")
        if stall and stall.encode() in content:
            await asyncio.sleep(rules.get("stall_seconds", 60))
        marker = rules.get("refuse_marker")
        subject = decoded_subject(content)
        if marker and (marker.encode() in content or marker in subject):
            return "554 5.6.0 Refused: " + marker
        with self.lock:
            self.count += 1
            name = "%06d-%d.eml" % (self.count, os.getpid())
        meta = {"rcpt": envelope.rcpt_tos, "tls": session.ssl is not None, "subject": subject}
        with open(os.path.join(self.store, "." + name + ".json"), "w", encoding="utf-8") as sidecar:
            json.dump(meta, sidecar, ensure_ascii=False)
        os.rename(os.path.join(self.store, "." + name + ".json"),
                  os.path.join(self.store, name + ".json"))
        temporary = os.path.join(self.store, "." + name)
        with open(temporary, "wb") as mail:
            mail.write(content)
        os.rename(temporary, os.path.join(self.store, name))
        return "250 OK stored as " + name


class InheritedSocketController(Controller):
    """Serves on a socket that listens already, instead of binding a host and port."""

    def __init__(self, handler, listener, **kwargs):
        self.listener = listener
        super().__init__(handler, port=listener.getsockname()[1], **kwargs)

    def _create_server(self):
        return self.loop.create_server(self._factory_invoker, sock=self.listener,
                                       ssl=self.ssl_context)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--store", required=True)
    parser.add_argument("--ready", required=True)
    parser.add_argument("--rules", required=True)
    parser.add_argument("--cert", required=True)
    parser.add_argument("--key", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--tls", choices=["required", "offered", "none"], default="required")
    options = parser.parse_args()

    context = None
    if options.tls != "none":
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(options.cert, options.key)
    required = options.tls == "required"

    def authenticate(server, session, envelope, mechanism, auth_data):
        good = (isinstance(auth_data, LoginPassword)
                and auth_data.login.decode() == options.user
                and auth_data.password.decode() == options.password)
        # handled=False: aiosmtpd then answers a refusal with 535 itself.
        return AuthResult(success=good, handled=False)

    handler = StoringHandler(options.store, options.rules)
    settings = dict(hostname="127.0.0.1", tls_context=context, require_starttls=required,
                    auth_required=required, auth_require_tls=required,
                    authenticator=authenticate)
    controller = InheritedSocketController(handler, socket.socket(fileno=os.dup(0)), **settings)
    controller.start()
    with open(options.ready + ".tmp", "w") as ready:
        ready.write(str(controller.port))
    os.rename(options.ready + ".tmp", options.ready)
    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())
    stop.wait()
    controller.stop()


if __name__ == "__main__":
    main()

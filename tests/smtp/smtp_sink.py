# SPDX-License-Identifier: GPL-3.0-or-later
"""A throwaway SMTP server for the transport tests.

Usage: smtp_sink.py FOLDER [PORT] [--busy] [--starttls CERT KEY | --tls CERT KEY] [--auth USER:PASSWORD]
Listens on 127.0.0.1 at PORT (default: a free one), prints the port, and
stores every message as FOLDER/<n>.json (envelope, raw data, and the subject
and body as Python's email package decodes them). Recipients containing
"refused" get 550, those containing "later" 451; a recipient containing "hangup" has the line closed on it;
a message whose recipient contains "badcontent" gets 554 after its data; one
for "silent" never gets an answer to its data. The first time only: a
recipient containing "greylist" gets 450, one containing "closeonce" gets 421
and the line closed, and the data for "cutonce" has the line cut right after 354. With
--close-after N the first connection to have taken N messages gets 421 at the
next MAIL and is closed. Every connection is counted in FOLDER/connections,
every AUTH in FOLDER/logins. With --busy every connection
is greeted with 421 and closed. --starttls offers STARTTLS and refuses mail
before it; --tls speaks TLS from the first byte; --auth requires a login
(AUTH PLAIN or LOGIN) before mail, and only over TLS. --xoauth2 FOLDER requires
AUTH XOAUTH2 instead (PLAIN and LOGIN are not offered) with an access token
that oauth_server.py, writing into FOLDER, issued and that has not expired.
Exits when stdin closes, so a crashed test never leaves it running.
"""
import asyncio
import base64
import email
import email.header
import email.policy
import json
import os
import ssl
import sys
import threading
import time

from aiosmtpd.smtp import SMTP, AuthResult


class Sink:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0
        self.met = set()  # (behaviour, address) already shown once
        self.closed_once = False

    def first_time(self, behaviour, address):
        if behaviour not in address or (behaviour, address) in self.met:
            return False
        self.met.add((behaviour, address))
        return True

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if self.first_time("greylist", address):
            return "450 4.2.0 greylisted, try again later"
        if self.first_time("closeonce", address):
            server.transport.write(b"421 4.3.2 closing connection\r\n")
            server.transport.close()
            return "250 OK"
        if "refused" in address:
            return "550 5.1.1 recipient refused"
        if "later" in address:
            return "451 4.3.0 try again later"
        if "hangup" in address:
            server.transport.close()
            return "250 OK"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        if any("badcontent" in r for r in envelope.rcpt_tos):
            return "554 5.6.0 message content refused"
        if any("silent" in r for r in envelope.rcpt_tos):
            await asyncio.sleep(3600)
        raw = envelope.original_content or envelope.content
        message = email.message_from_bytes(raw, policy=email.policy.default)
        payload = message.get_payload(decode=True) or b""
        record = {
            "mail_from": envelope.mail_from,
            "rcpt_tos": envelope.rcpt_tos,
            "raw": raw.decode("utf-8", "replace"),
            "subject": str(message["Subject"] or ""),
            "from": str(message["From"] or ""),
            "to": str(message["To"] or ""),
            "date": str(message["Date"] or ""),
            "body": payload.decode(message.get_content_charset() or "ascii"),
        }
        self.count += 1
        server.accepted_here += 1
        path = os.path.join(self.folder, "%d.json" % self.count)
        with open(path + ".tmp", "w", encoding="utf-8") as out:
            json.dump(record, out, ensure_ascii=False)
        os.replace(path + ".tmp", path)
        return "250 Message accepted"


class ScriptedSMTP(SMTP):
    def connection_made(self, transport):
        if not hasattr(self, "accepted_here"):  # STARTTLS makes it again for the same connection
            with open(os.path.join(sys.argv[1], "connections"), "a") as connections:
                connections.write("connected\n")
            self.accepted_here = 0
        super().connection_made(transport)

    async def smtp_MAIL(self, arg):
        limit = option("--close-after")
        if limit and self.accepted_here >= int(limit[0]) and not self.event_handler.closed_once:
            self.event_handler.closed_once = True
            await self.push("421 4.7.0 too many messages on this connection")
            self.transport.close()
            return
        await super().smtp_MAIL(arg)

    async def smtp_DATA(self, arg):
        cut = [r for r in self.envelope.rcpt_tos if self.event_handler.first_time("cutonce", r)]
        if cut:
            await self.push("354 End data with <CR><LF>.<CR><LF>")
            self.transport.abort()
            return
        await super().smtp_DATA(arg)


class XOAuthSink(Sink):
    async def auth_XOAUTH2(self, server, args):
        with open(os.path.join(sys.argv[1], "logins"), "a") as logins:
            logins.write("XOAUTH2\n")
        # libcurl waits for the 334 before it sends the credentials.
        blob = base64.b64decode(args[1]) if len(args) > 1 else await server.challenge_auth("")
        if not isinstance(blob, bytes):
            return AuthResult(success=False, handled=True)
        fields = dict(part.split("=", 1) for part in blob.decode().split("\x01") if "=" in part)
        token = fields.get("auth", "").removeprefix("Bearer ")
        issued = os.path.join(option("--xoauth2")[0], "access_tokens")
        valid = {}
        if os.path.exists(issued):
            with open(issued) as tokens:
                valid = dict(line.split() for line in tokens if line.strip())
        return AuthResult(success=float(valid.get(token, 0)) > time.time(), handled=False)


class Busy(asyncio.Protocol):
    def connection_made(self, transport):
        transport.write(b"421 4.3.2 too busy, try later\r\n")
        transport.close()


def option(name, count=1):
    if name not in sys.argv:
        return None
    at = sys.argv.index(name)
    return sys.argv[at + 1:at + 1 + count]


def tls_context(files):
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(files[0], files[1])
    return context


def smtp_options():
    options = {}
    starttls = option("--starttls", 2)
    if starttls:
        options.update(tls_context=tls_context(starttls), require_starttls=True)
    login = option("--auth")
    if login:
        user, password = login[0].encode().split(b":", 1)

        def check(server, session, envelope, mechanism, data):
            with open(os.path.join(sys.argv[1], "logins"), "a") as logins:
                logins.write(mechanism + "\n")
            return AuthResult(success=data.login == user and data.password == password, handled=False)
        options.update(authenticator=check, auth_required=True, auth_require_tls=bool(starttls))
    if option("--xoauth2"):
        options.update(auth_required=True, auth_require_tls=bool(starttls), auth_exclude_mechanism=["PLAIN", "LOGIN"])
    return options


def main():
    folder = sys.argv[1]
    port = int(sys.argv[2]) if len(sys.argv) > 2 and sys.argv[2].isdigit() else 0
    loop = asyncio.new_event_loop()
    handler = XOAuthSink(folder) if option("--xoauth2") else Sink(folder)
    options = smtp_options()
    factory = Busy if "--busy" in sys.argv else (lambda: ScriptedSMTP(handler, **options))
    implicit = option("--tls", 2)
    server = loop.run_until_complete(
        loop.create_server(factory, "127.0.0.1", port, reuse_address=True,
                           ssl=tls_context(implicit) if implicit else None))
    print(server.sockets[0].getsockname()[1], flush=True)

    def wait_for_stdin_close():
        sys.stdin.buffer.read()
        loop.call_soon_threadsafe(loop.stop)

    threading.Thread(target=wait_for_stdin_close, daemon=True).start()
    loop.run_forever()
    server.close()


if __name__ == "__main__":
    main()

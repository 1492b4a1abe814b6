# SPDX-License-Identifier: GPL-3.0-or-later
"""A throwaway OAuth 2.0 authorisation server for the sign-in tests.

Usage: oauth_server.py FOLDER
Listens on 127.0.0.1 at a free port and prints it. GET /authorize approves at
once and redirects to redirect_uri with a code and the state it was given (it
insists on client_id "ladderpost-test" and a S256 code_challenge). POST /token
takes grant_type authorization_code (the code_verifier must match the
challenge; a used code is refused) and refresh_token (refused when listed in
FOLDER/revoked, or all with "*" there). Every access token issued goes into FOLDER/access_tokens with
its expiry for smtp_sink.py --xoauth2; every token request into FOLDER/requests.
POST /introspect (RFC 7662) says whether such a token is active, for Dovecot.
Exits when stdin closes.
"""
import base64
import hashlib
import json
import os
import secrets
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

FOLDER = sys.argv[1]
codes = {}  # code: (challenge, redirect_uri)


def note(name, line):
    with open(os.path.join(FOLDER, name), "a") as f:
        f.write(line + "\n")


def revoked(token):
    path = os.path.join(FOLDER, "revoked")
    return os.path.exists(path) and ("*" in open(path).read().split() or token in open(path).read().split())


class Handler(BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def answer(self, status, body, headers=()):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        data = json.dumps(body).encode() if body is not None else b""
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        q = dict(urllib.parse.parse_qsl(url.query))
        if url.path != "/authorize" or q.get("client_id") != "ladderpost-test" \
                or q.get("code_challenge_method") != "S256" or not q.get("code_challenge"):
            return self.answer(400, {"error": "invalid_request"})
        code = "c/" + secrets.token_urlsafe(12) + "+="  # characters a sloppy client mangles
        codes[code] = (q["code_challenge"], q["redirect_uri"])
        target = q["redirect_uri"] + "?" + urllib.parse.urlencode({"code": code, "state": q.get("state", "")})
        self.answer(302, None, [("Location", target)])

    def issue(self, refresh):
        access = secrets.token_urlsafe(16)
        note("access_tokens", "%s %f" % (access, time.time() + 3600))
        self.answer(200, {"access_token": access, "token_type": "Bearer", "expires_in": 3600,
                          "refresh_token": refresh})

    def introspect(self, token):
        path = os.path.join(FOLDER, "access_tokens")
        issued = dict(line.split() for line in open(path) if line.strip()) if os.path.exists(path) else {}
        active = token in issued and float(issued[token]) > time.time()
        self.answer(200, {"active": True, "username": "shop"} if active else {"active": False})

    def do_POST(self):
        length = int(self.headers.get("Content-Length", 0))
        form = dict(urllib.parse.parse_qsl(self.rfile.read(length).decode()))
        if self.path == "/introspect":
            return self.introspect(form.get("token", ""))
        note("requests", json.dumps({k: v for k, v in form.items() if k != "client_secret"}))
        if form.get("grant_type") == "authorization_code":
            challenge, redirect = codes.pop(form.get("code", ""), (None, None))
            verifier = form.get("code_verifier", "").encode()
            made = base64.urlsafe_b64encode(hashlib.sha256(verifier).digest()).rstrip(b"=").decode()
            if challenge is None or made != challenge or form.get("redirect_uri") != redirect:
                return self.answer(400, {"error": "invalid_grant"})
            return self.issue("r-" + secrets.token_urlsafe(16))
        if form.get("grant_type") == "refresh_token":
            token = form.get("refresh_token", "")
            if not token.startswith("r-") or revoked(token):
                return self.answer(400, {"error": "invalid_grant"})
            return self.issue(token)
        self.answer(400, {"error": "unsupported_grant_type"})


def main():
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    print(server.server_address[1], flush=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    sys.stdin.buffer.read()
    server.shutdown()


if __name__ == "__main__":
    main()

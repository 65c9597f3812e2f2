#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""A small RDAP server over HTTPS on 127.0.0.1 for the tests: a bootstrap file and domain
objects, a 404 with an RDAP error object, a 429, a 503 and an answer that is no JSON.

    rdap_server.py CERT KEY [ADDRESS PORT BASE]
        prints its port, then serves until killed; BASE is the RDAP base URL the bootstrap
        file gives for the "test" and "rdaponly" top-level domains (by default this server)
"""
import http.server
import json
import ssl
import sys

DOMAIN = {
    "objectClassName": "domain", "ldhName": "example.test", "status": ["active"],
    "events": [{"eventAction": "registration", "eventDate": "2001-02-03T04:05:06Z"}],
    "nameservers": [{"ldhName": "ns1.example.test"}],
    "entities": [{"roles": ["registrar"], "vcardArray": ["vcard", [["fn", {}, "text", "Test Registrar"]]]}],
}


class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def answer(self, status, body, kind="application/rdap+json"):
        data = body if isinstance(body, bytes) else json.dumps(body).encode()
        self.send_response(status)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def do_GET(self):
        port = self.server.server_address[1]
        base = BASE or f"https://127.0.0.1:{port}/rdap/"
        if self.path in ("/dns.json", "/rdap/dns.json"):
            self.answer(200, {"version": "1.0", "services": [
                [["test", "rdaponly"], [f"http://127.0.0.1:{port}/plain/", base]],
                [["other"], ["https://127.0.0.1:1/rdap/"]]]}, "application/json")
        elif self.path in ("/rdap/domain/example.test", "/rdap/domain/x.rdaponly"):
            self.answer(200, DOMAIN)
        elif self.path == "/rdap/domain/missing.test":
            self.answer(404, {"errorCode": 404, "title": "Not Found"})
        elif self.path == "/rdap/domain/busy.test":
            self.answer(429, b"")
        elif self.path == "/rdap/domain/down.test":
            self.answer(503, b"")
        elif self.path == "/rdap/domain/broken.test":
            self.answer(200, b"{\"ldhName\": ")
        else:
            self.answer(404, b"")


ADDRESS, PORT, BASE = (sys.argv[3], int(sys.argv[4]), sys.argv[5]) if len(sys.argv) > 5 else \
    ("127.0.0.1", 0, None)
server = http.server.ThreadingHTTPServer((ADDRESS, PORT), Handler)
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(sys.argv[1], sys.argv[2])
server.socket = context.wrap_socket(server.socket, server_side=True)
print(server.server_address[1], flush=True)
server.serve_forever()

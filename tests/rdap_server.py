#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""A small RDAP server over HTTPS on 127.0.0.1 for the tests: the bootstrap files, domain,
network and AS objects, a 404 with an RDAP error object, a 429, a 503, an answer that is no
JSON, one that drips a byte at a time, one too large, and a captive portal's page in place of
the bootstrap file.

    rdap_server.py CERT KEY [ADDRESS PORT BASE]
        prints its port, then serves until killed; BASE is the RDAP base URL the bootstrap
        file gives for the "test" and "rdaponly" top-level domains (by default this server)
"""
import http.server
import json
import ssl
import sys
import time

DOMAIN = {
    "objectClassName": "domain", "ldhName": "example.test", "status": ["active"],
    "events": [{"eventAction": "registration", "eventDate": "2001-02-03T04:05:06Z"}],
    "nameservers": [{"ldhName": "ns1.example.test"}],
    "entities": [{"roles": ["registrar"], "vcardArray": ["vcard", [["fn", {}, "text", "Test Registrar"]]]}],
}


NETWORK = {
    "objectClassName": "ip network", "handle": "NET-192-0-2-0-1", "startAddress": "192.0.2.0",
    "endAddress": "192.0.2.255", "ipVersion": "v4", "name": "TEST-NET-1", "type": "ASSIGNMENT",
}
AUTNUM = {"objectClassName": "autnum", "handle": "AS64500", "startAutnum": 64500,
          "endAutnum": 64500, "name": "TEST-AS"}


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
        path = self.path
        if path in ("/dns.json", "/rdap/dns.json"):
            self.answer(200, {"version": "1.0", "services": [
                [["test", "rdaponly"], [f"http://127.0.0.1:{port}/plain/", base]],
                [["other"], ["https://127.0.0.1:1/rdap/"]]]}, "application/json")
        elif path == "/ipv4.json":
            self.answer(200, {"services": [[["192.0.2.0/24"], [base]]]}, "application/json")
        elif path == "/asn.json":
            self.answer(200, {"services": [[["64496-64511"], [base]]]}, "application/json")
        elif path.startswith("/captive/"):
            self.answer(200, b"<html><body>Please log in to the hotel network</body></html>",
                        "text/html")
        elif path.startswith("/cut/"):
            self.answer(200, b'{"services": [[["test"], ["https://', "application/json")
        elif path in ("/rdap/domain/example.test", "/rdap/domain/x.rdaponly"):
            # The registry's part, and a link to the registrar's record.
            self.answer(200, dict(DOMAIN, links=[{
                "rel": "related", "type": "application/rdap+json",
                "href": f"https://{self.headers.get('Host')}/registrar/domain/example.test"}]))
        elif path == "/registrar/domain/example.test":
            self.answer(200, {"objectClassName": "domain", "ldhName": "example.test",
                              "entities": [{"roles": ["registrant"], "vcardArray": [
                                  "vcard", [["fn", {}, "text", "Example Registrant"]]]}]})
        elif path == "/rdap/ip/192.0.2.1":
            self.answer(200, NETWORK)
        elif path == "/rdap/autnum/64500":
            self.answer(200, AUTNUM)
        elif path == "/rdap/domain/missing.test":
            self.answer(404, {"errorCode": 404, "title": "Not Found"})
        elif path == "/rdap/domain/busy.test":
            self.answer(429, b"")
        elif path == "/rdap/domain/down.test":
            self.answer(503, b"")
        elif path == "/rdap/domain/broken.test":
            self.answer(200, b"{\"ldhName\": ")
        elif path == "/rdap/domain/big.test":
            self.answer(200, json.dumps({"ldhName": "big.test", "x": "y" * 300000}).encode())
        elif path == "/rdap/domain/drip.test":
            self.send_response(200)
            self.send_header("Content-Type", "application/rdap+json")
            self.send_header("Content-Length", "1000000")
            self.end_headers()
            try:
                for _ in range(600):
                    self.wfile.write(b" ")
                    self.wfile.flush()
                    time.sleep(0.2)
            except OSError:
                pass
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

#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""A small RDAP server over HTTPS on 127.0.0.1 for the tests: the bootstrap files (the object
tags among them, with an entry of another shape, and an entry that names only a plain-HTTP
server), domain, network, AS, entity
and name server objects, searches, a 404 with an RDAP error object, a 429, a 503, an answer
that is no JSON, one that drips a byte at a time, one too large, a slow list and a slow answer,
redirects (to plain HTTP, to a name given on the command line), links to such a name, and a
captive portal's page in place of the bootstrap file.

    rdap_server.py CERT KEY [ADDRESS PORT BASE]
        prints its port, then serves until killed; BASE is the RDAP base URL the bootstrap
        file gives for the "test" and "rdaponly" top-level domains (by default this server);
        ELSEWHERE (optional) is the host the redirects and links of the *-elsewhere.test
        domains lead to
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
ENTITY = {"objectClassName": "entity", "handle": "GOVI-TEST", "roles": ["registrant"],
          "vcardArray": ["vcard", [["fn", {}, "text", "Test Registry Services"]]]}
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

    def redirect(self, location):
        self.send_response(302)
        self.send_header("Location", location)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def do_GET(self):
        port = self.server.server_address[1]
        base = BASE or f"https://127.0.0.1:{port}/rdap/"
        path = self.path
        if path.startswith("/slow/"):  # a bootstrap file that takes its time
            time.sleep(1)
            path = path[len("/slow"):]
        if path in ("/dns.json", "/rdap/dns.json"):
            self.answer(200, {"version": "1.0", "services": [
                [["test", "rdaponly"], [f"http://127.0.0.1:{port}/plain/", base]],
                [["plainonly"], [f"http://127.0.0.1:{port}/rdap/"]],
                [["other"], ["https://127.0.0.1:1/rdap/"]]]}, "application/json")
        elif path == "/object-tags.json":
            self.answer(200, {"services": [
                [["rdap@registry.test"], ["TEST"], [base]],
                [["rdap@broken.test"], "BROKEN", [base]],  # tags not a list: skipped
                [["rdap@plain.test"], ["PLAIN"], [f"http://127.0.0.1:{port}/rdap/"]]]},
                "application/json")
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
        elif path == "/rdap/entity/GOVI-TEST":
            self.answer(200, ENTITY)
        elif path == "/rdap/nameserver/ns1.example.test":
            self.answer(200, {"objectClassName": "nameserver", "ldhName": "ns1.example.test",
                              "ipAddresses": {"v4": ["192.0.2.53"]}})
        elif path == "/rdap/domains?name=exa*.test":
            self.answer(200, {"domainSearchResults": [dict(DOMAIN, links=[
                {"rel": "self", "href": base + "domain/example.test"}])]})
        elif path == "/rdap/entities?fn=Test%20Reg*":
            self.answer(200, {"entitySearchResults": [ENTITY]})
        elif path == "/rdap/domain/slow.test":
            time.sleep(1)
            self.answer(200, DOMAIN)
        elif path == "/rdap/domain/moved.test":
            self.redirect(f"https://127.0.0.1:{port}/rdap/domain/example.test")
        elif path == "/rdap/domain/to-http.test":
            self.redirect(f"http://127.0.0.1:{port}/rdap/domain/example.test")
        elif path in ("/rdap/domain/redirected-elsewhere.test", "/rdap/domain/linked-elsewhere.test"):
            target = f"https://{ELSEWHERE}:{port}/registrar/domain/example.test"
            if "redirected" in path:
                self.redirect(target)
            else:
                self.answer(200, dict(DOMAIN, links=[
                    {"rel": "related", "type": "application/rdap+json", "href": target}]))
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


ADDRESS, PORT, BASE = (sys.argv[3], int(sys.argv[4]), sys.argv[5] or None) \
    if len(sys.argv) > 5 else ("127.0.0.1", 0, None)
ELSEWHERE = sys.argv[6] if len(sys.argv) > 6 else "elsewhere.test"
server = http.server.ThreadingHTTPServer((ADDRESS, PORT), Handler)
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(sys.argv[1], sys.argv[2])
server.socket = context.wrap_socket(server.socket, server_side=True)
print(server.server_address[1], flush=True)
server.serve_forever()

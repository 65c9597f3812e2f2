#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""A lab for the mail check: a signed root of its own and a signed zone test. holding one
domain per case, a test certificate authority and one server certificate, the configurations
of two Exim mail servers, and the MTA-STS policy files.

    mail_lab.py make FOLDER     writes the lab into FOLDER (zones, anchors.ds, zones list,
                                ca.pem, server.pem, server.key, exim-tls.conf,
                                exim-plain.conf, policies/<host>)
    mail_lab.py serve FOLDER    serves the policies over HTTPS on Web:443 until killed; the
                                host "mta-sts.huge.test" gets a body that never ends

Addresses (all on the loopback of the test's own network, where 198.51.100.0/24 stands for
the public Internet):
    DNS   198.51.100.53   nsd, serving . and test.
    TLS   198.51.100.25   Exim with STARTTLS (mx.lab.test, mx2.lab.test, mx3.lab.test;
                          only mx.lab.test has a TLSA record that matches)
    PLAIN 198.51.100.26   Exim without STARTTLS (plain.lab.test)
    MUTE  198.51.100.27   a server that accepts and never speaks (silent.lab.test; the test's)
    BABBLE 198.51.100.28  a server whose greeting never ends (babble.lab.test; the test's)
    WEB   198.51.100.44   the MTA-STS policies (mta-sts.<case>.test)

The cases (each a domain under test.):
    good       everything passes: MX, SPF (with an include), DMARC p=reject with an
               authorised external report address, DKIM s1 (RSA 2048), MTA-STS enforce,
               TLS-RPT, DANE (a TLSA 3 1 1 record that matches)
    spf11      SPF with 11 includes: the 11th look-up passes the limit
    twospf     two SPF records
    loop       SPF includes that loop
    bigspf     an SPF tree of ten includes, about 40 KiB of ranges
    dmarcnone  DMARC p=none
    extrua     DMARC reports to another domain that does not authorise them
    stsmiss    an MTA-STS policy in enforce mode whose mx misses the MX host (no DANE)
    huge       an MTA-STS policy file that never ends
    badtlsa    a TLSA record that does not match the server's certificate
    notls      a mail server that does not offer STARTTLS
    silent     a mail server that accepts the connection and never answers
    babble     a mail server whose greeting goes on for a megabyte
    private    an MX host at a loopback address, named by public DNS
    nullmx     a null MX (RFC 7505)
"""
import base64
import os
import ssl
import subprocess
import sys
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

DNS, TLS, PLAIN, MUTE, BABBLE, WEB = ("198.51.100.53", "198.51.100.25", "198.51.100.26",
                                      "198.51.100.27", "198.51.100.28", "198.51.100.44")
CASES = ["good", "spf11", "twospf", "loop", "bigspf", "dmarcnone", "extrua", "stsmiss", "huge",
         "badtlsa", "notls", "silent", "babble", "private", "nullmx"]


def run(folder, *arguments):
    return subprocess.run(arguments, cwd=folder, check=True, capture_output=True).stdout


def txt(text):
    """A TXT record's data: the text in strings of at most 255 characters."""
    chunks = [text[i:i + 255] for i in range(0, len(text), 255)] or [""]
    return " ".join('"' + c.replace("\\", "\\\\").replace('"', '\\"') + '"' for c in chunks)


def spki_sha256(folder, certificate):
    key = run(folder, "openssl", "x509", "-in", certificate, "-pubkey", "-noout")
    der = subprocess.run(["openssl", "pkey", "-pubin", "-outform", "DER"], input=key,
                         check=True, capture_output=True).stdout
    import hashlib
    return hashlib.sha256(der).hexdigest()


def certificates(folder):
    run(folder, "openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
        "ec_paramgen_curve:P-256", "-nodes", "-keyout", "ca.key", "-out", "ca.pem", "-days",
        "30", "-subj", "/CN=Vintrel mail lab CA")
    names = ["mx.lab.test", "mx2.lab.test", "mx3.lab.test", "plain.lab.test"] + \
        [f"mta-sts.{case}.test" for case in CASES]
    with open(os.path.join(folder, "server.ext"), "w") as f:
        f.write("subjectAltName=" + ",".join("DNS:" + n for n in names) + "\n")
    run(folder, "openssl", "req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256",
        "-nodes", "-keyout", "server.key", "-out", "server.csr", "-subj", "/CN=mx.lab.test")
    run(folder, "openssl", "x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey",
        "ca.key", "-CAcreateserial", "-out", "server.pem", "-days", "30", "-extfile",
        "server.ext")


def dkim_key(folder, bits):
    run(folder, "openssl", "genrsa", "-out", f"dkim{bits}.key", str(bits))
    der = run(folder, "openssl", "rsa", "-in", f"dkim{bits}.key", "-pubout", "-outform", "DER")
    return base64.b64encode(der).decode()


def exim(folder, name, address, tls):
    spool = os.path.join(folder, f"spool-{name}")
    os.makedirs(spool, exist_ok=True)
    lines = [
        "primary_hostname = " + ("mx.lab.test" if tls else "plain.lab.test"),
        f"spool_directory = {spool}",
        f"log_file_path = {folder}/exim-{name}-%slog",
        f"pid_file_path = {folder}/exim-{name}.pid",
        "exim_user = root", "exim_group = root", "never_users =",
        "keep_environment =",
        "daemon_smtp_ports = 25",
        f"local_interfaces = {address}",
        "host_lookup =", "rfc1413_hosts =",
        "tls_advertise_hosts = " + ("*" if tls else ""),
    ]
    if tls:
        lines += [f"tls_certificate = {folder}/chain.pem", f"tls_privatekey = {folder}/server.key"]
    lines += ["acl_smtp_rcpt = refuse", "begin acl", "refuse:", "  deny"]
    with open(os.path.join(folder, f"exim-{name}.conf"), "w") as f:
        f.write("\n".join(lines) + "\n")


def make(folder):
    os.makedirs(os.path.join(folder, "policies"), exist_ok=True)
    certificates(folder)
    with open(os.path.join(folder, "chain.pem"), "w") as f:
        f.write(open(os.path.join(folder, "server.pem")).read() +
                open(os.path.join(folder, "ca.pem")).read())
    exim(folder, "tls", TLS, True)
    exim(folder, "plain", PLAIN, False)
    digest = spki_sha256(folder, os.path.join(folder, "server.pem"))
    dkim = dkim_key(folder, 2048)

    r = ["$ORIGIN test.", "$TTL 3600",
         "@ IN SOA ns.root. hostmaster.root. 1 7200 3600 1209600 3600", "@ IN NS ns.root.",
         f"mx.lab IN A {TLS}", f"mx2.lab IN A {TLS}", f"mx3.lab IN A {TLS}", f"plain.lab IN A {PLAIN}",
         f"silent.lab IN A {MUTE}", f"babble.lab IN A {BABBLE}", "local.lab IN A 127.0.0.1",
         f"_25._tcp.mx.lab IN TLSA 3 1 1 {digest}",
         f"_25._tcp.mx2.lab IN TLSA 3 1 1 {'00' * 32}",
         # The report domain that authorises good.test's reports, and not extrua.test's.
         f"good.test._report._dmarc.reports IN TXT {txt('v=DMARC1')}",
         f"reports IN MX 10 mx.lab.test."]
    mx_of = {"badtlsa": "mx2.lab.test.", "stsmiss": "mx3.lab.test.", "notls": "plain.lab.test.",
             "silent": "silent.lab.test.", "babble": "babble.lab.test.", "private": "local.lab.test."}
    for case in CASES:
        d = case
        if case == "nullmx":
            r.append(f"{d} IN MX 0 .")
        else:
            r.append(f"{d} IN MX 10 {mx_of.get(case, 'mx.lab.test.')}")
        spf = {"good": "v=spf1 ip4:198.51.100.0/24 include:_spf.good.test -all",
               "spf11": "v=spf1 " + " ".join(f"include:i{i}.spf11.test" for i in range(1, 12))
                        + " -all",
               "loop": "v=spf1 include:a.loop.test -all",
               "bigspf": "v=spf1 " + " ".join(f"include:p{i}.bigspf.test" for i in range(10))
                         + " -all",
               "nullmx": "v=spf1 -all"}.get(case, "v=spf1 mx -all")
        r.append(f"{d} IN TXT {txt(spf)}")
        if case == "twospf":
            r.append(f"{d} IN TXT {txt('v=spf1 ip4:192.0.2.0/24 -all')}")
        dmarc = {"dmarcnone": "v=DMARC1; p=none; rua=mailto:d@dmarcnone.test",
                 "extrua": "v=DMARC1; p=reject; rua=mailto:d@reports.test",
                 "good": "v=DMARC1; p=reject; rua=mailto:d@reports.test; adkim=s"}.get(
            case, "v=DMARC1; p=quarantine")
        r.append(f"_dmarc.{d} IN TXT {txt(dmarc)}")
        r.append(f"_smtp._tls.{d} IN TXT {txt('v=TLSRPTv1; rua=mailto:tls@' + d + '.test')}")
        if case not in ("notls", "silent", "babble", "private", "nullmx"):
            r.append(f"_mta-sts.{d} IN TXT {txt('v=STSv1; id=20261210')}")
            r.append(f"mta-sts.{d} IN A {WEB}")
            mx = "other.lab.test" if case == "stsmiss" else \
                "mx2.lab.test" if case == "badtlsa" else "*.lab.test"
            with open(os.path.join(folder, "policies", f"mta-sts.{d}.test"), "w") as f:
                f.write(f"version: STSv1\r\nmode: enforce\r\nmx: {mx}\r\nmax_age: 604800\r\n")
    r.append(f"s1._domainkey.good IN TXT {txt('v=DKIM1; k=rsa; p=' + dkim)}")
    r.append(f"_spf.good IN TXT {txt('v=spf1 ip6:2001:db8::/32 -all')}")
    for i in range(1, 12):
        r.append(f"i{i}.spf11 IN TXT {txt('v=spf1 ip4:192.0.2.%d -all' % i)}")
    r.append(f"a.loop IN TXT {txt('v=spf1 include:loop.test -all')}")
    for i in range(10):
        ranges = " ".join(f"ip4:10.{i}.{j}.0/24" for j in range(190))
        r.append(f"p{i}.bigspf IN TXT {txt('v=spf1 ' + ranges + ' -all')}")

    def key(zone, ksk):
        return run(folder, "ldns-keygen", "-a", "ECDSAP256SHA256",
                   *(["-k"] if ksk else []), zone).decode().strip()

    with open(os.path.join(folder, "test.unsigned"), "w") as f:
        f.write("\n".join(r) + "\n")
    test_ksk, test_zsk = key("test.", True), key("test.", False)
    run(folder, "ldns-signzone", "-f", "test.zone", "-o", "test.", "test.unsigned", test_ksk,
        test_zsk)
    test_ds = open(os.path.join(folder, test_ksk + ".ds")).read().strip()
    with open(os.path.join(folder, "root.unsigned"), "w") as f:
        f.write("$ORIGIN .\n$TTL 3600\n@ IN SOA ns.root. hostmaster.root. 1 7200 3600 1209600 "
                f"3600\n@ IN NS ns.root.\nns.root. IN A {DNS}\ntest. IN NS ns.root.\n"
                f"{test_ds}\n")
    root_ksk, root_zsk = key(".", True), key(".", False)
    run(folder, "ldns-signzone", "-f", "root.zone", "-o", ".", "root.unsigned", root_ksk,
        root_zsk)
    with open(os.path.join(folder, "anchors.ds"), "w") as f:
        f.write(open(os.path.join(folder, root_ksk + ".ds")).read())
    with open(os.path.join(folder, "zones"), "w") as f:
        f.write("root.zone .\ntest.zone test.\n")


class Policies(BaseHTTPRequestHandler):
    folder = ""

    def do_GET(self):
        host = (self.headers.get("Host") or "").split(":")[0].lower()
        if self.path != "/.well-known/mta-sts.txt":
            self.send_error(404)
            return
        if host == "mta-sts.huge.test":
            self.send_response(200)
            self.send_header("Content-Type", "text/plain")
            self.end_headers()
            block = b"mx: *.lab.test\r\n" * 4096
            try:
                for _ in range(16384):  # a gigabyte, were it all read
                    self.wfile.write(block)
            except OSError:
                pass
            return
        path = os.path.join(self.folder, "policies", os.path.basename(host))
        if not os.path.isfile(path):
            self.send_error(404)
            return
        body = open(path, "rb").read()
        self.send_response(200)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *arguments):
        pass


def serve(folder):
    Policies.folder = folder
    server = ThreadingHTTPServer((WEB, 443), Policies)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(os.path.join(folder, "chain.pem"),
                            os.path.join(folder, "server.key"))
    server.socket = context.wrap_socket(server.socket, server_side=True)
    print("serving", flush=True)
    server.serve_forever()


if __name__ == "__main__":
    {"make": make, "serve": serve}[sys.argv[1]](sys.argv[2])

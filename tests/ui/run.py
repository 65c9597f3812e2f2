#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The real program in a real X server, driven as a person drives it.

Starts Xvfb (-noreset, so the server outlives each program start), copies the built program
into an empty folder, starts finger and WhoIs servers on 127.0.0.1 (ports 79 and 43, so the
suite needs root or skips those cases) and types with xdotool. Captions are read with
`xdotool getwindowname`; the window's text is checked through File > Save As.

    run.py PATH-TO-VINTREL
"""

import ctypes
import os
import re
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time

FAILURES = []

_LIBC = ctypes.CDLL(None, use_errno=True)
PR_SET_PDEATHSIG = 1


def ends_with_us():
    """For Popen's preexec_fn: the child is sent SIGTERM when this suite's process dies, so no
    server or X server of a suite that crashed is left running."""
    _LIBC.prctl(PR_SET_PDEATHSIG, signal.SIGTERM)


def check(condition, what):
    print(("ok    " if condition else "FAIL  ") + what, flush=True)
    if not condition:
        FAILURES.append(what)
    return condition


class Server:
    """A TCP server on 127.0.0.1 that records each request line and answers it."""

    def __init__(self, port, reply, address="127.0.0.1", reset=False):
        self.reply = reply  # bytes, or None to stay silent
        self.reset = reset  # after the reply, a reset rather than a close
        self.requests = []
        family = socket.AF_INET6 if ":" in address else socket.AF_INET
        self.sock = socket.socket(family, socket.SOCK_STREAM)
        self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        if family == socket.AF_INET6:
            self.sock.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, 1)
        self.sock.bind((address, port))
        self.sock.listen(5)
        self.held = []
        threading.Thread(target=self.serve, daemon=True).start()

    def stop(self):
        """Stops listening: the port refuses from now on."""
        try:
            self.sock.shutdown(socket.SHUT_RDWR)  # wakes the thread blocked in accept()
        except OSError:
            pass
        self.sock.close()

    def serve(self):
        while True:
            try:
                peer, _ = self.sock.accept()
            except OSError:
                return
            line = b""
            while not line.endswith(b"\n"):
                chunk = peer.recv(1)
                if not chunk:
                    break
                line += chunk
            self.requests.append(line)
            reply = self.reply(line) if callable(self.reply) else self.reply
            if reply is None:
                self.held.append(peer)  # never answers, never closes
                continue
            peer.sendall(reply)
            if self.reset:
                time.sleep(0.3)  # the reply is read before the reset comes
                peer.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            peer.close()


class Desktop:
    def __init__(self):
        for number in range(90, 200):
            if os.path.exists(f"/tmp/.X11-unix/X{number}") or os.path.exists(f"/tmp/.X{number}-lock"):
                continue
            self.display = f":{number}"
            self.xvfb = subprocess.Popen(
                ["Xvfb", self.display, "-noreset", "-nolisten", "tcp", "-screen", "0", "1280x1024x24"],
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, preexec_fn=ends_with_us)
            for _ in range(100):
                if os.path.exists(f"/tmp/.X11-unix/X{number}"):
                    break
                time.sleep(0.05)
            if self.xvfb.poll() is None:
                break
        self.env = dict(os.environ, DISPLAY=self.display, QT_QPA_PLATFORM="xcb")
        # The program's own files stay in the test's folder: HOME is set there by main().
        self.env.pop("QT_QPA_PLATFORMTHEME", None)
        # Leaks of the X libraries at exit are not this program's to report.
        self.env["ASAN_OPTIONS"] = "detect_leaks=0"
        # No session bus: without this, D-Bus would start one for the display and leave it.
        self.env["DBUS_SESSION_BUS_ADDRESS"] = "disabled:"

    def close(self):
        self.xvfb.terminate()
        self.xvfb.wait()

    def xdo(self, *args):
        return subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True,
                              timeout=30).stdout.strip()

    def window(self, title, timeout=10.0):
        """The id of the visible window whose caption is title, waiting for it."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            found = self.xdo("search", "--onlyvisible", "--name", "^" + re.escape(title) + "$")
            if found:
                return found.split()[-1]
            time.sleep(0.1)
        return None

    def gone(self, title, timeout=10.0):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if not self.xdo("search", "--onlyvisible", "--name", "^" + re.escape(title) + "$"):
                return True
            time.sleep(0.1)
        return False

    def caption(self, window):
        return self.xdo("getwindowname", window)

    def keys(self, window, *keys):
        self.xdo("windowfocus", "--sync", window)
        time.sleep(0.2)
        self.xdo("key", "--clearmodifiers", "--delay", "60", *keys)

    def type(self, window, text):
        self.xdo("windowfocus", "--sync", window)
        time.sleep(0.2)
        # A character the keyboard map lacks is typed through a key that xdotool maps for the
        # moment and unmaps after the delay: a busy program that reads the key later gets
        # nothing, so such text goes slower.
        delay = "30" if text.isascii() else "150"
        self.xdo("type", "--delay", delay, text)


def wait_for(predicate, timeout=10.0):
    deadline = time.time() + timeout
    while time.time() < deadline:
        if predicate():
            return True
        time.sleep(0.1)
    return predicate()


def read_ini(path):
    values, section = {}, ""
    with open(path, encoding="utf-8", errors="replace") as ini:
        for line in ini:
            line = line.strip()
            if line.startswith("["):
                section = line.strip("[]")
            elif "=" in line:
                key, value = line.split("=", 1)
                values[(section, key)] = value
    return values


def pdf_text(path):
    result = subprocess.run(["pdftotext", "-layout", path, "-"], capture_output=True, timeout=60)
    return result.stdout.decode("utf-8", "replace")


def finger_and_wait(desk, main_window, address):
    desk.keys(main_window, "alt+n")
    dialog = desk.window("Finger")
    if dialog:
        desk.type(dialog, address)
        desk.keys(dialog, "Return")
    return wait_for(lambda: desk.caption(main_window) == "Vintrel: " + address, 20)


def print_through_dialog(desk, main_window):
    """File > Print, then Enter in the print dialog: the PDF goes to ~/vintrel.pdf."""
    desk.keys(main_window, "alt+f", "p")
    dialog = desk.window("Print")
    if dialog:
        desk.keys(dialog, "Return")
    return dialog is not None


def check_reply_end_caret_and_print(desk, main_window, finger, folder):
    # A line wider than the page holding byte 0x9C (a Windows-1252 "oe"), which shows as a
    # C1 control: printing must continue the line to its very end.
    wide = b"A" * 70 + b"\x9c" + b"B" * 70 + b" END-OF-WIDE-LINE"
    finger.reply = b"first line\r\n" + wide + b"\r\nlast line\r\n"
    check(finger_and_wait(desk, main_window, "wide@localhost"), "a reply with a C1 byte arrives")

    # The caret follows the reply to its end: Find backward from the cursor finds "first".
    desk.keys(main_window, "F5")
    find = desk.window("Find Text")
    check(find is not None, "F5 opens Find Text")
    if find:
        desk.type(find, "first")
        desk.keys(find, "alt+b", "alt+f", "Return")
        check(desk.window("Find text message box", 2) is None,
              "backward from the caret after a reply finds text before it")
        box = desk.window("Find text message box", 0.1)
        if box:
            desk.keys(box, "Return")

    pdf = os.path.join(folder, "vintrel.pdf")
    check(print_through_dialog(desk, main_window), "File > Print opens the print dialog")
    check(wait_for(lambda: os.path.exists(pdf) and "last line" in pdf_text(pdf), 20),
          "the reply is printed to ~/vintrel.pdf")
    printed = re.sub(r"\s+", "", pdf_text(pdf)) if os.path.exists(pdf) else ""
    check("END-OF-WIDE-LINE" in printed, "a line with a C1 control is printed to its end")

    # Cancel in the progress dialog leaves no partial file behind.
    os.remove(pdf)
    finger.reply = b"".join(b"line %06d of a long reply\r\n" % i for i in range(60000))
    check(finger_and_wait(desk, main_window, "long@localhost"), "a long reply arrives")
    check(print_through_dialog(desk, main_window), "Print opens for the long reply")
    progress = desk.window("Vintrel", 20)
    check(progress is not None, "printing shows its progress dialog")
    if progress:
        desk.keys(progress, "Escape")
        check(desk.gone("Vintrel", 20), "Cancel closes the progress dialog")
    check(wait_for(lambda: not os.path.exists(pdf), 10), "a cancelled job leaves no PDF")


# Names the real resolver gives in the suite's own /etc/hosts (bind-mounted in a private mount
# namespace, so the machine's file is never touched): an IPv6-only host, a host whose first
# address refuses and whose second answers, an international name's ASCII form and a host with
# an alias.
TEST_HOSTS = """127.0.0.1 localhost
127.0.0.1 named.test www.named.test
::1 v6host.test
::1 twohost.test
127.0.0.1 twohost.test
127.0.0.1 xn--bcher-kva.test
127.0.0.10 whois.iana.org
127.0.0.11 whois.registry.test
127.0.0.12 whois.registrar.test
127.0.0.13 data.iana.org
127.0.0.13 rdap.registry.test
127.0.0.14 whois.silent.test
"""


def private_hosts_command(binary, folder, certificates=None):
    """The program started with the suite's hosts file (and, given a folder, the suite's
    certificate authorities in place of the system's), or None where that needs root."""
    if os.geteuid() != 0 or not shutil.which("unshare"):
        return None
    hosts = os.path.join(folder, "hosts")
    with open(hosts, "w") as out:
        out.write(TEST_HOSTS)
    probe = subprocess.run(["unshare", "-m", "sh", "-c", f"mount --bind '{hosts}' /etc/hosts"],
                           capture_output=True)
    if probe.returncode != 0:
        return None
    mounts = f"mount --bind '{hosts}' /etc/hosts"
    if certificates:
        mounts += f" && mount --bind '{certificates}' /etc/ssl/certs"
    return ["unshare", "-m", "sh", "-c", mounts + ' && exec "$0"', binary]


class WhoisWorld:
    """The root registry, a thin registry, a registrar, a server that never answers and an RDAP
    server with the bootstrap file, on their own loopback addresses, for the automatic choice."""

    def __init__(self, folder):
        self.root = Server(43, lambda q: b"domain: RDAPONLY\r\nwhois:\r\n" if q == b"rdaponly\r\n"
                           else b"domain: EXAMPLE\r\nrefer: whois.registry.test\r\n", "127.0.0.10")
        self.registry = Server(43, lambda q: b"Domain Name: X\r\nRegistrar WHOIS Server: " +
                               (b"whois.silent.test" if q.startswith(b"slow") else
                                b"whois.registrar.test") + b"\r\n", "127.0.0.11")
        self.registrar = Server(43, b"Registrant Name: Someone\r\n", "127.0.0.12")
        self.silent = Server(43, None, "127.0.0.14")
        run = lambda *a: subprocess.run(["openssl", *a], cwd=folder, capture_output=True)
        with open(os.path.join(folder, "ext.cnf"), "w") as ext:
            ext.write("subjectAltName=DNS:data.iana.org,DNS:rdap.registry.test\n")
        run("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out", "ca.pem",
            "-days", "2", "-subj", "/CN=Vintrel UI Test CA")
        run("req", "-newkey", "rsa:2048", "-nodes", "-keyout", "rdap.key", "-out", "rdap.csr",
            "-subj", "/CN=data.iana.org")
        run("x509", "-req", "-in", "rdap.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
            "-CAcreateserial", "-out", "rdap.pem", "-days", "2", "-extfile", "ext.cnf")
        # A certificate folder of the suite's own, in the layout OpenSSL looks up by hash.
        self.certificates = os.path.join(folder, "certs")
        os.makedirs(self.certificates, exist_ok=True)
        digest = subprocess.run(["openssl", "x509", "-hash", "-noout", "-in", "ca.pem"], cwd=folder,
                                capture_output=True, text=True).stdout.strip()
        shutil.copy(os.path.join(folder, "ca.pem"), os.path.join(self.certificates, digest + ".0"))
        here = os.path.dirname(os.path.abspath(__file__))
        self.rdap = subprocess.Popen(
            [sys.executable, os.path.join(here, "..", "rdap_server.py"), os.path.join(folder, "rdap.pem"),
             os.path.join(folder, "rdap.key"), "127.0.0.13", "443", "https://rdap.registry.test/rdap/"],
            stdout=subprocess.PIPE, preexec_fn=ends_with_us)
        self.rdap.stdout.readline()

    def close(self):
        self.rdap.kill()
        self.rdap.wait()


def start_nsd(folder, listen, zones):
    """nsd in the foreground serving zones ((name, file in folder) pairs) on listen ("IP@port");
    the process and whether it started."""
    config = os.path.join(folder, "nsd.conf")
    log = os.path.join(folder, "nsd.log")
    with open(config, "w") as conf:
        conf.write(f'server:\n  ip-address: {listen}\n  zonesdir: "{folder}"\n'
                   f'  database: ""\n  username: ""\n  chroot: ""\n  server-count: 1\n'
                   f'  pidfile: "{folder}/nsd.pid"\n  xfrdfile: "{folder}/xfrd.state"\n'
                   f'  zonelistfile: "{folder}/zone.list"\n  logfile: "{log}"\n'
                   f'remote-control:\n  control-enable: no\n' +
                   "".join(f'zone:\n  name: "{name}"\n  zonefile: {file}\n'
                           for name, file in zones))
    nsd = subprocess.Popen(["nsd", "-d", "-c", config], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, preexec_fn=ends_with_us)
    return nsd, wait_for(lambda: os.path.exists(log) and "nsd started" in open(log).read(), 15)


class DnsZoneServer:
    """nsd on a free port of 127.0.0.1, serving one unsigned zone, plain.test."""

    def __init__(self, folder):
        probe = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        probe.bind(("127.0.0.1", 0))
        self.port = probe.getsockname()[1]
        probe.close()
        with open(os.path.join(folder, "plain.test.zone"), "w") as zone:
            zone.write("$ORIGIN plain.test.\n$TTL 3600\n@ IN SOA ns hostmaster 1 7200 3600 1209600 3600\n"
                       "@ IN NS ns\nns IN A 127.0.0.1\n@ IN MX 10 mail\nmail IN A 192.0.2.25\n")
        self.nsd, self.running = start_nsd(folder, f"127.0.0.1@{self.port}",
                                           [("plain.test", "plain.test.zone")])

    def close(self):
        self.nsd.terminate()
        self.nsd.wait()


class ChainLabServer:
    """The chain-of-trust lab (tests/chain_lab.py) under nsd on 127.0.2.53 port 53 (as root)."""

    Address = "127.0.2.53"

    def __init__(self, folder):
        self.folder = os.path.join(folder, "chainlab")
        self.nsd = None
        self.running = False
        if os.geteuid() != 0:
            return
        subprocess.run([sys.executable, os.path.join(os.path.dirname(__file__), "..",
                                                     "chain_lab.py"), self.folder, self.Address],
                       check=True, capture_output=True)
        self.anchors = os.path.join(self.folder, "anchors.ds")
        zones = [(name, file) for file, name in
                 (line.split() for line in open(os.path.join(self.folder, "zones")))]
        self.nsd, self.running = start_nsd(self.folder, f"{self.Address}@53", zones)

    def close(self):
        if self.nsd:
            self.nsd.terminate()
            self.nsd.wait()


def check_chain_of_trust(desk, main_window, folder):
    """Alt+R, a name, the lab's server and trust anchor, Chain (Alt+H): the chain's window opens
    and its picture, saved with Ctrl+S, marks the link the lab broke. Whether the dialog was
    used (it then keeps type A)."""
    lab = ChainLabServer(folder)
    try:
        if not check(lab.running, "nsd serves the chain-of-trust lab (needs root)"):
            return False
        desk.keys(main_window, "alt+r")
        dialog = desk.window("DNS records")
        if not check(dialog is not None, "Alt+R opens the DNS records dialog"):
            return False
        desk.keys(dialog, "ctrl+a")
        desk.type(dialog, "www.keyexpired.lab")
        desk.keys(dialog, "Tab", "ctrl+a")
        desk.type(dialog, "A")
        desk.keys(dialog, "Tab", "ctrl+a")
        desk.type(dialog, lab.Address)
        desk.keys(dialog, "Tab", "Tab", "Tab", "ctrl+a")  # past DNSSEC and Compare...
        desk.type(dialog, lab.anchors)
        desk.keys(dialog, "alt+h")
        picture = desk.window("Chain of trust: www.keyexpired.lab A", 20)
        if not check(picture is not None, "Chain (Alt+H) opens the picture of the chain"):
            return True
        check(wait_for(lambda: desk.caption(main_window) == "Vintrel: www.keyexpired.lab A chain"),
              "the caption names the chain after it is found")
        saved = os.path.join(folder, "chain.svg")
        desk.keys(picture, "ctrl+s")
        save = desk.window("Save As")
        if save:
            desk.type(save, saved)
            desk.keys(save, "Return")
        check(wait_for(lambda: os.path.exists(saved)), "Ctrl+S saves the picture")
        svg = open(saved, encoding="utf-8").read() if os.path.exists(saved) else ""
        check('id="dnskey-keyexpired.lab." class="node broken"' in svg,
              "the saved picture marks the DNSKEY set of keyexpired.lab. as the broken link")
        desk.keys(picture, "ctrl+w")
        check(desk.gone("Chain of trust: www.keyexpired.lab A"), "Ctrl+W closes it")
        check_mail(desk, main_window, folder)
        return True
    finally:
        lab.close()


def saved_text(desk, main_window, path, what):
    """The window's text, saved through File > Save As into path ("" when it was not)."""
    desk.keys(main_window, "alt+f", "a")
    save = desk.window("Save As")
    if save:
        desk.type(save, path)
        desk.keys(save, "Return")
    check(wait_for(lambda: os.path.exists(path)), "Save As keeps " + what)
    return open(path, encoding="utf-8").read() if os.path.exists(path) else ""


def check_mail(desk, main_window, folder):
    """Command > Mail... (Alt+M, M), a domain of the chain-of-trust lab typed, Enter: the check
    asks through the server DNS records used last (the lab's), and its report, saved through
    File > Save As, opens with the three summary lines; good.lab. publishes nothing for mail."""
    desk.keys(main_window, "alt+m", "m")
    dialog = desk.window("Mail")
    if not check(dialog is not None, "Command > Mail... opens the Mail dialog"):
        return
    desk.type(dialog, "good.lab")
    desk.keys(dialog, "Return")
    check(wait_for(lambda: desk.caption(main_window) == "Vintrel: good.lab mail", 30),
          "the caption names the domain after its mail is checked")
    text = saved_text(desk, main_window, os.path.join(folder, "mail.txt"), "the mail report")
    check("; Mail for good.lab, checked through 127.0.2.53 port 53\n" in text and
          "Receives mail:" in text and "SPF: NOT PUBLISHED\n" in text,
          "the report names the server the lab's DNS records used, and its summary and checks")


def check_dns_records(desk, main_window, folder):
    """Alt+R, a name, a type, a typed server, DNSSEC unticked: the records fill the window."""
    zone = DnsZoneServer(folder)
    try:
        if not check(zone.running, "nsd serves the test zone"):
            return
        desk.keys(main_window, "alt+r")
        dialog = desk.window("DNS records")
        if not check(dialog is not None, "Alt+R opens the DNS records dialog"):
            return
        desk.type(dialog, "plain.test")
        desk.keys(dialog, "Tab", "ctrl+a")
        desk.type(dialog, "MX")
        desk.keys(dialog, "Tab", "ctrl+a")
        desk.type(dialog, f"127.0.0.1@{zone.port}")
        desk.keys(dialog, "Tab", "space", "Return")  # unticks Check DNSSEC
        check(wait_for(lambda: desk.caption(main_window) == "Vintrel: plain.test MX", 20),
              "the caption names the name and the type after the answer")
        text = saved_text(desk, main_window, os.path.join(folder, "records.txt"), "the records")
        check("plain.test.\t3600\tIN\tMX\t10 mail.plain.test.\n" in text and
              "; DNSSEC: not checked\n" in text, "the MX record and the DNSSEC line are shown")
    finally:
        zone.close()


def dns_lookup(desk, main_window, host):
    """Alt+D, the host, Enter; the DNS info window that opened (answered with OK), or None."""
    desk.keys(main_window, "alt+d")
    dialog = desk.window("DNS lookup dialog")
    check(dialog is not None, "Alt+D opens the DNS dialog")
    if dialog:
        desk.type(dialog, host)
        desk.keys(dialog, "Return")
    info = desk.window("DNS info")
    if info:
        desk.keys(info, "Return")
    return info


def cancel_and_reopen(desk, main_window, command_key, title):
    """Cancel call, then whether the query dialog opens again (and closes it)."""
    desk.keys(main_window, "alt+c")
    time.sleep(0.5)
    desk.keys(main_window, command_key)
    dialog = desk.window(title, 5)
    if dialog:
        desk.keys(dialog, "Escape")
        desk.gone(title)
    return dialog is not None


def whois_automatic(desk, main_window, query):
    desk.keys(main_window, "alt+w")
    dialog = desk.window("WhoIs query")
    if dialog:
        desk.type(dialog, query)
        desk.keys(dialog, "Tab", "Tab", "space", "Return")  # ticks Automatic server
    return dialog is not None


def check_whois_finds_its_answer(desk, main_window, world):
    check(whois_automatic(desk, main_window, "abc.example"), "the WhoIs dialog opens")
    check(wait_for(lambda: desk.caption(main_window) == "Vintrel: whois.registrar.test", 20),
          "an automatic query goes root, registry, registrar (the caption names the last)")
    check(world.root.requests[-1:] == [b"example\r\n"] and
          world.registry.requests[-1:] == [b"abc.example\r\n"] and
          world.registrar.requests[-1:] == [b"abc.example\r\n"],
          "each server receives its query")
    check(whois_automatic(desk, main_window, "x.rdaponly"), "the WhoIs dialog opens again")
    check(wait_for(lambda: desk.caption(main_window) == "Vintrel: rdap.registry.test", 30),
          "a name whose registry has no WhoIs is answered from RDAP")
    check(whois_automatic(desk, main_window, "slow.example"), "a chain to a silent server starts")
    check(wait_for(lambda: len(world.silent.requests) == 1, 20), "the chain reaches the silent server")
    check(cancel_and_reopen(desk, main_window, "alt+w", "WhoIs query"),
          "Cancel call stops the chain: a new query can start")


def check_todays_network(desk, main_window, finger, finger_v6):
    check(finger_and_wait(desk, main_window, "x@v6host.test"),
          "a host with only an IPv6 address answers")
    check(finger_v6.requests and finger_v6.requests[-1].endswith(b"x\r\n"),
          "the IPv6 finger server receives the request")
    finger_v6.stop()  # from now on [::1]:79 refuses, and twohost.test's first address is ::1
    asked = len(finger.requests)
    check(finger_and_wait(desk, main_window, "y@twohost.test"),
          "a host whose first address refuses answers from its second")
    check(len(finger.requests) == asked + 1 and finger.requests[-1].endswith(b"y\r\n"),
          f"the second address's server receives the request ({finger.requests[asked:]})")
    check(finger_and_wait(desk, main_window, "alice@b\u00fccher.test"),
          "an international name resolves through its ASCII form")
    check(finger.requests[-1].endswith(b"alice\r\n"), "its request reaches the server")
    check(dns_lookup(desk, main_window, "twohost.test") is not None,
          "DNS info shows a host of two addresses")
    desk.gone("DNS info")


def main():
    program = os.path.abspath(sys.argv[1])
    folder = tempfile.mkdtemp(prefix="vintrel-ui-")
    shutil.copy(program, folder)
    binary = os.path.join(folder, os.path.basename(program))
    desk = Desktop()
    desk.env.update(HOME=folder, XDG_CONFIG_HOME=os.path.join(folder, ".config"),
                    XDG_CACHE_HOME=os.path.join(folder, ".cache"))
    try:
        finger = Server(79, b"Login: someone\r\nName: Some One\r\n")
        whois = Server(43, b"Domain Name: EXAMPLE.COM\r\n")
        servers = True
    except OSError as error:
        # A case that cannot set up fails: a pass would say what was never checked.
        check(False, f"the finger and WhoIs cases can listen on ports 79 and 43 ({error})")
        servers = False

    world = None
    if servers and check(os.geteuid() == 0, "the WhoIs server choice cases run as root"):
        try:
            world = WhoisWorld(folder)
        except OSError as error:
            check(False, f"the WhoIs server choice cases can listen on their addresses ({error})")
    command = private_hosts_command(binary, folder, world.certificates if world else None) \
        if servers else None
    if world and not command:
        world.close()
        world = None
    finger_v6 = None
    if command:
        try:
            finger_v6 = Server(79, b"Login: v6\r\n", "::1")
        except OSError as error:
            check(False, f"the IPv6 cases can listen on [::1]:79 ({error})")
            command = None
    check(command is not None,
          "today's network cases can give the program its own hosts file (they need root)")
    app = subprocess.Popen(command or [binary], cwd=folder, env=desk.env, preexec_fn=ends_with_us)
    chained = False
    try:
        main_window = desk.window("Vintrel", 20)
        check(main_window is not None, "the main window opens in an empty folder")
        if main_window is None:
            return
        check(not os.path.exists(os.path.join(folder, "vintrel.ini")), "no settings file before exit")

        if servers:
            desk.keys(main_window, "alt+n")
            dialog = desk.window("Finger")
            check(dialog is not None, "Alt+N opens the Finger dialog")
            desk.type(dialog, "someone@localhost")
            desk.keys(dialog, "Return")
            check(wait_for(lambda: finger.requests == [b"/W someone\r\n"]),
                  "the finger server receives the full-information request")
            check(wait_for(lambda: desk.caption(main_window) == "Vintrel: someone@localhost"),
                  "the caption names the query after the reply")

            reply = os.path.join(folder, "reply.txt")
            desk.keys(main_window, "alt+f", "a")
            save = desk.window("Save As")
            check(save is not None, "File > Save As opens its dialog")
            if save:
                desk.type(save, reply)
                desk.keys(save, "Return")
            check(wait_for(lambda: os.path.exists(reply)), "Save As writes the file")
            if os.path.exists(reply):
                with open(reply, "rb") as saved:
                    check(saved.read() == b"Login: someone\nName: Some One\n\n",
                          "the window holds the reply, line by line")

            desk.keys(main_window, "alt+w")
            dialog = desk.window("WhoIs query")
            check(dialog is not None, "Alt+W opens the WhoIs dialog")
            desk.type(dialog, "example.com")
            desk.keys(dialog, "Tab")
            desk.type(dialog, "localhost")
            desk.keys(dialog, "Return")
            check(wait_for(lambda: whois.requests == [b"example.com\r\n"]),
                  "the WhoIs server receives the query")
            check(wait_for(lambda: desk.caption(main_window) == "Vintrel: localhost"),
                  "the caption names the WhoIs server after the reply")

        if servers:
            check_reply_end_caret_and_print(desk, main_window, finger, folder)
        if command:
            check_todays_network(desk, main_window, finger, finger_v6)
        if world:
            check_whois_finds_its_answer(desk, main_window, world)

        check_dns_records(desk, main_window, folder)
        chained = check_chain_of_trust(desk, main_window, folder)

        info = dns_lookup(desk, main_window, "localhost")
        check(info is not None, "the DNS look-up of localhost shows DNS info")
        if info:
            check(desk.gone("DNS info"), "OK closes DNS info")

        if servers:
            finger.reply = None  # from now on the server never answers
            asked = len(finger.requests)
            desk.keys(main_window, "alt+n")
            dialog = desk.window("Finger")
            desk.type(dialog, "quiet@localhost")
            desk.keys(dialog, "Return")
            check(wait_for(lambda: len(finger.requests) == asked + 1),
                  "a call to a silent server runs")
            check(cancel_and_reopen(desk, main_window, "alt+n", "Finger"),
                  "after Cancel call a new query can start")

            desk.keys(main_window, "alt+n")
            dialog = desk.window("Finger")
            desk.type(dialog, "quiet@localhost")
            desk.keys(dialog, "Return")
            check(wait_for(lambda: len(finger.requests) == asked + 2), "another silent call runs")
            desk.keys(main_window, "alt+x")
            guard = desk.window("Warning: socket in use")
            check(guard is not None, "closing during a call asks first")
            if guard:
                desk.keys(guard, "Escape")
                time.sleep(0.5)
                check(app.poll() is None, "Cancel keeps the program and its call")

        desk.keys(main_window, "alt+x")
        guard = desk.window("Warning: socket in use", 3) if servers else None
        if guard:
            desk.keys(guard, "Return")
        check(wait_for(lambda: app.poll() is not None, 15), "Alt+X ends the program")

        ini = os.path.join(folder, "vintrel.ini")
        check(os.path.exists(ini), "the exit writes vintrel.ini")
        if os.path.exists(ini):
            values = read_ini(ini)
            expected = {("Window Size", "x"): "40", ("Window Size", "y"): "60",
                        ("Window Size", "w"): "560", ("Window Size", "h"): "360",
                        ("Window Size", "Reopen"): "0", ("Options", "keep_history"): "1",
                        ("Font", "facename"): "Fixedsys", ("Font", "height"): "-12"}
            if servers and command:
                expected.update({("History", "count"): "7",
                                 ("History", "Address1"): "alice@b\u00fccher.test",
                                 ("History", "Address2"): "long@localhost",
                                 ("History", "Address7"): "y@twohost.test"})
            if servers and not command:
                expected.update({("History", "count"): "4",
                                 ("History", "Address1"): "long@localhost",
                                 ("History", "Address2"): "quiet@localhost",
                                 ("History", "Address3"): "someone@localhost",
                                 ("History", "Address4"): "wide@localhost"})
            if servers:
                expected[("WhoIs", "Server1")] = "localhost"
            expected[("DNS Records", "type")] = "A" if chained else "MX"
            expected[("DNS Records", "dnssec")] = "0"
            for key, value in expected.items():
                check(values.get(key) == value, f"vintrel.ini {key[0]}/{key[1]} = {value} "
                                                f"(is {values.get(key)})")
    finally:
        if world:
            world.close()
        if app.poll() is None:
            app.kill()
        desk.close()
        shutil.rmtree(folder, ignore_errors=True)

    passed = "failed" if FAILURES else "passed"
    print(f"ui suite {passed}: {len(FAILURES)} failure(s)")


if __name__ == "__main__":
    main()
    sys.exit(1 if FAILURES else 0)

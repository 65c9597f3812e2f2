#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The program as a script runs it: --stdout and --json, with no display.

Starts a finger server on 127.0.0.1:79 that sends terminal escape sequences, a WhoIs server
on 127.0.0.1:43 and nsd with a small zone, runs the real program with each form of query and
checks what a script sees: the exit status, the bytes on standard output (never a control
character a terminal would act on), the stages on standard error, one JSON document, and no
settings file written. Needs root for the ports; fails, saying so, without it.

    terminal.py PATH-TO-VINTREL
"""

import base64
import json
import os
import shutil
import stat
import subprocess
import sys
import tempfile

from run import FAILURES, DnsZoneServer, Server, check

# What a hostile finger server sends: a title change, a screen clear, a C1 CSI, a bidi override.
# Then invisible characters: a soft hyphen and a language tag.
HOSTILE = (b"Login: alice\r\n\x1b]0;pwned\x07title \x1b[2J clear \xc2\x9b31m c1 "
           b"\xe2\x80\xae rtl\r\nso\xc2\xadft \xf3\xa0\x80\x81tag\r\nbye\r\n")
# Bytes a terminal acts on or that hide: ESC, BEL, the C1 controls in UTF-8, the bidi
# overrides, the soft hyphen, the tag characters.
ACTIVE = [b"\x1b", b"\x07", b"\xc2\x9b", b"\xe2\x80\xae", b"\xc2\xad", b"\xf3\xa0"]


def run(binary, folder, *arguments, stdout=subprocess.PIPE, extra=None):
    env = {key: value for key, value in os.environ.items()
           if key not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    env.update(HOME=folder, XDG_CONFIG_HOME=os.path.join(folder, ".config"),
               XDG_CACHE_HOME=os.path.join(folder, ".cache"), **(extra or {}))
    done = subprocess.run([binary, *arguments], cwd=folder, env=env, stdout=stdout,
                          stderr=subprocess.PIPE, timeout=60)
    return done.returncode, done.stdout, done.stderr.decode(errors="replace")


def run_measured(binary, folder, *arguments):
    """Runs the program with its output in files; also returns its peak resident memory.

    Freed memory is not held back for checking (ASan's quarantine), so the peak is the
    program's own."""
    env = {key: value for key, value in os.environ.items()
           if key not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    env.update(HOME=folder, XDG_CONFIG_HOME=os.path.join(folder, ".config"),
               XDG_CACHE_HOME=os.path.join(folder, ".cache"),
               ASAN_OPTIONS=env.get("ASAN_OPTIONS", "") + ":quarantine_size_mb=0")
    out_path, err_path = os.path.join(folder, "out"), os.path.join(folder, "err")
    with open(out_path, "wb") as out, open(err_path, "wb") as err:
        pid = os.posix_spawn(binary, [binary, *arguments], env, file_actions=[
            (os.POSIX_SPAWN_DUP2, out.fileno(), 1), (os.POSIX_SPAWN_DUP2, err.fileno(), 2)])
        _, status, usage = os.wait4(pid, 0)
    with open(out_path, "rb") as out, open(err_path, "rb") as err:
        return (os.waitstatus_to_exitcode(status), out.read(),
                err.read().decode(errors="replace"), usage.ru_maxrss * 1024)


def finger_reply(request):
    """The hostile answer, or one in Latin-1 with CR LF, or one in UTF-8 after a byte-order mark."""
    if request.startswith(b"/W latin"):
        return LATIN
    if request.startswith(b"/W bom"):
        return BOM
    return HOSTILE


LATIN = b"caf\xe9\r\nbare\rend\r\n"
BOM = b"\xef\xbb\xbfcaf\xc3\xa9\r\n"
# An answer longer than the window holds (70 MiB), in lines that no conversion changes.
BIG = (b"y" * 1023 + b"\n") * (70 * 1024)
MIB = 1024 * 1024


def whois_reply(request):
    """A registry's answer; one name refers to a server that cannot be found."""
    if request.startswith(b"refer.example"):
        return b"Domain Name: REFER.EXAMPLE\r\nRegistrar WHOIS Server: whois.nowhere.invalid\r\n"
    return b"Domain Name: EXAMPLE.COM\r\nRegistrar: Example\r\n"


def main():
    program = os.path.abspath(sys.argv[1])
    folder = tempfile.mkdtemp(prefix="vintrel-terminal-")
    shutil.copy(program, folder)
    binary = os.path.join(folder, os.path.basename(program))
    try:
        finger = Server(79, finger_reply)
        big = Server(79, BIG, address="127.0.0.7")
        whois = Server(43, whois_reply)
        broken = Server(79, b"x" * 80 + b"\r\n", address="127.0.0.5", reset=True)
    except OSError as error:
        check(False, f"the servers can listen on ports 79 and 43 ({error}; it needs root)")
        return
    zone = DnsZoneServer(folder)
    check(zone.running, "nsd serves the test zone")
    dns = f"127.0.0.1@{zone.port}"
    # The lab's own anchor stands in for the root's, so its unsigned zone reads insecure.
    anchor = os.path.join(folder, "lab.ds")
    with open(anchor, "w") as ds:
        ds.write("elsewhere.test. IN DS 12345 13 2 "
                 "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef\n")
    lab = ["--resolver", dns, "--trust-anchor", anchor]
    try:
        # (what, arguments, exit status, on standard output, on standard error)
        cases = [
            ("finger", ["--stdout", "alice@127.0.0.1"], 0, [b"Login: alice\n", b"<1B>]0;pwned<07>",
             b"<9B>31m", b"<202E> rtl", b"so<AD>ft <E0001>tag"], "Connection closed"),
            ("a refused finger", ["--stdout", "alice@127.0.0.2"], 1, [], "Connection refused"),
            ("data, then a reset", ["--stdout", "alice@127.0.0.5"], 3, [b"x" * 80 + b"\n"],
             "Connection reset"),
            ("a registry's answer, then a referral that fails",
             ["--stdout", "--whois", "refer.example", "--server", "127.0.0.1"], 3,
             [b"Domain Name: REFER.EXAMPLE\n", b"--- whois.nowhere.invalid could not be asked"],
             ""),
            ("a host not found", ["--stdout", "alice@nowhere.invalid"], 1, [], ""),
            ("WhoIs to a server typed", ["--stdout", "--whois", "example.com", "--server",
                                         "127.0.0.1"], 0, [b"Domain Name: EXAMPLE.COM\n"],
             "Connection closed"),
            ("DNS records", ["--stdout", "--records", "plain.test", "--type", "MX", *lab], 0,
             [b"\tMX\t10 mail.plain.test.\n"], "1 record, DNSSEC insecure"),
            ("an NXDOMAIN is an answer", ["--stdout", "--records", "nx.plain.test", "--type", "A",
                                          *lab], 0, [b"NXDOMAIN"], "No such name"),
            ("a line feed typed into a name", ["--stdout", "--records", "a\nb.plain.test",
                                               "--type", "A", *lab], 0,
             [b"; Question: a\\010b.plain.test A\n"], "about a\\010b.plain.test\n"),
            ("a refusal is none", ["--stdout", "--records", "other.example", "--type", "A", *lab],
             1, [], "REFUSED"),
            ("a bogus verdict is none", ["--stdout", "--records", "plain.test", "--type", "MX",
                                         "--resolver", dns], 1, [b"; DNSSEC: bogus"],
             "DNSSEC bogus"),
            ("the DNS look-up", ["--stdout", "--dns", "localhost"], 0, [b"Address: 127.0.0.1\n"],
             ""),
            ("--stdout without a query", ["--stdout"], 2, [], "--stdout goes with a query"),
            ("an unknown option", ["--json", "--bogus", "x"], 2, [], "Unknown option"),
            ("Qt's own options are taken", ["-platform", "offscreen", "--style=fusion",
                                            "-reverse", "--stdout", "--dns", "localhost"], 0,
             [b"Address: 127.0.0.1\n"], ""),
        ]
        for what, arguments, status, shown, said in cases:
            code, out, err = run(binary, folder, *arguments)
            check(code == status, f"{what}: exit status {code}, {status} wanted ({err.strip()})")
            for part in shown:
                check(part in out, f"{what}: {part!r} on standard output")
            check(not any(byte in out for byte in ACTIVE),
                  f"{what}: no control sequence reaches standard output")
            check(said in err, f"{what}: {said!r} on standard error")
        check(finger.requests[:1] == [b"/W alice\r\n"], "the finger request is the window's")

        # One JSON document, for jq or any JSON reader.
        code, out, _ = run(binary, folder, "--json", "alice@127.0.0.1")
        document = json.loads(out)
        exchange = document["exchanges"][0]
        check(code == 0 and document["outcome"] == {"answered": True,
                                                     "status": "Connection closed"},
              "--json finger: the outcome")
        check(exchange["request"] == "/W alice\r\n" and exchange["port"] == 79 and
              exchange["received"].startswith("Login: alice\r\n\x1b]0;pwned"),
              "--json finger: the exchange as sent and received")
        check(not any(byte in out for byte in ACTIVE), "--json: control characters escaped")
        code, out, _ = run(binary, folder, "--json", "--records", "plain.test", "--type", "MX",
                           *lab)
        document = json.loads(out)
        message = document["dns"]["messages"][0]
        check(code == 0 and message["RCODE"] == 0 and message["QNAME"] == "plain.test." and
              message["answerRRs"][0]["rdataMX"] == "10 mail.plain.test." and
              message["answerRRs"][0]["TYPEname"] == "MX" and
              message["validation"]["verdict"] == "insecure",
              "--json records: the message in RFC 8427's names, with its verdict")
        # Each answer record as kdig writes it (names written out whole in RDATAHEX), and
        # every section as long as its count, the OPT record included.
        same = True
        for name, qtype in (("plain.test", "MX"), ("plain.test", "NS"), ("plain.test", "SOA"),
                            ("mail.plain.test", "A")):
            _, out, _ = run(binary, folder, "--json", "--records", name, "--type", qtype, *lab)
            ours = json.loads(out)["dns"]["messages"][0]
            kdig = subprocess.run(["kdig", "+json", "+dnssec", "-p", str(zone.port), "@127.0.0.1", name, qtype],
                                  capture_output=True, text=True)
            theirs = json.loads(kdig.stdout)
            same = (same and ours["answerRRs"] == theirs["answerRRs"] and
                    all(ours[count] == len(ours[section]) for count, section in
                        (("ANCOUNT", "answerRRs"), ("NSCOUNT", "authorityRRs"),
                         ("ARCOUNT", "additionalRRs"))) and
                    ours["additionalRRs"][-1] == theirs["additionalRRs"][-1])  # the OPT
        check(same, "--json records: records and counts as kdig +json gives them")

        # The bytes received, exactly: as text when UTF-8, else in base64 beside the text.
        code, out, _ = run(binary, folder, "--json", "latin@127.0.0.1")
        exchange = json.loads(out)["exchanges"][0]
        check(base64.b64decode(exchange.get("receivedBase64", "")) == LATIN and
              exchange["bytes"] == len(LATIN), "--json: Latin-1 with CR LF comes back exactly")
        code, out, _ = run(binary, folder, "--json", "bom@127.0.0.1")
        exchange = json.loads(out)["exchanges"][0]
        check(exchange["received"].encode() == BOM and "receivedBase64" not in exchange,
              "--json: UTF-8 with a byte-order mark and CR LF comes back exactly")

        # A finger or WhoIs run loads no DNS or TLS library; a records run loads the DNS
        # libraries by their own names, trying no other file (the loader says what it opens).
        loads = {"LD_DEBUG": "files"}
        for arguments in (["alice@127.0.0.1"], ["--whois", "example.com", "--server", "127.0.0.1"]):
            code, _, err = run(binary, folder, "--stdout", *arguments, extra=loads)
            check(code == 0 and not any(f"file={name}" in err
                                        for name in ("libunbound", "libldns", "libssl")),
                  f"{arguments[0]}: no DNS or TLS library loaded")
        code, _, err = run(binary, folder, "--stdout", "--records", "plain.test", *lab,
                           extra=loads)
        check(code == 0 and "file=libunbound.so" in err and ".so.8.so" not in err,
              "--records: libunbound loaded by its name alone")

        # vintrel-query answers as --stdout does, with no window library mapped.
        query = os.path.join(folder, "vintrel-query")
        shutil.copy(os.path.join(os.path.dirname(program), "vintrel-query"), query)
        code, out, err = run(query, folder, "alice@127.0.0.1", extra=loads)
        check(code == 0 and b"Login: alice\n" in out and "Connection closed" in err and
              not any(f"file={name}" in err for name in ("libQt6Gui", "libQt6Widgets")),
              "vintrel-query: the answer, without a window library")

        # A query whose bytes are not UTF-8 goes out as those bytes, as whois sends it.
        code, out, _ = run(binary, folder, "--json", "--whois", b"M\xfcller", "--server",
                           "127.0.0.1")
        document = json.loads(out)
        check(whois.requests[-1:] == [b"M\xfcller\r\n"] and
              base64.b64decode(document["query"]["textBase64"]) == b"M\xfcller" and
              base64.b64decode(document["exchanges"][0]["requestBase64"]) == b"M\xfcller\r\n",
              "--json: a query of bytes that are not UTF-8 is sent and shown as they are")

        # A long answer: all of it on standard output, in memory that does not grow with it;
        # the JSON keeps a prefix (64 MiB), says so, and needs a small multiple of it.
        code, out, err, streamed = run_measured(binary, folder, "--stdout", "long@127.0.0.7")
        check(code == 0 and out == BIG, f"--stdout: all {len(BIG)} bytes, {len(out)} came")
        check(streamed < len(BIG) + 64 * MIB, f"--stdout: {streamed // MIB} MiB at its peak")
        code, out, err, peak = run_measured(binary, folder, "--json", "long@127.0.0.7")
        exchange = json.loads(out)["exchanges"][0]
        check(code == 0 and exchange.get("truncated") is True and exchange["bytes"] == len(BIG)
              and len(exchange["received"]) == 64 * MIB and "truncated" in err,
              "--json: a long answer is truncated, and says so")
        check(peak < streamed + 4 * 64 * MIB,
              f"--json: {peak // MIB} MiB at its peak, {streamed // MIB} MiB without the JSON")

        code, out, _ = run(binary, folder, "--json", "alice@127.0.0.5")
        check(code == 3 and json.loads(out)["outcome"]["partial"] is True,
              "--json: data then a reset is a partial answer")

        # Standard output that takes nothing: a full disk says so; a reader gone is quiet.
        full = os.path.join(folder, "full")
        os.mknod(full, 0o600 | stat.S_IFCHR, os.makedev(1, 7))
        for arguments in (["--stdout", "alice@127.0.0.1"], ["--json", "alice@127.0.0.1"]):
            with open(full, "wb") as output:
                code, _, err = run(binary, folder, *arguments, stdout=output)
            check(code == 5 and "vintrel: standard output: No space left on device" in err,
                  f"{arguments[0]} into a full disk: exit status {code}, 5 wanted ({err.strip()})")
        reader, writer = os.pipe()
        os.close(reader)
        code, _, err = run(binary, folder, "--stdout", "alice@127.0.0.1", stdout=writer)
        os.close(writer)
        check(code == 141 and "vintrel:" not in err,
              f"a reader gone: exit status {code}, 141 wanted, quietly ({err.strip()})")

        check(not os.path.exists(os.path.join(folder, "vintrel.ini")),
              "a terminal run writes no settings file")
    finally:
        zone.close()
        finger.stop()
        whois.stop()
        broken.stop()
        big.stop()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
    passed = "failed" if FAILURES else "passed"
    print(f"terminal suite {passed}: {len(FAILURES)} failure(s)")
    sys.exit(1 if FAILURES else 0)

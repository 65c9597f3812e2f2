#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""A lab of signed zones for the chain-of-trust tests, made in a folder with ldns-keygen and
ldns-signzone: a root of its own, a TLD signed with NSEC3 ("lab."), an unsigned TLD ("plain.")
and below lab. one zone for each way a chain breaks. Every zone's name server is ns.root.,
at the address given, so one nsd serving every zone answers for all of them.

    chain_lab.py FOLDER ADDRESS

writes FOLDER/<zone>.zone for each zone, FOLDER/anchors.ds (the root's DS record, as
--trust-anchor takes it), FOLDER/anchors.key (the root's key itself, as the system's root
anchor file holds it), FOLDER/anchors.conf (the same for delv) and FOLDER/zones (one
"zone file" line per zone, for the name server's configuration). Each zone below lab. has
www.<zone> A 192.0.2.1; the case it stands for:

    good          signed, its DS in lab.                       secure
                  (and below it deep.good.lab., signed, with its DS: a chain of four zones)
    nods          signed, no DS in lab. (NSEC3 proves it)      insecure
    mismatch      its DS's digest is wrong                     bogus at the digest
    keyexpired    every signature expired in 2020              bogus at the DNSKEY set
    answerexpired the A record's signature expired             bogus at the answer
    answerfuture  the A record's signature valid from 2040     bogus at the answer
    zsk           the DNSKEY set signed by the ZSK alone       bogus at the DNSKEY set
    revoked       its KSK revoked after the DS was made        bogus at the digest
    unsupported   its only DS has algorithm 200                insecure
    rollover      two KSKs, two DS records, one of a key gone  secure
    badsig        the A record's signature altered             bogus at the answer
"""
import base64
import os
import subprocess
import sys

FOLDER, ADDRESS = sys.argv[1], sys.argv[2]
CASES = ["good", "nods", "mismatch", "keyexpired", "answerexpired", "answerfuture", "zsk",
         "revoked", "unsupported", "rollover", "badsig"]
PAST = ["-i", "20191201000000", "-e", "20200101000000"]
FUTURE = ["-i", "20400101000000", "-e", "20400201000000"]


def run(*arguments):
    return subprocess.run(arguments, cwd=FOLDER, check=True, capture_output=True,
                          text=True).stdout.strip()


def key(zone, ksk):
    base = run("ldns-keygen", "-a", "ECDSAP256SHA256", *(["-k"] if ksk else []), zone)
    return base


def read(name):
    with open(os.path.join(FOLDER, name)) as f:
        return f.read()


def write(name, text):
    with open(os.path.join(FOLDER, name), "w") as f:
        f.write(text)


def zone_text(zone, body=""):
    return (f"$ORIGIN {zone}\n$TTL 3600\n@ IN SOA ns.root. hostmaster.root. 1 7200 3600 "
            f"1209600 3600\n@ IN NS ns.root.\n{body}")


def sign(zone, keys, extra=(), text=None, nsec3=False):
    """Signs zone's file with keys (base names); the signed text."""
    write(f"{zone}unsigned", text if text is not None else read(f"{zone}unsigned"))
    run("ldns-signzone", *(["-n"] if nsec3 else []), *extra, "-f", f"{zone}zone",
        "-o", zone, f"{zone}unsigned", *keys)
    return read(f"{zone}zone")


def ds_of(base):
    return read(base + ".ds").strip()


def signatures_swapped(signed, other, owner, covered):
    """signed, with the RRSIGs over covered at owner taken from other (signed otherwise)."""
    def is_target(line):
        fields = line.split()
        return len(fields) > 4 and fields[0] == owner and fields[3] == "RRSIG" and \
            fields[4] == covered
    kept = [line for line in signed.splitlines() if not is_target(line)]
    taken = [line for line in other.splitlines() if is_target(line)]
    return "\n".join(kept + taken) + "\n"


def signature_altered(signed, owner, covered):
    """signed, with one byte of the RRSIG over covered at owner flipped."""
    lines = []
    for line in signed.splitlines():
        fields = line.split()
        if len(fields) > 4 and fields[0] == owner and fields[3] == "RRSIG" and \
                fields[4] == covered:
            signature = bytearray(base64.b64decode(fields[-1]))
            signature[10] ^= 0x5A
            line = line[:line.rindex(fields[-1])] + base64.b64encode(signature).decode()
        lines.append(line)
    return "\n".join(lines) + "\n"


def main():
    os.makedirs(FOLDER, exist_ok=True)
    delegations = []
    zones = []
    deep = "deep.good.lab."
    deep_ksk, deep_zsk = key(deep, True), key(deep, False)
    sign(deep, [deep_ksk, deep_zsk], (), zone_text(deep, "www IN A 192.0.2.4\n"))
    zones.append(deep)
    for case in CASES:
        zone = f"{case}.lab."
        below = f"deep IN NS ns.root.\n{ds_of(deep_ksk)}\n" if case == "good" else ""
        text = zone_text(zone, "www IN A 192.0.2.1\n" + below)
        ksk, zsk = key(zone, True), key(zone, False)
        ds = [ds_of(ksk)]
        if case == "keyexpired":
            sign(zone, [ksk, zsk], PAST, text)
        elif case in ("answerexpired", "answerfuture"):
            other = sign(zone, [ksk, zsk], PAST if case == "answerexpired" else FUTURE, text)
            good = sign(zone, [ksk, zsk], (), text)
            write(f"{zone}zone", signatures_swapped(good, other, f"www.{zone}", "A"))
        elif case == "zsk":
            # The KSK is published, but only the ZSK signs, the DNSKEY set too.
            published = read(ksk + ".key").split(";")[0].strip()
            sign(zone, [zsk], (), text + published + "\n")
        elif case == "revoked":
            # The DS was made for the key; then the key was revoked (its REVOKE bit set).
            lines = read(ksk + ".key").replace("DNSKEY\t257 ", "DNSKEY\t385 ")
            write(ksk + ".key", lines)
            sign(zone, [ksk, zsk], (), text)
        elif case == "rollover":
            new = key(zone, True)
            gone = key(zone, True)  # a key already withdrawn whose DS is still published
            ds = [ds_of(ksk), ds_of(new), ds_of(gone)]
            sign(zone, [ksk, new, zsk], (), text)
        elif case == "badsig":
            write(f"{zone}zone", signature_altered(sign(zone, [ksk, zsk], (), text),
                                                   f"www.{zone}", "A"))
        else:
            sign(zone, [ksk, zsk], (), text)
        if case == "mismatch":
            fields = ds[0].split()
            digest = fields[-1]
            fields[-1] = digest[:-1] + ("0" if digest[-1] != "0" else "1")
            ds = ["\t".join(fields)]
        if case == "unsupported":
            ds = [f"{zone}\tIN\tDS\t12345 200 2 " + "ab" * 32]
        if case == "nods":
            ds = []
        delegations.append(f"{case} IN NS ns.root.\n" + "".join(d + "\n" for d in ds))
        zones.append(zone)

    lab_ksk, lab_zsk = key("lab.", True), key("lab.", False)
    sign("lab.", [lab_ksk, lab_zsk], (), zone_text("lab.", "".join(delegations)), nsec3=True)
    zones.append("lab.")
    write("plain.zone", zone_text("plain.", "www IN A 192.0.2.2\n"))
    zones.append("plain.")

    root_ksk, root_zsk = key(".", True), key(".", False)
    root = zone_text(".", f"ns.root. IN A {ADDRESS}\nlab. IN NS ns.root.\n{ds_of(lab_ksk)}\n"
                          "plain. IN NS ns.root.\n")
    write(".unsigned", root)
    run("ldns-signzone", "-f", "root.zone", "-o", ".", ".unsigned", root_ksk, root_zsk)
    root_ds = ds_of(root_ksk)
    write("anchors.ds", root_ds + "\n")
    write("anchors.key", read(root_ksk + ".key"))  # the same anchor as a key
    fields = root_ds.split()
    write("anchors.conf", "trust-anchors {\n  \".\" static-ds %s %s %s \"%s\";\n};\n"
          % (fields[3], fields[4], fields[5], fields[6]))
    lines = ["root.zone ."] + [f"{z}zone {z}" for z in zones]
    write("zones", "\n".join(lines) + "\n")


main()

#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Reads DNS records back from their text with dnspython, a reader that follows RFC 9460.

Input lines: the record's rdata as hex, a tab, its line of zone-file text. Prints each type read
back, and each record whose text does not give its wire data back; exits 1 when there is one.
Types dnspython does not know are left to the caller.
"""
import sys

import dns.rdata
import dns.rdataclass
import dns.rdatatype

failed = 0
checked = set()
for line in open(sys.argv[1], encoding="utf-8"):
    wire, text = line.rstrip("\n").split("\t", 1)
    fields = text.split("\t")
    rtype, rdata = fields[3], fields[4] if len(fields) > 4 else ""
    try:
        known = dns.rdatatype.from_text(rtype)
    except Exception:
        continue
    generic = dns.rdata.get_rdata_class(dns.rdataclass.IN, known).__name__ == "GenericRdata"
    if generic and not rdata.startswith("\\#"):
        continue  # no reader of its own for this type, and not in the generic form
    try:
        back = dns.rdata.from_text("IN", rtype, rdata).to_wire().hex()
    except Exception as error:
        back = "unreadable: %s" % error
    checked.add(rtype)
    if back != wire:
        failed += 1
        print("MISMATCH %s\n  wire %s\n  read %s" % (text, wire, back))
print("read back:", " ".join(sorted(checked)))
sys.exit(1 if failed else 0)

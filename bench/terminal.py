#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""A terminal run beside the command-line peers, on the same loopback servers.

Times `vintrel --stdout` against `dig` on a DNS records query to the same nsd, against `whois`
on a WhoIs query to a chosen server, and against `finger` on a finger query, each the median
of its runs with the lowest and highest, the two taking turns. The goals: DNS records within
1.5 times dig, WhoIs and finger within 2 times their clients. Needs root for ports 79 and 43.

    terminal.py PATH-TO-VINTREL [RUNS]
"""

import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "ui"))
from run import DnsZoneServer, Server  # noqa: E402


def seconds(command, env):
    start = time.perf_counter()
    done = subprocess.run(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    elapsed = time.perf_counter() - start
    return elapsed if done.returncode == 0 else None


def main():
    program = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 21
    folder = tempfile.mkdtemp(prefix="vintrel-bench-")
    shutil.copy(program, folder)
    binary = os.path.join(folder, os.path.basename(program))
    env = {key: value for key, value in os.environ.items() if key not in ("DISPLAY",)}
    env.update(HOME=folder, XDG_CONFIG_HOME=folder, XDG_CACHE_HOME=folder)
    answer = b"Login: someone\r\nName: Some One\r\n" * 40
    finger = Server(79, answer)
    whois = Server(43, b"Domain Name: EXAMPLE.COM\r\nRegistrar: Example\r\n" * 40)
    zone = DnsZoneServer(folder)
    anchor = os.path.join(folder, "lab.ds")  # stands in for the root's: the lab zone is insecure
    with open(anchor, "w") as ds:
        ds.write("elsewhere.test. IN DS 12345 13 2 " + "0123456789abcdef" * 4 + "\n")
    at = f"127.0.0.1@{zone.port}"
    rows = [
        ("DNS records, MX", 1.5,
         [binary, "--stdout", "--records", "plain.test", "--type", "MX", "--resolver", at,
          "--trust-anchor", anchor],
         ["dig", "+tries=1", "-p", str(zone.port), "@127.0.0.1", "plain.test", "MX"]),
        ("WhoIs, a chosen server", 2.0,
         [binary, "--stdout", "--whois", "example.com", "--server", "127.0.0.1"],
         ["whois", "-h", "127.0.0.1", "example.com"]),
        ("finger", 2.0, [binary, "--stdout", "someone@127.0.0.1"], ["finger", "someone@127.0.0.1"]),
    ]
    print(f"{'query':24} {'vintrel ms (spread)':>22} {'peer ms (spread)':>22} {'ratio':>6} {'goal':>5}")
    try:
        for name, goal, ours, peer in rows:
            mine, theirs = [], []
            for _ in range(runs):
                mine.append(seconds(ours, env))
                theirs.append(seconds(peer, env))
            if None in mine or None in theirs:
                print(f"{name:24} a run failed")
                continue
            ratios = [a / b for a, b in zip(mine, theirs)]
            ms = lambda values: (f"{statistics.median(values) * 1000:7.2f} "
                                 f"({min(values) * 1000:5.1f}-{max(values) * 1000:5.1f})")
            print(f"{name:24} {ms(mine):>22} {ms(theirs):>22} {statistics.median(ratios):6.2f} "
                  f"{goal:5.1f}")
    finally:
        zone.close()
        finger.stop()
        whois.stop()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""A terminal run beside the command-line peers, on the same loopback servers.

Times `vintrel-query` against `dig` on a DNS records query to the same nsd, against `whois` on
a WhoIs query to a chosen server, and against `finger` on a finger query, and `vintrel --stdout`
on the same WhoIs and finger queries: each the median of its runs with the lowest and highest,
the programs taking turns, as time from start to exit and as CPU time (user and system) of the
run. The goals: DNS records within 1.5 times dig's time, a WhoIs or finger run of vintrel-query
within 15 ms of CPU. Needs root for ports 79 and 43.

    terminal.py PATH-TO-VINTREL [RUNS]     (vintrel-query is taken from the same folder)
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


def measured(command, env):
    """(seconds from start to exit, CPU seconds), or None when the run failed."""
    start = time.perf_counter()
    child = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    elapsed = time.perf_counter() - start
    child.returncode = os.waitstatus_to_exitcode(status)
    if child.returncode != 0:
        return None
    return elapsed, usage.ru_utime + usage.ru_stime


def ms(values):
    return (f"{statistics.median(values) * 1000:6.2f} "
            f"({min(values) * 1000:5.1f}-{max(values) * 1000:5.1f})")


def main():
    program = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 21
    folder = tempfile.mkdtemp(prefix="vintrel-bench-")
    # Copied so that no settings file beside the build is read.
    for name in (program, os.path.join(os.path.dirname(program), "vintrel-query")):
        shutil.copy(name, folder)
    binary = os.path.join(folder, os.path.basename(program))
    query = os.path.join(folder, "vintrel-query")
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
         [query, "--records", "plain.test", "--type", "MX", "--resolver", at,
          "--trust-anchor", anchor],
         ["dig", "+tries=1", "-p", str(zone.port), "@127.0.0.1", "plain.test", "MX"]),
        ("WhoIs, chosen server", None,
         [query, "--whois", "example.com", "--server", "127.0.0.1"],
         ["whois", "-h", "127.0.0.1", "example.com"]),
        ("  vintrel --stdout", None,
         [binary, "--stdout", "--whois", "example.com", "--server", "127.0.0.1"],
         ["whois", "-h", "127.0.0.1", "example.com"]),
        ("finger", None, [query, "someone@127.0.0.1"], ["finger", "someone@127.0.0.1"]),
        ("  vintrel --stdout", None, [binary, "--stdout", "someone@127.0.0.1"],
         ["finger", "someone@127.0.0.1"]),
    ]
    print(f"{'query':22} {'ms (spread)':>20} {'CPU ms (spread)':>20} "
          f"{'peer ms (spread)':>20} {'peer CPU ms':>11} {'ratio':>6} {'goal':>5}")
    try:
        for name, goal, ours, peer in rows:
            mine, theirs = [], []
            for _ in range(runs):
                mine.append(measured(ours, env))
                theirs.append(measured(peer, env))
            if None in mine or None in theirs:
                print(f"{name:22} a run failed")
                continue
            ratios = [a[0] / b[0] for a, b in zip(mine, theirs)]
            peer_cpu = statistics.median(cpu for _, cpu in theirs) * 1000
            print(f"{name:22} {ms([wall for wall, _ in mine]):>20} "
                  f"{ms([cpu for _, cpu in mine]):>20} {ms([wall for wall, _ in theirs]):>20} "
                  f"{peer_cpu:11.2f} {statistics.median(ratios):6.2f} "
                  f"{goal if goal else '-':>5}")
    finally:
        zone.close()
        finger.stop()
        whois.stop()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Times twinex-cli against the duplicate finders packaged by Debian (jdupes, rdfind, fdupes,
rmlint) on one tree, and checks that twinex-cli finds the duplicate sets they agree on.

    bench/compare_peers.py --cli build/release/cli/twinex-cli --tree /tmp/corpus/mixed

Build a tree first with bench/make_match_corpus. --baseline names an earlier twinex-cli to time
beside this one. Every tool runs once to warm the cache, then
--runs rounds (default 5) run all tools one after another, so that the ratios come from the
same conditions. Printed per tool: median wall time, median CPU time (user + system), median
peak memory, and the wall-time ratio to the fastest peer.

The check compares families of duplicate sets, each file named by its (device, inode) so that
hard links count once; symbolic links and empty files are left out (the peers skip them by
default). It uses twinex-cli --by contents --partial 0 --no-reflect, the byte-identical
criterion. Not run by the tests.
"""

import argparse
import base64
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def run_measured(cmd, scratch):
    """Runs cmd; returns (wall seconds, cpu seconds, peak RSS in KiB, exit status).

    GNU time reports the peak memory: the maximum of a process forked from this script would
    include this script's own memory from before the exec."""
    report = os.path.join(scratch, "time.txt")
    start = time.perf_counter()
    proc = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", report] + cmd,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.perf_counter() - start
    with open(report) as f:
        peak = int(f.read().split()[-1])
    return wall, usage.ru_utime + usage.ru_stime, peak, os.waitstatus_to_exitcode(status)


def twinex_runs(label, cli, tree):
    return [
        (label + " contents, whole", [cli, "--by", "contents", "--partial", "0", "--no-reflect",
                                      "--format", "tsv", tree], False),
        (label + " crc32 64K", [cli, "--by", "crc32", "--partial", "64", "--format", "tsv", tree], False),
    ]


def tools(cli, tree, scratch, baseline):
    return [
        ("find -printf (walk only)", ["find", tree, "-type", "f", "-printf", "%s %p\n"], False),
        *twinex_runs("twinex", cli, tree),
        *(twinex_runs("before", baseline, tree) if baseline else []),
        ("jdupes -r", ["jdupes", "-r", "-q", tree], True),
        ("rdfind", ["rdfind", "-outputname", os.path.join(scratch, "rdfind.txt"), tree], True),
        ("fdupes -r", ["fdupes", "-r", "-q", tree], True),
        ("rmlint -T df", ["rmlint", "-T", "df", "-o", "json:" + os.path.join(scratch, "rmlint.json"),
                          tree], True),
    ]


def benchmark(cli, tree, runs, scratch, skip, baseline):
    entries = [t for t in tools(cli, tree, scratch, baseline)
               if (shutil.which(t[1][0]) or os.path.exists(t[1][0])) and not any(k in t[0] for k in skip)]
    results = {name: [] for name, _, _ in entries}
    for round_no in range(runs + 1):  # round 0 warms the cache
        for name, cmd, _ in entries:
            m = run_measured(cmd, scratch)
            if round_no:
                results[name].append(m)
    peers = [name for name, _, peer in entries if peer]
    medians = {name: tuple(statistics.median(m[i] for m in ms) for i in range(3))
               for name, ms in results.items()}
    fastest = min(medians[p][0] for p in peers)
    print(f"{'tool':30} {'wall s':>8} {'cpu s':>8} {'peak MiB':>9} {'vs fastest peer':>16}")
    for name, _, _ in entries:
        wall, cpu, rss = medians[name]
        print(f"{name:30} {wall:8.3f} {cpu:8.3f} {rss / 1024:9.1f} {wall / fastest:16.2f}")
    return medians


def inode_key(path):
    st = os.lstat(path)
    if not os.path.isfile(path) or os.path.islink(path) or st.st_size == 0:
        return None
    return (st.st_dev, st.st_ino)


def family(groups):
    """Sets of inodes, each of two or more, from groups of paths (bytes)."""
    result = set()
    for group in groups:
        keys = set()
        for path in group:
            try:
                key = inode_key(path)
            except OSError:
                key = None
            if key:
                keys.add(key)
        if len(keys) >= 2:
            result.add(frozenset(keys))
    return result


def blank_line_groups(data):
    groups, current = [], []
    for line in data.split(b"\n"):
        if line:
            current.append(line)
        elif current:
            groups.append(current)
            current = []
    if current:
        groups.append(current)
    return groups


def twinex_groups(cli, tree):
    out = subprocess.run([cli, "--by", "contents", "--partial", "0", "--no-reflect", "--format", "json",
                          tree], capture_output=True, check=True).stdout
    doc = json.loads(out)
    assert doc["format"] == "twinex-results" and doc["version"] == 1
    parent = {}

    def find(x):
        while parent.setdefault(x, x) != x:
            parent[x] = parent[parent[x]]
            x = parent[x]
        return x

    for row in doc["rows"]:
        paths = []
        for side in ("source", "target"):
            raw = row.get(side + "_base64")
            paths.append(base64.b64decode(raw) if raw else row[side].encode())
        parent[find(paths[0])] = find(paths[1])
    groups = {}
    for path in list(parent):
        groups.setdefault(find(path), []).append(path)
    return list(groups.values())


def peer_groups(name, tree, scratch):
    if name == "jdupes":
        return blank_line_groups(subprocess.run(["jdupes", "-r", "-q", tree], capture_output=True).stdout)
    if name == "fdupes":
        return blank_line_groups(subprocess.run(["fdupes", "-r", "-q", tree], capture_output=True).stdout)
    if name == "rdfind":
        result = os.path.join(scratch, "rdfind-check.txt")
        subprocess.run(["rdfind", "-outputname", result, tree], capture_output=True, check=True)
        groups = {}
        with open(result, "rb") as f:
            for line in f:
                if line.startswith(b"#"):
                    continue
                fields = line.rstrip(b"\n").split(b" ", 7)
                groups.setdefault(abs(int(fields[1])), []).append(fields[7])
        return list(groups.values())
    if name == "rmlint":
        result = os.path.join(scratch, "rmlint-check.json")
        subprocess.run(["rmlint", "-T", "df", "-o", "json:" + result, tree], capture_output=True)
        with open(result, "rb") as f:
            doc = json.loads(f.read().decode("utf-8", "surrogateescape"))
        groups = {}
        for entry in doc:
            if entry.get("type") == "duplicate_file":
                # Hard links of one file come without a checksum.
                key = entry.get("checksum") or ("inode", entry.get("disk_id"), entry.get("inode"))
                groups.setdefault(key, []).append(os.fsencode(entry["path"]))
        return list(groups.values())
    raise ValueError(name)


def check(cli, tree, scratch):
    mine = family(twinex_groups(cli, tree))
    peers = {name: family(peer_groups(name, tree, scratch))
             for name in ("jdupes", "rdfind", "fdupes", "rmlint") if shutil.which(name)}
    agreed = set.intersection(*peers.values()) if peers else set()
    disputed = set.union(*peers.values()) - agreed if peers else set()
    print(f"duplicate sets: twinex {len(mine)}; " +
          "; ".join(f"{n} {len(f)}" for n, f in peers.items()) +
          f"; agreed by all peers {len(agreed)}, disputed {len(disputed)}")
    missing, extra = agreed - mine, mine - agreed - disputed
    print(f"agreed sets twinex misses: {len(missing)}; twinex sets no peer has: {len(extra)}")
    return not missing and not extra


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--cli", required=True)
    parser.add_argument("--tree", required=True)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--baseline", metavar="CLI",
                        help="an earlier twinex-cli, timed in the same rounds")
    parser.add_argument("--no-bench", action="store_true", help="only the correctness check")
    parser.add_argument("--no-check", action="store_true", help="only the timings")
    parser.add_argument("--skip", action="append", default=[], metavar="NAME",
                        help="leave out the timed tools whose name contains NAME (repeatable)")
    args = parser.parse_args()
    tree = os.path.abspath(args.tree)
    with tempfile.TemporaryDirectory() as scratch:
        ok = True
        if not args.no_check:
            ok = check(args.cli, tree, scratch)
        if not args.no_bench:
            benchmark(args.cli, tree, args.runs, scratch, args.skip, args.baseline)
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    main()

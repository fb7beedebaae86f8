#!/usr/bin/env python3
"""Times twinex-cli's checksum cache on a cold disk, next to jdupes, and its cost on a warm one.

    bench/bench_cache_cold.py --cli build/release/cli/twinex-cli --tree /tmp/corpus/mixed

Build the tree first with bench/make_match_corpus --profile mixed (30,000 files, about 1.5 GiB).
Cold: before every command the page cache is dropped (echo 3 > /proc/sys/vm/drop_caches, which
needs root; without it the figures are warm and the script says so). Each round runs, in order:
a first checksum search without the cache, a first one that fills an empty cache, the same
search again with it; a first contents search, and again with its cache; jdupes -r; and the
walk alone, as twinex-cli --by size and as find with and without a stat of every file (the floor
of a repeated search).
Warm: every command once to warm the page cache, then rounds of a first search without and with
a new, empty cache. Printed: median wall seconds per command and the ratios the cache is judged
by, with the load average beside them (the figures are only comparable at a similar load).
Not run by the tests.
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

DROP = "/proc/sys/vm/drop_caches"


def drop_caches():
    try:
        os.sync()
        with open(DROP, "w") as f:
            f.write("3\n")
        return True
    except OSError:
        return False


def timed(cmd):
    start = time.perf_counter()
    status = subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
    if status != 0:
        sys.exit(f"failed ({status}): {' '.join(cmd)}")
    return time.perf_counter() - start


def remove_cache(path):
    for suffix in ("", "-wal", "-shm"):
        try:
            os.unlink(path + suffix)
        except FileNotFoundError:
            pass


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", required=True)
    parser.add_argument("--tree", required=True)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--jdupes", default=shutil.which("jdupes"))
    args = parser.parse_args()

    scratch = tempfile.mkdtemp(prefix="twinex-cache-bench-")
    sum_cache = os.path.join(scratch, "checksum.sqlite")
    con_cache = os.path.join(scratch, "contents.sqlite")
    base = [args.cli, "--format", "tsv"]
    checksum = base + ["--by", "checksum"]
    contents = base + ["--by", "contents", "--partial", "0"]
    cold = {}
    can_drop = drop_caches()
    if not can_drop:
        print(f"cannot write {DROP} (run as root): the 'cold' figures below are warm", file=sys.stderr)

    def cold_run(name, cmd):
        drop_caches()
        cold.setdefault(name, []).append(timed(cmd))

    for _ in range(args.runs):
        remove_cache(sum_cache)
        remove_cache(con_cache)
        cold_run("checksum, no cache", checksum + ["--no-cache", args.tree])
        cold_run("checksum, first, empty cache", checksum + ["--cache", sum_cache, args.tree])
        cold_run("checksum, repeated with cache", checksum + ["--cache", sum_cache, args.tree])
        cold_run("contents, no cache", contents + ["--no-cache", args.tree])
        cold_run("contents, first, empty cache", contents + ["--cache", con_cache, args.tree])
        cold_run("contents, repeated with cache", contents + ["--cache", con_cache, args.tree])
        if args.jdupes:
            cold_run("jdupes -r", [args.jdupes, "-r", "-q", args.tree])
        cold_run("size only (the walk)", base + ["--by", "size", args.tree])
        cold_run("find, names only", ["find", args.tree, "-type", "f"])
        cold_run("find, with a stat each", ["find", args.tree, "-printf", "%s %i\n"])

    load_cold = os.getloadavg()[0]
    warm = {}
    commands = {
        "checksum, no cache": (checksum + ["--no-cache", args.tree], None),
        "checksum, empty cache": (checksum + ["--cache", sum_cache, args.tree], sum_cache),
        "contents, no cache": (contents + ["--no-cache", args.tree], None),
        "contents, empty cache": (contents + ["--cache", con_cache, args.tree], con_cache),
    }
    for cmd, cache in commands.values():
        timed(cmd)
    for _ in range(args.runs * 2):
        for name, (cmd, cache) in commands.items():
            if cache:
                remove_cache(cache)
            warm.setdefault(name, []).append(timed(cmd))

    med = {k: statistics.median(v) for k, v in cold.items()}
    print(f"cold ({'page cache dropped before each' if can_drop else 'NOT dropped'}), median of {args.runs},"
          f" load {load_cold:.1f}:")
    for name, value in med.items():
        print(f"  {name:34s} {value:7.2f} s")
    print(f"  repeated checksum search, cache vs none:  {med['checksum, no cache'] / med['checksum, repeated with cache']:.1f}x faster")
    print(f"  the walk's share of the repeated search:  {med['size only (the walk)'] / med['checksum, repeated with cache'] * 100:.0f}%")
    if "jdupes -r" in med:
        print(f"  first contents search / jdupes:          {med['contents, no cache'] / med['jdupes -r']:.2f}x")
        print(f"  repeated contents search / jdupes:       {med['contents, repeated with cache'] / med['jdupes -r']:.2f}x")
    wmed = {k: statistics.median(v) for k, v in warm.items()}
    print(f"warm, median of {args.runs * 2}, load {os.getloadavg()[0]:.1f}:")
    for name, value in wmed.items():
        print(f"  {name:34s} {value:7.2f} s")
    for kind in ("checksum", "contents"):
        over = wmed[f"{kind}, empty cache"] / wmed[f"{kind}, no cache"] - 1
        print(f"  {kind} first search, cache overhead:      {over * 100:+.0f}%")
    shutil.rmtree(scratch)


if __name__ == "__main__":
    main()

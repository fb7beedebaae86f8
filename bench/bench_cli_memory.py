#!/usr/bin/env python3
"""Peak memory of twinex-cli writing many rows, per output format.

Makes a tree of PAIRS pairs of tiny identical files (two mirrored folders a/ and b/, 1,000
files a subfolder; every pair has its own contents), so that the search lists 2 * PAIRS rows
with reflected pairs (the default). Then runs twinex-cli on it with --format tsv, --format
table and --format table --sort SORT, each RUNS times, standard output to /dev/null, and
prints the median peak resident set size (/usr/bin/time -f %M) and wall time of each, and the
ratio of each to tsv.

    bench/bench_cli_memory.py --cli build/release/cli/twinex-cli
        [--pairs 500000] [--runs 3] [--sort source] [--by size] [--tree DIR] [--keep]

--by passes a criterion on: with "size" nothing is read, so the matcher's own memory
stays small and what the output keeps shows more plainly (the tiny files fall into a few
sizes; the rows are still 2 * PAIRS).

--tree DIR keeps the tree in DIR (made there once, reused while its marker says the same
number of pairs), so that later runs skip the minutes of making it. Without it the tree goes
to a temporary folder, removed at the end unless --keep. Never run by the tests.
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

FILES_PER_FOLDER = 1000


def make_tree(root, pairs):
    marker = os.path.join(root, "pairs")
    try:
        with open(marker) as f:
            if int(f.read()) == pairs:
                print(f"reusing {root} ({pairs} pairs)", file=sys.stderr)
                return
    except (OSError, ValueError):
        pass
    for side in ("a", "b"):
        shutil.rmtree(os.path.join(root, side), ignore_errors=True)
    start = time.monotonic()
    for k in range(pairs):
        folder = f"d{k // FILES_PER_FOLDER:04d}"
        if k % FILES_PER_FOLDER == 0:
            for side in ("a", "b"):
                os.makedirs(os.path.join(root, side, folder))
        data = f"{k}\n".encode()
        for side in ("a", "b"):
            fd = os.open(os.path.join(root, side, folder, f"f{k:07d}.dat"),
                         os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o644)
            os.write(fd, data)
            os.close(fd)
        if k and k % 100000 == 0:
            print(f"  {k} pairs made, {time.monotonic() - start:.0f} s", file=sys.stderr)
    with open(marker, "w") as f:
        f.write(str(pairs))
    print(f"made {pairs} pairs in {time.monotonic() - start:.0f} s", file=sys.stderr)


def run_once(cli, args):
    """Peak RSS in kB, wall seconds and the number of lines written."""
    with tempfile.NamedTemporaryFile("w+") as timing:
        start = time.monotonic()
        proc = subprocess.Popen(["/usr/bin/time", "-o", timing.name, "-f", "%M", cli] + args,
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        lines = 0
        while chunk := proc.stdout.read(1 << 20):
            lines += chunk.count(b"\n")
        if proc.wait() != 0:
            sys.exit(f"twinex-cli {' '.join(args)} exited with {proc.returncode}")
        seconds = time.monotonic() - start
        timing.seek(0)
        return int(timing.read().split()[-1]), seconds, lines


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", required=True, help="the twinex-cli program")
    parser.add_argument("--pairs", type=int, default=500000)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--sort", default="source", help="the --sort column of the third case")
    parser.add_argument("--by", help="the --by criterion (default: twinex-cli's)")
    parser.add_argument("--tree", help="folder to make the tree in, or to reuse it from")
    parser.add_argument("--keep", action="store_true", help="keep a temporary tree")
    opts = parser.parse_args()

    root = opts.tree or tempfile.mkdtemp(prefix="twinex-cli-memory-")
    os.makedirs(root, exist_ok=True)
    try:
        make_tree(root, opts.pairs)
        folders = [os.path.join(root, "a"), os.path.join(root, "b")]
        if opts.by:
            folders = ["--by", opts.by] + folders
        cases = [("tsv", ["--format", "tsv"]),
                 ("table", ["--format", "table"]),
                 (f"table --sort {opts.sort}", ["--format", "table", "--sort", opts.sort])]
        results = {}
        for name, args in cases:
            runs = [run_once(opts.cli, args + folders) for _ in range(opts.runs)]
            rows = runs[0][2] - 1
            if rows != 2 * opts.pairs:
                sys.exit(f"{name}: {rows} rows, expected {2 * opts.pairs}")
            results[name] = (statistics.median(r[0] for r in runs),
                             statistics.median(r[1] for r in runs))
        tsv_kb = results["tsv"][0]
        print(f"{2 * opts.pairs} rows, --by {opts.by or 'default'}, median of {opts.runs} runs")
        print(f"{'format':<24}{'peak RSS':>12}{'x tsv':>8}{'wall':>9}")
        for name, (kb, seconds) in results.items():
            print(f"{name:<24}{kb / 1024:>9.1f} MB{kb / tsv_kb:>8.2f}{seconds:>8.1f}s")
    finally:
        if not opts.tree and not opts.keep:
            shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""The library's scheduler on the 25 kb pair: align_many with 1 and 2 threads
(median wall time of N runs each, interleaved), and both orders of the pair
under a 250 MiB memory limit on 2 threads, checked against align().

Usage: PYTHONPATH=build/python python3 bench/align_many.py [N]
"""
import statistics
import sys
import time
from pathlib import Path

import torva

path = Path(__file__).resolve().parent / "data" / "dna_25k_kl1_kl2.fa"
records = []
for line in path.read_text().splitlines():
    if line.startswith(">"):
        records.append([])
    else:
        records[-1].append(line.strip())
a, b = ("".join(r) for r in records[:2])
runs = int(sys.argv[1]) if len(sys.argv) > 1 else 3


def timed(call):
    start = time.perf_counter()
    result = call()
    return time.perf_counter() - start, result


wall = {1: [], 2: []}
for _ in range(runs):
    for threads in wall:
        wall[threads].append(timed(lambda: torva.align_many([(a, b)], threads=threads))[0])
median = {t: statistics.median(w) for t, w in wall.items()}
for t, w in wall.items():
    print(f"{t} thread(s): median {median[t]:.2f} s of {[round(x, 2) for x in w]}")
print(f"2 threads / 1 thread: {median[2] / median[1]:.2f}")

fields = lambda r: (r.row1, r.row2, r.score, r.anchor_score, r.cigar)
seconds, both = timed(lambda: torva.align_many([(a, b), (b, a)], threads=2, memory_limit=250 << 20))
same = [fields(r) for r in both] == [fields(torva.align(a, b)), fields(torva.align(b, a))]
print(f"two 25 kb pairs under 250 MiB on 2 threads: {seconds:.2f} s, "
      f"{'identical to' if same else 'DIFFERENT from'} align()")

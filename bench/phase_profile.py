#!/usr/bin/env python3
"""Reads `perf script -F tid,ip,sym` output (samples with call chains) on
standard input and prints where the time went: one line per phase, its share
of all samples, then its samples on the thread that aligned the pair and on
all other threads.

Threads that the column strips start hold no caller of their own, so their
samples count under the strip work they did, whatever the phase that asked
for it (a fill's strips run the same code on every thread).
Usage: perf script -F tid,ip,sym -i DATA | phase_profile.py"""
import re
import sys
from collections import Counter, defaultdict

# (phase, pattern over the symbol of one frame), in order of precedence: a
# sample belongs to the first phase one of whose frames is on its chain.
# perf prints names without their parameters.
PHASES = [
    ("traceback refills", r"^LocalScoreMatrix::(traceSegments|traceThroughBlocks|blockHolding|valueAt|traceSegment)$"),
    ("search fills", r"^(LocalScoreMatrix::(scanPart|rescorePart|fillFreshPart)|searchPart)$"),
    ("first fill", r"^LocalScoreMatrix::fill$"),
    ("conflict groups (affine)", r"^groupSort$"),
    ("gapped anchors (affine)", r"^(realignGappedAnchor|reAlign)$"),
    ("joins (affine)", r"^AnchoredAligner::(joinAnchors|alignWhole)$"),
    ("local strips, helper thread", r"^LocalScoreMatrix::fillStrip$"),
    ("affine fills, helper thread", r"GotohTraceback|^fillGotohCheckpointed$|^\(anonymous namespace\)::fillStrip$"),
    ("writers", r"Writer|RunOutputs|PairFigures|HtmlReport"),
    ("reading", r"FastaReader|InputStream"),
]
COMPILED = [(name, re.compile(p)) for name, p in PHASES]


def phase_of(chain):
    for name, pattern in COMPILED:
        if any(pattern.search(sym) for sym in chain):
            return name
    return "other"


def samples(lines):
    tid, chain = None, []
    for line in lines:
        if not line.strip():
            if tid is not None:
                yield tid, chain
            tid, chain = None, []
            continue
        if tid is None:
            m = re.match(r"\s*(\d+)", line)
            tid = int(m.group(1)) if m else -1
        else:
            parts = line.strip().split(None, 1)
            chain.append(parts[1] if len(parts) > 1 else parts[0])
    if tid is not None:
        yield tid, chain


def main():
    per_thread = defaultdict(Counter)
    for tid, chain in samples(sys.stdin):
        per_thread[tid][phase_of(chain)] += 1
    # The thread that aligned the pair holds most samples; the strips start
    # fresh threads for every fill, so the others are summed.
    busiest = max(per_thread, key=lambda t: sum(per_thread[t].values()), default=None)
    total, others = Counter(), Counter()
    for tid, counts in per_thread.items():
        total.update(counts)
        if tid != busiest:
            others.update(counts)
    all_samples = sum(total.values()) or 1
    print("%-30s %7s %15s %15s" % ("phase", "share", "pair's thread", "other threads"))
    for name in [p for p, _ in PHASES] + ["other"]:
        if total[name]:
            print("%-30s %6.1f%% %15d %15d" % (name, 100.0 * total[name] / all_samples,
                                              per_thread[busiest][name], others[name]))
    print("%-30s %7d %15d %15d" % ("samples", all_samples, sum(per_thread[busiest].values()),
                                   sum(others.values())))


if __name__ == "__main__":
    main()

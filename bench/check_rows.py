#!/usr/bin/env python3
"""Checks one pair's output against its input: the two rows of the alignment
file, without their gaps, spell the two sequences (mask runs included; the
rows are in lower case), and
the PAF line's CIGAR walks both sequences with '=' on identical residues and
'X' on different ones (ignoring case), covering both from end to end.

Usage: bench/check_rows.py INPUT.fa ALIGNMENT PAF
Prints what it checked, or the first difference, and exits 1 on one."""
import sys
import re


def records(path):
    name, seq = None, []
    with open(path) as f:
        for line in f:
            line = line.rstrip("\r\n")
            if line.startswith(">"):
                if name is not None:
                    yield name, "".join(seq)
                name, seq = line[1:], []
            elif name is not None:
                seq.append(line.strip())
    if name is not None:
        yield name, "".join(seq)


def fail(message):
    print("FAILED:", message)
    sys.exit(1)


def main(fasta, alignment, paf):
    (_, s1), (_, s2) = list(records(fasta))[:2]
    lines = open(alignment).read().split("\n")
    row1, row2 = lines[1], lines[3]
    if len(row1) != len(row2):
        fail(f"rows of {len(row1)} and {len(row2)} columns")
    for k, (row, seq) in enumerate(((row1, s1), (row2, s2)), 1):
        if row.replace("-", "") != seq.lower():
            fail(f"row {k} does not spell sequence {k}")
    fields = open(paf).readline().rstrip("\n").split("\t")
    cigar = next(f[5:] for f in fields if f.startswith("cg:Z:"))
    i = j = 0
    a, b = s1.lower(), s2.lower()
    for count, op in re.findall(r"(\d+)([=XID])", cigar):
        n = int(count)
        if op in "=X":
            same = op == "="
            if any((a[i + k] == b[j + k]) != same for k in range(n)):
                fail(f"'{op}' run at {i}, {j} holds a column of the other kind")
            i, j = i + n, j + n
        elif op == "I":
            i += n
        else:
            j += n
    if (i, j) != (len(s1), len(s2)):
        fail(f"CIGAR covers {i} and {j} residues of {len(s1)} and {len(s2)}")
    print(f"rows spell both sequences ({len(s1)} and {len(s2)}), {len(row1)} columns; "
          f"CIGAR checks against both")


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])

"""Aligns the pairs of a FASTA file with the torva module, on two threads.

    PYTHONPATH=build/python python3 examples/api/align.py examples/demo.fa
"""
import sys

import torva


def pairs(path):
    names, seqs = [], []
    for line in open(path):
        line = line.rstrip("\r\n")
        if line.startswith(">"):
            names.append(line[1:].split("|")[0])
            seqs.append("")
        elif seqs:
            seqs[-1] += line
    return list(zip(names[0::2], names[1::2])), list(zip(seqs[0::2], seqs[1::2]))


names, seqs = pairs(sys.argv[1])
for (name1, name2), r in zip(names, torva.align_many(seqs, threads=2)):
    print(f"{name1} / {name2}: score {r.score}, anchors {r.anchor_score}, {len(r.anchors)} anchors")
    print(f"  cigar {r.cigar[:60]}{'...' if len(r.cigar) > 60 else ''}")
    for warning in r.warnings:
        print("  warning:", warning)

# One pair with options; None (the default) means the program's value.
r = torva.align("MVLSPADKTNVKAAWGKVGAHAGEYGAEALERMFLSFPTTKTYF",
                "MVHLTPEEKSAVTALWGKVNVDEVGGEALGRLLVVYPWTQRFF",
                protein=True, gap_open=12, variant="torva-b")
print(r.row1, r.row2, r.score, sep="\n")

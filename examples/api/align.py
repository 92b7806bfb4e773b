"""Aligns the pairs of a FASTA file (plain or gzip) with the torva module.

    PYTHONPATH=build/python python3 examples/api/align.py examples/demo.fa
"""
import sys
import warnings

import torva

# Warnings about a pair (protein aligned as DNA, say) are torva.TorvaWarning.
warnings.simplefilter("always", torva.TorvaWarning)

for r in torva.align_file(sys.argv[1]):  # on every core, results in file order
    print(f"{r.name1} {r.start1}..{r.end1} / {r.name2} {r.start2}..{r.end2}: "
          f"score {r.score}, identity {r.identity:.1%} ({r.matches}/{r.columns})")

# One pair with options; None (the default) means the program's value.
r = torva.align("MVLSPADKTNVKAAWGKVGAHAGEYGAEALERMFLSFPTTKTYF",
                "MVHLTPEEKSAVTALWGKVNVDEVGGEALGRLLVVYPWTQRFF",
                matrix="BLOSUM62", gap_open=12, variant="torva-b")
print(r.format())

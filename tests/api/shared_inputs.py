"""The build, the source tree and the real pairs both Python test files use."""
import os
from pathlib import Path

BUILD = Path(os.environ.get("TORVA_BUILD_DIR", "build"))
SOURCE = Path(os.environ.get("TORVA_SOURCE_DIR", Path(__file__).resolve().parents[2]))
DATA = SOURCE / "bench" / "data"

PAIRS = [  # (file, protein)
    (DATA / "dna_1k_yeast_cct4.fa", False),
    (DATA / "dna_2k_hbd_hbb.fa", False),
    (DATA / "dna_5k_hbg2_hbg1.fa", False),
    (DATA / "prot_hba_hbb_human.fa", True),
    (DATA / "prot_pax3_pax7_human.fa", True),
    (DATA / "prot_wzc_kl1_kl2.fa", True),
]


def fasta_records(path):
    """A reader independent of the module's: (header, sequence)."""
    records = []
    for line in Path(path).read_text().splitlines():
        if line.startswith(">"):
            records.append([line[1:], ""])
        elif records:
            records[-1][1] += line.strip()
    return [tuple(r) for r in records]


def sequence_pairs(path):
    """The sequences of `path` taken two by two."""
    seqs = [seq for _, seq in fasta_records(path)]
    return list(zip(seqs[0::2], seqs[1::2]))

"""Both strands from Python: the same choice, files and numbers as the programs."""
import pickle
import random
import subprocess

import pytest
import torva
from shared_inputs import BUILD


def twin_pair():
    rng = random.Random(31)
    a = "".join(rng.choice("acgt") for _ in range(900))
    b = list(a[60:760])
    for k in rng.sample(range(len(b)), 25):
        b[k] = rng.choice("acgt")
    b = "".join(b)
    return a, b, torva.reverse_complement(b)


def test_twin_on_the_other_strand_is_kept_as_minus_with_the_programs_score(tmp_path):
    a, b, twin = twin_pair()
    assert torva.reverse_complement("ACGTnRy") == "rYnACGT"
    plus = torva.align(a, b)
    kept = torva.align(a, twin, strand="both")
    assert (plus.strand, kept.strand) == ("plus", "minus")
    assert kept.score == plus.score and kept.row2 == plus.row2
    assert torva.align(a, b, strand="both").strand == "plus"
    assert [r.strand for r in torva.align_many([(a, b), (a, twin)], strand="both", threads=2)] == ["plus", "minus"]
    # The program keeps the same strand with the same score.
    fasta = tmp_path / "in.fa"
    fasta.write_text(f">a\n{a}\n>twin\n{twin}\n")
    subprocess.run([str(BUILD / "torva"), "-q", "--strand", "both", "-I", str(fasta), "-O", str(tmp_path / "o")],
                   check=True)
    fields = (tmp_path / "o.score").read_text().split()
    assert fields[-1] == "-" and int(fields[-2]) == kept.score
    assert [r.strand for r in torva.align_file(fasta, strand="both")] == ["minus"]
    assert pickle.loads(pickle.dumps(kept)).strand == "minus"


def test_minus_view_counts_down_and_biopython_sees_the_forward_strand():
    a, b, twin = twin_pair()
    kept = torva.align(a, twin, strand="minus")
    first_block = kept.format(60).split("\n")
    number = int(first_block[2].split()[1])
    assert number == len(twin)  # sequence 2's first residue, on its forward strand
    bio = pytest.importorskip("Bio.Align")
    alignment = kept.to_biopython()
    assert isinstance(alignment, bio.Alignment)
    assert str(alignment.sequences[1].seq) == twin
    assert alignment.coordinates[1][0] > alignment.coordinates[1][-1]


def test_strand_is_checked():
    with pytest.raises(ValueError, match="strand"):
        torva.align("acgt", "acgt", strand="reverse")
    with pytest.raises(ValueError, match="protein|DNA"):
        torva.align("MKVL", "MKVL", protein=True, strand="minus")

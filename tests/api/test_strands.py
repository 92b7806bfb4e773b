"""Both strands from Python: the same choice, files and numbers as the programs."""
import pickle
import random
import subprocess

import pytest
import torva
from shared_inputs import BUILD, SOURCE


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


def alignment_file_rows(path):
    """(name2, row1, row2) of each pair of an alignment file."""
    lines = path.read_text().split("\n")
    return [(lines[k + 2][1:], lines[k + 1], lines[k + 3]) for k in range(0, len(lines) - 4, 5)]


@pytest.mark.parametrize("local", [False, True])
def test_biopython_reads_every_maf_block_with_the_alignment_files_rows(tmp_path, local):
    AlignIO = pytest.importorskip("Bio.AlignIO")
    a, b, twin = twin_pair()
    demo = tmp_path / "in.fa"
    demo_text = (SOURCE / "examples" / "demo.fa").read_text()
    demo.write_text(demo_text + f">a\n{a}\n>twin\n{twin}\n")
    out = tmp_path / "o"
    subprocess.run([str(BUILD / "torva"), "-q", "--strand", "both", *(["-L"] if local else []), "-I", str(demo),
                    "-O", str(out), "--maf", str(tmp_path / "o.maf"), "--paf", str(tmp_path / "o.paf")], check=True)
    blocks = list(AlignIO.parse(str(tmp_path / "o.maf"), "maf"))
    paf = [line.split("\t") for line in (tmp_path / "o.paf").read_text().splitlines()]
    assert len(blocks) == len(paf) and len(blocks) >= 4
    for block, record in zip(blocks, paf):
        first, second = block
        assert first.annotations["strand"] == 1
        assert second.annotations["strand"] == (-1 if record[4] == "-" else 1)
        assert first.annotations["start"] == int(record[2]) and first.annotations["size"] == int(record[3]) - int(record[2])
        if record[4] == "+":
            assert second.annotations["start"] == int(record[7])
        else:  # counted from the end of the forward strand
            assert second.annotations["start"] == int(record[6]) - int(record[8])
    if not local:
        for block, (name2, row1, row2) in zip(blocks, alignment_file_rows(out)):
            text1, text2 = str(block[0].seq), str(block[1].seq)
            start = row1.find(text1)
            assert start >= 0 and row2[start:start + len(text2)] == text2
            assert (name2.endswith(" (-)")) == (block[1].annotations["strand"] == -1)

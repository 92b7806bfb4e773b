"""The Python module against the programs' own output files, option by option."""
import subprocess
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

import pytest
import torva
from shared_inputs import BUILD, DATA, PAIRS, SOURCE, sequence_pairs

# The real pairs, and the demo whose second pair holds a run of n.
INPUTS = PAIRS + [(SOURCE / "examples" / "demo.fa", False)]
PROGRAMS = {"torva": "torva", "torva-b": "torva-b"}


def run_program(variant, path, protein, tmp_path, *flags):
    out = tmp_path / "out"
    args = [str(BUILD / PROGRAMS[variant]), *(["-P"] if protein else []), *flags,
            "-I", str(path), "-O", str(out)]
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL)
    return out


def ids(value):
    return value.name if isinstance(value, Path) else None


@pytest.mark.parametrize("variant", PROGRAMS)
@pytest.mark.parametrize("path,protein", INPUTS, ids=lambda v: ids(v) or "")
def test_align_equals_program(variant, path, protein, tmp_path):
    lines = run_program(variant, path, protein, tmp_path).read_text().split("\n")
    for k, (seq1, seq2) in enumerate(sequence_pairs(path)):
        header, row1, _, row2 = lines[5 * k: 5 * k + 4]
        _, anchor_score, score = header.rsplit("\t", 2)
        r = torva.align(seq1, seq2, protein=protein, variant=variant)
        assert (r.row1, r.row2) == (row1, row2)
        assert (r.anchor_score, r.score) == (int(anchor_score), int(score))
        assert r.warnings == []
        # The cigar rebuilds both rows from the sequences.
        rebuilt1, rebuilt2, i, j = [], [], 0, 0
        for count, op in _cigar_ops(r.full_cigar):
            for _ in range(count):
                if op in "=XI":
                    rebuilt1.append(seq1[i].lower()); i += 1
                else:
                    rebuilt1.append("-")
                if op in "=XD":
                    rebuilt2.append(seq2[j].lower()); j += 1
                else:
                    rebuilt2.append("-")
                if op in "=X":
                    assert (rebuilt1[-1] == rebuilt2[-1]) == (op == "=")
        assert ("".join(rebuilt1), "".join(rebuilt2)) == (row1, row2)


def _cigar_ops(cigar):
    count = ""
    for c in cigar:
        if c.isdigit():
            count += c
        else:
            yield int(count), c
            count = ""


@pytest.mark.parametrize("variant", PROGRAMS)
@pytest.mark.parametrize("path,protein", INPUTS[:6], ids=lambda v: ids(v) or "")
def test_list_local_equals_program(variant, path, protein, tmp_path):
    out = run_program(variant, path, protein, tmp_path, "-L")
    blocks = Path(str(out) + ".loc").read_text().split(">")[1:]
    for block, (seq1, seq2) in zip(blocks, sequence_pairs(path)):
        header, *rows = block.rstrip("\n").split("\n")
        listing = torva.list_local(seq1, seq2, protein=protein, variant=variant)
        assert listing.anchor_score == int(header.rsplit("\t", 1)[1])
        shown = []
        for a in listing.anchors:
            if a.listed:
                shown.append(["1", str(a.begin1), str(a.end1), str(a.score), a.row1])
                shown.append(["2", str(a.begin2), str(a.end2), str(a.score), a.row2])
        assert [row.split() for row in rows] == shown
        assert listing.anchors and all(a.listed == (a.end1 - a.begin1 >= 10) for a in listing.anchors)


def test_used_anchors_are_those_the_alignment_was_built_on():
    # Nothing beats the cutoff: the listing still shows the chain, unused.
    weak = torva.align("acgtacgtacgtacgtacgt", "acgtacgtacgtacgtacgt", factor=1000)
    assert weak.anchor_score == 0 and weak.anchors
    assert not any(a.used for a in weak.anchors) and any(a.listed for a in weak.anchors)
    seq1, seq2 = sequence_pairs(INPUTS[0][0])[0]
    r = torva.align(seq1, seq2, protein=INPUTS[0][1])
    assert r.anchors and all(a.used for a in r.anchors)
    assert r.anchor_score == sum(a.score for a in r.anchors)
    assert not any(a.used for a in torva.list_local(seq1, seq2, protein=INPUTS[0][1]).anchors)


def test_align_many_equals_one_at_a_time():
    pairs = [p for path, protein in INPUTS[:2] + INPUTS[-1:] for p in sequence_pairs(path)]
    pairs += [(b, a) for a, b in pairs]
    for variant in PROGRAMS:
        one = [torva.align(a, b, variant=variant, min_length=30) for a, b in pairs]
        many = torva.align_many(pairs, threads=3, variant=variant, min_length=30)
        assert [_fields(r) for r in many] == [_fields(r) for r in one]
        # Calls from several Python threads at once (the GIL is released).
        with ThreadPoolExecutor(3) as pool:
            concurrent = list(pool.map(lambda p: torva.align(*p, variant=variant, min_length=30),
                                       pairs))
        assert [_fields(r) for r in concurrent] == [_fields(r) for r in one]


def _fields(r):
    return (r.row1, r.row2, r.score, r.anchor_score, r.cigar, r.warnings,
            [(a.begin1, a.end1, a.begin2, a.end2, a.score, a.row1, a.row2, a.listed)
             for a in r.anchors])


def test_options_follow_the_protein_switch_and_defaults(tmp_path):
    (hba, hbb), = sequence_pairs(DATA / "prot_hba_hbb_human.fa")
    as_protein = _fields(torva.align(hba, hbb, protein=True))
    # A matrix of more than 20 letters switches to the protein defaults alone;
    # the defaults given explicitly change nothing.
    assert _fields(torva.align(hba, hbb, matrix=torva.Matrix.protein())) == as_protein
    assert _fields(torva.align(hba, hbb, protein=True, gap_open=-15, gap_extend=2,
                               min_length=50, factor=3)) == as_protein
    # The same matrix read from a file, and given as letters and rows.
    blosum = torva.Matrix.from_file(SOURCE / "data" / "BLOSUM")
    rows = [[blosum.score(a, b) for b in blosum.letters] for a in blosum.letters]
    rebuilt = torva.Matrix(blosum.letters.upper(), rows)
    assert rebuilt.is_protein and rebuilt.score("W", "w") == 11
    assert _fields(torva.align(hba, hbb, matrix=rebuilt)) == as_protein
    # Non-default values reach the aligner as the programs' options do.
    out = run_program("torva", DATA / "prot_hba_hbb_human.fa", True, tmp_path,
                      "-G", "8", "-A", "1", "-C", "20", "-T", "12")
    _, row1, _, row2 = out.read_text().split("\n")[:4]
    r = torva.align(hba, hbb, protein=True, gap_open=8, gap_extend=1, min_length=20, factor=12)
    assert (r.row1, r.row2) == (row1, row2)


# Refusals the keyword table of test_python_conventions.py does not hold.
@pytest.mark.parametrize("call,error", [
    (lambda: torva.align("acgt", "acgt", variant="torva-c"), ValueError),
    (lambda: torva.Matrix.from_file("/nonexistent/matrix"), FileNotFoundError),
    (lambda: torva.Matrix.from_file(SOURCE / "data"), IsADirectoryError),
    (lambda: torva.Matrix.from_text("no header here\n"), ValueError),
    (lambda: torva.Matrix.from_text(">t\nAC\nA 1 2\nC 3\n"), ValueError),
    (lambda: torva.Matrix("aA", [[1, 2], [3, 4]]), ValueError),
    (lambda: torva.Matrix("ac", [[1, 2]]), ValueError),
    (lambda: torva.Matrix("ac", [[1, 2], [3, 2_000_000]]), ValueError),
    # More than the memory limit: refused before anything is filled.
    (lambda: torva.align("a" * 50_000, "c" * 50_000, memory_limit=4_000_000), MemoryError),
    (lambda: torva.align_many([("acgt" * 5000, "acgt" * 5000)], memory_limit=100_000), MemoryError),
    (lambda: torva.align("acgt", "acgt", memory_limit=0), ValueError),
    # Scores that could pass 32 bits.
    (lambda: torva.align("a" * 3000, "a" * 3000, matrix=torva.Matrix("ac", [[10**6, 0], [0, 1]])), ValueError),
])
def test_bad_input_raises(call, error):
    with pytest.raises(error):
        call()


def test_matrix_errors_are_not_printed(capfd):
    with pytest.raises(ValueError, match="No Matrix found"):
        torva.Matrix.from_text("")
    assert capfd.readouterr() == ("", "")

"""Python on a par with the programs: the same warnings about the input, any
sequence-like object, argument errors that name the keyword, file objects,
results that pickle and convert to Biopython, and Ctrl-C honoured at once."""
import gzip
import io
import os
import pickle
import signal
import subprocess
import sys
import textwrap
import warnings
from concurrent.futures import ProcessPoolExecutor
from pathlib import Path

import pytest
import torva
from shared_inputs import BUILD, DATA, SOURCE, fasta_records


def caught_warnings(call):
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        result = call()
    assert all(w.category is torva.TorvaWarning for w in caught)
    return result, [str(w.message) for w in caught]


def program_warnings(tmp_path, text, *flags):
    path = tmp_path / "in.fa"
    path.write_text(text)
    done = subprocess.run([str(BUILD / "torva"), "-q", *flags, "-I", str(path), "-O", str(tmp_path / "out")],
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, check=True)
    return path, (done.stdout + done.stderr).splitlines()


# --- the programs' checks of the input ---------------------------------------------------

def test_input_warnings_say_what_the_programs_say(tmp_path):
    seq1 = "ACGTRYACGTACGTAAGGCTTACGATCGATCGGGTACGWSACGT"
    seq2 = "ACGTACGTACGAACGTAAGGCTTACGATCGATCGGGTACGTACGT"
    path, said = program_warnings(tmp_path, f">one\n{seq1}\n>two\n{seq2}\n")
    r, texts = caught_warnings(lambda: torva.align(seq1, seq2))
    assert r.warnings == texts
    # The program's words about record 1, given about seq1.
    (letters,) = [line.split(" has ", 1)[1] for line in said if "no row for" in line]
    assert texts == ["seq1 has " + letters]
    # align_file names the record as the program does.
    (from_file,), texts = caught_warnings(lambda: list(torva.align_file(path)))
    assert from_file.warnings == texts == ["record 1 (one) has " + letters]


@pytest.mark.parametrize("seq1,words", [
    ("", ["seq1 is empty"]),
    ("acgt acgtac", ["seq1 has digits, spaces or line ends"]),
    ("acgtacgt\nacgtacgt", ["seq1 has digits, spaces or line ends"]),
    ("1 acgtacgtac 61 ggtc", ["seq1 has digits, spaces or line ends"]),
    ("acgtnnnnacgtNNNN", []),  # the mask character is no unknown letter
    ("MVLSPADKTNVKAAWGKVGAHAGEYGAEALERMFLSFPTTKTYFPHF",
     ["seq1 has ", "no row for", "seq2 has ", "looks like protein", "protein=True"]),
])
def test_each_check_speaks_once(seq1, words):
    seq2 = "MVHLTPEEKSAVTALWGKVNVDEVGGEALGRLLVVYPWTQRFFESF" if "MVLS" in seq1 else "acgtacgtacgtacgt"
    _, texts = caught_warnings(lambda: torva.align(seq1, seq2))
    joined = " | ".join(texts)
    for word in words:
        assert word in joined
    if not words:
        assert texts == []
    # Protein letters aligned as protein need no word.
    if "MVLS" in seq1:
        assert caught_warnings(lambda: torva.align(seq1, seq2, protein=True))[1] == []


def test_align_many_warns_per_pair_and_names_its_place():
    pairs = [("acgtacgt", "acgtacct"), ("acgtRacgt", ""), ("acgt", "acgt")]
    results, texts = caught_warnings(lambda: torva.align_many(pairs, threads=2))
    assert [r.warnings for r in results] == [
        [], ["pairs[1][0] has 1 letter that the matrix has no row for (R); they score 0",
             "pairs[1][1] is empty; it is aligned as all gaps"], []]
    assert texts == results[1].warnings


# --- sequences as Python holds them ------------------------------------------------------

class Letters:
    def __init__(self, text):
        self.text = text

    def __str__(self):
        return self.text


def test_sequence_like_objects_align_as_their_letters():
    (_, seq1), (_, seq2) = fasta_records(DATA / "dna_2k_hbd_hbb.fa")
    expected = torva.align(seq1, seq2)
    for a, b in [(seq1.encode(), bytearray(seq2.encode())), (Letters(seq1), Letters(seq2))]:
        r = torva.align(a, b)
        assert (r.row1, r.row2, r.score) == (expected.row1, expected.row2, expected.score)
    assert [r.row1 for r in torva.align_many([(Letters(seq1), seq2.encode())])] == [expected.row1]


def test_biopython_seq_and_seqrecord_are_taken():
    seq = pytest.importorskip("Bio.Seq")
    record = pytest.importorskip("Bio.SeqRecord")
    (_, seq1), (_, seq2) = fasta_records(DATA / "dna_2k_hbd_hbb.fa")
    expected = torva.align(seq1, seq2)
    r = torva.align(seq.Seq(seq1), record.SeqRecord(seq.Seq(seq2), id="hbb", description="beta"))
    assert (r.row1, r.row2, r.score) == (expected.row1, expected.row2, expected.score)


@pytest.mark.parametrize("value,shown", [(None, "NoneType"), (12, "int"), (object(), "object"),
                                         (Letters("<a b>"), "Letters"), (["a", "c"], "list")])
def test_other_objects_are_refused_naming_the_argument(value, shown):
    with pytest.raises(TypeError, match="seq2 takes the sequence") as caught:
        torva.align("acgt", value)
    assert shown in str(caught.value)
    with pytest.raises(TypeError, match=r"pairs\[0\]\[1\] takes"):
        torva.align_many([("acgt", value)])


# --- argument errors ----------------------------------------------------------------------

@pytest.mark.parametrize("call,error,words", [
    (lambda: torva.align("a", "c", gapopen=5), TypeError, ["'gapopen'", "gap_open", "memory_limit="]),
    (lambda: torva.align_many([], thread=2), TypeError, ["'thread'", "did you mean threads"]),
    (lambda: torva.align_file("x.fa", gap_opn=3), TypeError, ["'gap_opn'", "gap_open"]),
    (lambda: torva.list_local("a", "c", bogus=1), TypeError, ["'bogus'", "list_local(seq1, seq2, *, "]),
    (lambda: torva.align("a", "c", gap_open=5.0), TypeError, ["gap_open=", "whole number", "float"]),
    (lambda: torva.align("a", "c", gap_extend="2"), TypeError, ["gap_extend=", "str"]),
    (lambda: torva.align("a", "c", factor=True), TypeError, ["factor=", "bool"]),
    (lambda: torva.align("a", "c", protein="yes"), TypeError, ["protein=", "True or False"]),
    (lambda: torva.align("a", "c", variant=2), TypeError, ["variant=", "int"]),
    (lambda: torva.align("a", "c", 5), TypeError, ["2 positional arguments", "keywords"]),
    (lambda: torva.align("a"), TypeError, ["missing", "'seq2'"]),
    (lambda: torva.align("a", "c", seq1="g"), TypeError, ["multiple values", "'seq1'"]),
    (lambda: torva.align_many(5), TypeError, ["int"]),
    (lambda: torva.align_many(["ac"]), TypeError, ["pairs[0]", "(seq1, seq2) pair"]),
    (lambda: torva.align("a", "c", gap_open=2**31), ValueError, ["gap_open=2147483648", "-1000000..1000000"]),
    (lambda: torva.align("a", "c", min_length=-2**70), ValueError, ["min_length=-1180591620717411303424"]),
    (lambda: torva.align_many([("a", "c")], threads=2**40), ValueError, ["threads=1099511627776", "1..256"]),
    (lambda: torva.align("a", "c", memory_limit=2**64), ValueError, ["memory_limit=18446744073709551616"]),
    (lambda: torva.align("a", "c", memory_limit=-1), ValueError, ["memory_limit=-1", "None"]),
])
def test_argument_errors_name_the_keyword(call, error, words):
    with pytest.raises(error) as caught:
        call()
    text = str(caught.value)
    for word in words:
        assert word in text
    assert "incompatible function arguments" not in text


def test_numbers_of_other_int_types_are_taken():
    class Index:
        def __index__(self):
            return 9
    r = torva.align("acgtacgt" * 20, "acgtaggt" * 20, gap_open=Index())
    assert r.score == torva.align("acgtacgt" * 20, "acgtaggt" * 20, gap_open=9).score


def test_signatures_read_as_python_functions():
    import inspect
    parameters = inspect.signature(torva.align_many).parameters
    assert list(parameters)[:3] == ["pairs", "threads", "protein"]
    assert parameters["factor"].default == 10
    assert parameters["threads"].kind is inspect.Parameter.KEYWORD_ONLY


# --- files, names, pickling, Biopython ----------------------------------------------------

def test_read_fasta_takes_file_objects_and_names_records_as_align_file(tmp_path):
    path = SOURCE / "examples" / "demo.fa"
    expected = list(torva.read_fasta(path))
    packed = tmp_path / "demo.fa.gz"
    packed.write_bytes(gzip.compress(path.read_bytes()))
    with open(path) as text, open(path, "rb") as binary, gzip.open(packed, "rt") as unpacked:
        for handle in (text, binary, unpacked, io.StringIO(path.read_text())):
            assert list(torva.read_fasta(handle)) == expected
    names = [name for r in torva.align_file(path) for name in (r.name1, r.name2)]
    assert names == [r.name for r in expected][:len(names)]
    with open(path) as handle:
        assert [r.row1 for r in torva.align_file(handle)] == [r.row1 for r in torva.align_file(path)]
    with pytest.raises(ValueError, match="FASTQ"):
        list(torva.read_fasta(io.StringIO("@r\nACGT\n+\nIIII\n")))
    with pytest.raises(TypeError, match="file object"):
        torva.read_fasta(42)


def _fields(r):
    return (r.row1, r.row2, r.score, r.anchor_score, r.cigar, r.full_cigar, r.warnings, r.name1,
            r.name2, r.start1, r.end2, r.matches, str(r),
            [(a.begin1, a.end1, a.begin2, a.end2, a.score, a.row1, a.row2, a.listed) for a in r.anchors])


def test_results_pickle_and_travel_to_a_process_pool():
    path = SOURCE / "examples" / "demo.fa"
    results = list(torva.align_file(path, matrix="DNA_MATCH"))
    for r in results:
        back = pickle.loads(pickle.dumps(r))
        assert _fields(back) == _fields(r)
    matrix = torva.Matrix.named("PAM70")
    back = pickle.loads(pickle.dumps(matrix))
    assert (back.letters, back.title, back.score("w", "w")) == (matrix.letters, matrix.title, 13)
    with ProcessPoolExecutor(1) as pool:
        returned = list(pool.map(pickle.loads, [pickle.dumps(r) for r in results]))
    assert [_fields(r) for r in returned] == [_fields(r) for r in results]


def test_to_biopython_gives_the_same_alignment():
    pytest.importorskip("Bio.Align")
    for path in (DATA / "dna_2k_hbd_hbb.fa", SOURCE / "examples" / "demo.fa"):
        for r in torva.align_file(path):
            alignment = r.to_biopython()
            assert [alignment[0], alignment[1]] == [r.row1, r.row2]
            assert [s.id for s in alignment.sequences] == [r.name1.split()[0], r.name2.split()[0]]
            assert alignment.shape == (2, len(r.row1))
            assert [len(s) for s in alignment.sequences] == [len(r.row1) - r.row1.count("-"),
                                                             len(r.row2) - r.row2.count("-")]


# --- Ctrl-C -------------------------------------------------------------------------------

INTERRUPTED = textwrap.dedent("""
    import os, signal, sys, threading, time
    import torva
    sys.path.insert(0, sys.argv[2])
    from shared_inputs import DATA, fasta_records
    (_, a), (_, b) = fasta_records(DATA / "dna_50k_aglobin_human_cow.fa")
    # Four copies of a real 50 kb pair: tens of seconds of work.
    a, b = a * 4, b * 4
    path = sys.argv[3]
    with open(path, "w") as out:
        out.write(f">a\\n{a}\\n>b\\n{b}\\n")
    calls = {"align": lambda: torva.align(a, b),
             "align_many": lambda: torva.align_many([(a, b), (b, a)], threads=2),
             "align_file": lambda: list(torva.align_file(path, threads=2))}
    sent = []
    def interrupt():
        sent.append(time.monotonic())
        os.kill(os.getpid(), signal.SIGINT)
    threading.Timer(1.0, interrupt).start()
    try:
        calls[sys.argv[1]]()
        print("not interrupted")
    except KeyboardInterrupt:
        print(time.monotonic() - sent[0])
""")


@pytest.mark.parametrize("call", ["align", "align_many", "align_file"])
def test_ctrl_c_ends_a_long_call_within_a_second(call, tmp_path):
    done = subprocess.run([sys.executable, "-c", INTERRUPTED, call, str(Path(__file__).parent),
                           str(tmp_path / "pair.fa")],
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=120,
                          env={**os.environ, "PYTHONPATH": os.environ.get("PYTHONPATH", "")})
    assert done.returncode == 0, done.stderr
    assert float(done.stdout) < 1.0

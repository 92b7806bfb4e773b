"""What Python callers rely on: the span and identity of a result as PAF gives
them, the readable view, FASTA files in and results out, warnings through the
warnings module, errors that name the keyword, and matrices by name."""
import gzip
import shutil
import subprocess
import warnings
from pathlib import Path

import pytest
import torva
from shared_inputs import BUILD, DATA, PAIRS, SOURCE, fasta_records

PROTEIN_PAIRS = [p for p, protein in PAIRS if protein]


def run_program(tmp_path, path, *flags, program="torva"):
    out = tmp_path / "out"
    done = subprocess.run([str(BUILD / program), "-q", *flags, "-I", str(path), "-O", str(out),
                           "--paf", str(tmp_path / "out.paf")],
                          stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, check=True)
    return out, done.stderr


# --- the result's span and identity -------------------------------------------------------

@pytest.mark.parametrize("path,protein", PAIRS, ids=lambda v: getattr(v, "name", ""))
def test_span_and_identity_are_the_paf_columns(path, protein, tmp_path):
    run_program(tmp_path, path, *(["-P"] if protein else []))
    paf = (tmp_path / "out.paf").read_text().split("\t")
    (_, seq1), (_, seq2) = fasta_records(path)
    r = torva.align(seq1, seq2, protein=protein)
    assert (r.start1, r.end1, r.start2, r.end2) == tuple(int(paf[k]) for k in (2, 3, 7, 8))
    assert (r.matches, r.columns) == (int(paf[9]), int(paf[10]))
    assert r.identity == pytest.approx(r.matches / len(r.row1))
    assert 0 < r.identity <= 1
    # The cigar spans the same columns as the start and end fields.
    assert "cg:Z:" + r.cigar in paf


@pytest.mark.filterwarnings("ignore::torva.TorvaWarning")  # an empty sequence
@pytest.mark.parametrize("seq1,seq2,span,matches,columns", [
    ("acgtac" * 10, "ACGTAC" * 10, (0, 60, 0, 60), 60, 60),  # case does not matter
    ("acgt", "", (0, 0, 0, 0), 0, 0),                          # no column with two residues
    ("", "", (0, 0, 0, 0), 0, 0),
])
def test_span_at_the_edges(seq1, seq2, span, matches, columns):
    r = torva.align(seq1, seq2)
    assert (r.start1, r.end1, r.start2, r.end2) == span
    assert (r.matches, r.columns) == (matches, columns)
    assert r.identity == (1.0 if matches else 0.0)


def test_format_shows_the_rows_in_blocks_with_positions_and_marks():
    (_, seq1), (_, seq2) = fasta_records(DATA / "prot_pax3_pax7_human.fa")
    r = torva.align(seq1, seq2, protein=True)
    blosum = torva.Matrix.protein()
    for width in (60, 17):
        lines = r.format(width=width).split("\n")
        assert lines[-1] == "" and all(line == "" for line in lines[3:-1:4])
        blocks = [lines[k:k + 3] for k in range(0, len(lines) - 1, 4)]
        assert len(blocks) == -(-len(r.row1) // width)
        rows, nexts = ["", ""], [1, 1]
        for top, marks, bottom in blocks:
            for k, line in enumerate((top, bottom)):
                name, start, segment, end = line.split()
                assert name == ("seq1", "seq2")[k]
                assert int(start) == nexts[k]
                residues = len(segment) - segment.count("-")
                assert int(end) == nexts[k] + residues - 1
                nexts[k] += residues
                rows[k] += segment
            # The mark line stands under the segments, column for column.
            segment1, segment2 = top.split()[2], bottom.split()[2]
            column = top.index(segment1, len(top.split()[0]) + 1)
            assert marks[:column].strip() == ""
            for a, b, mark in zip(segment1, segment2, marks[column:].ljust(len(segment1))):
                expected = (" " if "-" in (a, b) else "|" if a == b
                            else ":" if blosum.score(a, b) > 0 else ".")
                assert mark == expected, (a, b)
        assert rows == [r.row1, r.row2]
        assert nexts == [len(seq1) + 1, len(seq2) + 1]
    assert str(r) == r.format()
    assert "score %d" % r.score in repr(r) and "identity" in repr(r)


# --- FASTA files in, results out ------------------------------------------------------------

def test_read_fasta_gives_the_records_of_plain_and_gzip_files(tmp_path):
    path = SOURCE / "examples" / "demo.fa"
    packed = tmp_path / "demo.fa.gz"
    packed.write_bytes(gzip.compress(path.read_bytes()))
    expected = fasta_records(path)
    assert len(expected) > 2
    for given in (path, str(packed)):
        records = list(torva.read_fasta(given))
        assert [(r.header, r.sequence) for r in records] == expected
    # Named as the programs name the records in their files.
    out, _ = run_program(tmp_path, path)
    names = [line.split("\t")[:2] for line in Path(str(out) + ".score").read_text().splitlines()]
    assert [name for r in records for name in [r.name]] == [n for pair in names for n in pair]
    name, sequence = records[0]
    assert (name, sequence) == (records[0].name, records[0].sequence)


@pytest.mark.parametrize("content,error,words", [
    (None, FileNotFoundError, "no-such.fa"),
    ("dir", IsADirectoryError, ""),
    (b"@read1\nACGT\n+\nIIII\n", ValueError, "FASTQ"),
    (b"\x1f\x8b\x08\x00damaged", ValueError, ""),
])
def test_read_fasta_refuses_what_is_no_fasta(content, error, words, tmp_path):
    path = tmp_path / "no-such.fa"
    if content == "dir":
        path.mkdir()
    elif content is not None:
        path.write_bytes(content)
    with pytest.raises(error, match=words):
        list(torva.read_fasta(path))


def _many_pairs_file(tmp_path):
    """The real pairs one after another, and a last record without a partner."""
    path = tmp_path / "many.fa"
    text = "".join(p.read_text() for p in [DATA / "dna_1k_yeast_cct4.fa", DATA / "dna_2k_hbd_hbb.fa",
                                           SOURCE / "examples" / "demo.fa"])
    text += ">lonely one\nacgtacgtac\n"
    path.write_text(text)
    return path


def test_align_file_gives_the_programs_alignments_in_input_order(tmp_path):
    path = _many_pairs_file(tmp_path)
    out, stderr = run_program(tmp_path, path, "-t", "2")
    blocks = out.read_text().split("\n\n")
    paf = (tmp_path / "out.paf").read_text().splitlines()
    for threads in (None, 1, 3):
        with warnings.catch_warnings(record=True) as caught:
            warnings.simplefilter("always")
            results = list(torva.align_file(path, threads=threads))
        assert len(results) == len(paf)
        for r, block, record in zip(results, blocks, paf):
            header, row1, _, row2 = block.strip("\n").split("\n")[:4]
            names, anchor_score, score = header[1:].rsplit("\t", 2)
            assert (r.row1, r.row2, r.score, r.anchor_score) == (row1, row2, int(score), int(anchor_score))
            fields = record.split("\t")
            assert (r.name1.split()[0], r.name2.split()[0]) == (fields[0], fields[5])
        # The program's one warning (the last record has no partner) comes
        # as a TorvaWarning naming the same record.
        texts = [str(w.message) for w in caught if w.category is torva.TorvaWarning]
        assert any("no partner" in t for t in texts) and "no partner" in stderr
        assert [t.split("(")[1] for t in texts if "no partner" in t] == \
               [line.split("(")[1] for line in stderr.splitlines() if "no partner" in line]


def test_align_file_takes_gzip_and_the_options(tmp_path):
    source = DATA / "prot_hba_hbb_human.fa"
    packed = tmp_path / "pair.fa.gz"
    packed.write_bytes(gzip.compress(source.read_bytes()))
    out, _ = run_program(tmp_path, source, "-P", "-S", "PAM70", "-G", "9")
    (r,) = torva.align_file(packed, matrix="pam70", gap_open=9, threads=1)
    assert [r.row1, r.row2] == out.read_text().split("\n")[1:4:2]


def test_align_file_gives_the_pairs_before_one_that_fails_then_its_error(tmp_path):
    path = tmp_path / "pairs.fa"
    # More than the memory limit: refused before anything is filled.
    path.write_text(">a\nacgtacgtac\n>b\nacgtaggtac\n"
                    f">big1\n{'a' * 50_000}\n>big2\n{'c' * 50_000}\n"
                    ">c\nacgt\n>d\nacct\n")
    for threads in (1, 3):
        results = torva.align_file(path, threads=threads, memory_limit=4_000_000)
        assert next(results).name1 == "a"
        with pytest.raises(MemoryError):
            next(results)
        assert list(results) == []


# --- warnings and errors --------------------------------------------------------------------

def test_warnings_come_through_the_warnings_module():
    (_, hba), (_, hbb) = fasta_records(DATA / "prot_hba_hbb_human.fa")
    assert issubclass(torva.TorvaWarning, UserWarning)
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        r = torva.align(hba, hbb)  # protein, aligned as DNA
    # As the programs: each sequence has letters the DNA matrix has no row
    # for, and the pair looks like protein.
    assert [w.category for w in caught] == [torva.TorvaWarning] * 3
    texts = [str(w.message) for w in caught]
    assert [t.split(" has ")[0] for t in texts[:2]] == ["seq1", "seq2"]
    text = texts[2]
    assert "protein=True" in text and "-P" not in text and not text.startswith("warning")
    assert r.warnings == texts
    with warnings.catch_warnings():
        warnings.simplefilter("error", torva.TorvaWarning)
        with pytest.raises(torva.TorvaWarning):
            torva.align_many([(hba, hbb)], threads=1)
        torva.align(hba, hbb, protein=True)  # nothing to say
        warnings.simplefilter("ignore", torva.TorvaWarning)
        assert torva.align(hba, hbb).warnings == texts


@pytest.mark.parametrize("call,error,words", [
    (lambda: torva.align("a", "c", gap_open=10_000_000), ValueError, ["gap_open=10000000", "-1000000..1000000"]),
    (lambda: torva.align("a", "c", gap_extend=-2_000_000), ValueError, ["gap_extend=", "1000000"]),
    (lambda: torva.align("a", "c", factor=-1), ValueError, ["factor=-1", "0..1000000"]),
    (lambda: torva.list_local("a", "c", min_length=-5), ValueError, ["min_length=-5"]),
    (lambda: torva.align_many([("a", "c")], threads=0), ValueError, ["threads=0", "1..256", "None"]),
    (lambda: torva.align_many([("a", "c")], threads=257), ValueError, ["threads=257"]),
    (lambda: torva.align_file(DATA / "prot_hba_hbb_human.fa", threads=-1), ValueError, ["threads=-1"]),
    (lambda: torva.align("a", "c", matrix="BLOSUM99"), ValueError, ["BLOSUM99", "BLOSUM62", "PAM250", "HOXD70"]),
    (lambda: torva.align("a", "c", matrix=62), TypeError, ["matrix=", "int"]),
    (lambda: torva.Matrix.named("BLOSUM99"), ValueError, ["BLOSUM45", "DNA_MATCH"]),
    (lambda: torva.align("a", "c", matrix=Path("/nonexistent/matrix")), FileNotFoundError, []),
])
def test_errors_name_the_keyword_and_what_it_takes(call, error, words):
    with pytest.raises(error) as caught:
        call()
    for word in words:
        assert word in str(caught.value)


def test_threads_default_to_the_cores_this_process_may_use():
    pairs = [("acgtacgtacgt" * 20, "acgtacctacgt" * 20)] * 5
    default = [r.row1 for r in torva.align_many(pairs)]
    assert default == [r.row1 for r in torva.align_many(pairs, threads=1)]
    assert default == [r.row1 for r in torva.align_many(pairs, threads=None)]


# --- matrices by name -----------------------------------------------------------------------

def test_matrices_by_name_path_or_object_align_alike(tmp_path):
    (_, hba), (_, hbb) = fasta_records(DATA / "prot_hba_hbb_human.fa")
    expected = torva.align(hba, hbb, matrix=torva.Matrix.from_file(SOURCE / "data" / "PAM250"))
    for given in ["PAM250", "pam250", torva.Matrix.named("Pam250"), SOURCE / "data" / "PAM250",
                  str(SOURCE / "data" / "PAM250")]:
        r = torva.align(hba, hbb, matrix=given)
        assert (r.row1, r.row2, r.score) == (expected.row1, expected.row2, expected.score), given
    # A protein matrix by name switches to the protein defaults, as -S does.
    assert torva.align(hba, hbb, matrix="BLOSUM62").score == torva.align(hba, hbb, protein=True).score
    assert torva.Matrix.names() == sorted(torva.Matrix.names(), key=torva.Matrix.names().index)
    assert {"BLOSUM45", "BLOSUM50", "BLOSUM62", "BLOSUM80", "PAM30", "PAM70", "PAM250",
            "HOXD70"} <= set(torva.Matrix.names())


# Optimal global scores of the real protein pairs with BLOSUM62 and gap costs
# 15/2 (a gap of k residues costs 15 + 2(k-1), end gaps too), as other
# aligners agree on them (bench/data/README.md).
PEER_SCORES = {"prot_hba_hbb_human.fa": 267, "prot_pax3_pax7_human.fa": 1780,
               "prot_wzc_kl1_kl2.fa": 1872}


@pytest.mark.parametrize("path", PROTEIN_PAIRS, ids=lambda p: p.name)
def test_blosum62_global_scores_agree_with_a_peer(path, tmp_path):
    (_, seq1), (_, seq2) = fasta_records(path)
    # A cutoff no local alignment reaches: one global alignment of the whole pair.
    r = torva.align(seq1, seq2, matrix="BLOSUM62", factor=1_000_000)
    assert r.anchor_score == 0
    assert r.score == PEER_SCORES[path.name]
    # The program, with the matrix by name, scores it alike.
    out, _ = run_program(tmp_path, path, "-S", "BLOSUM62", "-T", "1000000")
    assert int(out.read_text().split("\n")[0].rsplit("\t", 1)[1]) == r.score
    peer = shutil.which("parasail_aligner")
    if peer is None:
        return
    (tmp_path / "a.fa").write_text(f">a\n{seq1}\n")
    (tmp_path / "b.fa").write_text(f">b\n{seq2}\n")
    with open(tmp_path / "b.fa") as queries:
        subprocess.run([peer, "-a", "nw", "-m", "blosum62", "-o", "15", "-e", "2", "-x",
                        "-f", str(tmp_path / "a.fa"), "-g", str(tmp_path / "peer.csv")],
                       stdin=queries, stdout=subprocess.DEVNULL, check=True)
    assert int((tmp_path / "peer.csv").read_text().split(",")[4]) == r.score


@pytest.mark.skipif(shutil.which("parasail_aligner") is None, reason="parasail_aligner is not installed")
@pytest.mark.parametrize("name", ["BLOSUM45", "BLOSUM50", "BLOSUM62", "PAM30", "PAM70", "PAM250"])
def test_shipped_protein_matrices_equal_a_peers_tables(name, tmp_path):
    # Every pair of letters aligned alone, with gaps too dear to use: the
    # peer's score of each one-letter pair is its table's entry.
    letters = "ARNDCQEGHILKMFPSTWYVBZX*"
    fasta = tmp_path / "letters.fa"
    fasta.write_text("".join(f">{k}\n{c}\n" for k, c in enumerate(letters)))
    with open(fasta) as queries:
        subprocess.run(["parasail_aligner", "-a", "nw", "-m", name.lower(), "-o", "100", "-e", "10",
                        "-x", "-f", str(fasta), "-g", str(tmp_path / "peer.csv")],
                       stdin=queries, stdout=subprocess.DEVNULL, check=True)
    matrix = torva.Matrix.named(name)
    seen = 0
    for line in (tmp_path / "peer.csv").read_text().splitlines():
        q, d, _, _, score = line.split(",")[:5]
        a, b = letters[int(q)], letters[int(d)]
        assert matrix.score(a, b) == int(score), (a, b)
        seen += 1
    assert seen == len(letters) ** 2


# --- the programs' view and pictures, read by others ---------------------------------------

def test_one_identity_in_view_picture_report_and_python(tmp_path):
    import re
    fasta = SOURCE / "examples" / "demo.fa"
    out = tmp_path / "out"
    subprocess.run([str(BUILD / "torva"), "-q", "-I", str(fasta), "-O", str(out), "--view", str(tmp_path / "v"),
                    "--plot", str(tmp_path / "plots"), "--report", str(tmp_path / "r.html")], check=True)
    view = re.findall(r"^# Identity: +(\d+)/(\d+) \((\d+\.\d)%\)$", (tmp_path / "v").read_text(), re.M)
    pictures = [re.search(r"identity (\d+\.\d)% \((\d+) identical of all (\d+) alignment columns", p.read_text())
                for p in sorted((tmp_path / "plots").iterdir())]
    report = re.findall(r'<td data-v="(\d+\.\d)">\1</td><td data-v="\d+">', (tmp_path / "r.html").read_text())
    results = [torva.align(a, b) for a, b in zip(*[iter([s for _, s in fasta_records(fasta)])] * 2)]
    assert len(view) == len(pictures) == len(report) == len(results) == 3
    for (same, columns, percent), picture, shown, r in zip(view, pictures, report, results):
        assert (picture.group(2), picture.group(3)) == (same, columns)
        assert picture.group(1) == percent == shown
        assert (r.matches, len(r.row1)) == (int(same), int(columns))
        assert "%.1f" % (100 * r.identity) == percent


def test_biopython_reads_every_pair_of_the_view(tmp_path):
    AlignIO = pytest.importorskip("Bio.AlignIO")
    for flags, path in (([], SOURCE / "examples" / "demo.fa"), (["-P"], DATA / "prot_hba_hbb_human.fa"),
                        (["-P"], DATA / "prot_pax3_pax7_human.fa")):
        out = tmp_path / path.name
        subprocess.run([str(BUILD / "torva"), "-q", *flags, "-I", str(path), "-O", str(out),
                        "--view", str(tmp_path / "v")], check=True)
        lines = out.read_text().split("\n")
        alignments = list(AlignIO.parse(str(tmp_path / "v"), "emboss"))
        assert len(alignments) == len(fasta_records(path)) // 2
        for k, alignment in enumerate(alignments):
            header1, row1, header2, row2 = lines[5 * k:5 * k + 4]
            assert [str(record.seq) for record in alignment] == [row1, row2]
            assert [record.id for record in alignment] == [header1[1:].split("\t")[0], header2[1:]]
            assert alignment.annotations["score"] == float(header1.split("\t")[2])
    # With -L each listed anchor is an alignment of its own.
    path = SOURCE / "examples" / "demo.fa"
    subprocess.run([str(BUILD / "torva"), "-q", "-L", "-I", str(path), "-O", str(tmp_path / "l"),
                    "--view", str(tmp_path / "lv")], check=True)
    listed = [line for line in (tmp_path / "l.loc").read_text().split("\n") if line.startswith("1 ")]
    anchors = list(AlignIO.parse(str(tmp_path / "lv"), "emboss"))
    assert [a.annotations["score"] for a in anchors] == [float(line.split()[3]) for line in listed]

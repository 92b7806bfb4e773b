"""Anchored pairwise alignment of DNA and protein sequences."""

import os
from typing import IO, Any, Iterator, List, Literal, NamedTuple, Optional, Sequence, Tuple, Union

__version__: str

Variant = Literal["torva", "torva-b"]
# A torva.Matrix, the name of a shipped matrix ("BLOSUM62", "PAM250",
# "HOXD70", ...: Matrix.names()) or the path of a matrix file.
MatrixLike = Union["Matrix", str, os.PathLike[str]]
# A str, bytes, Bio.Seq.Seq, Bio.SeqRecord.SeqRecord (its .seq), or anything
# whose str() is the letters.
SequenceLike = Any
# A path (plain or gzip-compressed FASTA) or a file object open for reading.
FastaSource = Union[str, os.PathLike[str], IO[str], IO[bytes]]

class TorvaWarning(UserWarning):
    """Issued about a pair, e.g. protein aligned as DNA."""

class Matrix:
    def __init__(self, letters: str, scores: Sequence[Sequence[int]], title: str = "") -> None: ...
    @staticmethod
    def from_file(path: Union[str, os.PathLike[str]]) -> Matrix: ...
    @staticmethod
    def from_text(text: str) -> Matrix: ...
    @staticmethod
    def named(name: str) -> Matrix: ...
    @staticmethod
    def names() -> List[str]: ...
    @staticmethod
    def dna() -> Matrix: ...
    @staticmethod
    def protein() -> Matrix: ...
    @property
    def letters(self) -> str: ...
    @property
    def title(self) -> str: ...
    @property
    def is_protein(self) -> bool: ...
    def score(self, a: str, b: str) -> int: ...

class Anchor:
    begin1: int
    end1: int
    begin2: int
    end2: int
    score: int
    row1: str
    row2: str
    listed: bool
    used: bool

class Result:
    row1: str
    row2: str
    score: int
    anchor_score: int
    anchors: List[Anchor]
    # The columns from start1/start2 to end1/end2, as the PAF cg:Z: tag.
    cigar: str
    # Every column of row1 and row2, overhangs included.
    full_cigar: str
    strand: str  # "plus", or "minus" when seq2 was aligned reverse-complemented
    warnings: List[str]
    name1: str
    name2: str
    # The span in which both rows hold residues, as in PAF: 0-based, end exclusive.
    start1: int
    end1: int
    start2: int
    end2: int
    matches: int   # identical residues, PAF's column 10
    columns: int   # columns of the span, PAF's column 11
    identity: float  # identical columns / all alignment columns, as the view and report give it
    def format(self, width: int = 60) -> str: ...
    # A Bio.Align.Alignment; ImportError without Biopython.
    def to_biopython(self) -> Any: ...

class FastaRecord(NamedTuple):
    name: str
    sequence: str
    # header: the whole header line after '>', set on every record read.

class Listing:
    anchor_score: int
    anchors: List[Anchor]
    warnings: List[str]

def align(seq1: SequenceLike, seq2: SequenceLike, *, protein: bool = False, matrix: Optional[MatrixLike] = None,
          gap_open: Optional[int] = None, gap_extend: Optional[int] = None, factor: int = 10,
          min_length: Optional[int] = None, variant: Variant = "torva",
          memory_limit: Optional[int] = None, strand: str = "plus") -> Result: ...
def list_local(seq1: SequenceLike, seq2: SequenceLike, *, protein: bool = False,
               matrix: Optional[MatrixLike] = None, gap_open: Optional[int] = None,
               gap_extend: Optional[int] = None, factor: int = 10,
               min_length: Optional[int] = None, variant: Variant = "torva",
          memory_limit: Optional[int] = None, strand: str = "plus") -> Listing: ...
def align_many(pairs: Sequence[Tuple[SequenceLike, SequenceLike]], *, threads: Optional[int] = None,
               protein: bool = False, matrix: Optional[MatrixLike] = None,
               gap_open: Optional[int] = None, gap_extend: Optional[int] = None,
               factor: int = 10, min_length: Optional[int] = None,
               variant: Variant = "torva",
          memory_limit: Optional[int] = None, strand: str = "plus") -> List[Result]: ...
def align_file(path: FastaSource, *, threads: Optional[int] = None,
               protein: bool = False, matrix: Optional[MatrixLike] = None,
               gap_open: Optional[int] = None, gap_extend: Optional[int] = None,
               factor: int = 10, min_length: Optional[int] = None,
               variant: Variant = "torva",
          memory_limit: Optional[int] = None, strand: str = "plus") -> Iterator[Result]: ...
def read_fasta(path: FastaSource) -> Iterator[FastaRecord]: ...
def reverse_complement(sequence: str) -> str: ...
def cigar(row1: str, row2: str) -> str: ...

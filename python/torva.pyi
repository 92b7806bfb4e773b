"""Anchored pairwise alignment of DNA and protein sequences."""

import os
from typing import Literal, Optional, Sequence, Tuple, List

__version__: str

Variant = Literal["torva", "torva-b"]

class Matrix:
    def __init__(self, letters: str, scores: Sequence[Sequence[int]], title: str = "") -> None: ...
    @staticmethod
    def from_file(path: str | os.PathLike[str]) -> Matrix: ...
    @staticmethod
    def from_text(text: str) -> Matrix: ...
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

class Result:
    row1: str
    row2: str
    score: int
    anchor_score: int
    anchors: List[Anchor]
    cigar: str
    warnings: List[str]

class Listing:
    anchor_score: int
    anchors: List[Anchor]
    warnings: List[str]

def align(seq1: str, seq2: str, *, protein: bool = False, matrix: Optional[Matrix] = None,
          gap_open: Optional[int] = None, gap_extend: Optional[int] = None, factor: int = 10,
          min_length: Optional[int] = None, variant: Variant = "torva",
          memory_limit: Optional[int] = None) -> Result: ...
def list_local(seq1: str, seq2: str, *, protein: bool = False, matrix: Optional[Matrix] = None,
               gap_open: Optional[int] = None, gap_extend: Optional[int] = None, factor: int = 10,
               min_length: Optional[int] = None, variant: Variant = "torva",
               memory_limit: Optional[int] = None) -> Listing: ...
def align_many(pairs: Sequence[Tuple[str, str]], *, threads: int = 0, protein: bool = False,
               matrix: Optional[Matrix] = None, gap_open: Optional[int] = None,
               gap_extend: Optional[int] = None, factor: int = 10,
               min_length: Optional[int] = None, variant: Variant = "torva",
               memory_limit: Optional[int] = None) -> List[Result]: ...
def cigar(row1: str, row2: str) -> str: ...

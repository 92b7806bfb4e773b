#!/usr/bin/env python3
"""Splits a FASTA file of pairs into N chunk files without separating a pair.

usage: split_pairs.py PROGRAM INPUT N OUT_1 ... OUT_N

Records 2k-1 and 2k always share a chunk. Chunks hold consecutive pairs in
input order and are balanced by size in bytes, so concatenating the chunks'
outputs gives the outputs of one run over the whole input. A trailing record
without a partner goes to the chunk after the last pair's. Every chunk file
is written, empty when there are fewer pairs than chunks, and beside each
OUT a file OUT.first holds the number of its first pair in the whole input
(for the program's --first-pair). Records are copied byte for byte; gzip
input (known by its first two bytes, as the program knows it) is read
decompressed.

An input the program would refuse or warn about as a whole (no record,
FASTQ, binary data, damaged gzip data, bytes after them, or nothing but
blanks) is handed to PROGRAM over the whole input instead, so that the user
gets the program's own message; the split then fails where the program
fails.
"""
import gzip
import os
import subprocess
import sys
import tempfile
import zlib


class Unsplittable(Exception):
    """The input needs the program's own word."""


def read_bytes(path):
    """The data, and whether bytes followed the end of gzip data."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"\x1f\x8b":
        return data, False
    # Member after member, as the program reads them; damage is the
    # program's to judge.
    out, rest = [], data
    while rest:
        if rest[:1] != b"\x1f":
            return b"".join(out), True
        d = zlib.decompressobj(16 + zlib.MAX_WBITS)
        try:
            out.append(d.decompress(rest))
        except zlib.error:
            raise Unsplittable()
        if not d.eof:
            raise Unsplittable()
        rest = d.unused_data
    return b"".join(out), False


def read_records(data):
    """The records as byte strings, header line included. Text before the
    first header is dropped, as the program ignores it."""
    if b"\0" in data:
        raise Unsplittable()
    records = []
    for line in data.splitlines(keepends=True):
        if line.startswith(b">"):
            records.append(bytearray(line))
        elif records:
            records[-1] += line
    if not records:
        raise Unsplittable()
    head = data[:data.find(b">")].lstrip()
    if head.startswith(b"@"):
        raise Unsplittable()
    return [bytes(r) for r in records]


def assign(sizes, n):
    """Chunk index of each pair: the chunk whose share of the total bytes
    holds the pair's midpoint. Non-decreasing, so chunks stay contiguous."""
    total = sum(sizes)
    if total == 0:
        return [0] * len(sizes)
    out, before = [], 0
    for size in sizes:
        out.append(min(n - 1, (2 * before + size) * n // (2 * total)))
        before += size
    return out


def split(records, n):
    """The chunks' bytes and the number of each chunk's first pair."""
    pairs = [records[k] + records[k + 1] for k in range(0, len(records) - 1, 2)]
    chunks = [[] for _ in range(n)]
    index = assign([len(p) for p in pairs], n)
    for pair, i in zip(pairs, index):
        chunks[i].append(pair)
    firsts, before = [], 0
    for chunk in chunks:
        firsts.append(before + 1)
        before += len(chunk)
    if len(records) % 2:
        last = index[-1] if index else 0
        chunks[last].append(records[-1])
    return [b"".join(c) for c in chunks], firsts


def program_word(program, path):
    """Runs the program over the whole input and passes on what it says;
    its exit status."""
    with tempfile.TemporaryDirectory() as tmp:
        run = subprocess.run([program, "-q", "-I", path, "-O", os.path.join(tmp, "whole")],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    sys.stderr.write(run.stdout.decode("utf-8", "replace"))
    # Where that run's partial files went is of no use: they are gone.
    stopped = os.path.basename(program) + ": the run stopped "
    for line in run.stderr.decode("utf-8", "replace").splitlines(keepends=True):
        if not line.startswith(stopped):
            sys.stderr.write(line)
    return run.returncode


def main(argv):
    if len(argv) < 5 or not argv[3].isdigit() or int(argv[3]) < 1 or len(argv) != 4 + int(argv[3]):
        sys.exit("usage: split_pairs.py PROGRAM INPUT N OUT_1 ... OUT_N")
    program, path, n, outs = argv[1], argv[2], int(argv[3]), argv[4:]
    try:
        data, trailing = read_bytes(path)
        records = read_records(data)
        if trailing:
            name = os.path.basename(program)
            sys.stderr.write(f"{name}: warning: the file: {path} has bytes after the end of its gzip data; "
                             "they are ignored\n")
    except Unsplittable:
        status = program_word(program, path)
        if status != 0:
            sys.exit(status)
        records = []
    chunks, firsts = split(records, n)
    for out, data, first in zip(outs, chunks, firsts):
        with open(out, "wb") as f:
            f.write(data)
        with open(out + ".first", "w") as f:
            f.write(f"{first}\n")


if __name__ == "__main__":
    main(sys.argv)

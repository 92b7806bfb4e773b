#!/usr/bin/env python3
"""Splits a FASTA file of pairs into N chunk files without separating a pair.

usage: split_pairs.py INPUT N OUT_1 ... OUT_N

Records 2k-1 and 2k always share a chunk. Chunks hold consecutive pairs in
input order and are balanced by size in bytes, so concatenating the chunks'
outputs gives the outputs of one run over the whole input. A trailing record
without a partner goes to the last chunk, where the program warns about it as
it would over the whole input. Every chunk file is written, empty when there
are fewer pairs than chunks. Records are copied byte for byte.
"""
import sys


def read_records(path):
    """The records of a FASTA file as byte strings, header line included.
    Text before the first header is dropped, as the program ignores it."""
    records = []
    with open(path, "rb") as f:
        for line in f:
            if line.startswith(b">"):
                records.append(bytearray(line))
            elif records:
                records[-1] += line
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
    pairs = [records[k] + records[k + 1] for k in range(0, len(records) - 1, 2)]
    chunks = [[] for _ in range(n)]
    for pair, index in zip(pairs, assign([len(p) for p in pairs], n)):
        chunks[index].append(pair)
    if len(records) % 2:
        chunks[-1].append(records[-1])
    return [b"".join(c) for c in chunks]


def main(argv):
    if len(argv) < 4 or not argv[2].isdigit() or int(argv[2]) < 1 or len(argv) != 3 + int(argv[2]):
        sys.exit("usage: split_pairs.py INPUT N OUT_1 ... OUT_N")
    records = read_records(argv[1])
    for path, data in zip(argv[3:], split(records, int(argv[2]))):
        with open(path, "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main(sys.argv)

#!/usr/bin/env python3
"""Writes a seeded synthetic DNA pair as FASTA: a random sequence of LENGTH
bases and a copy mutated to about IDENTITY (substitutions and short indels).
Usage: synthetic_pair.py LENGTH IDENTITY SEED"""
import random
import sys


def main():
    length, identity, seed = int(sys.argv[1]), float(sys.argv[2]), int(sys.argv[3])
    rng = random.Random(seed)
    first = [rng.choice("acgt") for _ in range(length)]
    second = []
    change = 1.0 - identity
    for base in first:
        r = rng.random()
        if r < change * 0.8:
            second.append(rng.choice([b for b in "acgt" if b != base]))
        elif r < change * 0.9:
            continue  # deletion
        elif r < change:
            second.append(base)
            second.extend(rng.choice("acgt") for _ in range(rng.randint(1, 3)))
        else:
            second.append(base)
    for name, seq in (("synthetic_a", first), ("synthetic_b", second)):
        print(">" + name)
        text = "".join(seq)
        for k in range(0, len(text), 60):
            print(text[k:k + 60])


if __name__ == "__main__":
    main()

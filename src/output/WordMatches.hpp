#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// Where two sequences share a word (k letters alike, in any case) as a dot
// plot of cells: the layer behind a picture's alignment that shows repeats,
// inversions, and where the sequences have nothing in common at all. DNA is
// compared on both strands (a word of sequence 1 against the reverse
// complement of one of sequence 2); protein on one. A letter outside the
// alphabet (mask runs, IUPAC codes, 'x') ends a word.
struct WordMatchGrid {
    int wordSize = 0;
    bool bothStrands = false;
    std::size_t columns = 0, rows = 0;  // cells along sequence 1 and sequence 2
    // Row-major, columns * rows: bit kSameStrand and bit kOppositeStrand. A
    // word at position p of a sequence of length n lies in cell
    // (p + wordSize / 2) * cells / n.
    std::vector<std::uint8_t> cells;
    static constexpr std::uint8_t kSameStrand = 1, kOppositeStrand = 2;

    std::uint8_t at(std::size_t column, std::size_t row) const { return cells[row * columns + column]; }
    std::size_t marked() const;
};

// The word size for a pair: the smallest (6 to 31 for DNA, 3 to 12 for protein)
// at which two random sequences of these lengths share fewer than about 50
// words, so that what the plot shows stands out from chance.
int wordSizeFor(std::size_t length1, std::size_t length2, bool protein);

// Whether letters of `seq` other than a, c, g, t, u and n are more than a
// quarter of them.
bool looksLikeProtein(std::string_view seq1, std::string_view seq2);

// The matches of words of `wordSize` letters in a grid of columns x rows
// cells; when more than `maxMarked` cells are marked, neighbouring cells are
// merged two by two along both sequences until no more are, so that a
// picture of a repetitive pair stays small. Sequences as given (no gaps).
WordMatchGrid wordMatches(std::string_view seq1, std::string_view seq2, bool protein, int wordSize,
                          std::size_t columns, std::size_t rows, std::size_t maxMarked);

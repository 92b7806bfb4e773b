#pragma once

#include <cstdint>

// How the local score matrix stores its cells.
//
// Neighbouring cells of a local score matrix differ by a bounded amount (at
// most the best pair score minus twice the gap cost, for the default DNA
// scores about 1,200), so a cell can be kept as the low 16 bits of its value:
// the full value is the one with those low bits that lies nearest to a
// neighbour whose value is known. Every read walks from a known value: along
// a row from the region's zero column, or back along a segment from its end.
// This halves the memory of the largest matrix the program builds. Scores
// whose steps could exceed 16 bits are kept whole instead.
template <class Cell>
struct ScoreCells;

template <>
struct ScoreCells<int> {
    static int encode(int v) { return v; }
    static int decode(int stored, int /*neighbour*/) { return stored; }
    // The score of row[j], given the score of row[j - 1].
    static int next(const int* row, int j, int /*left*/) { return row[j]; }
};

template <>
struct ScoreCells<std::uint16_t> {
    static std::uint16_t encode(int v) { return static_cast<std::uint16_t>(v); }
    static int decode(std::uint16_t stored, int neighbour) {
        const auto step = static_cast<std::int16_t>(
            static_cast<std::uint16_t>(stored - static_cast<std::uint16_t>(neighbour)));
        return neighbour + step;
    }
    // The score of row[j], given the score of row[j - 1] (whose low bits are
    // row[j - 1]): the step depends on the stored cells alone, which keeps
    // the running sum a single add per cell.
    static int next(const std::uint16_t* row, int j, int left) {
        return left + static_cast<std::int16_t>(static_cast<std::uint16_t>(row[j] - row[j - 1]));
    }
};

// Largest difference between two neighbouring cells (diagonal neighbours
// included) that 16-bit cells can bridge.
inline constexpr int kNarrowCellReach = 32767;

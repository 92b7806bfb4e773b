#pragma once

#include <cstdint>

// The three matrices of the affine-gap recurrence, by what the last column
// of an alignment ending in a cell holds. The values are those the row
// kernels record in their move bytes (kernels/GotohRow.hpp).
enum class GotohState : std::uint8_t {
    kPair = 0,    // two residues
    kGapIn2 = 1,  // a residue of sequence 1 against a gap in sequence 2
    kGapIn1 = 2,  // a residue of sequence 2 against a gap in sequence 1
};

// The state the column before a `state` column came from, read from one
// cell's move byte: two bits per state, the pair's lowest.
inline GotohState previousState(std::uint8_t moves, GotohState state) {
    return static_cast<GotohState>((moves >> (2 * static_cast<unsigned>(state))) & 3u);
}

// A cursor in the three matrices.
struct GotohCell {
    GotohState state;
    std::int32_t i;
    std::int32_t j;
};

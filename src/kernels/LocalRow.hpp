#pragma once

#include <cstddef>
#include <cstdint>

// One row of the local score recurrence with a linear gap cost `gap` (<= 0):
//
//   cur[j] = max(prev[j-1] + scores[j], prev[j] + gap, cur[j-1] + gap, 0)    j = 1..n
//
// `scores[j]` is the pair score of the row's residue against column j's; the
// arrays hold n + 1 entries. Entry 0 is the column left of the stretch: 0 on a
// zero boundary, or the scores of a neighbouring stretch when a row is split
// into strips. cur[0] is read, never written.
// When `choices` is given, choices[j] (j = 1..n) receives the cell's traceback
// choice: the first of diagonal (1), from above (2), from the left (3) whose
// value plus its cost gives the cell's value, or 0 when the value is 0 (a
// segment starts there). Returns the highest value of the row (0 at least).
//
// Every variant gives the scalar variant's values as long as no score of the
// region exceeds the int32 range (see localScoresMayOverflow).
using LocalRowFn = int (*)(const int* prev, int* cur, const int* scores, int n, int gap,
                           std::uint8_t* choices);

int localFillRowScalar(const int* prev, int* cur, const int* scores, int n, int gap,
                       std::uint8_t* choices);

// The same row over 16-bit values: a vector then holds twice the cells.
// Values, choices and the returned maximum equal those of the 32-bit row as
// long as localRowFits16 holds for the row: every cell of a local row is at
// most the largest of prev[0..n] and cur[0] plus the best pair score, so
// nothing exceeds INT16_MAX. Pair scores below INT16_MIN may be stored as
// INT16_MIN and any gap cost may be given: such candidates are negative and
// lose to the zero floor either way.
using LocalRow16Fn = int (*)(const std::int16_t* prev, std::int16_t* cur,
                             const std::int16_t* scores, int n, int gap, std::uint8_t* choices);

int localFillRow16Scalar(const std::int16_t* prev, std::int16_t* cur, const std::int16_t* scores,
                         int n, int gap, std::uint8_t* choices);

// True when a local row whose inputs (the row above and the column left of
// it) are at most `inputMax` stays within 16 bits with pair scores of at
// most `bestPairScore`.
inline bool localRowFits16(long long inputMax, int bestPairScore) {
    return inputMax + (bestPairScore > 0 ? bestPairScore : 0) <= INT16_MAX;
}

// True when some cell of an n1 x n2 local matrix could exceed what 32-bit
// lanes hold without wrapping; such pairs use the scalar variant.
bool localScoresMayOverflow(long long n1, long long n2, int bestPairScore);

// Puts the positions k (0 .. count - 1) whose values[k] equals `target`, in
// increasing order, into `positions` (room for `count`); returns how many.
// This finds the cells holding a row's best score: a row of a similar pair
// often raises the best, and then every one of its cells must be looked at.
using FindEqualFn = int (*)(const int* values, int count, int target, int* positions);

int findEqualScalar(const int* values, int count, int target, int* positions);

// Packs 4 * bytes one-byte traceback choices (each 0..3) into `bytes` bytes,
// four cells a byte, cell k at bits 2 * (k % 4) of byte k / 4.
using PackChoicesFn = void (*)(const std::uint8_t* choices, std::size_t bytes, std::uint8_t* out);

void packChoicesScalar(const std::uint8_t* choices, std::size_t bytes, std::uint8_t* out);

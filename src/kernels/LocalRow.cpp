#include "kernels/LocalRow.hpp"

#include <algorithm>
#include <climits>

namespace {

// Two sweeps: the diagonal and vertical moves depend on the row above only and
// vectorise; the horizontal move runs along the row with a branch rather than
// a select, since a horizontal gap rarely wins and a predicted branch keeps a
// cell from waiting on the one before it. Sums are taken in int; over 16-bit
// cells what is stored fits by the caller's guard (localRowFits16).
template <class Score>
int fillRow(const Score* prev, Score* cur, const Score* scores, int n, int gap, std::uint8_t* choices) {
    for (int j = 1; j <= n; ++j) {
        const int diag = prev[j - 1] + scores[j];
        const int up = prev[j] + gap;
        const int v = diag > up ? diag : up;
        cur[j] = static_cast<Score>(v > 0 ? v : 0);
    }
    int left = cur[0];
    int rowMax = 0;
    for (int j = 1; j <= n; ++j) {
        int v = cur[j];
        const int side = left + gap;
        if (side > v) [[unlikely]] {
            v = side;
            cur[j] = static_cast<Score>(v);
        }
        left = v;
        rowMax = v > rowMax ? v : rowMax;
    }
    if (choices) {
        for (int j = 1; j <= n; ++j) {
            const int v = cur[j];
            choices[j] = v == 0                         ? 0
                         : v == prev[j - 1] + scores[j] ? 1
                         : v == prev[j] + gap           ? 2
                                                        : 3;
        }
    }
    return rowMax;
}

}  // namespace

int localFillRowScalar(const int* prev, int* cur, const int* scores, int n, int gap,
                       std::uint8_t* choices) {
    return fillRow(prev, cur, scores, n, gap, choices);
}

int localFillRow16Scalar(const std::int16_t* prev, std::int16_t* cur, const std::int16_t* scores,
                         int n, int gap, std::uint8_t* choices) {
    return fillRow(prev, cur, scores, n, gap, choices);
}

bool localScoresMayOverflow(long long n1, long long n2, int bestPairScore) {
    // A local score grows by at most the best pair score per diagonal step.
    const long long steps = std::min(n1, n2) + 1;
    return static_cast<long double>(steps) * std::max(bestPairScore, 0) >= INT_MAX / 4;
}

void packChoicesScalar(const std::uint8_t* choices, std::size_t bytes, std::uint8_t* out) {
    for (std::size_t b = 0; b < bytes; ++b, choices += 4)
        out[b] = static_cast<std::uint8_t>(choices[0] | (choices[1] << 2) | (choices[2] << 4) |
                                           (choices[3] << 6));
}

int findEqualScalar(const int* values, int count, int target, int* positions) {
    int found = 0;
    for (int k = 0; k < count; ++k)
        if (values[k] == target) positions[found++] = k;
    return found;
}

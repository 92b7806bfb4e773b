#include "kernels/LocalRow.hpp"

#include <algorithm>
#include <climits>

// Two sweeps: the diagonal and vertical moves depend on the row above only and
// vectorise; the horizontal move runs along the row with a branch rather than
// a select, since a horizontal gap rarely wins and a predicted branch keeps a
// cell from waiting on the one before it.
int localFillRowScalar(const int* prev, int* cur, const int* scores, int n, int gap,
                       std::uint8_t* choices) {
    for (int j = 1; j <= n; ++j) {
        const int diag = prev[j - 1] + scores[j];
        const int up = prev[j] + gap;
        const int v = diag > up ? diag : up;
        cur[j] = v > 0 ? v : 0;
    }
    int left = cur[0];
    int rowMax = 0;
    for (int j = 1; j <= n; ++j) {
        int v = cur[j];
        const int side = left + gap;
        if (side > v) [[unlikely]] {
            v = side;
            cur[j] = v;
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

// The 32-bit row's code over 16-bit storage: sums are taken in int, and what
// is stored fits by the caller's guard (localRowFits16).
int localFillRow16Scalar(const std::int16_t* prev, std::int16_t* cur, const std::int16_t* scores,
                         int n, int gap, std::uint8_t* choices) {
    const auto store = [](int v) { return static_cast<std::int16_t>(v); };
    for (int j = 1; j <= n; ++j) {
        const int diag = prev[j - 1] + scores[j];
        const int up = prev[j] + gap;
        const int v = diag > up ? diag : up;
        cur[j] = store(v > 0 ? v : 0);
    }
    int left = cur[0];
    int rowMax = 0;
    for (int j = 1; j <= n; ++j) {
        int v = cur[j];
        const int side = left + gap;
        if (side > v) [[unlikely]] {
            v = side;
            cur[j] = store(v);
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

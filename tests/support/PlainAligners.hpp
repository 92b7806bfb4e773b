#pragma once

// Plain, obviously-correct versions of the optimised aligners: full score
// matrices, the recurrences written out cell by cell. The tests compare the
// real aligners against these on many random inputs.

#include <algorithm>
#include <functional>

#include "align/Cell.hpp"
#include "align/GotohState.hpp"
#include "scoring/ScoreLookup.hpp"

namespace plain {

using Score = std::function<int(char, char)>;
using Grid = std::vector<std::vector<int>>;
constexpr int kNeg = -999999999;

// The pair scores of a table as a plain function (it keeps its own copy).
inline Score scorerOf(const ScoreLookup& lookup) {
    return [lookup](char a, char b) { return lookup.score(a, b); };
}

// Affine gaps (a gap of k costs open + (k-1) * ext): D pairs two residues,
// P sets a residue of s1 against a gap, Q one of s2.
struct Gotoh {
    std::string s1, s2;
    Score score;
    int open, ext, n, m;
    Grid D, P, Q;

    Gotoh(std::string a, std::string b, Score sc, int o, int e)
        : s1(std::move(a)), s2(std::move(b)), score(std::move(sc)), open(o), ext(e),
          n(static_cast<int>(s1.size())), m(static_cast<int>(s2.size())),
          D(n + 1, std::vector<int>(m + 1, 0)), P(D), Q(D) {
        for (int i = 1; i <= n; ++i) P[i][0] = open + (i - 1) * ext, D[i][0] = Q[i][0] = kNeg;
        for (int j = 1; j <= m; ++j) Q[0][j] = open + (j - 1) * ext, D[0][j] = P[0][j] = kNeg;
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= m; ++j) {
                D[i][j] = std::max({D[i - 1][j - 1], P[i - 1][j - 1], Q[i - 1][j - 1]}) + score(s1[i - 1], s2[j - 1]);
                P[i][j] = std::max({D[i - 1][j] + open, P[i - 1][j] + ext, Q[i - 1][j] + open});
                Q[i][j] = std::max({D[i][j - 1] + open, Q[i][j - 1] + ext, P[i][j - 1] + open});
            }
    }

    // Traceback from (state, i, j); a predecessor is the first, in the order
    // pair, gap in s2, gap in s1 (extending before opening in a gap state),
    // that gives the cell's value. Rows in sequence order.
    void trace(GotohState state, int i, int j, std::string& r1, std::string& r2) const {
        constexpr GotohState kPair = GotohState::kPair, kGapIn2 = GotohState::kGapIn2,
                             kGapIn1 = GotohState::kGapIn1;
        std::string a, b;
        while (i > 0 && j > 0) {
            a += state == kGapIn1 ? '-' : s1[i - 1];
            b += state == kGapIn2 ? '-' : s2[j - 1];
            if (state == kPair) {
                const int v = D[i][j] - score(s1[i - 1], s2[j - 1]);
                state = v == D[i - 1][j - 1] ? kPair : v == P[i - 1][j - 1] ? kGapIn2 : kGapIn1;
                --i, --j;
            } else if (state == kGapIn2) {
                state = P[i][j] == P[i - 1][j] + ext ? kGapIn2 : P[i][j] == D[i - 1][j] + open ? kPair : kGapIn1;
                --i;
            } else {
                state = Q[i][j] == Q[i][j - 1] + ext ? kGapIn1 : Q[i][j] == D[i][j - 1] + open ? kPair : kGapIn2;
                --j;
            }
        }
        for (; i > 0; --i) a += s1[i - 1], b += '-';
        for (; j > 0; --j) a += '-', b += s2[j - 1];
        r1.assign(a.rbegin(), a.rend());
        r2.assign(b.rbegin(), b.rend());
    }

    int global(std::string& r1, std::string& r2) const {
        const int v = std::max({D[n][m], P[n][m], Q[n][m]});
        trace(v == D[n][m] ? GotohState::kPair : v == P[n][m] ? GotohState::kGapIn2 : GotohState::kGapIn1, n, m,
              r1, r2);
        return v;
    }

    // The tail of the longer sequence hangs over for free: the best pair cell
    // of the last column (or row), the shorter alignment on a tie.
    int right(std::string& r1, std::string& r2) const {
        int bi = n, bj = m, b = D[n][m];
        for (int i = n - 1; m < n && i >= 0; --i)
            if (D[i][m] >= b) b = D[i][m], bi = i;
        for (int j = m - 1; m >= n && j >= 0; --j)
            if (D[n][j] >= b) b = D[n][j], bj = j;
        trace(GotohState::kPair, bi, bj, r1, r2);
        r1 += s1.substr(static_cast<std::size_t>(bi)) + std::string(static_cast<std::size_t>(m - bj), '-');
        r2 += std::string(static_cast<std::size_t>(n - bi), '-') + s2.substr(static_cast<std::size_t>(bj));
        return b;
    }
};

// Local scores with a zero boundary, linear gap cost.
inline Grid localFill(const std::string& s1, const std::string& s2, const Score& score, int gap) {
    const int n = static_cast<int>(s1.size()), m = static_cast<int>(s2.size());
    Grid D(n + 1, std::vector<int>(m + 1, 0));
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= m; ++j)
            D[i][j] = std::max({0, D[i - 1][j - 1] + score(s1[i - 1], s2[j - 1]), D[i - 1][j] + gap, D[i][j - 1] + gap});
    return D;
}

// The cells of the highest positive value, at least `cutoff`, row-major.
inline std::vector<Cell> bestCells(const Grid& D, int top, int left, int bottom, int right, int cutoff) {
    std::vector<Cell> cells;
    int best = cutoff;
    for (int i = top; i <= bottom; ++i)
        for (int j = left; j <= right; ++j) {
            if (D[i][j] <= 0 || D[i][j] < best) continue;
            if (D[i][j] > best) best = D[i][j], cells.clear();
            cells.push_back(Cell{i, j});
        }
    return cells;
}

// The local segment ending at (i, j), traced back through the first
// predecessor, in the order diagonal, above, left, that gives the cell's
// score, to a zero cell or the border; (i, j) is left at its start.
inline void localTrace(const Grid& D, const std::string& s1, const std::string& s2, const Score& score,
                       int gap, int& i, int& j, std::string& r1, std::string& r2) {
    std::string a, b;
    while (i > 0 && j > 0 && D[i][j] > 0) {
        const int v = D[i][j];
        const bool diag = v == D[i - 1][j - 1] + score(s1[i - 1], s2[j - 1]);
        const bool up = !diag && v == D[i - 1][j] + gap;
        a += diag || up ? s1[--i] : '-';
        b += up ? '-' : s2[--j];
    }
    r1.assign(a.rbegin(), a.rend());
    r2.assign(b.rbegin(), b.rend());
}

}  // namespace plain

#pragma once

// Plain, obviously-correct versions of the optimised kernels: full score
// matrices, the recurrences written out cell by cell. The tests compare the
// real aligners against these on many random inputs.

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "align/Records.hpp"
#include "align/ScoreLookup.hpp"

namespace plain {

using Score = std::function<int(char, char)>;

// The pair scores of a table as a plain function (it keeps its own copy).
inline Score scorerOf(const ScoreLookup& lookup) {
    return [lookup](char a, char b) { return lookup.score(a, b); };
}
using Grid = std::vector<std::vector<int>>;
constexpr int kNeg = -999999999;

struct Gotoh {
    std::string s1, s2;
    Score score;
    int open, ext;
    Grid D, P, Q;

    Gotoh(std::string a, std::string b, Score sc, int o, int e)
        : s1(std::move(a)), s2(std::move(b)), score(std::move(sc)), open(o), ext(e) {
        const int n = static_cast<int>(s1.size()), m = static_cast<int>(s2.size());
        D.assign(n + 1, std::vector<int>(m + 1, 0));
        P = Q = D;
        for (int i = 1; i <= n; ++i) {
            P[i][0] = open + (i - 1) * ext;
            D[i][0] = Q[i][0] = kNeg;
        }
        for (int j = 1; j <= m; ++j) {
            Q[0][j] = open + (j - 1) * ext;
            D[0][j] = P[0][j] = kNeg;
        }
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= m; ++j) {
                D[i][j] = std::max({D[i - 1][j - 1], P[i - 1][j - 1], Q[i - 1][j - 1]}) +
                          score(s1[i - 1], s2[j - 1]);
                P[i][j] = std::max({D[i - 1][j] + open, P[i - 1][j] + ext, Q[i - 1][j] + open});
                Q[i][j] = std::max({D[i][j - 1] + open, Q[i][j - 1] + ext, P[i][j - 1] + open});
            }
    }

    int best() const {
        const int n = static_cast<int>(s1.size()), m = static_cast<int>(s2.size());
        return std::max({D[n][m], P[n][m], Q[n][m]});
    }

    // Traceback from (state, i, j) with the fixed test order; rows in sequence order.
    void trace(int state, int i, int j, std::string& r1, std::string& r2) const {
        std::string a, b;
        while (i > 0 && j > 0) {
            const int s = score(s1[i - 1], s2[j - 1]);
            if (state == 0) {
                a += s1[i - 1];
                b += s2[j - 1];
                const int v = D[i][j];
                state = v == D[i - 1][j - 1] + s ? 0 : v == P[i - 1][j - 1] + s ? 1 : 2;
                --i;
                --j;
            } else if (state == 1) {
                a += s1[i - 1];
                b += '-';
                const int v = P[i][j];
                state = v == P[i - 1][j] + ext ? 1 : v == D[i - 1][j] + open ? 0 : 2;
                --i;
            } else {
                a += '-';
                b += s2[j - 1];
                const int v = Q[i][j];
                state = v == Q[i][j - 1] + ext ? 2 : v == D[i][j - 1] + open ? 0 : 1;
                --j;
            }
        }
        while (i > 0) { a += s1[--i]; b += '-'; }
        while (j > 0) { a += '-'; b += s2[--j]; }
        r1.assign(a.rbegin(), a.rend());
        r2.assign(b.rbegin(), b.rend());
    }

    int global(std::string& r1, std::string& r2) const {
        const int n = static_cast<int>(s1.size()), m = static_cast<int>(s2.size());
        const int v = best();
        trace(v == D[n][m] ? 0 : v == P[n][m] ? 1 : 2, n, m, r1, r2);
        return v;
    }

    int right(std::string& r1, std::string& r2) const {
        const int n = static_cast<int>(s1.size()), m = static_cast<int>(s2.size());
        int bi = n, bj = m, b = D[n][m];
        if (m < n) {
            for (int i = n - 1; i >= 0; --i)
                if (D[i][m] >= b) { b = D[i][m]; bi = i; }
        } else {
            for (int j = m - 1; j >= 0; --j)
                if (D[n][j] >= b) { b = D[n][j]; bj = j; }
        }
        trace(0, bi, bj, r1, r2);
        if (bi == n && bj < m) {
            r1 += std::string(static_cast<std::size_t>(m - bj), '-');
            r2 += s2.substr(static_cast<std::size_t>(bj));
        }
        if (bi < n) {
            r1 += s1.substr(static_cast<std::size_t>(bi));
            r2 += std::string(static_cast<std::size_t>(n - bi), '-');
        }
        return b;
    }
};

// Local scores with a zero boundary at (top, left), linear gap cost.
inline Grid localFill(const std::string& s1, const std::string& s2, const Score& score, int open) {
    const int n = static_cast<int>(s1.size()), m = static_cast<int>(s2.size());
    Grid D(n + 1, std::vector<int>(m + 1, 0));
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= m; ++j)
            D[i][j] = std::max({0, D[i - 1][j - 1] + score(s1[i - 1], s2[j - 1]),
                                D[i - 1][j] + open, D[i][j - 1] + open});
    return D;
}

// The cells of the highest positive value, at least `cutoff`, row-major.
inline std::vector<foot2> bestCells(const Grid& D, int top, int left, int bottom, int right,
                                    int cutoff) {
    std::vector<foot2> cells;
    int best = cutoff;
    for (int i = top; i <= bottom; ++i)
        for (int j = left; j <= right; ++j) {
            const int v = D[i][j];
            if (v <= 0 || v < best) continue;
            if (v > best) {
                best = v;
                cells.clear();
            }
            cells.push_back(foot2{i, j});
        }
    return cells;
}

// Traces the local segment ending at (i, j) back: the first predecessor, in
// the order diagonal, from above, from the left, whose score leads to the
// cell's; stops at a zero cell or the border. Rows in sequence order; (i, j)
// is left at the start cell.
inline void localTrace(const Grid& D, const std::string& s1, const std::string& s2,
                       const Score& score, int gap, int& i, int& j, std::string& r1,
                       std::string& r2) {
    std::string a, b;
    while (i > 0 && j > 0 && D[i][j] > 0) {
        const int v = D[i][j];
        if (v == D[i - 1][j - 1] + score(s1[i - 1], s2[j - 1])) {
            a += s1[--i];
            b += s2[--j];
        } else if (v == D[i - 1][j] + gap) {
            a += s1[--i];
            b += '-';
        } else {
            a += '-';
            b += s2[--j];
        }
    }
    r1.assign(a.rbegin(), a.rend());
    r2.assign(b.rbegin(), b.rend());
}

}  // namespace plain

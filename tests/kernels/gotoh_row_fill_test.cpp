#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "kernels/Kernels.hpp"

// The vector affine rows against the scalar one on rows longer than the
// short-row test's, with what real fills bring and small rows lack: values
// far from zero, jumps of tens of thousands along a row, kImpossible at the
// edges, gap costs from "everything ties" to offsets that pass a million over
// a row, and few distinct values so that candidates tie everywhere.

namespace {

struct Row {
    std::vector<int> d, p, q;
    explicit Row(std::size_t w) : d(w), p(w), q(w) {}
    GotohRowStates states() { return {d.data(), p.data(), q.data()}; }
    bool operator==(const Row&) const = default;
};

struct Costs {
    int open, ext;
};

Costs costsFor(int round) {
    switch (round % 6) {
    case 0: return {0, 0};          // everything ties
    case 1: return {-1, -1};
    case 2: return {-500, -25};     // the programs' default
    case 3: return {-30000, -3};    // opening outweighs any stretch of pairs
    case 4: return {-40, -2000};    // extending costs more than opening
    default: return {-7, 0};
    }
}

// Checks every set's row against the scalar row, with and without moves.
void expectSameAsScalar(const std::vector<int>& scores, int m, Costs c, Row above, const Row& left,
                        const char* what, int round) {
    Row want(left), scratch(left);
    std::vector<std::uint8_t> wantMoves(scores.size(), 0);
    gotohFillRowScalar(scores.data(), m, c.open, c.ext, above.states(), want.states(), wantMoves.data());
    for (const KernelSet* k : availableKernels()) {
        Row got(left), bare(left);
        std::vector<std::uint8_t> moves(scores.size(), 0);
        k->gotohRow(scores.data(), m, c.open, c.ext, above.states(), got.states(), moves.data());
        k->gotohRow(scores.data(), m, c.open, c.ext, above.states(), bare.states(), nullptr);
        ASSERT_TRUE(got == want && bare == want && moves == wantMoves) << k->name << ", " << what << ", round " << round;
    }
}

}  // namespace

// Single rows whose values walk slowly around a far-off level, now and then
// jumping far (as from a diagonal to the slope beside it), with edges that
// are kImpossible.
TEST(GotohRowFill, LongRowsMatchTheScalarRow) {
    std::mt19937 rng(41);
    for (int round = 0; round < 400; ++round) {
        const int m = 40 + static_cast<int>(rng() % 1400);
        const Costs c = costsFor(round);
        const int level = static_cast<int>(rng() % 400000000) - 200000000;
        const int jumpEvery = round % 4 == 0 ? 97 + static_cast<int>(rng() % 700) : 1 << 30;
        const int jump = round % 8 == 0 ? 70000 : 30000;
        Row above(m + 1), left(m + 1);
        std::vector<int> scores(m + 1);
        int walk = level;
        for (int j = 0; j <= m; ++j) {
            if (j % jumpEvery == jumpEvery - 1) walk += rng() % 2 ? jump : -jump;
            walk += static_cast<int>(rng() % 5) - 2;
            above.d[j] = walk + static_cast<int>(rng() % 3);
            above.p[j] = walk + static_cast<int>(rng() % 3) - 1;
            above.q[j] = walk + static_cast<int>(rng() % 3) - 2;
            scores[j] = round % 5 == 4 ? (rng() % 2 ? 100 : -144) : static_cast<int>(rng() % 3) - 1;
        }
        // The matrix's column 0 and row 0 hold kImpossible in some states.
        left.d[0] = round % 3 == 0 ? kImpossible : walk;
        left.p[0] = walk - 1;
        left.q[0] = round % 3 == 0 ? kImpossible : walk + 1;
        if (round % 7 == 0) above.d[0] = above.q[0] = kImpossible;
        if (round % 11 == 0) std::fill(above.p.begin() + 1, above.p.end(), kImpossible);
        expectSameAsScalar(scores, m, c, above, left, "single row", round);
    }
}

// Whole global fills of two tie-heavy sequences, row feeding row from the
// boundary onwards: the value spreads a real fill produces, including the
// long off-diagonal slopes of rows much wider than the matrix is tall.
TEST(GotohRowFill, WholeFillsMatchTheScalarRows) {
    std::mt19937 rng(43);
    for (int round = 0; round < 24; ++round) {
        const int n = 30 + static_cast<int>(rng() % 200), m = 60 + static_cast<int>(rng() % 2500);
        const Costs c = costsFor(round);
        std::vector<int> alphabet(4);
        for (int& s : alphabet) s = round % 2 ? static_cast<int>(rng() % 200) - 100 : static_cast<int>(rng() % 3) - 1;
        Row scalarRow(m + 1);
        scalarRow.d[0] = scalarRow.p[0] = scalarRow.q[0] = 0;
        for (int j = 1; j <= m; ++j) {
            scalarRow.d[j] = scalarRow.p[j] = kImpossible;
            scalarRow.q[j] = c.open + (j - 1) * c.ext;
        }
        for (int i = 1; i <= n; ++i) {
            std::vector<int> scores(m + 1);
            for (int& s : scores) s = alphabet[rng() % 4];
            Row left(m + 1);
            left.d[0] = left.q[0] = kImpossible;
            left.p[0] = c.open + (i - 1) * c.ext;
            expectSameAsScalar(scores, m, c, scalarRow, left, "fill", round * 1000 + i);
            if (HasFatalFailure()) return;
            Row next(left);
            gotohFillRowScalar(scores.data(), m, c.open, c.ext, scalarRow.states(), next.states(), nullptr);
            scalarRow = next;
        }
    }
}

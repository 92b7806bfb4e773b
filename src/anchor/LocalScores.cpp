#include <algorithm>
#include <cmath>
#include <vector>

#include "anchor/BestAligner.hpp"
#include "anchor/ScoreCells.hpp"
#include "align/kernels/Kernels.hpp"
#include "input/ScoreMatrix.hpp"

namespace {
bool packedCellsAllowed = true;
}

void BestAligner::allowPackedCells(bool allowed) { packedCellsAllowed = allowed; }

BestAligner::BestAligner(std::string& s1, std::string& s2, const ScoreMatrix& sm, int open,
                         int ext, int factor, int minLen)
    : Alignment(s1, s2, sm, open, ext), cutLen(minLen), scoreFactor(factor) {
    get_cutoff_score();
    codes1_ = lookup.encode(seq1);
    codes2_ = lookup.encode(seq2);
    const int bestPair = lookup.bestScore();
    // Neighbouring cells differ by at most bestPair - gapOpen in a row or a
    // column, twice that diagonally.
    const long long reach = 2LL * (static_cast<long long>(bestPair) - gapOpen);
    packed_ = packedCellsAllowed && reach <= PackedCells::kReach;
    width_ = static_cast<std::size_t>(len2) + 1;
    // Every cell is written by fill_matrix, so the storage is not cleared first.
    if (packed_) {
        packedRowBytes_ = PackedCells::rowBytes(width_);
        packedD_.resizeUninitialized(len1 + 1, static_cast<int>(packedRowBytes_));
    } else {
        D.resizeUninitialized(len1 + 1, len2 + 1);
    }
    fill_matrix();
}

void BestAligner::get_cutoff_score() {
    const int identity = pairScore('a', 'a') + pairScore('c', 'c') + pairScore('g', 'g') +
                         pairScore('t', 't');
    const int product = identity * scoreFactor;
    cutoff = static_cast<int>(std::ceil(static_cast<double>(product) * 0.25));
}

int BestAligner::fill_matrix() { return packed_ ? fillCells<PackedCells>() : fillCells<WholeCells>(); }

// The recurrence runs on whole values in two rolling rows; the matrix only
// receives the stored form of each cell.
template <class Layout>
int BestAligner::fillCells() {
    const int open = gapOpen;
    const std::size_t width = width_;
    const int n2 = len2;
    rowBest_.assign(static_cast<std::size_t>(len1) + 1, 0);

    // profile[c * width + j]: score of residue code c against seq2[j - 1].
    const std::size_t codeCount = lookup.codes();
    std::vector<int> profile(codeCount * width, 0);
    for (std::size_t c = 0; c < codeCount; ++c) {
        const int* srow = lookup.row(static_cast<ScoreLookup::Code>(c));
        for (int j = 1; j <= n2; ++j) profile[c * width + j] = srow[codes2_[j - 1]];
    }
    std::vector<int> rows(2 * width, 0);
    int* prev = rows.data();
    int* cur = prev + width;
    Layout::storeRow(rowOf<Layout>(0), prev, width);

    const LocalRowFn fillRow = localScoresMayOverflow(len1, len2, lookup.bestScore())
                                   ? scalarKernels().localRow
                                   : activeKernels().localRow;
    int best = 0;
    maxCells.clear();
    for (int i = 1; i <= len1; ++i) {
        const int* scores = profile.data() + codes1_[i - 1] * width;
        const int rowBest = fillRow(prev, cur, scores, n2, open, nullptr);
        // Zero cells are never recorded; a row that reaches the best so far
        // adds its cells of that value, in column order.
        if (rowBest > 0 && rowBest >= best) {
            if (rowBest > best) {
                best = rowBest;
                maxCells.clear();
            }
            for (int j = 1; j <= n2; ++j)
                if (cur[j] == best) maxCells.push_back(foot2{i, j});
        }
        Layout::storeRow(rowOf<Layout>(i), cur, width);
        rowBest_[i] = rowBest;
        std::swap(prev, cur);
    }
    maxScore = best;
    return best;
}

template <class Layout>
int BestAligner::valueAtCells(foot2 cell, int zeroColumn) const {
    const auto row = rowOf<Layout>(cell.i);
    int value = Layout::decode(row.get(static_cast<std::size_t>(zeroColumn)), 0);
    for (int j = zeroColumn + 1; j <= cell.j; ++j) value = Layout::next(row, static_cast<std::size_t>(j), value);
    return value;
}

int BestAligner::valueAt(foot2 cell, int zeroColumn) const {
    return packed_ ? valueAtCells<PackedCells>(cell, zeroColumn) : valueAtCells<WholeCells>(cell, zeroColumn);
}

long long BestAligner::storedCell(int i, int j) const {
    const auto column = static_cast<std::size_t>(j);
    return packed_ ? rowOf<PackedCells>(i).get(column) : rowOf<WholeCells>(i).get(column);
}

// Walks back one column: the first predecessor, in the order diagonal, gap in
// sequence 2, gap in sequence 1, whose score leads to this cell's. Stops at a
// zero cell or the matrix border.
template <class Layout>
int BestAligner::traceStep(foot2& cur, int& value, std::vector<char>& row1, std::vector<char>& row2) {
    if (cur.i == 0 || cur.j == 0 || value == 0) return 0;
    const auto here = rowOf<Layout>(cur.i);
    const auto above = rowOf<Layout>(cur.i - 1);
    const auto j = static_cast<std::size_t>(cur.j);
    const char a = seq1[cur.i - 1];
    const char b = seq2[cur.j - 1];
    const int diag = Layout::decode(above.get(j - 1), value);
    if (value == diag + pairScore(a, b)) {
        row1.push_back(a);
        row2.push_back(b);
        --cur.i;
        --cur.j;
        value = diag;
        return 1;
    }
    const int up = Layout::decode(above.get(j), value);
    if (value == up + gapOpen) {
        row1.push_back(a);
        row2.push_back('-');
        --cur.i;
        value = up;
        return 1;
    }
    const int left = Layout::decode(here.get(j - 1), value);
    if (value == left + gapOpen) {
        row1.push_back('-');
        row2.push_back(b);
        --cur.j;
        value = left;
        return 1;
    }
    return 0;
}

int BestAligner::trace2(foot2& cur, int& value, std::vector<char>& row1, std::vector<char>& row2) {
    return packed_ ? traceStep<PackedCells>(cur, value, row1, row2)
                   : traceStep<WholeCells>(cur, value, row1, row2);
}

int BestAligner::GetAlignSeq(foot2& cell, std::vector<char>& row1, std::vector<char>& row2) {
    return traceSegment(cell, valueAt(cell, 0), row1, row2);
}

int BestAligner::traceSegment(foot2& cell, int score, std::vector<char>& row1,
                              std::vector<char>& row2) {
    int value = score;
    const std::size_t from1 = row1.size();
    const std::size_t from2 = row2.size();
    while (trace2(cell, value, row1, row2)) {}
    std::reverse(row1.begin() + static_cast<std::ptrdiff_t>(from1), row1.end());
    std::reverse(row2.begin() + static_cast<std::ptrdiff_t>(from2), row2.end());
    return score;
}

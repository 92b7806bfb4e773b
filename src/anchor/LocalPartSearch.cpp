#include <algorithm>
#include <vector>

#include "anchor/LocalScoreMatrix.hpp"
#include "anchor/RowCandidates.hpp"

void LocalScoreMatrix::scanPart(const Cell* region, std::vector<Cell>& cells, int& best,
                                bool skipRows) {
    switch (options_.layout) {
        case LocalCellLayout::kChoices:
            // The part shares its region's zero row and column, so its scores
            // are those of a fresh fill of the part; its choices and row bests
            // stay as they are.
            fillChoicePart(region, cells, best, skipRows, false);
            break;
        case LocalCellLayout::kPackedScores:
            scanCells<PackedCells>(region, cells, best, skipRows);
            break;
        case LocalCellLayout::kWholeScores:
            scanCells<WholeCells>(region, cells, best, skipRows);
            break;
    }
}

void LocalScoreMatrix::rescorePart(const Cell* region, std::vector<Cell>& cells, int& best,
                                   bool skipRows) {
    switch (options_.layout) {
        case LocalCellLayout::kChoices:
            fillChoicePart(region, cells, best, skipRows, true);
            break;
        case LocalCellLayout::kPackedScores:
            rescoreCells<PackedCells>(region, cells, best);
            break;
        case LocalCellLayout::kWholeScores:
            rescoreCells<WholeCells>(region, cells, best);
            break;
    }
}

// Rows below the last one that can hold a candidate are read by nothing:
// traces from its candidates, and the parts searched after it, lie above it.
// So the fill stops there, and a part with no such row is not filled at all.
void LocalScoreMatrix::fillChoicePart(const Cell* region, std::vector<Cell>& cells, int& best,
                                      bool skipRows, bool rescore) {
    Cell upTo[2] = {region[0], region[1]};
    if (skipRows) {
        upTo[1].i = lastReachingRow(region, best);
        if (upTo[1].i < 0) return;
    }
    fillPart(upTo, cells, best, rescore, rescore);
}

// A part that keeps its stored scores: its first column is the zero column of
// the scores its cells hold, so each row is read from there.
template <class Layout>
void LocalScoreMatrix::scanCells(const Cell* region, std::vector<Cell>& cells, int& best,
                                 bool skipRows) const {
    const int first = region[0].j;
    const int n = region[1].j - first;
    std::vector<int> values(static_cast<std::size_t>(n) + 1);
    for (int i = region[0].i; i <= region[1].i; ++i) {
        const int floor = best > 1 ? best : 1;
        if (skipRows && rowBest_[static_cast<std::size_t>(i)] < floor) continue;
        const auto row = rowOf<Layout>(i);
        int v = Layout::decode(row.get(static_cast<std::size_t>(first)), 0);
        values[0] = v;
        int rowMax = v;
        for (int k = 1; k <= n; ++k) {
            v = Layout::next(row, static_cast<std::size_t>(first + k), v);
            values[k] = v;
            rowMax = v > rowMax ? v : rowMax;
        }
        offerRow(cells, best, i, first, values.data(), n, rowMax);
    }
}

// Re-scores a part from a zero boundary at its first row and column with the
// same row kernel that filled the matrix. Cells whose score does not change
// keep their stored bits, since a cell's stored form depends on its score
// only; cells outside the part are not written.
template <class Layout>
void LocalScoreMatrix::rescoreCells(const Cell* region, std::vector<Cell>& cells, int& best) {
    const int top = region[0].i, bottom = region[1].i;
    const int first = region[0].j;
    const int n = region[1].j - first;
    const auto span = static_cast<std::size_t>(n) + 1;
    std::vector<int> rollingRows(2 * span, 0);
    int* prev = rollingRows.data();
    int* cur = prev + span;
    Layout::storeRange(rowOf<Layout>(top), static_cast<std::size_t>(first), prev, span);
    rowBest_[static_cast<std::size_t>(top)] = 0;
    for (int i = top + 1; i <= bottom; ++i) {
        const int* scores = profileRow(codes1_[i - 1]) + first;
        const int rowMax = fillRow_(prev, cur, scores, n, gap_, nullptr);
        Layout::storeRange(rowOf<Layout>(i), static_cast<std::size_t>(first), cur, span);
        rowBest_[static_cast<std::size_t>(i)] = rowMax;
        offerRow(cells, best, i, first, cur, n, rowMax);
        std::swap(prev, cur);
    }
}

#include "anchor/LocalScoreMatrix.hpp"

#include <algorithm>
#include <atomic>
#include <climits>
#include <exception>
#include <thread>
#include <utility>

#include "anchor/ChoiceCells.hpp"
#include "anchor/RowCandidates.hpp"

LocalScoreMatrix::LocalScoreMatrix(std::string_view seq1, std::string_view seq2,
                                   const ScoreLookup& lookup, int gap,
                                   const LocalFillOptions& options, WorkArena& arena)
    : seq1_(seq1),
      seq2_(seq2),
      lookup_(lookup),
      gap_(gap),
      len1_(static_cast<int>(seq1.size())),
      len2_(static_cast<int>(seq2.size())),
      codes1_(lookup.encode(seq1)),
      fillRow_(localRowKernel(len1_, len2_, lookup.bestScore())),
      pack_(activeKernels().packChoices),
      options_(options),
      whole_(&arena),
      bytes_(&arena) {
    width_ = static_cast<std::size_t>(len2_) + 1;
    const auto codes2 = lookup.encode(seq2);
    const std::size_t codeCount = lookup.codes();
    profile_.assign(codeCount * width_, 0);
    for (std::size_t c = 0; c < codeCount; ++c) {
        const int* srow = lookup.row(static_cast<ScoreLookup::Code>(c));
        for (int j = 1; j <= len2_; ++j) profile_[c * width_ + j] = srow[codes2[j - 1]];
    }
    // Neighbouring cells differ by at most bestPair - gap in a row or a
    // column, twice that diagonally.
    const long long reach = 2LL * (static_cast<long long>(lookup.bestScore()) - gap);
    if (options_.layout == LocalCellLayout::kPackedScores && reach > PackedCells::kReach)
        options_.layout = LocalCellLayout::kWholeScores;
    // Every cell is written by fill(), so the storage is not cleared first.
    switch (options_.layout) {
        case LocalCellLayout::kChoices:
            rowBytes_ = ChoiceCells::rowBytes(width_);
            bytes_.resizeUninitialized(len1_ + 1, static_cast<int>(rowBytes_));
            break;
        case LocalCellLayout::kPackedScores:
            rowBytes_ = PackedCells::rowBytes(width_);
            bytes_.resizeUninitialized(len1_ + 1, static_cast<int>(rowBytes_));
            break;
        case LocalCellLayout::kWholeScores:
            whole_.resizeUninitialized(len1_ + 1, len2_ + 1);
            break;
    }
}

int LocalScoreMatrix::fill(std::vector<Cell>& maxCells, FillProgress* progress) {
    maxCells.clear();
    rowBest_.assign(static_cast<std::size_t>(len1_) + 1, 0);
    int best = 0;
    if (progress) {
        progress->rows.store(len1_, std::memory_order_relaxed);
        progress->rowsDone.store(0, std::memory_order_relaxed);
    }
    switch (options_.layout) {
        case LocalCellLayout::kChoices: {
            const Cell whole[2] = {Cell{0, 0}, Cell{len1_, len2_}};
            fillPart(whole, maxCells, best, true, true, progress);
            return best;
        }
        case LocalCellLayout::kPackedScores: return fillCells<PackedCells>(maxCells);
        case LocalCellLayout::kWholeScores: return fillCells<WholeCells>(maxCells);
    }
    return best;
}

// The recurrence runs on whole values in two rolling rows; the matrix only
// receives the stored form of each cell.
template <class Layout>
int LocalScoreMatrix::fillCells(std::vector<Cell>& maxCells) {
    std::vector<int> rows(2 * width_, 0);
    int* prev = rows.data();
    int* cur = prev + width_;
    Layout::storeRow(rowOf<Layout>(0), prev, width_);
    int best = 0;
    for (int i = 1; i <= len1_; ++i) {
        const int rowMax = fillRow_(prev, cur, profileRow(codes1_[i - 1]), len2_, gap_, nullptr);
        offerRow(maxCells, best, i, 0, cur, len2_, rowMax);
        Layout::storeRow(rowOf<Layout>(i), cur, width_);
        rowBest_[i] = rowMax;
        std::swap(prev, cur);
    }
    return best;
}

template <class Layout>
int LocalScoreMatrix::valueAtCells(Cell cell, int zeroColumn) const {
    const auto row = rowOf<Layout>(cell.i);
    int value = Layout::decode(row.get(static_cast<std::size_t>(zeroColumn)), 0);
    for (int j = zeroColumn + 1; j <= cell.j; ++j)
        value = Layout::next(row, static_cast<std::size_t>(j), value);
    return value;
}

// The score of a cell is the sum of the steps of its traceback.
int LocalScoreMatrix::choiceValue(Cell cell) const {
    int value = 0;
    while (cell.i > 0 && cell.j > 0) {
        switch (ChoiceCells::get(choiceRow(cell.i), static_cast<std::size_t>(cell.j))) {
            case 1:
                value += lookup_.score(seq1_[cell.i - 1], seq2_[cell.j - 1]);
                --cell.i;
                --cell.j;
                break;
            case 2:
                value += gap_;
                --cell.i;
                break;
            case 3:
                value += gap_;
                --cell.j;
                break;
            default:
                return value;
        }
    }
    return value;
}

int LocalScoreMatrix::valueAt(Cell cell, int zeroColumn) const {
    switch (options_.layout) {
        case LocalCellLayout::kChoices: return choiceValue(cell);
        case LocalCellLayout::kPackedScores: return valueAtCells<PackedCells>(cell, zeroColumn);
        case LocalCellLayout::kWholeScores: return valueAtCells<WholeCells>(cell, zeroColumn);
    }
    return 0;
}

long long LocalScoreMatrix::storedCell(int i, int j) const {
    const auto column = static_cast<std::size_t>(j);
    switch (options_.layout) {
        case LocalCellLayout::kChoices: return ChoiceCells::get(choiceRow(i), column);
        case LocalCellLayout::kPackedScores: return rowOf<PackedCells>(i).get(column);
        case LocalCellLayout::kWholeScores: return rowOf<WholeCells>(i).get(column);
    }
    return 0;
}

template <class Layout>
int LocalScoreMatrix::traceStep(Cell& cur, int& value, std::vector<char>& row1,
                                std::vector<char>& row2) const {
    if (cur.i == 0 || cur.j == 0 || value == 0) return 0;
    const auto here = rowOf<Layout>(cur.i);
    const auto above = rowOf<Layout>(cur.i - 1);
    const auto j = static_cast<std::size_t>(cur.j);
    const char a = seq1_[cur.i - 1];
    const char b = seq2_[cur.j - 1];
    const int diag = Layout::decode(above.get(j - 1), value);
    if (value == diag + lookup_.score(a, b)) {
        row1.push_back(a);
        row2.push_back(b);
        --cur.i;
        --cur.j;
        value = diag;
        return 1;
    }
    const int up = Layout::decode(above.get(j), value);
    if (value == up + gap_) {
        row1.push_back(a);
        row2.push_back('-');
        --cur.i;
        value = up;
        return 1;
    }
    const int left = Layout::decode(here.get(j - 1), value);
    if (value == left + gap_) {
        row1.push_back('-');
        row2.push_back(b);
        --cur.j;
        value = left;
        return 1;
    }
    return 0;
}

int LocalScoreMatrix::choiceStep(Cell& cur, int& value, std::vector<char>& row1,
                                 std::vector<char>& row2) const {
    if (cur.i == 0 || cur.j == 0 || value == 0) return 0;
    const char a = seq1_[cur.i - 1];
    const char b = seq2_[cur.j - 1];
    switch (ChoiceCells::get(choiceRow(cur.i), static_cast<std::size_t>(cur.j))) {
        case 1:
            row1.push_back(a);
            row2.push_back(b);
            value -= lookup_.score(a, b);
            --cur.i;
            --cur.j;
            return 1;
        case 2:
            row1.push_back(a);
            row2.push_back('-');
            value -= gap_;
            --cur.i;
            return 1;
        case 3:
            row1.push_back('-');
            row2.push_back(b);
            value -= gap_;
            --cur.j;
            return 1;
        default:
            return 0;
    }
}

int LocalScoreMatrix::trace2(Cell& cur, int& value, std::vector<char>& row1,
                             std::vector<char>& row2) const {
    switch (options_.layout) {
        case LocalCellLayout::kChoices: return choiceStep(cur, value, row1, row2);
        case LocalCellLayout::kPackedScores: return traceStep<PackedCells>(cur, value, row1, row2);
        case LocalCellLayout::kWholeScores: return traceStep<WholeCells>(cur, value, row1, row2);
    }
    return 0;
}

int LocalScoreMatrix::traceSegment(Cell& cell, int score, std::vector<char>& row1,
                                   std::vector<char>& row2) const {
    int value = score;
    const std::size_t from1 = row1.size();
    const std::size_t from2 = row2.size();
    while (trace2(cell, value, row1, row2)) {}
    std::reverse(row1.begin() + static_cast<std::ptrdiff_t>(from1), row1.end());
    std::reverse(row2.begin() + static_cast<std::ptrdiff_t>(from2), row2.end());
    return score;
}

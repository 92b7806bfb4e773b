#include "anchor/LocalScoreMatrix.hpp"

#include <algorithm>

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
      bytes_(&arena) {
    width_ = static_cast<std::size_t>(len2_) + 1;
    const auto codes2 = lookup.encode(seq2);
    const std::size_t codeCount = lookup.codes();
    profile_.assign(codeCount * width_, 0);
    for (std::size_t c = 0; c < codeCount; ++c) {
        const int* srow = lookup.row(static_cast<ScoreLookup::Code>(c));
        for (int j = 1; j <= len2_; ++j) profile_[c * width_ + j] = srow[codes2[j - 1]];
    }
    // Every cell is written by fill(), so the storage is not cleared first.
    rowBytes_ = ChoiceCells::rowBytes(width_);
    bytes_.resizeUninitialized(len1_ + 1, static_cast<int>(rowBytes_));
}

int LocalScoreMatrix::fill(std::vector<Cell>& maxCells, FillProgress* progress) {
    maxCells.clear();
    rowBest_.assign(static_cast<std::size_t>(len1_) + 1, 0);
    int best = 0;
    if (progress) {
        progress->rows.store(len1_, std::memory_order_relaxed);
        progress->rowsDone.store(0, std::memory_order_relaxed);
    }
    fillPart(Region{Cell{0, 0}, Cell{len1_, len2_}}, maxCells, best, true, true, progress);
    return best;
}

int LocalScoreMatrix::valueAt(Cell cell) const {
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

int LocalScoreMatrix::choiceAt(int i, int j) const {
    return ChoiceCells::get(choiceRow(i), static_cast<std::size_t>(j));
}

int LocalScoreMatrix::traceStep(Cell& cur, int& value, std::vector<char>& row1,
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

int LocalScoreMatrix::traceSegment(Cell& cell, int score, std::vector<char>& row1,
                                   std::vector<char>& row2) const {
    int value = score;
    const std::size_t from1 = row1.size();
    const std::size_t from2 = row2.size();
    while (traceStep(cell, value, row1, row2)) {}
    std::reverse(row1.begin() + static_cast<std::ptrdiff_t>(from1), row1.end());
    std::reverse(row2.begin() + static_cast<std::ptrdiff_t>(from2), row2.end());
    return score;
}

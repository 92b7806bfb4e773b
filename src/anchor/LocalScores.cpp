#include <algorithm>
#include <cmath>

#include "anchor/BestAligner.hpp"
#include "input/ScoreMatrix.hpp"

BestAligner::BestAligner(std::string& s1, std::string& s2, const ScoreMatrix& sm, int open,
                         int ext, int factor, int minLen)
    : Alignment(s1, s2, sm, open, ext), cutLen(minLen), scoreFactor(factor) {
    get_cutoff_score();
    codes1_ = lookup.encode(seq1);
    codes2_ = lookup.encode(seq2);
    // Every cell is written by fill_matrix, so the storage is not cleared first.
    D.resizeUninitialized(len1 + 1, len2 + 1);
    fill_matrix();
}

void BestAligner::get_cutoff_score() {
    const int identity = pairScore('a', 'a') + pairScore('c', 'c') + pairScore('g', 'g') +
                         pairScore('t', 't');
    const int product = identity * scoreFactor;
    cutoff = static_cast<int>(std::ceil(static_cast<double>(product) * 0.25));
}

int BestAligner::fill_matrix() {
    const int open = gapOpen;
    const std::size_t width = static_cast<std::size_t>(len2) + 1;
    int* row0 = D[0];
    for (std::size_t j = 0; j < width; ++j) row0[j] = 0;

    int best = 0;
    int threshold = 1;  // zero cells are never recorded
    maxCells.clear();
    const ScoreLookup::Code* b = codes2_.data();
    for (int i = 1; i <= len1; ++i) {
        const int* prev = D[i - 1];
        int* cur = D[i];
        const int* srow = lookup.row(codes1_[i - 1]);
        cur[0] = 0;
        int left = 0;
        for (int j = 1; j <= len2; ++j) {
            int v = prev[j - 1] + srow[b[j - 1]];
            const int up = prev[j] + open;
            if (up > v) v = up;
            const int side = left + open;
            if (side > v) v = side;
            if (v < 0) v = 0;
            cur[j] = left = v;
            if (v >= threshold) [[unlikely]] {
                if (v > best) {
                    best = threshold = v;
                    maxCells.clear();
                }
                maxCells.push_back(foot2{i, j});
            }
        }
    }
    maxScore = best;
    return best;
}

int BestAligner::GetAlignSeq(foot2& cell, std::vector<char>& row1, std::vector<char>& row2) {
    const int score = D[cell.i][cell.j];
    const std::size_t from1 = row1.size();
    const std::size_t from2 = row2.size();
    while (trace2(cell, row1, row2)) {}
    std::reverse(row1.begin() + static_cast<std::ptrdiff_t>(from1), row1.end());
    std::reverse(row2.begin() + static_cast<std::ptrdiff_t>(from2), row2.end());
    return score;
}

#include "align/NwGotoh.hpp"

#include <algorithm>
#include <iostream>

NW_GOTOH::NW_GOTOH(std::string& s1, std::string& s2, const ScoreMatrix& sm, int open, int ext)
    : Alignment(s1, s2, sm, open, ext) {}

void NW_GOTOH::fillMatrix() {
    const auto a = lookup.encode(seq1);
    const auto b = lookup.encode(seq2);
    moves.resizeUninitialized(len1 + 1, len2 + 1);
    corner_ = fillGotoh(a.data(), len1, b.data(), len2, lookup, gapOpen, gapExt, moves.data(),
                        &lastRow_, &lastCol_);
    score = std::max({corner_.d, corner_.p, corner_.q});
    filled = true;
}

int NW_GOTOH::cellValue(int state, int i, int j) const {
    if (i == len1 && j == len2) return state == 0 ? corner_.d : state == 1 ? corner_.p : corner_.q;
    if (state == 0 && i == len1) return lastRow_[j];
    if (state == 0 && j == len2) return lastCol_[i];
    if (i == 0 && j == 0) return 0;
    if (i == 0) return state == 2 ? gapOpen + (j - 1) * gapExt : kImpossible;
    if (j == 0) return state == 1 ? gapOpen + (i - 1) * gapExt : kImpossible;
    // An inner cell: its value is the corner of the prefix alignment.
    const auto a = lookup.encode(seq1.substr(0, i));
    const auto b = lookup.encode(seq2.substr(0, j));
    const GotohCorner c =
        fillGotoh(a.data(), i, b.data(), j, lookup, gapOpen, gapExt, nullptr, nullptr, nullptr);
    return state == 0 ? c.d : state == 1 ? c.p : c.q;
}

int NW_GOTOH::GetAlign(foot start, std::vector<char>& row1, std::vector<char>& row2) {
    if (!filled) fillMatrix();
    int result = 0;
    if (start.state >= 0 && start.state <= 2) {
        result = cellValue(start.state, start.i, start.j);
    } else {
        std::cout << "Error in in NW_GOTOH::GetAlign" << std::endl;
    }
    const std::size_t from1 = row1.size();
    const std::size_t from2 = row2.size();
    foot cur = start;
    while (trace3(cur, row1, row2)) {}
    // Leading end gaps: their cost is already part of the path's score.
    while (cur.i > 0) {
        --cur.i;
        row1.push_back(seq1[cur.i]);
        row2.push_back('-');
    }
    while (cur.j > 0) {
        --cur.j;
        row1.push_back('-');
        row2.push_back(seq2[cur.j]);
    }
    std::reverse(row1.begin() + static_cast<std::ptrdiff_t>(from1), row1.end());
    std::reverse(row2.begin() + static_cast<std::ptrdiff_t>(from2), row2.end());
    return result;
}

int NW_GOTOH::GetAlignSeq(std::vector<char>& row1, std::vector<char>& row2) {
    if (!filled) fillMatrix();
    foot start{0, len1, len2};
    if (score == corner_.d) {
        start.state = 0;
    } else if (score == corner_.p) {
        start.state = 1;
    } else {
        start.state = 2;
    }
    return GetAlign(start, row1, row2);
}

int NW_GOTOH::GetRightAlign(std::vector<char>& row1, std::vector<char>& row2) {
    if (!filled) fillMatrix();
    int bi = len1, bj = len2;
    int best = lastRow_[len2];
    // Ties go to the shorter alignment; only pair states can end it.
    if (len2 < len1) {
        for (int i = len1 - 1; i >= 0; --i)
            if (lastCol_[i] >= best) { best = lastCol_[i]; bi = i; }
    } else {
        for (int j = len2 - 1; j >= 0; --j)
            if (lastRow_[j] >= best) { best = lastRow_[j]; bj = j; }
    }
    const int result = GetAlign(foot{0, bi, bj}, row1, row2);
    if (bi == len1 && bj < len2) {
        row1.insert(row1.end(), static_cast<std::size_t>(len2 - bj), '-');
        row2.insert(row2.end(), seq2.begin() + bj, seq2.end());
    }
    if (bi < len1) {
        row1.insert(row1.end(), seq1.begin() + bi, seq1.end());
        row2.insert(row2.end(), static_cast<std::size_t>(len1 - bi), '-');
    }
    return result;
}

int NW_GOTOH::GetLeftAlign(std::vector<char>& row1, std::vector<char>& row2) {
    std::reverse(seq1.begin(), seq1.end());
    std::reverse(seq2.begin(), seq2.end());
    const int result = GetRightAlign(row1, row2);
    std::reverse(row1.begin(), row1.end());
    std::reverse(row2.begin(), row2.end());
    return result;
}

int NW_GOTOH::globalScore(std::string_view a, std::string_view b, const ScoreLookup& lookup,
                          int gapOpen, int gapExt) {
    std::vector<ScoreLookup::Code> ca(a.size()), cb(b.size());
    for (std::size_t k = 0; k < a.size(); ++k) ca[k] = lookup.code(a[k]);
    for (std::size_t k = 0; k < b.size(); ++k) cb[k] = lookup.code(b[k]);
    const GotohCorner c = fillGotoh(ca.data(), static_cast<int>(a.size()), cb.data(),
                                    static_cast<int>(b.size()), lookup, gapOpen, gapExt, nullptr,
                                    nullptr, nullptr);
    return std::max({c.d, c.p, c.q});
}

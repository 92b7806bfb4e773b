#include "align/NwGotoh.hpp"

#include <algorithm>
#include <string>

#include "common/MessageSink.hpp"
#include "common/RunStop.hpp"

NW_GOTOH::NW_GOTOH(std::string_view s1, std::string_view s2, const ScoreLookup& lookup, int open,
                   int ext, WorkArena* arena)
    : seq1_(s1),
      seq2_(s2),
      lookup_(lookup),
      arena_(arena),
      len1_(static_cast<std::int32_t>(s1.size())),
      len2_(static_cast<std::int32_t>(s2.size())),
      gapOpen_(open),
      gapExt_(ext),
      moves_(arena) {}

void NW_GOTOH::fillMatrix() {
    const auto a = lookup_.encode(seq1_);
    const auto b = lookup_.encode(seq2_);
    moves_.resizeUninitialized(len1_ + 1, len2_ + 1);
    corner_ = fillGotoh(a.data(), len1_, b.data(), len2_, lookup_, gapOpen_, gapExt_,
                        moves_.data(), &lastRow_, &lastCol_);
    score = std::max({corner_.d, corner_.p, corner_.q});
    filled = true;
}

int NW_GOTOH::trace3(foot& cur, std::vector<char>& row1, std::vector<char>& row2) {
    if (cur.i == 0 || cur.j == 0) return 0;
    const std::uint8_t m = moves_[cur.i][cur.j];
    switch (cur.state) {
        case 0:
            row1.push_back(seq1_[cur.i - 1]);
            row2.push_back(seq2_[cur.j - 1]);
            cur.state = m & 3;
            --cur.i;
            --cur.j;
            return 1;
        case 1:
            row1.push_back(seq1_[cur.i - 1]);
            row2.push_back('-');
            cur.state = (m >> 2) & 3;
            --cur.i;
            return 1;
        case 2:
            row1.push_back('-');
            row2.push_back(seq2_[cur.j - 1]);
            cur.state = (m >> 4) & 3;
            --cur.j;
            return 1;
        default:
            MessageSink::out("Error in trace: " + std::to_string(cur.state) + ' ' +
                             std::to_string(cur.i) + ' ' + std::to_string(cur.j));
            throw RunStop{1};
    }
}

int NW_GOTOH::cellValue(int state, int i, int j) const {
    if (i == len1_ && j == len2_) return state == 0 ? corner_.d : state == 1 ? corner_.p : corner_.q;
    if (state == 0 && i == len1_) return lastRow_[j];
    if (state == 0 && j == len2_) return lastCol_[i];
    if (i == 0 && j == 0) return 0;
    if (i == 0) return state == 2 ? gapOpen_ + (j - 1) * gapExt_ : kImpossible;
    if (j == 0) return state == 1 ? gapOpen_ + (i - 1) * gapExt_ : kImpossible;
    // An inner cell: its value is the corner of the prefix alignment.
    const auto a = lookup_.encode(seq1_.substr(0, static_cast<std::size_t>(i)));
    const auto b = lookup_.encode(seq2_.substr(0, static_cast<std::size_t>(j)));
    const GotohCorner c =
        fillGotoh(a.data(), i, b.data(), j, lookup_, gapOpen_, gapExt_, nullptr, nullptr, nullptr);
    return state == 0 ? c.d : state == 1 ? c.p : c.q;
}

int NW_GOTOH::GetAlign(foot start, std::vector<char>& row1, std::vector<char>& row2) {
    if (!filled) fillMatrix();
    int result = 0;
    if (start.state >= 0 && start.state <= 2) {
        result = cellValue(start.state, start.i, start.j);
    } else {
        MessageSink::out("Error in in NW_GOTOH::GetAlign");
    }
    const std::size_t from1 = row1.size();
    const std::size_t from2 = row2.size();
    foot cur = start;
    while (trace3(cur, row1, row2)) {}
    // Leading end gaps: their cost is already part of the path's score.
    while (cur.i > 0) {
        --cur.i;
        row1.push_back(seq1_[cur.i]);
        row2.push_back('-');
    }
    while (cur.j > 0) {
        --cur.j;
        row1.push_back('-');
        row2.push_back(seq2_[cur.j]);
    }
    std::reverse(row1.begin() + static_cast<std::ptrdiff_t>(from1), row1.end());
    std::reverse(row2.begin() + static_cast<std::ptrdiff_t>(from2), row2.end());
    return result;
}

int NW_GOTOH::GetAlignSeq(std::vector<char>& row1, std::vector<char>& row2) {
    if (!filled) fillMatrix();
    foot start{0, len1_, len2_};
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
    int bi = len1_, bj = len2_;
    int best = lastRow_[len2_];
    // Ties go to the shorter alignment; only pair states can end it.
    if (len2_ < len1_) {
        for (int i = len1_ - 1; i >= 0; --i)
            if (lastCol_[i] >= best) { best = lastCol_[i]; bi = i; }
    } else {
        for (int j = len2_ - 1; j >= 0; --j)
            if (lastRow_[j] >= best) { best = lastRow_[j]; bj = j; }
    }
    const int result = GetAlign(foot{0, bi, bj}, row1, row2);
    if (bi == len1_ && bj < len2_) {
        row1.insert(row1.end(), static_cast<std::size_t>(len2_ - bj), '-');
        row2.insert(row2.end(), seq2_.begin() + bj, seq2_.end());
    }
    if (bi < len1_) {
        row1.insert(row1.end(), seq1_.begin() + bi, seq1_.end());
        row2.insert(row2.end(), static_cast<std::size_t>(len1_ - bi), '-');
    }
    return result;
}

int NW_GOTOH::GetLeftAlign(std::vector<char>& row1, std::vector<char>& row2) {
    // A free leading overhang is a free trailing one of the reversed stretch.
    const std::string r1(seq1_.rbegin(), seq1_.rend());
    const std::string r2(seq2_.rbegin(), seq2_.rend());
    NW_GOTOH reversed(r1, r2, lookup_, gapOpen_, gapExt_, arena_);
    const std::size_t from1 = row1.size();
    const std::size_t from2 = row2.size();
    const int result = reversed.GetRightAlign(row1, row2);
    std::reverse(row1.begin() + static_cast<std::ptrdiff_t>(from1), row1.end());
    std::reverse(row2.begin() + static_cast<std::ptrdiff_t>(from2), row2.end());
    return result;
}

int NW_GOTOH::globalScore(std::string_view a, std::string_view b, const ScoreLookup& lookup,
                          int gapOpen, int gapExt) {
    const auto ca = lookup.encode(a);
    const auto cb = lookup.encode(b);
    const GotohCorner c = fillGotoh(ca.data(), static_cast<int>(a.size()), cb.data(),
                                    static_cast<int>(b.size()), lookup, gapOpen, gapExt, nullptr,
                                    nullptr, nullptr);
    return std::max({c.d, c.p, c.q});
}

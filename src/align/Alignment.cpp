#include "align/Alignment.hpp"

#include <iostream>

#include "common/RunStop.hpp"

Alignment::Alignment(std::string& s1, std::string& s2, const ScoreMatrix& sm, int open, int ext)
    : seq1(s1),
      seq2(s2),
      smatrix(sm),
      lookup(sm),
      len1(static_cast<std::int32_t>(s1.size())),
      len2(static_cast<std::int32_t>(s2.size())),
      gapOpen(open),
      gapExt(ext) {}

int Alignment::trace3(foot& cur, std::vector<char>& row1, std::vector<char>& row2) {
    if (cur.i == 0 || cur.j == 0) return 0;
    const std::uint8_t m = moves[cur.i][cur.j];
    switch (cur.state) {
        case 0:
            row1.push_back(seq1[cur.i - 1]);
            row2.push_back(seq2[cur.j - 1]);
            cur.state = m & 3;
            --cur.i;
            --cur.j;
            return 1;
        case 1:
            row1.push_back(seq1[cur.i - 1]);
            row2.push_back('-');
            cur.state = (m >> 2) & 3;
            --cur.i;
            return 1;
        case 2:
            row1.push_back('-');
            row2.push_back(seq2[cur.j - 1]);
            cur.state = (m >> 4) & 3;
            --cur.j;
            return 1;
        default:
            std::cout << "Error in trace: " << cur.state << ' ' << cur.i << ' ' << cur.j
                      << std::endl;
            throw RunStop{1};
    }
}

int Alignment::cmp_f2(const foot2& a, const foot2& b) {
    if (a.i > b.i && a.j > b.j) return 1;
    if (a.i == b.i && a.j == b.j) return 0;
    if (a.i < b.i && a.j < b.j) return 2;
    return 3;
}

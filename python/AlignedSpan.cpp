#include "AlignedSpan.hpp"

#include <algorithm>

#include "align/Cigar.hpp"

AlignedSpan alignedSpan(std::string_view row1, std::string_view row2) {
    const std::size_t n = std::min(row1.size(), row2.size());
    auto paired = [&](std::size_t c) { return row1[c] != '-' && row2[c] != '-'; };
    std::size_t first = 0;
    while (first < n && !paired(first)) ++first;
    std::size_t last = n;
    while (last > first && !paired(last - 1)) --last;
    AlignedSpan span;
    if (first == last) return span;
    span.firstColumn = first;
    span.lastColumn = last;
    auto residues = [](std::string_view row, std::size_t from, std::size_t to) {
        return static_cast<long long>(to - from) -
               std::count(row.begin() + static_cast<long>(from), row.begin() + static_cast<long>(to), '-');
    };
    span.start1 = residues(row1, 0, first);
    span.start2 = residues(row2, 0, first);
    span.end1 = span.start1 + residues(row1, first, last);
    span.end2 = span.start2 + residues(row2, first, last);
    for (std::size_t c = first; c < last; ++c) {
        // A column with a gap in both rows aligns nothing.
        if (row1[c] == '-' && row2[c] == '-') continue;
        ++span.columns;
        if (paired(c) && sameResidue(row1[c], row2[c])) ++span.matches;
    }
    return span;
}

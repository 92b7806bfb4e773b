#include "io/MafWriter.hpp"

#include <algorithm>
#include <ostream>
#include <string>

#include "io/AlignedColumns.hpp"

namespace {

void writeBlock(std::ostream& out, const PairAlignment& pair, std::int32_t score, long long start1,
                long long start2, const std::string& text1, const std::string& text2) {
    const auto residues = [](const std::string& text) {
        return static_cast<long long>(text.size() - static_cast<std::size_t>(std::count(text.begin(), text.end(), '-')));
    };
    const std::string name1(firstWord(pair.name1)), name2(firstWord(pair.name2));
    const std::size_t width = std::max(name1.size(), name2.size());
    const auto line = [&](const std::string& name, long long start, char strand, std::size_t length,
                          const std::string& text) {
        out << "s " << name << std::string(width - name.size() + 1, ' ') << start << ' ' << residues(text) << ' '
            << strand << ' ' << length << ' ' << text << '\n';
    };
    out << "a score=" << score << '\n';
    line(name1, start1, '+', pair.length1, text1);
    line(name2, start2, pair.minusStrand ? '-' : '+', pair.length2, text2);
    out << '\n';
}

// An anchor's rows with each mask run written out: the run's extra
// characters before its column, against gaps, those of row 1 first.
void writeAnchor(std::ostream& out, const PairAlignment& pair, const AnchorRecord& a) {
    std::string text1, text2;
    auto run1 = a.runs1.begin();
    auto run2 = a.runs2.begin();
    const std::size_t n = std::min(a.row1.size(), a.row2.size());
    for (std::size_t c = 0; c < n; ++c) {
        if (run1 != a.runs1.end() && run1->column == c) {
            const std::size_t extra = (run1++)->length - 1;
            text1.append(extra, a.row1[c]);
            text2.append(extra, '-');
        }
        if (run2 != a.runs2.end() && run2->column == c) {
            const std::size_t extra = (run2++)->length - 1;
            text1.append(extra, '-');
            text2.append(extra, a.row2[c]);
        }
        text1.push_back(a.row1[c]);
        text2.push_back(a.row2[c]);
    }
    writeBlock(out, pair, a.score, a.begin1, a.begin2, text1, text2);
}

}  // namespace

void writeMafHeader(std::ostream& out) { out << "##maf version=1 scoring=torva\n\n"; }

void writeMaf(std::ostream& out, const PairAlignment& pair) {
    if (pair.localOnly) {
        for (const AnchorRecord& a : pair.anchors)
            if (a.listed) writeAnchor(out, pair, a);
        return;
    }
    const auto [first, last] = pairedColumns(pair.row1, pair.row2);
    if (first == last) return;
    const std::string text1(pair.row1.begin() + static_cast<long>(first), pair.row1.begin() + static_cast<long>(last));
    const std::string text2(pair.row2.begin() + static_cast<long>(first), pair.row2.begin() + static_cast<long>(last));
    writeBlock(out, pair, pair.score, residuesIn(pair.row1, 0, first), residuesIn(pair.row2, 0, first), text1, text2);
}

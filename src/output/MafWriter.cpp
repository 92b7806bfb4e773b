#include "output/MafWriter.hpp"

#include <algorithm>
#include <ostream>
#include <string>

#include "output/AlignedColumns.hpp"
#include "output/AlignmentTally.hpp"

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

}  // namespace

void writeMafHeader(std::ostream& out) { out << "##maf version=1 scoring=torva\n\n"; }

void writeMaf(std::ostream& out, const PairAlignment& pair) {
    if (pair.localOnly) {
        for (const AnchorRecord& a : pair.anchors) {
            if (!a.listed) continue;
            const auto [text1, text2] = expandedRows(a);
            writeBlock(out, pair, a.score, a.begin1, a.begin2, text1, text2);
        }
        return;
    }
    const auto [first, last] = pairedColumns(pair.row1, pair.row2);
    if (first == last) return;
    const std::string text1(pair.row1.begin() + static_cast<long>(first), pair.row1.begin() + static_cast<long>(last));
    const std::string text2(pair.row2.begin() + static_cast<long>(first), pair.row2.begin() + static_cast<long>(last));
    writeBlock(out, pair, pair.score, residuesIn(pair.row1, 0, first), residuesIn(pair.row2, 0, first), text1, text2);
}

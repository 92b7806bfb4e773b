#include "output/LocWriter.hpp"

#include <iomanip>

namespace {

void writeAnchorLine(std::ostream& out, char which, long long begin, long long end, int score,
                     const std::vector<char>& row) {
    out << which << ' ' << std::setw(6) << begin << ' ' << std::setw(6) << end << ' '
        << std::setw(10) << score << "  ";
    out.write(row.data(), static_cast<std::streamsize>(row.size()));
    out << '\n';
}

}  // namespace

void writeLocRecord(std::ostream& out, const PairAlignment& pair) {
    out << '>' << pair.name1 << '\t' << pair.name2 << (pair.minusStrand ? " (-)\t" : "\t") << pair.anchorScore;
    if (!pair.localOnly) out << '\t' << pair.score;
    out << '\n';
    const auto flags = out.flags();
    out << std::left;
    for (const AnchorRecord& a : pair.anchors) {
        if (!a.listed) continue;
        writeAnchorLine(out, '1', a.shownBegin1, a.shownEnd1, a.score, a.row1);
        writeAnchorLine(out, '2', a.shownBegin2, a.shownEnd2, a.score, a.row2);
    }
    out.flags(flags);
}

#include "output/PafWriter.hpp"

#include <algorithm>
#include <cstdio>
#include <ostream>

#include "align/Cigar.hpp"
#include "output/AlignedColumns.hpp"

namespace {

// On the minus strand the target's span is given on its forward strand and
// the CIGAR read along it, against the reverse complement of the query: the
// same columns from the other end.
void writeLine(std::ostream& out, const PairAlignment& pair, long long qBegin, long long qEnd,
               long long tBegin, long long tEnd, std::int32_t score, const Cigar& cigar) {
    const bool minus = pair.minusStrand;
    if (minus && tEnd > tBegin) {
        const long long length2 = static_cast<long long>(pair.length2);
        const long long forwardBegin = length2 - tEnd;
        tEnd = length2 - tBegin;
        tBegin = forwardBegin;
    }
    // Gap-compressed divergence: each gap run counts once, whatever its length.
    const long long compared = cigar.matches + cigar.mismatches + cigar.gapRuns();
    const double divergence =
        compared > 0 ? 1.0 - static_cast<double>(cigar.matches) / static_cast<double>(compared)
                     : 0.0;
    char de[32];
    std::snprintf(de, sizeof de, "%.4f", divergence);
    out << firstWord(pair.name1) << '\t' << pair.length1 << '\t' << qBegin << '\t' << qEnd
        << (minus ? "\t-\t" : "\t+\t") << firstWord(pair.name2) << '\t' << pair.length2 << '\t' << tBegin
        << '\t' << tEnd << '\t' << cigar.matches << '\t' << cigar.columns << "\t255\tAS:i:" << score
        << "\tcg:Z:" << (minus ? reversedCigarText(cigar.text) : cigar.text) << "\tde:f:" << de << '\n';
}

// The aligned span of the global rows runs from the first to the last column
// in which both rows hold a residue; the columns outside it are overhangs
// (one sequence against nothing) and are left out of the CIGAR as well, so
// that the CIGAR's lengths give back exactly the spans. A pair without any
// such column gets empty spans at 0 and an empty CIGAR.
void writeGlobal(std::ostream& out, const PairAlignment& pair) {
    const std::vector<char>& r1 = pair.row1;
    const std::vector<char>& r2 = pair.row2;
    const auto [first, last] = pairedColumns(r1, r2);
    if (first == last) {
        writeLine(out, pair, 0, 0, 0, 0, pair.score, Cigar{});
        return;
    }
    const Cigar cigar = makeCigar(std::span(r1).subspan(first, last - first),
                                  std::span(r2).subspan(first, last - first));
    const long long q0 = residuesIn(r1, 0, first);
    const long long t0 = residuesIn(r2, 0, first);
    writeLine(out, pair, q0, q0 + cigar.queryBases(), t0, t0 + cigar.targetBases(), pair.score,
              cigar);
}

// The anchor's rows show each mask run as one character. Its extra
// characters are put in front of the stand-in's column, set against gaps,
// those of row 1 before those of row 2, as the global rows get their runs
// back; the CIGAR then spans begin..end on the sequences as given.
Cigar anchorCigar(const AnchorRecord& a) {
    CigarBuilder builder;
    auto run1 = a.runs1.begin();
    auto run2 = a.runs2.begin();
    const std::size_t n = std::min(a.row1.size(), a.row2.size());
    for (std::size_t c = 0; c < n; ++c) {
        if (run1 != a.runs1.end() && run1->column == c) builder.add('I', (run1++)->length - 1LL);
        if (run2 != a.runs2.end() && run2->column == c) builder.add('D', (run2++)->length - 1LL);
        builder.addColumn(a.row1[c], a.row2[c]);
    }
    return builder.finish();
}

}  // namespace

void writePaf(std::ostream& out, const PairAlignment& pair) {
    if (!pair.localOnly) {
        writeGlobal(out, pair);
        return;
    }
    for (const AnchorRecord& a : pair.anchors) {
        if (!a.listed) continue;
        writeLine(out, pair, a.begin1, a.end1, a.begin2, a.end2, a.score, anchorCigar(a));
    }
}

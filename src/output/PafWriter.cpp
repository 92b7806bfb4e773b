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

void writeGlobal(std::ostream& out, const PairAlignment& pair) {
    const PafSpan span = pafSpan(pair.row1, pair.row2);
    writeLine(out, pair, span.begin1, span.end1, span.begin2, span.end2, pair.score, span.cigar);
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

PafSpan pafSpan(std::span<const char> row1, std::span<const char> row2) {
    PafSpan span;
    const auto [first, last] = pairedColumns(row1, row2);
    if (first == last) return span;
    span.firstColumn = first;
    span.lastColumn = last;
    span.cigar = makeCigar(row1.subspan(first, last - first), row2.subspan(first, last - first));
    span.begin1 = residuesIn(row1, 0, first);
    span.begin2 = residuesIn(row2, 0, first);
    span.end1 = span.begin1 + span.cigar.queryBases();
    span.end2 = span.begin2 + span.cigar.targetBases();
    return span;
}

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

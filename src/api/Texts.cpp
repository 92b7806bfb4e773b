#include <algorithm>
#include <sstream>
#include <stdexcept>

#include "api/Settings.hpp"
#include "common/CpuCount.hpp"
#include "input/FastaReader.hpp"
#include "output/AlignedColumns.hpp"
#include "output/PafWriter.hpp"
#include "output/PositivePairs.hpp"
#include "output/ViewWriter.hpp"
#include "scoring/UnknownLetters.hpp"
#include "scoring/ValueLimits.hpp"
#include "torva/torva.hpp"

namespace torva {

static_assert(kMaxValue == kMaxAbsValue, "the public limit is the one the programs check");

namespace {

// Line ends have the digits' warning here: a string may hold them, where the
// reader's lines never do.
constexpr std::string_view kOwnWarning = "0123456789 \t\r\n";

long long residues(std::string_view row) {
    return static_cast<long long>(row.size()) - std::count(row.begin(), row.end(), '-');
}

void checkRows(const Result& r) {
    if (r.row1.size() != r.row2.size()) throw std::invalid_argument("aligned rows differ in length");
}

}  // namespace

std::string nameWord(std::string_view name) { return std::string(firstWord(std::string(name))); }

unsigned usableCores() { return static_cast<unsigned>(::usableCores()); }

std::vector<std::string> sequenceWarnings(std::string_view subject, std::string_view sequence,
                                          const Options& options) {
    const Settings settings = resolveSettings(options, false);
    const UnknownLetters unknown(settings.matrix.letters(), settings.params.maskChar, kOwnWarning);
    const std::string who(subject);
    std::vector<std::string> out;
    if (sequence.empty()) out.push_back(who + " is empty; it is aligned as all gaps");
    if (std::any_of(sequence.begin(), sequence.end(),
                    [](char c) { return isDigitOrBlank(c) || c == '\n' || c == '\r'; }))
        out.push_back(who + " has digits, spaces or line ends (a pasted GenBank block?); "
                            "they are aligned as residues");
    if (const std::string letters = unknown.describe(sequence); !letters.empty())
        out.push_back(who + " has " + letters);
    return out;
}

AlignedSpan alignedSpan(const Result& result) {
    checkRows(result);
    const PafSpan paf = pafSpan(result.row1, result.row2);
    AlignedSpan span;
    span.begin1 = paf.begin1;
    span.end1 = paf.end1;
    span.begin2 = paf.begin2;
    span.end2 = paf.end2;
    span.matches = paf.cigar.matches;
    span.columns = paf.cigar.columns;
    span.firstColumn = paf.firstColumn;
    span.lastColumn = paf.lastColumn;
    span.cigar = paf.cigar.text;
    return span;
}

std::string pafLine(const Result& result, const std::string& name1, const std::string& name2) {
    checkRows(result);
    PairAlignment pair;
    pair.name1 = name1;
    pair.name2 = name2;
    pair.length1 = static_cast<std::size_t>(residues(result.row1));
    pair.length2 = static_cast<std::size_t>(residues(result.row2));
    pair.minusStrand = result.strand == Strand::minus;
    pair.score = result.score;
    pair.row1.assign(result.row1.begin(), result.row1.end());
    pair.row2.assign(result.row2.begin(), result.row2.end());
    std::ostringstream out;
    writePaf(out, pair);
    return out.str();
}

std::string view(const Result& result, const Matrix& matrix, const std::string& name1,
                 const std::string& name2, std::size_t width, ViewLabels labels) {
    checkRows(result);
    const long long length1 = residues(result.row1), length2 = residues(result.row2);
    const BlockLabels shown =
        labels == ViewLabels::programs
            ? viewLabels(name1, name2, static_cast<std::size_t>(length1), static_cast<std::size_t>(length2))
            : fittedLabels(name1, name2, length1, length2);
    const PositivePairs positive([&](char a, char b) { return matrix.score(a, b); });
    return blocksText(result.row1, result.row2, shown, positive, width,
                      result.strand == Strand::minus ? length2 : 0);
}

}  // namespace torva

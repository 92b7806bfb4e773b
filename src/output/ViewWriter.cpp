#include "output/ViewWriter.hpp"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "align/Cigar.hpp"
#include "output/AlignmentTally.hpp"
#include "output/PairLabels.hpp"
#include "output/TextFormat.hpp"

namespace {

// needle's rules: 40 '#' around the run, 39 '=' around an alignment, 39 '-'
// after it. Readers of its format look for exactly these lines.
constexpr std::string_view kRunRule = "########################################";
constexpr std::string_view kAlignmentRule = "#=======================================";
constexpr std::string_view kEndRule = "#---------------------------------------";
// A block line's name and start fill this many characters, a blank included.
constexpr std::size_t kLabelWidth = 21;

char mark(char a, char b, const PositivePairs& positive) {
    if (a == '-' || b == '-') return ' ';
    if (sameResidue(a, b)) return '|';
    return positive(a, b) ? ':' : '.';
}

BlockLabels labelsFor(const PairAlignment& pair) { return viewLabels(pair.name1, pair.name2, pair.length1, pair.length2); }

// Writes the rows in blocks; `next1`/`next2` are the 1-based positions of
// the rows' first residues. With `length2` (a pair kept on the minus strand:
// row 2 is the reverse complement) sequence 2 is numbered down its forward
// strand, as readers of a reverse-strand alignment expect.
void writeBlocks(TextBuffer& out, std::string_view r1, std::string_view r2, long long next1,
                 long long next2, const BlockLabels& labels, const PositivePairs& positive,
                 std::size_t width, long long length2 = 0) {
    width = std::max<std::size_t>(width, 1);
    const auto shown2 = [length2](long long k) { return length2 > 0 ? length2 + 1 - k : k; };
    const std::size_t n = std::min(r1.size(), r2.size());
    std::string& text = out.text;
    // Three lines of about the block's width and the labels' for each block.
    text.reserve(text.size() + (n / std::max<std::size_t>(width, 1) + 1) * 3 * (width + kLabelWidth + 16));
    auto line = [&](const std::string& name, long long start, std::string_view segment, long long end) {
        char number[24];
        const std::size_t digits = static_cast<std::size_t>(std::to_chars(number, number + sizeof number, start).ptr - number);
        text += name;
        text.append(labels.nameWidth - name.size() + 1, ' ');
        text.append(labels.numberWidth - std::min(labels.numberWidth, digits), ' ');
        text.append(number, digits);
        text += ' ';
        text += segment;
        out << ' ' << end << '\n';
    };
    for (std::size_t from = 0; from < n; from += width) {
        const std::size_t len = std::min(width, n - from);
        const std::string_view s1 = r1.substr(from, len), s2 = r2.substr(from, len);
        const long long residues1 = static_cast<long long>(len - static_cast<std::size_t>(std::count(s1.begin(), s1.end(), '-')));
        const long long residues2 = static_cast<long long>(len - static_cast<std::size_t>(std::count(s2.begin(), s2.end(), '-')));
        const bool before = labels.gapShowsResidueBefore;
        line(labels.name1, residues1 > 0 || !before ? next1 : next1 - 1, s1, next1 + residues1 - 1);
        text.append(labels.nameWidth + 1 + labels.numberWidth + 1, ' ');
        const std::size_t marks = text.size();
        text.resize(marks + len);
        for (std::size_t c = 0; c < len; ++c) text[marks + c] = mark(s1[c], s2[c], positive);
        text += '\n';
        line(labels.name2, shown2(residues2 > 0 || !before ? next2 : next2 - 1), s2, shown2(next2 + residues2 - 1));
        text += '\n';
        next1 += residues1;
        next2 += residues2;
    }
}

void writeRunHeader(TextBuffer& out, const PairAlignment& pair, std::size_t pairNumber,
                    const RunDescription& run) {
    out << kRunRule << '\n'
        << "# Program: " << run.program << '\n'
        << "# Rundate: " << run.date << '\n'
        << "# Commandline: " << run.command << '\n'
        << "# Pair: " << pairNumber << '\n'
        << "# Anchors: " << anchorCountsText(pair) << '\n'
        << kRunRule << "\n\n";
}

// The header of one alignment: the pair's global alignment, or with -L one
// anchor (`anchor` its description); `score` as the alignment file gives it.
void writeAlignmentHeader(TextBuffer& out, const PairAlignment& pair, const RunDescription& run,
                          const AlignmentTally& tally, long long score, const std::string& anchor) {
    auto name = [](const std::string& n) { return n.empty() ? std::string("*") : n; };
    out << kAlignmentRule << "\n#\n"
        << "# Aligned_sequences: 2\n"
        << "# 1: " << name(pair.name1) << '\n'
        << "# 2: " << name(pair.name2) << '\n'
        << "# Sequence_lengths: " << pair.length1 << ", " << pair.length2 << '\n';
    for (const auto& [field, value] : settingFields(run)) out << "# " << field << ": " << value << '\n';
    if (!anchor.empty()) out << "# Anchor: " << anchor << '\n';
    if (pair.strandChosen)
        out << "# Strand_2: " << (pair.minusStrand ? "- (reverse-complemented, numbered down its forward strand)" : "+") << '\n';
    out << "#\n"
        << "# Length: " << tally.columns << '\n'
        << "# Identity:     " << countOf(tally.identical, tally.columns) << '\n'
        << "# Similarity:   " << countOf(tally.similar, tally.columns) << '\n'
        << "# Gaps:         " << countOf(tally.gaps, tally.columns) << '\n'
        << "# Score: " << score << '\n';
    if (anchor.empty()) out << "# Anchor_score: " << pair.anchorScore << '\n';
    out << "#\n" << kAlignmentRule << "\n\n";
}

void writeViewText(TextBuffer& out, const PairAlignment& pair, std::size_t pairNumber,
                   const RunDescription& run, const PositivePairs& positive,
                   const AlignmentTally& tally, std::size_t width) {
    width = std::max<std::size_t>(width, 1);
    writeRunHeader(out, pair, pairNumber, run);
    const BlockLabels labels = labelsFor(pair);
    if (!pair.localOnly) {
        writeAlignmentHeader(out, pair, run, tally, pair.score, "");
        writeBlocks(out, std::string_view(pair.row1.data(), pair.row1.size()),
                    std::string_view(pair.row2.data(), pair.row2.size()), 1, 1, labels, positive,
                    width, pair.minusStrand ? static_cast<long long>(pair.length2) : 0);
    } else {
        const long long listed = anchorCounts(pair).listed;
        long long k = 0;
        for (const AnchorRecord& a : pair.anchors) {
            if (!a.listed) continue;
            ++k;
            const auto [r1, r2] = expandedRows(a);
            AlignmentTally own;
            own.add(r1, r2, positive);
            writeAlignmentHeader(out, pair, run, own, a.score,
                                 std::to_string(k) + " of " + std::to_string(listed) + " listed, 1: " +
                                     std::to_string(a.begin1 + 1) + "-" + std::to_string(a.end1) + ", 2: " +
                                     std::to_string(a.begin2 + 1) + "-" + std::to_string(a.end2));
            writeBlocks(out, r1, r2, a.begin1 + 1, a.begin2 + 1, labels, positive, width,
                        pair.minusStrand ? static_cast<long long>(pair.length2) : 0);
        }
    }
    out << '\n' << kEndRule << "\n\n";
}

}  // namespace

std::string viewText(const PairAlignment& pair, std::size_t pairNumber, const RunDescription& run,
                     const PositivePairs& positive, const AlignmentTally& tally, std::size_t width) {
    TextBuffer out;
    writeViewText(out, pair, pairNumber, run, positive, tally, width);
    return std::move(out.text);
}

BlockLabels viewLabels(const std::string& name1, const std::string& name2, std::size_t length1,
                       std::size_t length2) {
    BlockLabels labels;
    labels.numberWidth = std::max<std::size_t>(6, std::to_string(std::max(length1, length2)).size());
    labels.nameWidth = kLabelWidth - 2 - std::min(labels.numberWidth, kLabelWidth - 3);
    labels.name1 = shortName(name1, labels.nameWidth);
    labels.name2 = shortName(name2, labels.nameWidth);
    return labels;
}

BlockLabels fittedLabels(const std::string& name1, const std::string& name2, long long residues1,
                         long long residues2) {
    BlockLabels labels;
    labels.name1 = shortName(name1);
    labels.name2 = shortName(name2);
    labels.nameWidth = std::max(labels.name1.size(), labels.name2.size());
    labels.numberWidth = std::to_string(std::max(residues1, residues2) + 1).size();
    labels.gapShowsResidueBefore = false;
    return labels;
}

std::string blocksText(std::string_view row1, std::string_view row2, const BlockLabels& labels,
                       const PositivePairs& positive, std::size_t width, long long length2) {
    TextBuffer out;
    writeBlocks(out, row1, row2, 1, 1, labels, positive, width, length2);
    return std::move(out.text);
}


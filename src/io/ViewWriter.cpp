#include "io/ViewWriter.hpp"

#include <algorithm>
#include <charconv>
#include <ostream>
#include <string_view>

#include "align/Cigar.hpp"
#include "io/AlignmentTally.hpp"
#include "io/TextBuffer.hpp"

namespace {

char mark(char a, char b, const PositivePairs& positive) {
    if (a == '-' || b == '-') return ' ';
    if (sameResidue(a, b)) return '|';
    return positive(a, b) ? ':' : '.';
}

struct Labels {
    std::string name1, name2;
    std::size_t nameWidth, numberWidth;
};

// Writes the rows in blocks; `next1`/`next2` are the 1-based positions of
// the rows' first residues.
void writeBlocks(TextBuffer& out, std::string_view r1, std::string_view r2, long long next1,
                 long long next2, const Labels& labels, const PositivePairs& positive,
                 std::size_t width) {
    const std::size_t n = std::min(r1.size(), r2.size());
    std::string& text = out.text;
    // Three lines of about the block's width and the labels' for each block.
    const std::size_t indent = labels.nameWidth + 1 + labels.numberWidth + 1;
    text.reserve(text.size() + (n / std::max<std::size_t>(width, 1) + 1) * 3 * (width + indent + 16));
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
        line(labels.name1, next1, s1, next1 + residues1 - 1);
        text.append(indent, ' ');
        const std::size_t marks = text.size();
        text.resize(marks + len);
        for (std::size_t c = 0; c < len; ++c) text[marks + c] = mark(s1[c], s2[c], positive);
        text += '\n';
        line(labels.name2, next2, s2, next2 + residues2 - 1);
        text += '\n';
        next1 += residues1;
        next2 += residues2;
    }
}

void writeViewText(TextBuffer& out, const PairAlignment& pair, std::size_t pairNumber,
                   const std::string& commandLine, const PositivePairs& positive,
                   const AlignmentTally& tally, std::size_t width);

}  // namespace

void writeView(std::ostream& stream, const PairAlignment& pair, std::size_t pairNumber,
               const std::string& commandLine, const PositivePairs& positive, std::size_t width) {
    const std::string text = viewText(pair, pairNumber, commandLine, positive, tallyPair(pair, positive), width);
    stream.write(text.data(), static_cast<std::streamsize>(text.size()));
}

std::string viewText(const PairAlignment& pair, std::size_t pairNumber, const std::string& commandLine,
                     const PositivePairs& positive, const AlignmentTally& tally, std::size_t width) {
    TextBuffer out;
    writeViewText(out, pair, pairNumber, commandLine, positive, tally, width);
    return std::move(out.text);
}

std::string shortName(const std::string& name, std::size_t limit) {
    const std::string word = name.substr(0, std::min(name.find_first_of(" \t"), limit));
    return word.empty() ? "*" : word;
}

namespace {

void writeViewText(TextBuffer& out, const PairAlignment& pair, std::size_t pairNumber,
                   const std::string& commandLine, const PositivePairs& positive,
                   const AlignmentTally& tally, std::size_t width) {
    width = std::max<std::size_t>(width, 1);
    const std::string rule(60, '#');
    out << rule << '\n'
        << "# Pair " << pairNumber << '\n'
        << "# 1: " << pair.name1 << " (length " << pair.length1 << ")\n"
        << "# 2: " << pair.name2 << " (length " << pair.length2 << ")\n"
        << "# Command: " << commandLine << '\n';
    std::size_t listed = 0;
    for (const AnchorRecord& a : pair.anchors) listed += a.listed;
    if (pair.localOnly) {
        out << "# Global alignment: none (-L); the " << listed << " listed "
            << (listed == 1 ? "anchor follows" : "anchors follow") << ", counted together\n";
    } else {
        out << "# Score:        " << pair.score << '\n';
    }
    out << "# Anchor score: " << pair.anchorScore << '\n'
        << "# Length:       " << tally.columns << '\n'
        << "# Identity:     " << countOf(tally.identical, tally.columns) << '\n'
        << "# Similarity:   " << countOf(tally.similar, tally.columns) << '\n'
        << "# Gaps:         " << countOf(tally.gaps, tally.columns) << '\n'
        << rule << "\n\n";

    Labels labels{shortName(pair.name1), shortName(pair.name2), 0, 0};
    labels.nameWidth = std::max(labels.name1.size(), labels.name2.size());
    labels.numberWidth = std::to_string(std::max(pair.length1, pair.length2) + 1).size();
    if (!pair.localOnly) {
        writeBlocks(out, std::string_view(pair.row1.data(), pair.row1.size()),
                    std::string_view(pair.row2.data(), pair.row2.size()), 1, 1, labels, positive,
                    width);
        return;
    }
    std::size_t k = 0;
    for (const AnchorRecord& a : pair.anchors) {
        if (!a.listed) continue;
        ++k;
        out << "# Anchor " << k << " of " << listed << ": score " << a.score << ", 1: "
            << a.begin1 + 1 << '-' << a.end1 << ", 2: " << a.begin2 + 1 << '-' << a.end2 << "\n\n";
        const auto [r1, r2] = expandedRows(a);
        writeBlocks(out, r1, r2, a.begin1 + 1, a.begin2 + 1, labels, positive, width);
    }
}

}  // namespace

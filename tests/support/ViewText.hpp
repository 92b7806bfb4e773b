#pragma once
// Reads the readable view back: per pair its header lines and the two rows
// joined from its blocks, checking on the way what a reader relies on: three
// lines per block, at most `width` columns, marks under every column, and
// positions that continue from block to block.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace viewtext {

struct PairView {
    std::vector<std::string> header;  // the '#' lines
    std::string row1, row2;           // joined segments (all anchors, with -L)
    std::vector<std::string> marks;   // the middle lines' marks, per block
};

struct Line {
    std::string name, segment;
    long long start = 0, end = 0;
};

inline bool parseLine(const std::string& text, Line& line) {
    std::istringstream in(text);
    return static_cast<bool>(in >> line.name >> line.start >> line.segment >> line.end);
}

// ADD_FAILURE()s on a broken block; the caller compares the rows.
inline std::vector<PairView> parseView(const std::string& text, std::size_t width = 60) {
    std::vector<PairView> pairs;
    std::istringstream in(text);
    std::string l;
    std::vector<std::string> lines;
    while (std::getline(in, l)) lines.push_back(l);
    long long next1 = -1, next2 = -1;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const std::string& s = lines[k];
        if (s.rfind("# Program: ", 0) == 0) pairs.emplace_back();  // a pair's first line
        if (s.empty()) continue;
        if (s[0] == '#') {
            if (s.find_first_not_of("#=-") == std::string::npos) continue;  // a rule
            if (pairs.empty()) ADD_FAILURE() << "header line before any pair: " << s;
            else pairs.back().header.push_back(s);
            next1 = next2 = -1;  // a new pair or a new anchor starts afresh
            continue;
        }
        if (pairs.empty() || k + 2 >= lines.size()) {
            ADD_FAILURE() << "block outside a pair at line " << k + 1;
            break;
        }
        Line a, b;
        if (!parseLine(s, a) || !parseLine(lines[k + 2], b)) {
            ADD_FAILURE() << "not a block at line " << k + 1 << ": " << s;
            break;
        }
        const std::string& marks = lines[k + 1];
        const std::size_t at = s.find(a.segment, s.find(' '));
        // Readers of needle's layout take name and start from the first 21
        // characters.
        EXPECT_EQ(at, 21u) << s;
        EXPECT_EQ(lines[k + 2].find(b.segment, lines[k + 2].find(' ')), 21u) << lines[k + 2];
        EXPECT_EQ(a.segment.size(), b.segment.size()) << s;
        EXPECT_LE(a.segment.size(), width) << s;
        EXPECT_EQ(marks.size(), at + a.segment.size()) << "marks not under the columns: " << s;
        auto residues = [](const std::string& seg) {
            return static_cast<long long>(seg.size()) - static_cast<long long>(std::count(seg.begin(), seg.end(), '-'));
        };
        // A segment of gaps shows the residue before it twice.
        auto check = [&](const Line& x, long long next, const std::string& text) {
            if (residues(x.segment) == 0) {
                EXPECT_EQ(x.start, x.end) << text;
                if (next >= 0) {
                    EXPECT_EQ(x.start, next - 1) << text;
                }
                return;
            }
            EXPECT_EQ(x.end - x.start + 1, residues(x.segment)) << text;
            if (next >= 0) {
                EXPECT_EQ(x.start, next) << text;
            }
        };
        check(a, next1, s);
        check(b, next2, lines[k + 2]);
        next1 = a.end + 1, next2 = b.end + 1;
        pairs.back().row1 += a.segment;
        pairs.back().row2 += b.segment;
        pairs.back().marks.push_back(marks.size() >= at ? marks.substr(at) : "");
        k += 2;
    }
    return pairs;
}

// The rows of each record of an alignment file, in order.
inline std::vector<std::pair<std::string, std::string>> alignmentRows(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> rows;
    std::istringstream in(text);
    std::string header1, row1, header2, row2, blank;
    while (std::getline(in, header1) && std::getline(in, row1) && std::getline(in, header2) &&
           std::getline(in, row2)) {
        rows.emplace_back(row1, row2);
        std::getline(in, blank);
    }
    return rows;
}

}  // namespace viewtext

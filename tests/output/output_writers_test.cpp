// CIGAR, PAF and SVG writers against hand-made pair results.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "align/Cigar.hpp"
#include "pair/MaskRunColumns.hpp"
#include "output/PafWriter.hpp"
#include "output/SvgWriter.hpp"

namespace {

std::vector<char> chars(const std::string& s) {
    return {s.begin(), s.end()};
}

// Reference: one operation letter per column, then run-length encoded; the
// counts are those of the letters and of their runs.
Cigar referenceCigar(const std::string& r1, const std::string& r2) {
    std::string ops;
    for (std::size_t c = 0; c < r1.size(); ++c) {
        if (r1[c] == '-' && r2[c] == '-') continue;
        ops += r2[c] == '-' ? 'I' : r1[c] == '-' ? 'D' : std::tolower(r1[c]) == std::tolower(r2[c]) ? '=' : 'X';
    }
    Cigar cigar;
    auto count = [&](char op) { return static_cast<long long>(std::count(ops.begin(), ops.end(), op)); };
    cigar.matches = count('='), cigar.mismatches = count('X');
    cigar.insertedBases = count('I'), cigar.deletedBases = count('D');
    cigar.columns = static_cast<long long>(ops.size());
    for (std::size_t a = 0, b; a < ops.size(); a = b) {
        for (b = a; b < ops.size() && ops[b] == ops[a]; ++b) {
        }
        cigar.text += std::to_string(b - a) + ops[a];
        cigar.insertionRuns += ops[a] == 'I';
        cigar.deletionRuns += ops[a] == 'D';
    }
    return cigar;
}

TEST(Cigar, RandomRowsMatchReference) {
    std::mt19937 rng(7);
    const std::string alphabet = "acgtACGT----";
    auto fields = [](const Cigar& c) {
        return std::tuple(c.text, c.matches, c.mismatches, c.insertedBases, c.insertionRuns, c.deletedBases,
                          c.deletionRuns, c.columns);
    };
    for (int trial = 0; trial < 500; ++trial) {
        std::string r1, r2;
        for (int n = static_cast<int>(rng() % 40); n > 0; --n) {
            r1 += alphabet[rng() % alphabet.size()];
            r2 += alphabet[rng() % alphabet.size()];
        }
        ASSERT_EQ(fields(makeCigar(chars(r1), chars(r2))), fields(referenceCigar(r1, r2))) << r1 << " / " << r2;
    }
}

TEST(MaskRunColumns, FindsRunsByCollapsedIndexSkippingGaps) {
    // Residues at columns 0,2,3,4,7,8 are cells 2..7: cell 3 (column 2) is a
    // run of 30, cell 5 (column 4) a run of one, which needs no expanding.
    const auto found = maskRunsInRow(chars("a-nxn--ab"), 2, {{3, 30}, {5, 1}, {9, 4}});
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].column, 2u);
    EXPECT_EQ(found[0].length, 30u);
}

PairAlignment pair(const std::string& r1, const std::string& r2, std::size_t len1, std::size_t len2) {
    PairAlignment p;
    p.name1 = "q1 some description", p.name2 = "t1", p.length1 = len1, p.length2 = len2, p.score = -40;
    p.row1 = chars(r1), p.row2 = chars(r2);
    return p;
}

// Global lines leave overhangs out; local ones, one per listed anchor, expand
// mask runs to the spans on the sequences as given.
TEST(PafWriter, LinesMatchByteForByte) {
    std::ostringstream out;
    writePaf(out, pair("--acgTac-gt", "ggacgtc-tg-", 8, 9));
    writePaf(out, pair("ac--", "--gt", 2, 2));
    PairAlignment p = pair("", "", 100, 120);
    p.localOnly = true;
    p.name2 = "";
    AnchorRecord runs, plain;
    runs.row1 = runs.row2 = chars("acnt"), runs.runs1 = {{2, 5}}, runs.runs2 = {{2, 3}};
    runs.begin1 = 10, runs.end1 = 18, runs.begin2 = 20, runs.end2 = 26, runs.score = 77, runs.listed = true;
    plain.row1 = chars("ac-g"), plain.row2 = chars("aTtg");
    plain.begin1 = 30, plain.end1 = 33, plain.begin2 = 40, plain.end2 = 44, plain.score = 12, plain.listed = true;
    p.anchors = {runs, runs, plain};
    p.anchors[1].listed = false;
    writePaf(out, p);
    EXPECT_EQ(out.str(),
              "q1\t8\t0\t7\t+\tt1\t9\t2\t9\t5\t8\t255\tAS:i:-40\tcg:Z:4=1X1I1D1=\tde:f:0.3750\n"
              "q1\t2\t0\t0\t+\tt1\t2\t0\t0\t0\t0\t255\tAS:i:-40\tcg:Z:\tde:f:0.0000\n"
              "q1\t100\t10\t18\t+\t*\t120\t20\t26\t4\t10\t255\tAS:i:77\tcg:Z:2=4I2D2=\tde:f:0.3333\n"
              "q1\t100\t30\t33\t+\t*\t120\t40\t44\t2\t4\t255\tAS:i:12\tcg:Z:1=1X1D1=\tde:f:0.5000\n");
}

TEST(SvgWriter, FileNamesKeepOnlySafeCharacters) {
    EXPECT_EQ(svgFileName(1, "a b/c", "x\xc3\xa9.y"), "0001_a_b_c_vs_x__.y.svg");
    EXPECT_EQ(svgFileName(12345, std::string(300, 'q'), "t"), "12345_" + std::string(40, 'q') + "_vs_t.svg");
}

}  // namespace

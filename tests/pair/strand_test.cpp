// Both strands: the reverse complement, and a pair aligned on the minus
// strand or on both against its reverse-complemented twin.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <random>
#include <sstream>
#include <vector>
#include <string>
#include <variant>

#include "TestSupport.hpp"
#include "common/WorkArena.hpp"
#include "pair/PairEngine.hpp"
#include "pair/ReverseComplement.hpp"
#include "pair/RunSettings.hpp"
#include "support/TestData.hpp"

using testdata::str;

TEST(ReverseComplement, ComplementsIupacKeepsCaseAndOtherCharacters) {
    EXPECT_EQ(reverseComplement("ACGTacgt"), "acgtACGT");
    EXPECT_EQ(reverseComplement("RYKMBVDHSWN"), "NWSDHBVKMRY");
    EXPECT_EQ(reverseComplement("ryn"), "nry");
    EXPECT_EQ(reverseComplement("u"), "a");
    EXPECT_EQ(reverseComplement("a*1 x"), "x 1*t");
    EXPECT_EQ(reverseComplement(""), "");
    std::mt19937 rng(5);
    const std::string s = testdata::randomSeq(rng, 500, "ACGTRYKMBVDHSWNacgtrykmbvdhswn");
    EXPECT_EQ(reverseComplement(reverseComplement(s)), s);
}

namespace {

PairAlignment aligned(const std::string& a, const std::string& b, Strand strand, int threads, bool localOnly = false) {
    const ScoreLookup lookup = testdata::hoxd70();
    AlignParameters params = resolveAlignParameters({}, 4, GappedAnchorRealign::kWindows);
    params.threads = threads;
    params.localOnly = localOnly;
    params.cutLen = 20;
    params.tuning.listingMinLength = 20;
    WorkArena arena;
    PairOutcome outcome = alignPair(PairInput{"one", "two", a, b}, PairSettings{lookup, params, strand}, arena);
    EXPECT_TRUE(std::holds_alternative<PairAlignment>(outcome));
    return std::get<PairAlignment>(std::move(outcome));
}

}  // namespace

// A pair and its twin with sequence 2 reverse-complemented: the minus strand
// of the twin is the plus strand of the pair, row for row; with both strands
// each keeps the orientation in which the two are alike, whatever the threads.
TEST(Strands, TwinOnTheOtherStrandAlignsTheSame) {
    std::mt19937 rng(11);
    const std::string a = testdata::randomSeq(rng, 700, "acgt");
    const std::string b = testdata::mutate(rng, a.substr(40, 600), 0.1, "acgt");
    const std::string twin = reverseComplement(b);
    const PairAlignment plus = aligned(a, b, Strand::kPlus, 1);
    const PairAlignment minus = aligned(a, twin, Strand::kMinus, 1);
    EXPECT_FALSE(plus.minusStrand);
    EXPECT_TRUE(minus.minusStrand);
    EXPECT_EQ(minus.score, plus.score);
    EXPECT_EQ(minus.anchorScore, plus.anchorScore);
    EXPECT_EQ(str(minus.row1), str(plus.row1));
    EXPECT_EQ(str(minus.row2), str(plus.row2));
    for (const int threads : {1, 2, 4}) {
        const PairAlignment keptPlus = aligned(a, b, Strand::kBoth, threads);
        EXPECT_FALSE(keptPlus.minusStrand) << threads;
        EXPECT_EQ(str(keptPlus.row1), str(plus.row1)) << threads;
        const PairAlignment keptMinus = aligned(a, twin, Strand::kBoth, threads);
        EXPECT_TRUE(keptMinus.minusStrand) << threads;
        EXPECT_EQ(keptMinus.score, plus.score) << threads;
        EXPECT_EQ(str(keptMinus.row2), str(plus.row2)) << threads;
    }
    // Listing only: the anchor score decides.
    const PairAlignment listed = aligned(a, twin, Strand::kBoth, 2, true);
    EXPECT_TRUE(listed.minusStrand);
    EXPECT_EQ(listed.anchorScore, aligned(a, b, Strand::kPlus, 1, true).anchorScore);
}

// A palindromic pair scores the same both ways: the tie keeps plus.
TEST(Strands, TieKeepsPlus) {
    const std::string a = "acgtacgtaattcgcgaattacgtacgt";
    ASSERT_EQ(reverseComplement(a), a);
    EXPECT_FALSE(aligned(a, a, Strand::kBoth, 2).minusStrand);
    EXPECT_FALSE(aligned(a, a, Strand::kBoth, 1).minusStrand);
}

namespace {

struct PafRecord {
    long long qBegin, qEnd, tBegin, tEnd;
    char strand;
    std::string cigar;
};

std::vector<PafRecord> pafRecords(const std::string& text) {
    std::vector<PafRecord> records;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, '\t');) f.push_back(field);
        PafRecord r{std::stoll(f[2]), std::stoll(f[3]), std::stoll(f[7]), std::stoll(f[8]), f[4][0], ""};
        for (const std::string& tag : f)
            if (tag.rfind("cg:Z:", 0) == 0) r.cigar = tag.substr(5);
        records.push_back(r);
    }
    return records;
}

// Walks a CIGAR along the target's forward strand against the query, or its
// reverse complement on the minus strand: every '=' must be equal residues,
// every 'X' different ones, and the lengths must fill both spans.
void expectCigarFits(const PafRecord& r, const std::string& query, const std::string& target) {
    std::string q = query.substr(static_cast<std::size_t>(r.qBegin), static_cast<std::size_t>(r.qEnd - r.qBegin));
    if (r.strand == '-') q = reverseComplement(q);
    const std::string t = target.substr(static_cast<std::size_t>(r.tBegin), static_cast<std::size_t>(r.tEnd - r.tBegin));
    std::size_t qi = 0, ti = 0;
    long long count = 0;
    for (const char c : r.cigar) {
        if (c >= '0' && c <= '9') {
            count = count * 10 + (c - '0');
            continue;
        }
        for (long long k = 0; k < count; ++k) {
            if (c == '=' || c == 'X') {
                ASSERT_LT(qi, q.size());
                ASSERT_LT(ti, t.size());
                EXPECT_EQ(c == '=', std::tolower(q[qi]) == std::tolower(t[ti])) << r.cigar;
                ++qi;
                ++ti;
            } else {
                (c == 'I' ? qi : ti) += 1;
            }
        }
        count = 0;
    }
    EXPECT_EQ(qi, q.size());
    EXPECT_EQ(ti, t.size());
}

}  // namespace

// The programs with --strand both: a pair and its twin on the other strand
// score alike, the twin's files say '-' (a strand column, "(-)" after its
// name), and each PAF record's span and CIGAR fit the sequences as given,
// for the global alignment and for every listed anchor; --strand plus writes
// what a run without the option writes.
TEST(Strands, ProgramsMarkAndMirrorTheMinusStrand) {
    testsupport::TempDir dir;
    std::mt19937 rng(29);
    const std::string a = testdata::randomSeq(rng, 1500, "acgt");
    const std::string b = testdata::mutate(rng, a.substr(100, 1200), 0.05, "acgt");
    const std::string twin = reverseComplement(b);
    testsupport::writeFile(dir / "in.fa", ">a\n" + a + "\n>b\n" + b + "\n>a\n" + a + "\n>twin\n" + twin + "\n");
    const std::string torva = std::string(TORVA_BIN_DIR) + "/torva";
    for (const std::string local : {"", " -L"}) {
        const std::string out = dir / ("out" + std::to_string(local.size()));
        ASSERT_EQ(testsupport::shell(torva + local + " -q --strand both -I " + (dir / "in.fa") + " -O " + out +
                                     " --paf " + out + ".paf"),
                  0);
        std::istringstream score(testsupport::readFile(out + ".score"));
        std::string plusLine, minusLine;
        std::getline(score, plusLine);
        std::getline(score, minusLine);
        EXPECT_EQ(plusLine.substr(plusLine.size() - 2), "\t+");
        EXPECT_EQ(minusLine.substr(minusLine.size() - 2), "\t-");
        EXPECT_EQ(plusLine.substr(4, plusLine.size() - 6), minusLine.substr(7, minusLine.size() - 9)) << "scores differ";
        EXPECT_NE(testsupport::readFile(out + ".loc").find("twin (-)\t"), std::string::npos);
        const std::vector<PafRecord> records = pafRecords(testsupport::readFile(out + ".paf"));
        ASSERT_GE(records.size(), 2u);
        for (const PafRecord& r : records) {
            SCOPED_TRACE(r.cigar);
            expectCigarFits(r, a, r.strand == '-' ? twin : b);
        }
        EXPECT_EQ(records.front().strand, '+');
        EXPECT_EQ(records.back().strand, '-');
    }
    const std::string plain = dir / "plain", plus = dir / "plus";
    ASSERT_EQ(testsupport::shell(torva + " -q -I " + (dir / "in.fa") + " -O " + plain + " --paf " + plain + ".paf"), 0);
    ASSERT_EQ(testsupport::shell(torva + " -q --strand plus -I " + (dir / "in.fa") + " -O " + plus + " --paf " + plus + ".paf"), 0);
    for (const char* suffix : {"", ".loc", ".score", ".paf"})
        EXPECT_EQ(testsupport::readFile(plus + suffix), testsupport::readFile(plain + suffix)) << suffix;
    EXPECT_EQ(testsupport::readFile(plain + ".score").find("\t+\n"), std::string::npos);
}

// The view numbers a minus-strand sequence 2 down its forward strand, from
// its length to 1; the picture's path runs from the bottom of the plot up
// (across the diagonal), since its axis counts the forward strand.
TEST(Strands, MinusViewCountsDownAndPathRunsAcrossTheDiagonal) {
    testsupport::TempDir dir;
    std::mt19937 rng(37);
    const std::string a = testdata::randomSeq(rng, 600, "acgt");
    const std::string twin = reverseComplement(testdata::mutate(rng, a, 0.03, "acgt"));
    testsupport::writeFile(dir / "in.fa", ">a\n" + a + "\n>twin\n" + twin + "\n");
    ASSERT_EQ(testsupport::shell(std::string(TORVA_BIN_DIR) + "/torva -q --strand minus -I " + (dir / "in.fa") +
                                 " -O " + (dir / "o") + " --view " + (dir / "o.view") + " --plot " + (dir / "pl")),
              0);
    std::istringstream view(testsupport::readFile(dir / "o.view"));
    std::vector<std::pair<long long, long long>> numbers;  // first and last position of twin's block lines
    for (std::string line; std::getline(view, line);) {
        if (line.rfind("twin ", 0) != 0) continue;
        std::istringstream fields(line);
        std::string name, segment;
        long long first = 0, last = 0;
        fields >> name >> first >> segment >> last;
        numbers.emplace_back(first, last);
    }
    ASSERT_GE(numbers.size(), 10u);
    EXPECT_GT(numbers.front().first, numbers.back().second);
    EXPECT_LE(numbers.back().second, 2);
    EXPECT_GE(numbers.front().first, static_cast<long long>(twin.size()) - 1);
    for (const auto& [first, last] : numbers) EXPECT_GE(first, last);
    std::string picture;
    for (const auto& entry : std::filesystem::directory_iterator(dir / "pl")) picture = testsupport::readFile(entry.path());
    const std::size_t at = picture.find("class=\"path\"");
    ASSERT_NE(at, std::string::npos);
    std::istringstream points(picture.substr(picture.find("points=\"", at) + 8));
    std::vector<double> ys;
    for (std::string point; points >> point && point != "/>";) {
        const std::size_t comma = point.find(',');
        if (comma == std::string::npos) break;
        ys.push_back(std::stod(point.substr(comma + 1)));
        if (point.back() == '"') break;
    }
    ASSERT_GE(ys.size(), 2u);
    EXPECT_GT(ys.front(), ys.back());
    EXPECT_NE(picture.find("twin (-)"), std::string::npos);
}

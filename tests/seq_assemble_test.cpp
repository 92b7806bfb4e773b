#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "input/SeqAssemble.hpp"

namespace {

using Runs = std::map<unsigned long, unsigned long>;
using Positions = std::vector<unsigned long>;
using Rows = std::vector<std::vector<char>>;

Rows toRows(std::initializer_list<std::string> texts) {
    Rows rows;
    for (const auto& t : texts) rows.emplace_back(t.begin(), t.end());
    return rows;
}

// Runs addMasked and returns what it printed.
std::string expand(seqAssemble& sa, std::vector<unsigned long> offsets, Rows& rows) {
    std::ostringstream captured;
    std::streambuf* saved = std::cout.rdbuf(captured.rdbuf());
    sa.addMasked(std::move(offsets), rows);
    std::cout.rdbuf(saved);
    return captured.str();
}

// The expansion grown one column at a time, as the slow obvious version would.
std::string expandByColumn(const seqAssemble& sa, const std::vector<unsigned long>& offsets,
                           Rows& rows) {
    std::ostringstream log;
    for (std::size_t s = 0; s < rows.size(); ++s) {
        const Runs runs = s < sa.maskRuns.size() ? sa.maskRuns[s] : Runs{};
        unsigned long k = 0;
        for (std::size_t j = 0; j < rows[s].size(); ++j) {
            if (rows[s][j] == sa.maskChar) {
                const unsigned long key = k + (s < offsets.size() ? offsets[s] : 0);
                const auto run = runs.find(key);
                if (run == runs.end()) {
                    log << "Error at sequence " << s << " at position " << j << ":" << key << "\n";
                } else {
                    const std::size_t n = run->second > 0 ? run->second - 1 : 0;
                    for (std::size_t t = 0; t < rows.size(); ++t)
                        rows[t].insert(rows[t].begin() + std::min(j, rows[t].size()), n,
                                       t == s ? sa.maskChar : '-');
                    j += n;
                }
            }
            if (rows[s][j] != '-') ++k;
        }
    }
    return log.str();
}

}  // namespace

TEST(SeqAssembleCollapse, RunsShrinkToOneCharacterAndArePositioned) {
    seqAssemble sa;
    std::vector<std::string> seqs{"ACNNNNGT", "acgtn", "TTAnNnGNn", "GgTa"};
    EXPECT_TRUE(sa.removeMasked(seqs));
    EXPECT_EQ(seqs, (std::vector<std::string>{"acngt", "acgtn", "ttangn", "ggta"}));
    EXPECT_EQ(sa.posMap[0], (Positions{0, 1, 2, 6, 7}));
    EXPECT_EQ(sa.maskRuns[0], (Runs{{2, 4}}));
    EXPECT_EQ(sa.posMap[1], (Positions{0, 1, 2, 3, 4}));
    EXPECT_EQ(sa.maskRuns[1], (Runs{{4, 1}}));
    EXPECT_EQ(sa.posMap[2], (Positions{0, 1, 2, 3, 6, 7}));
    EXPECT_EQ(sa.maskRuns[2], (Runs{{3, 3}, {5, 2}}));
    EXPECT_EQ(sa.posMap[3], (Positions{0, 1, 2, 3}));
    EXPECT_TRUE(sa.maskRuns[3].empty());

    seqAssemble protein('*');
    seqs = {"MN***KN*", "ACGT"};
    EXPECT_TRUE(protein.removeMasked(seqs));
    EXPECT_EQ(seqs, (std::vector<std::string>{"mn*kn*", "acgt"}));
    EXPECT_EQ(protein.maskRuns[0], (Runs{{2, 3}, {5, 1}}));
    seqs = {"NNQ", ""};
    EXPECT_FALSE(protein.removeMasked(seqs));
}

TEST(SeqAssembleCollapse, EachPairStartsFromFreshTables) {
    seqAssemble sa;
    std::vector<std::string> seqs{"AN", "CC", "G"};
    EXPECT_TRUE(sa.removeMasked(seqs));
    sa.clear();
    EXPECT_TRUE(sa.posMap.empty() && sa.maskRuns.empty());
    EXPECT_TRUE(sa.removeMasked(seqs));
    // Without clear() in between, nothing of the previous pair may remain.
    seqs = {"GG", "T"};
    EXPECT_FALSE(sa.removeMasked(seqs));
    ASSERT_EQ(sa.posMap.size(), 2u);
    EXPECT_EQ(sa.posMap[0], (Positions{0, 1}));
    EXPECT_TRUE(sa.maskRuns[0].empty());
}

TEST(SeqAssembleExpand, RunsComeBackAgainstGapsInTheOtherRows) {
    seqAssemble sa;
    std::vector<std::string> seqs{"ACNNNNGT", "TTNNNAC"};
    sa.removeMasked(seqs);  // acngt, ttnac
    Rows rows = toRows({"acngt", "ac-gt"});
    EXPECT_EQ(expand(sa, {0, 0}, rows), "");
    EXPECT_EQ(rows, toRows({"acnnnngt", "ac----gt"}));

    // Runs in both rows; the gap the first row's run put into the second row
    // must not shift the second row's keys.
    rows = toRows({"ac-ngt", "ttn-ac"});
    EXPECT_EQ(expand(sa, {0, 0}, rows), "");
    EXPECT_EQ(rows, toRows({"ac---nnnngt", "ttnnn----ac"}));

    // A run in column 0, and local rows starting inside the sequences.
    seqs = {"NNNAC", "GNNT"};
    sa.clear();
    sa.removeMasked(seqs);  // nac, gnt
    rows = toRows({"nac", "-gt"});
    EXPECT_EQ(expand(sa, {0, 0}, rows), "");
    EXPECT_EQ(rows, toRows({"nnnac", "---gt"}));
    rows = toRows({"ac", "nt"});
    EXPECT_EQ(expand(sa, {1, 1}, rows), "");
    EXPECT_EQ(rows, toRows({"-ac", "nnt"}));

    // A single n restores nothing.
    seqs = {"AnC", "AC"};
    sa.clear();
    sa.removeMasked(seqs);
    rows = toRows({"anc", "a-c"});
    EXPECT_EQ(expand(sa, {0, 0}, rows), "");
    EXPECT_EQ(rows, toRows({"anc", "a-c"}));
}

TEST(SeqAssembleExpand, UnknownStandInIsReportedAndKept) {
    seqAssemble sa;
    std::vector<std::string> seqs{"ACNNNNGT", "NNGT"};
    sa.removeMasked(seqs);  // acngt, ngt
    // The second row's stand-in at key 0 is at column 5 once the first row's
    // run is back; with offset 1 its key is wrong.
    Rows rows = toRows({"acngt", "--ngt"});
    EXPECT_EQ(expand(sa, {0, 1}, rows), "Error at sequence 1 at position 5:1\n");
    EXPECT_EQ(rows, toRows({"acnnnngt", "-----ngt"}));
    // Rows the tables know nothing about are read as holding no runs.
    rows = toRows({"ac", "gt", "n-"});
    EXPECT_EQ(expand(sa, {0, 0}, rows), "Error at sequence 2 at position 0:0\n");
}

TEST(SeqAssembleExpand, MatchesColumnByColumnExpansion) {
    std::mt19937 rng(12345);
    auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n)(rng); };
    for (int round = 0; round < 2000; ++round) {
        seqAssemble sa(round % 7 == 0 ? '*' : 'n');
        const std::size_t nRows = 1 + pick(2);
        std::vector<std::string> seqs(nRows);
        for (auto& seq : seqs)
            for (std::size_t n = pick(30); n > 0; --n)
                seq.append(pick(3) == 0 ? std::string(1 + pick(6), "nN*"[pick(2)])
                                        : std::string(1, "acgtACGT"[pick(7)]));
        sa.removeMasked(seqs);
        // A random alignment of random stretches; now and then a wrong
        // offset, a missing offset or a row cut short.
        std::vector<unsigned long> offsets;
        Rows rows(nRows);
        for (std::size_t s = 0; s < nRows; ++s) {
            offsets.push_back(pick(seqs[s].size()));
            const std::string part = seqs[s].substr(offsets[s], pick(seqs[s].size() - offsets[s]));
            for (char c : part) {
                for (std::size_t g = pick(4) == 0 ? pick(3) : 0; g > 0; --g) rows[s].push_back('-');
                rows[s].push_back(c);
            }
        }
        const std::size_t width = std::max_element(rows.begin(), rows.end(), [](auto& a, auto& b) {
                                      return a.size() < b.size();
                                  })->size();
        for (auto& row : rows)
            if (pick(9) != 0) row.resize(width, '-');
        if (pick(5) == 0) offsets[pick(nRows - 1)] += 1;
        if (pick(9) == 0) offsets.pop_back();
        if (pick(9) == 0) sa.maskRuns[pick(nRows - 1)][pick(10)] = pick(3);

        Rows expected = rows;
        const std::string expectedLog = expandByColumn(sa, offsets, expected);
        EXPECT_EQ(expand(sa, offsets, rows), expectedLog) << "round " << round;
        ASSERT_EQ(rows, expected) << "round " << round;
    }
}

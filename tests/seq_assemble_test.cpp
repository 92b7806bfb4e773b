#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "input/SeqAssemble.hpp"

namespace {

using Runs = std::map<unsigned long, unsigned long>;
using Positions = std::vector<unsigned long>;
using Rows = std::vector<std::vector<char>>;

// The expansion grown one column at a time, as the slow obvious version would.
std::string expandByColumn(const seqAssemble& sa, const std::vector<unsigned long>& offsets, Rows& rows) {
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

TEST(SeqAssemble, RunsCollapseToOneCharacterAndArePositioned) {
    struct Case {
        char mask;
        std::vector<std::string> seqs, collapsed;
        std::vector<Positions> positions;
        std::vector<Runs> runs;
        bool any;
    };
    for (const Case& c : std::vector<Case>{
             {'n', {"ACNNNNGT", "acgtn", "TTAnNnGNn", "GgTa"}, {"acngt", "acgtn", "ttangn", "ggta"},
              {{0, 1, 2, 6, 7}, {0, 1, 2, 3, 4}, {0, 1, 2, 3, 6, 7}, {0, 1, 2, 3}},
              {{{2, 4}}, {{4, 1}}, {{3, 3}, {5, 2}}, {}}, true},
             {'*', {"MN***KN*", "ACGT"}, {"mn*kn*", "acgt"}, {{0, 1, 2, 5, 6, 7}, {0, 1, 2, 3}},
              {{{2, 3}, {5, 1}}, {}}, true},
             {'*', {"NNQ", ""}, {"nnq", ""}, {{0, 1, 2}, {}}, {{}, {}}, false},
         }) {
        seqAssemble sa(c.mask);
        std::vector<std::string> seqs = c.seqs;
        EXPECT_EQ(sa.removeMasked(seqs), c.any);
        EXPECT_EQ(seqs, c.collapsed);
        EXPECT_EQ(sa.posMap, c.positions);
        EXPECT_EQ(sa.maskRuns, c.runs);
        // The next pair starts from fresh tables, cleared or not.
        seqs = {"GG", "T"};
        EXPECT_FALSE(sa.removeMasked(seqs));
        EXPECT_EQ(sa.posMap, (std::vector<Positions>{{0, 1}, {0}}));
        EXPECT_EQ(sa.maskRuns, (std::vector<Runs>(2)));
    }
}

// Random runs, random alignments of random stretches; now and then a wrong
// offset, a missing offset, a row cut short or an invented run. The runs come
// back against gaps in every other row; stand-ins without a recorded run are
// reported and kept.
TEST(SeqAssemble, ExpansionMatchesColumnByColumnVersion) {
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
        const std::size_t width =
            std::max_element(rows.begin(), rows.end(), [](auto& a, auto& b) { return a.size() < b.size(); })->size();
        for (auto& row : rows)
            if (pick(9) != 0) row.resize(width, '-');
        if (pick(5) == 0) offsets[pick(nRows - 1)] += 1;
        if (pick(9) == 0) offsets.pop_back();
        if (pick(9) == 0) sa.maskRuns[pick(nRows - 1)][pick(10)] = pick(3);

        Rows expected = rows;
        const std::string expectedLog = expandByColumn(sa, offsets, expected);
        Messages messages{outLine("earlier")};
        sa.addMasked(offsets, rows, messages);
        std::string log;
        for (std::size_t m = 1; m < messages.size(); ++m) {
            EXPECT_EQ(messages[m].stream, Message::Stream::kOut);
            log += messages[m].text + "\n";
        }
        EXPECT_EQ(messages[0].text, "earlier");
        EXPECT_EQ(log, expectedLog) << "round " << round;
        ASSERT_EQ(rows, expected) << "round " << round;
    }
}

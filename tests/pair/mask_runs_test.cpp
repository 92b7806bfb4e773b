#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>

#include "pair/MaskRuns.hpp"

namespace {

using Runs = std::map<unsigned long, unsigned long>;
using Rows = std::vector<std::vector<char>>;

// The expansion grown one column at a time, as the slow obvious version would.
std::string expandByColumn(const MaskRuns& sa, const std::vector<unsigned long>& offsets, Rows& rows) {
    std::ostringstream log;
    for (std::size_t s = 0; s < rows.size(); ++s) {
        const Runs runs = s < sa.runLengths.size() ? sa.runLengths[s] : Runs{};
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

// The table sizes, each sequence as collapsed, then the given position of every character
// and the recorded runs (stand-in index: length).
std::string collapse(MaskRuns& sa, std::vector<std::string> seqs) {
    std::string s = sa.collapse(seqs) ? "masked" : "plain";
    s += std::to_string(sa.posMap.size()) + std::to_string(sa.runLengths.size());
    for (std::size_t k = 0; k < seqs.size(); ++k) {
        s += " " + seqs[k] + ":";
        for (unsigned long p : sa.posMap[k]) s += std::to_string(p);
        for (auto [at, length] : sa.runLengths[k]) s += " " + std::to_string(at) + "x" + std::to_string(length);
    }
    return s;
}

}  // namespace

TEST(MaskRuns, RunsCollapseToOneCharacterAndArePositioned) {
    MaskRuns dna, protein('*');
    EXPECT_EQ(collapse(dna, {"ACNNNNGT", "acgtn", "TTAnNnGNn", "GgTa"}),
              "masked44 acngt:01267 2x4 acgtn:01234 4x1 ttangn:012367 3x3 5x2 ggta:0123");
    EXPECT_EQ(collapse(protein, {"MN***KN*", "ACGT"}), "masked22 mn*kn*:012567 2x3 5x1 acgt:0123");
    EXPECT_EQ(collapse(protein, {"NNQ", ""}), "plain22 nnq:012 :");
    EXPECT_EQ(collapse(dna, {"GG", "T"}), "plain22 gg:01 t:0");  // nothing of the earlier pair remains
}

// Random runs, random alignments of random stretches; now and then a wrong
// offset, a missing offset, a row cut short or an invented run. The runs come
// back against gaps in every other row; stand-ins without a recorded run are
// reported and kept.
TEST(MaskRuns, ExpansionMatchesColumnByColumnVersion) {
    std::mt19937 rng(12345);
    auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n)(rng); };
    for (int round = 0; round < 2000; ++round) {
        MaskRuns sa(round % 7 == 0 ? '*' : 'n');
        const std::size_t nRows = 1 + pick(2);
        std::vector<std::string> seqs(nRows);
        for (auto& seq : seqs)
            for (std::size_t n = pick(30); n > 0; --n)
                seq.append(pick(3) == 0 ? std::string(1 + pick(6), "nN*"[pick(2)])
                                        : std::string(1, "acgtACGT"[pick(7)]));
        sa.collapse(seqs);
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
        std::size_t width = 0;
        for (auto& row : rows) width = std::max(width, row.size());
        for (auto& row : rows)
            if (pick(9) != 0) row.resize(width, '-');
        if (pick(5) == 0) offsets[pick(nRows - 1)] += 1;
        if (pick(9) == 0) offsets.pop_back();
        if (pick(9) == 0) sa.runLengths[pick(nRows - 1)][pick(10)] = pick(3);

        Rows expected = rows;
        const std::string expectedLog = "earlier\n" + expandByColumn(sa, offsets, expected);
        Messages messages{outLine("earlier")};
        sa.restore(offsets, rows, messages);
        std::string log;
        for (const Message& m : messages) log += (m.stream == Message::Stream::kOut ? "" : "(err) ") + m.text + "\n";
        EXPECT_EQ(log, expectedLog) << "round " << round;
        ASSERT_EQ(rows, expected) << "round " << round;
    }
}

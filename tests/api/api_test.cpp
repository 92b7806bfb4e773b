// The C++ side of the library where the Python tests cannot see it: the
// cigar coding, which error alignMany reports, and that nothing is printed.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

#include "torva/torva.hpp"

namespace {

// The coding itself is checked against a reference on random rows; here the
// public call, and its refusal of rows of different lengths.
TEST(ApiCigar, CodesColumnsAndRefusesUnevenRows) {
    EXPECT_EQ(torva::cigar("Ac--gt-", "aTttg-a"), "1=1X2D1=1I1D");
    EXPECT_THROW(torva::cigar("ac", "a"), std::invalid_argument);
}

TEST(ApiErrors, AlignManyThrowsTheFirstFailingPair) {
    // Pair 1 and 3 are too large for the memory limit; 1 is reported on every
    // run whatever the number of threads.
    const std::string huge(50000, 'a');
    const std::vector<std::pair<std::string, std::string>> pairs = {
        {"acgtacgt", "acgtaagt"}, {huge, huge + "c"}, {"acgt", "acct"}, {huge + "g", huge}};
    for (unsigned threads : {1u, 2u, 4u}) {
        torva::Options o;
        o.threads = threads;
        o.memoryLimit = 4u << 20;
        try {
            torva::alignMany(pairs, o);
            FAIL() << "no error with " << threads << " threads";
        } catch (const torva::OutOfMemoryError& e) {
            EXPECT_NE(std::string(e.what()).find("50000 and 50001"), std::string::npos) << e.what();
        }
    }
}

// A thread count past the programs' limit is refused, naming it, before any
// work: a wrapped or huge count would ask for that many workers and buffers.
TEST(ApiErrors, ThreadsBeyondTheLimitAreRefused) {
    const std::vector<std::pair<std::string, std::string>> pairs = {{"acgtacgt", "acgtaagt"}};
    torva::Options o;
    o.threads = torva::limits().maxThreads;
    EXPECT_EQ(torva::alignMany(pairs, o).size(), 1u);
    for (const unsigned threads : {torva::limits().maxThreads + 1, 4294967295u}) {
        o.threads = threads;
        try {
            torva::alignEach(pairs, o);
            FAIL() << threads;
        } catch (const std::invalid_argument& e) {
            EXPECT_EQ(std::string(e.what()), "threads " + std::to_string(threads) + " lies outside 0.." +
                                                 std::to_string(torva::limits().maxThreads));
        }
    }
}

// alignEach aligns every pair past a failing one and gives each its own
// result or error: the same results as align(), the same error as alignMany.
TEST(ApiErrors, AlignEachKeepsEveryPairsOwnOutcome) {
    const std::string huge(50000, 'a');
    const std::vector<std::pair<std::string, std::string>> pairs = {
        {"acgtacgt", "acgtaagt"}, {huge, huge + "c"}, {"acgt", "acct"}, {huge + "g", huge}};
    for (unsigned threads : {1u, 3u}) {
        torva::Options o;
        o.threads = threads;
        o.memoryLimit = 4u << 20;
        const std::vector<torva::PairOutcome> outcomes = torva::alignEach(pairs, o);
        ASSERT_EQ(outcomes.size(), pairs.size());
        for (std::size_t k : {0u, 2u}) {
            ASSERT_TRUE(outcomes[k].result) << k;
            EXPECT_FALSE(outcomes[k].error);
            const torva::Result alone = torva::align(pairs[k].first, pairs[k].second, o);
            EXPECT_EQ(outcomes[k].result->row1, alone.row1);
            EXPECT_EQ(outcomes[k].result->score, alone.score);
        }
        for (std::size_t k : {1u, 3u}) {
            ASSERT_FALSE(outcomes[k].result) << k;
            EXPECT_THROW(std::rethrow_exception(outcomes[k].error), torva::OutOfMemoryError);
        }
    }
}

// Under a memory ceiling that holds one pair at a time, two pairs on two
// threads are both aligned, as align() aligns them; below one pair's need,
// the error says what was needed and what was left.
TEST(ApiMemory, AlignManyWaitsForMemoryUnderACeiling) {
    std::string a, b;
    for (std::uint32_t k = 0, x = 12345; k < 20000; ++k, x = x * 1103515245u + 12345u) {
        a += "acgt"[(x >> 16) & 3];
        b += k % 50 == 7 ? 'c' : a.back();
    }
    const torva::Result ab = torva::align(a, b), ba = torva::align(b, a);
    torva::Options o;
    o.threads = 2;
    o.memoryLimit = 6u << 20;  // one pair's grid and blocks (about 4 MB), not two
    const std::vector<torva::Result> both = torva::alignMany({{a, b}, {b, a}}, o);
    ASSERT_EQ(both.size(), 2u);
    EXPECT_TRUE(both[0].row1 == ab.row1 && both[0].row2 == ab.row2 && both[0].score == ab.score);
    EXPECT_TRUE(both[1].row1 == ba.row1 && both[1].row2 == ba.row2 && both[1].score == ba.score);
    o.memoryLimit = 1u << 20;
    try {
        torva::alignMany({{a, b}}, o);
        FAIL() << "aligned under 1 MiB";
    } catch (const torva::OutOfMemoryError& e) {
        EXPECT_TRUE(e.bytesNeeded() > e.bytesAvailable() && e.bytesAvailable() <= o.memoryLimit);
    }
}

TEST(ApiErrors, NothingIsPrinted) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_THROW(torva::Matrix::fromText(">t\nAC\nA 1 2\nC 3\n"), std::invalid_argument);
    EXPECT_THROW(torva::Matrix::fromFile("/nonexistent/m"), torva::FileError);
    // Nor does aligning, masked runs included.
    torva::align("acgtnnnnnnacgt", "acgtacgt");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(ApiThreads, ConcurrentCallsAgreeWithOneAtATime) {
    const std::string a = "atgtctgctaaagttccatctaacgccacgtttaagaacaaggaaaaacctcaagaggttcgc";
    const std::string b = "atgtctgctaaggtcccatctaacgccacgttcaagaacaaggaaaaaccccaagaggttcgc";
    torva::Options o;
    o.minLength = 20;
    const torva::Result expected = torva::align(a, b, o);
    std::vector<torva::Result> got(4);
    {
        std::vector<std::jthread> pool;
        for (auto& r : got) pool.emplace_back([&] { r = torva::align(a, b, o); });
    }
    for (const auto& r : got) {
        EXPECT_EQ(r.row1, expected.row1);
        EXPECT_EQ(r.row2, expected.row2);
        EXPECT_EQ(r.score, expected.score);
    }
}

}  // namespace

namespace {

// Values of the published tables that a transcription slip would change.
TEST(ApiNamedMatrices, HoldThePublishedValues) {
    const struct {
        const char* name;
        char a, b;
        int score;
    } cases[] = {
        {"BLOSUM62", 'W', 'W', 11}, {"BLOSUM62", 'A', 'R', -1}, {"BLOSUM62", 'C', 'C', 9},
        {"BLOSUM45", 'W', 'W', 15}, {"BLOSUM45", 'C', 'C', 12}, {"BLOSUM50", 'P', 'P', 10},
        {"BLOSUM50", 'W', 'W', 15}, {"BLOSUM80", 'W', 'W', 11}, {"BLOSUM80", 'A', 'A', 5},
        {"PAM30", 'W', 'W', 13},    {"PAM30", 'W', 'E', -17},   {"PAM70", 'M', 'M', 10},
        {"PAM250", 'W', 'W', 17},   {"PAM250", 'C', 'C', 12},   {"PAM250", 'W', 'C', -8},
        {"HOXD70", 'A', 'A', 91},   {"HOXD70", 'A', 'C', -114}, {"HOXD70", 'A', 'G', -31},
        {"HOXD70", 'C', 'G', -125}, {"DNA_MATCH", 'A', 'A', 100}, {"DNA_MATCH", 'A', 'G', -100},
    };
    for (const auto& c : cases)
        EXPECT_EQ(torva::Matrix::named(c.name).score(c.a, c.b), c.score)
            << c.name << " " << c.a << "/" << c.b;
}

TEST(ApiNamedMatrices, AreSymmetricAndTheirDataFiles) {
    const std::vector<std::string> names = torva::Matrix::names();
    ASSERT_FALSE(names.empty());
    for (const std::string& name : names) {
        const torva::Matrix m = torva::Matrix::named(name);
        const torva::Matrix file = torva::Matrix::fromFile(std::string(TORVA_SOURCE_DIR) + "/data/" + name);
        EXPECT_EQ(m.title(), name);
        EXPECT_EQ(m.letters(), file.letters()) << name;
        EXPECT_EQ(m.isProtein(), name.rfind("BLOSUM", 0) == 0 || name.rfind("PAM", 0) == 0) << name;
        for (char a : m.letters())
            for (char b : m.letters()) {
                EXPECT_EQ(m.score(a, b), m.score(b, a)) << name << " " << a << b;
                EXPECT_EQ(m.score(a, b), file.score(a, b)) << name << " " << a << b;
            }
    }
}

TEST(ApiNamedMatrices, NamesIgnoreCaseAndUnknownOnesListTheKnown) {
    EXPECT_EQ(torva::Matrix::named("pam250").score('w', 'w'), 17);
    try {
        torva::Matrix::named("BLOSUM100");
        FAIL() << "an unknown name was accepted";
    } catch (const std::invalid_argument& e) {
        const std::string what = e.what();
        for (const std::string& name : torva::Matrix::names())
            EXPECT_NE(what.find(name), std::string::npos) << what;
    }
    // The defaults stay the programs' defaults.
    EXPECT_EQ(torva::Matrix::dna().title(), "HOXD70");
    EXPECT_EQ(torva::Matrix::protein().title(), "BLOSUM62");
}

}  // namespace

namespace {

std::string randomDna(std::size_t n, std::uint32_t seed) {
    std::string s(n, 'a');
    for (char& c : s) {
        seed = seed * 1664525u + 1013904223u;
        c = "acgt"[seed >> 30];
    }
    return s;
}

}  // namespace

// A raised flag stops every call at its first row, on every thread it uses;
// one left down changes nothing.
TEST(ApiStop, ARaisedFlagStopsEveryCall) {
    const std::string a = randomDna(3000, 1), b = randomDna(2900, 2);
    std::atomic<bool> down{false}, raised{true};
    torva::Options o;
    o.stop = &down;
    const torva::Result plain = torva::align(a, b);
    EXPECT_EQ(torva::align(a, b, o).row1, plain.row1);
    o.stop = &raised;
    EXPECT_THROW(torva::align(a, b, o), torva::Stopped);
    EXPECT_THROW(torva::listLocal(a, b, o), torva::Stopped);
    for (unsigned threads : {1u, 2u, 3u}) {
        o.threads = threads;
        EXPECT_THROW(torva::alignMany({{a, b}, {b, a}, {a, a}}, o), torva::Stopped) << threads;
    }
}

// Raised while a large pair fills on two threads, the call ends within a
// fraction of a second, where the pair alone takes seconds.
TEST(ApiStop, AFlagRaisedDuringALargePairEndsTheCallSoon) {
    const std::string a = randomDna(60000, 3), b = randomDna(60000, 4);
    for (unsigned threads : {1u, 2u}) {
        std::atomic<bool> stop{false};
        torva::Options o;
        o.threads = threads;
        o.stop = &stop;
        std::chrono::steady_clock::time_point raisedAt;
        std::thread raiser([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            raisedAt = std::chrono::steady_clock::now();
            stop = true;
        });
        EXPECT_THROW(torva::alignMany({{a, b}}, o), torva::Stopped);
        const auto took = std::chrono::steady_clock::now() - raisedAt;
        raiser.join();
        EXPECT_LT(took, std::chrono::milliseconds(500)) << threads << " threads";
    }
}

// A pair whose second sequence is given reverse-complemented aligns on the
// minus strand as the pair itself on the plus strand; protein has no other
// strand.
TEST(ApiStrand, MinusStrandTwinAndProteinRefusal) {
    const std::string a = "acgtggctaacgttagcatcgatcgggatcgatcgtacgatcgatcgtagctagctagcatcgactagcatc";
    const std::string b = a.substr(5, 60);
    std::string twin(b.rbegin(), b.rend());
    for (char& c : twin) c = c == 'a' ? 't' : c == 't' ? 'a' : c == 'c' ? 'g' : 'c';
    torva::Options o;
    o.minLength = 10;
    const torva::Result plus = torva::align(a, b, o);
    o.strand = torva::Strand::both;
    const torva::Result kept = torva::align(a, twin, o);
    EXPECT_EQ(kept.strand, torva::Strand::minus);
    EXPECT_EQ(kept.score, plus.score);
    EXPECT_EQ(kept.row2, plus.row2);
    EXPECT_EQ(torva::alignMany({{a, b}, {a, twin}}, o)[1].strand, torva::Strand::minus);
    EXPECT_EQ(torva::align(a, b, o).strand, torva::Strand::plus);
    o.protein = true;
    EXPECT_THROW(torva::align(a, b, o), std::invalid_argument);
}

// The defaults the header publishes are the ones an unset option takes, in
// both modes, and a factor below the floor aligns as the floor.
TEST(ApiDefaults, UnsetOptionsTakeThePublishedDefaults) {
    const std::string dna1 = "ttgacgtggctaacgttagcatcgatcgggatcgatcgtacgatcgatcgtagctagctagcatcgactagcatcaa";
    const std::string dna2 = "gacgtggctaacgtgcatcgatcgggatcgaaaaatcgtacgatcgatcgtagctagcagcatcgactagcatc";
    const std::string prot1 = "MKTAYIAKQRQISFVKSHFSRQLEERLGLIEVQAPILSRVGDGTQDNLSGAEKAVQVKVKALPDAQ";
    const std::string prot2 = "MKTAYIAKQRQISFVKSHFSRQDILDLWIYHTQGYFPDQNLSGAEKAVQVKVKALPDAQFEVV";
    auto rows = [](const torva::Result& r) { return r.row1 + "/" + r.row2 + " " + std::to_string(r.score); };
    for (const bool protein : {false, true}) {
        const std::string& a = protein ? prot1 : dna1;
        const std::string& b = protein ? prot2 : dna2;
        torva::Options unset;
        unset.protein = protein;
        const torva::Defaults d = torva::defaults(protein);
        EXPECT_EQ(unset.factor, d.factor) << "Options::factor holds the default of both modes";
        torva::Options given = unset;
        given.gapOpen = d.gapOpen;
        given.gapExtend = d.gapExtend;
        given.minLength = d.minLength;
        EXPECT_EQ(rows(torva::align(a, b, unset)), rows(torva::align(a, b, given))) << protein;
        // Cheaper gaps change the alignment, so the comparison above can fail.
        given.gapOpen = d.gapOpen / 5;
        EXPECT_NE(rows(torva::align(a, b, unset)), rows(torva::align(a, b, given))) << protein;

        torva::Options low = unset, floor = unset;
        low.factor = 0;
        floor.factor = torva::limits().minFactor;
        low.minLength = floor.minLength = 10;
        EXPECT_EQ(torva::listLocal(a, b, low).anchorScore, torva::listLocal(a, b, floor).anchorScore);
    }
}

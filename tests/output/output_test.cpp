#include <unistd.h>

#include <sstream>

#include "TestSupport.hpp"
#include "pair/PairEngine.hpp"
#include "common/WorkArena.hpp"
#include "output/LocWriter.hpp"
#include "output/RunOutputs.hpp"
#include "support/TestData.hpp"

using namespace testsupport;

// The ".loc" listing shows anchors covering at least 10 positions of sequence
// 1: counted in cells without mask runs, in given positions (a run inside
// counting whole) with them. Sequence 2 flanks the core with letters that
// cannot extend it, so the one anchor covers all of sequence 1.
TEST(LocListing, MinimumLengthInPositionsOfSequenceOne) {
    struct Case {
        std::string core;
        bool listed;
        std::string lines;  // the anchor's lines when listed
    };
    const std::vector<Case> cases{
        {"acgtacgta", false, ""},
        {"acgtacgtac", true, "1 0      10     50          acgtacgtac\n2 3      13     50          acgtacgtac\n"},
        {"acgtacgtaca", true, "1 0      11     55          acgtacgtaca\n2 3      14     55          acgtacgtaca\n"},
        {"acgnnntac", false, ""},
        {"acgnnnntac", true, "1 0      9      30          acgntac\n2 3      12     30          acgntac\n"},
        {"acgnnnnntac", true, "1 0      10     30          acgntac\n2 3      13     30          acgntac\n"},
    };
    const ScoreLookup lookup = testdata::simpleDna();
    WorkArena arena;
    for (const bool localOnly : {true, false}) {
        const AlignParameters p{.scoreFactor = 4, .cutLen = 1, .localOnly = localOnly};
        for (const Case& c : cases) {
            const PairOutcome outcome =
                alignPair(PairInput{"s1", "s2", c.core, "ggg" + c.core + "ggg"}, PairSettings{lookup, p}, arena);
            const PairAlignment& pair = std::get<PairAlignment>(outcome);
            ASSERT_EQ(pair.anchors.size(), 1u) << c.core;
            EXPECT_EQ(pair.anchors[0].listed, c.listed) << c.core;
            std::ostringstream loc;
            writeLocRecord(loc, pair);
            const std::string score = std::to_string(pair.anchors[0].score);
            const std::string header = ">s1\ts2\t" + score + (localOnly ? "" : "\t" + std::to_string(pair.score));
            EXPECT_EQ(loc.str(), header + "\n" + c.lines) << c.core;
        }
    }
}

// A file that fails is reported once, with its path; the others are written.
TEST(RunOutputs, FailedWritesAreReportedOnce) {
    TempDir dir;
    ASSERT_EQ(::symlink("/dev/full", (dir / "out.loc").c_str()), 0);
    RunOutputs outputs(dir / "out", false);
    ASSERT_EQ(outputs.open(), "");
    PairAlignment pair;
    pair.name1 = "x";
    pair.name2 = "y";
    const Captured c = capture([&] {
        const bool fine = outputs.check();
        outputs.write(pair, 1);
        outputs.write(pair, 1);
        return fine * 100 + outputs.check() * 10 + outputs.close() + outputs.commit() * 1000;
    });
    EXPECT_EQ(c.status, 1100);
    EXPECT_EQ(c.out, "can not write output file: " + (dir / "out.loc") + "\n");
    EXPECT_EQ(readFile(dir / "out.score"), "x\ty\t0\t0\nx\ty\t0\t0\n");
    EXPECT_EQ(readFile(dir / "out"), ">x\t0\t0\n\n>y\n\n\n>x\t0\t0\n\n>y\n\n\n");
}

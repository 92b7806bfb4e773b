#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>

#include "TestSupport.hpp"
#include "pair/PairEngine.hpp"
#include "pair/RunSettings.hpp"
#include "common/WorkArena.hpp"
#include "output/LocWriter.hpp"
#include "output/OutputFile.hpp"
#include "output/PictureFolder.hpp"
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
        AlignParameters p = resolveAlignParameters({}, 4, GappedAnchorRealign::kWindows);
        p.scoreFactor = 4;
        p.cutLen = 1;
        p.localOnly = localOnly;
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

// A file that fails gives one problem, with its path and the system's
// reason, however often it is written; the others are written.
TEST(RunOutputs, FailedWritesAreReportedOnce) {
    TempDir dir;
    ASSERT_EQ(::symlink("/dev/full", (dir / "out.loc").c_str()), 0);
    std::ostringstream standardOutput;
    RunOutputs outputs(standardOutput, dir / "out", false);
    ASSERT_TRUE(outputs.open());
    PairAlignment pair;
    pair.name1 = "x";
    pair.name2 = "y";
    EXPECT_TRUE(outputs.check());
    outputs.write(pair, 1);
    outputs.write(pair, 1);
    EXPECT_FALSE(outputs.check());
    EXPECT_FALSE(outputs.close());
    EXPECT_TRUE(outputs.commit());
    const OutputProblems problems = outputs.takeProblems();
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].kind, OutputProblem::Kind::kNotWritten);
    EXPECT_EQ(problems[0].path, dir / "out.loc");
    EXPECT_EQ(problems[0].reason, std::strerror(ENOSPC));
    EXPECT_TRUE(outputs.takeProblems().empty());
    EXPECT_EQ(standardOutput.str(), "");
    EXPECT_EQ(readFile(dir / "out.score"), "x\ty\t0\t0\nx\ty\t0\t0\n");
    EXPECT_EQ(readFile(dir / "out"), ">x\t0\t0\n\n>y\n\n\n>x\t0\t0\n\n>y\n\n\n");
}

// The three ends of a file written under a temporary name: in place, kept
// as partial output, or gone; a target that cannot be replaced keeps the
// data as partial output rather than losing them.
TEST(OutputFile, CommitKeepPartialAndDiscard) {
    TempDir dir;
    for (const std::string end : {"commit", "keep", "discard", "commit onto a folder"}) {
        const bool ontoFolder = end == "commit onto a folder";
        writeFile(dir / "f", "earlier");
        OutputFile file;
        file.path = ontoFolder ? dir / "later" : dir / "f";
        ASSERT_TRUE(file.open(0644)) << end;
        ASSERT_FALSE(file.temp.empty()) << end;
        const std::string temp = file.temp;
        file.stream << "new";
        if (end == "keep") {
            EXPECT_EQ(file.keepPartial(), dir / "f.partial");
            EXPECT_EQ(readFile(dir / "f.partial"), "new");
        } else if (end == "discard") {
            file.discard();
        } else {
            // A folder that takes the name meanwhile cannot be replaced.
            if (ontoFolder) fs::create_directories(dir / "later/x");
            ASSERT_TRUE(file.close());
            EXPECT_EQ(file.commit(), !ontoFolder) << end;
        }
        EXPECT_TRUE(file.temp.empty()) << end;
        EXPECT_FALSE(exists(temp)) << end;
        EXPECT_EQ(readFile(dir / "f"), end == "commit" ? "new" : "earlier") << end;
        if (ontoFolder) {
            EXPECT_EQ(readFile(dir / "later.partial"), "new");
        }
    }
}

// A picture folder made for a run that fails before its first pair goes
// again, folders above it included; one that fails later keeps its pictures
// in "pictures.partial" unless an earlier run's non-empty one is there.
TEST(PictureFolder, EndsLikeAnOutputFile) {
    TempDir dir;
    PictureFolder unused(dir / "a/b/pics");
    ASSERT_TRUE(unused.open(0644));
    EXPECT_EQ(unused.madeFolders().size(), 4u);  // the temporary folder, pics, b, a
    unused.discard();
    EXPECT_FALSE(exists(dir / "a"));

    PictureFolder written(dir / "pics");
    ASSERT_TRUE(written.open(0644));
    ASSERT_TRUE(written.write("1.svg", {"<svg", "/>"}));
    EXPECT_EQ(written.keepPartial(), dir / "pics/pictures.partial");
    EXPECT_EQ(readFile(dir / "pics/pictures.partial/1.svg"), "<svg/>");

    PictureFolder again(dir / "pics");
    ASSERT_TRUE(again.open(0644));
    ASSERT_TRUE(again.write("2.svg", {"x"}));
    const std::vector<std::pair<std::string, std::string>> renames = again.partialRenames();
    ASSERT_EQ(renames.size(), 1u);
    EXPECT_EQ(again.keepPartial(), renames[0].first);
    EXPECT_EQ(readFile(renames[0].first + "/2.svg"), "x");
    EXPECT_TRUE(exists(dir / "pics/pictures.partial/1.svg"));

    PictureFolder committed(dir / "pics");
    ASSERT_TRUE(committed.open(0644));
    ASSERT_TRUE(committed.write("3.svg", {"y"}));
    EXPECT_TRUE(committed.commit().empty());
    EXPECT_EQ(readFile(dir / "pics/3.svg"), "y");
    EXPECT_EQ(committed.keepPartial(), "");
}

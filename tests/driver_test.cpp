#include "cli/Driver.hpp"

#include <sys/wait.h>
#include <unistd.h>

#include "TestSupport.hpp"
#include "cli/ArgParse.hpp"
#include "input/ScoreMatrix.hpp"

using namespace testsupport;

namespace {

const std::string kProgram = std::string(TORVA_BIN_DIR) + "/torva";
const std::string kFasta = ">s1|first\nACGTACGT\n>s2\nACGTTCGT\n>s3\nGGGG\n>s4\nGGCG\n";

// A directory with the input "in.fa" and a copy "m" of the DNA matrix; run()
// calls runProgram with -I in.fa -S m -O out followed by `extra`.
struct Workspace {
    TempDir dir;
    explicit Workspace(const std::string& fasta = kFasta) {
        writeFile(dir / "in.fa", fasta);
        writeFile(dir / "m", readFile(std::string(TORVA_SOURCE_DIR) + "/data/dnaMatrix"));
    }
    std::string operator/(const std::string& name) const { return dir / name; }
    Captured run(std::vector<std::string> extra = {}) const {
        std::vector<std::string> o{kProgram, "-I", dir / "in.fa", "-S", dir / "m", "-O", dir / "out"};
        o.insert(o.end(), extra.begin(), extra.end());
        Args a(o);
        return capture([&] { return runProgram(a.argc(), a.argv()); });
    }
    std::string outputs() const {  // which of out, out.loc, out.score exist
        std::string s;
        for (const char* f : {"out", "out.loc", "out.score"}) s += exists(dir / f) ? '1' : '0';
        return s;
    }
};

}  // namespace

TEST(Driver, RunsAndStatuses) {
    Workspace w;
    Captured c = w.run();
    EXPECT_EQ(c.status, 0);
    EXPECT_EQ(c.out + c.err, "");
    EXPECT_EQ(w.outputs(), "111");
    EXPECT_EQ(w.run({"-L"}).status, 0);  // -L removes the alignment file
    EXPECT_EQ(w.outputs(), "011");
    for (auto [options, status] : std::vector<std::pair<std::vector<std::string>, int>>{
             {{kProgram}, 1}, {{kProgram, "-h"}, 0}, {{kProgram, "-V"}, 0}, {{kProgram, "-S", "m"}, 1}}) {
        Args a(options);
        EXPECT_EQ(capture([&] { return runProgram(a.argc(), a.argv()); }).status, status);
    }
    // A trailing odd record and an empty header are warned about.
    Workspace odd(kFasta + ">s5|odd\nAAAA\n>\n");
    EXPECT_EQ(odd.run().err, "warning: record 6 has an empty header; it is kept with an empty name\n");
    Workspace five(kFasta + ">s5|odd one\nAAAA\n");
    c = five.run();
    EXPECT_EQ(c.status, 0);
    EXPECT_EQ(c.err, "warning: record 5 (s5|odd one) has no partner and is not aligned\n");
    Workspace one(">only\nACGT\n");
    EXPECT_EQ(one.run({"-L"}).status, 0);
    EXPECT_EQ(one.outputs(), "011");
    EXPECT_EQ(readFile(one / "out.loc") + readFile(one / "out.score"), "");
}

TEST(Driver, StopsBeforeTouchingOutputFiles) {
    Workspace w;
    writeFile(w / "out", "earlier");
    writeFile(w / "bad", ">m\nACGT\nA 1 2 3\n");
    writeFile(w / "empty", "");
    struct Case {
        std::vector<std::string> extra;
        std::string out, err;
    };
    for (const Case& c : std::vector<Case>{
             {{"-S", w / "nope"}, "can not open score matrix: " + (w / "nope") + "\n", ""},
             {{"-S", w.dir.path()}, "can not open score matrix: " + w.dir.path() + "\n", ""},
             {{"-S", w / "bad"}, "3 4wrong fromat of matrix\n", ""},
             {{"-S", w / "empty"}, "No Matrix found in inputfile or format is not right\n", ""},
             {{"-I", w / "typo.fa"}, "", "the file: " + (w / "typo.fa") + " can not be opened: No such file or directory\n"},
         }) {
        Captured r = w.run(c.extra);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(w.outputs(), "100");
        EXPECT_EQ(readFile(w / "out"), "earlier");
    }
}

TEST(Driver, OutputNamingTheInputOrTheMatrixIsRefused) {
    Workspace w;
    fs::create_directory(w / "sub");
    ASSERT_EQ(::symlink((w / "in.fa").c_str(), (w / "link.fa").c_str()), 0);
    ASSERT_EQ(::link((w / "m").c_str(), (w / "hard").c_str()), 0);
    const std::string matrixText = readFile(w / "m");
    for (auto [extra, refused] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"-O", w / "in.fa"}, w / "in.fa"},
             {{"-O", w / "sub/../in.fa"}, w / "sub/../in.fa"},
             {{"-O", w / "link.fa"}, w / "link.fa"},
             {{"-O", w / "hard"}, w / "hard"},
             {{"-S", w / "x.score", "-O", w / "x"}, w / "x.score"},  // a companion names the matrix
         }) {
        writeFile(w / "x.score", matrixText);
        Captured r = w.run(extra);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "can not open output file: " + refused + "\n");
        EXPECT_EQ(readFile(w / "in.fa"), kFasta);
        EXPECT_EQ(readFile(w / "m") + readFile(w / "x.score"), matrixText + matrixText);
        EXPECT_FALSE(exists(w / "x") || exists(w / "x.loc") || exists(w / "in.fa.loc") || exists(w / "hard.loc"));
    }
    EXPECT_FALSE(sameFile(w / "in.fa.DAZAZ", w / "in.fa"));
    EXPECT_TRUE(sameFile(w / "sub/../new", w / "new"));  // neither exists
    EXPECT_FALSE(sameFile(w / "nodir/new", w / "nodir/new2"));

    // Output files that do not open; those opened before stay.
    Captured c = w.run({"-O", w / "no/dir/out"});
    EXPECT_EQ(c.status, 1);
    EXPECT_EQ(c.out, "can not open output file: " + (w / "no/dir/out") + "\n");
    fs::create_directory(w / "out.loc");
    c = w.run();
    EXPECT_EQ(c.out, "can not open output file: " + (w / "out.loc") + "\n");
    EXPECT_EQ(w.outputs(), "110");
}

TEST(Driver, FailedWritesAndClosesAreReportedOnce) {
    TempDir dir;
    OutputFiles f;
    f.alignPath = dir / "a";
    f.locPath = "/dev/full";
    f.scorePath = dir / "a.score";
    f.align.open(f.alignPath);
    f.loc.open(f.locPath);
    f.score.open(f.scorePath);
    OutputGuard guard(f);
    EXPECT_EQ(capture([&] { return guard.check(); }).out, "");
    f.align << "fine" << std::endl;
    f.loc << "line" << std::endl;  // the flush fails on /dev/full
    Captured bad = capture([&] { return guard.check(); });
    EXPECT_EQ(bad.status, 0);
    EXPECT_EQ(bad.out, "can not write output file: /dev/full\n");
    Captured closed = capture([&] { return guard.close(); });
    EXPECT_EQ(closed.status, 0);
    EXPECT_EQ(closed.out, "");
    EXPECT_EQ(readFile(dir / "a"), "fine\n");

    f.alignPath = "/dev/full";  // data still buffered when the file is closed
    f.align.open(f.alignPath);
    f.align << "buffered";
    OutputGuard second(f);
    closed = capture([&] { return second.close(); });
    EXPECT_EQ(closed.status, 0);
    EXPECT_EQ(closed.out, "can not write output file: /dev/full\n");
}

TEST(Driver, NamesAndProteinSwitch) {
    EXPECT_EQ(cutName("seqA|extra|more") + "," + cutName("no bar") + "," + cutName("|x"), "seqA,no bar,");

    auto settings = [](std::vector<std::string> options, const std::string& letters) {
        std::string text = ">t\n" + letters + "\n", ones;
        for (std::size_t k = 0; k < letters.size(); ++k) ones += " 1";
        for (char c : letters) text += c + ones + "\n";
        std::istringstream in(text);
        ScoreMatrix m(in);
        options.insert(options.begin(), {kProgram, "-I", "x"});
        Args a(options);
        int argc = a.argc();
        PairSettings s = pairSettings(argParse(argc, a.argv()), m);
        return std::to_string(s.gapOpen) + " " + std::to_string(s.gapExt) + " " + std::to_string(s.scoreFactor) +
               " " + std::to_string(s.cutLen) + " " + s.maskChar + (s.localOnly ? " L" : "");
    };
    const std::string twenty = "ARNDCQEGHILKMFPSTWYV";
    EXPECT_EQ(settings({}, "ACGT"), "-500 -25 10 100 n");
    EXPECT_EQ(settings({}, twenty), "-500 -25 10 100 n");
    EXPECT_EQ(settings({}, twenty + "A"), "-500 -25 10 100 n");  // 20 distinct letters
    EXPECT_EQ(settings({"-T", "8", "-L"}, twenty + "B"), "-15 -2 8 50 * L");
    EXPECT_EQ(settings({"-G", "8", "-C", "70"}, twenty + "B"), "-8 -2 10 70 *");
    EXPECT_EQ(settings({"-P", "-A", "4"}, "ACGT"), "-15 -4 10 50 *");
}

TEST(Driver, ProgramFoundThroughPathUsesItsOwnMatrix) {
    Workspace w;
    std::string cmd = "cd '" + w.dir.path() + "' && PATH='" + TORVA_BIN_DIR + "':\"$PATH\" torva -I in.fa -O out";
    int rc = std::system(cmd.c_str());
    EXPECT_TRUE(WIFEXITED(rc) && WEXITSTATUS(rc) == 0);
    EXPECT_EQ(w.outputs(), "111");
    rc = std::system(("'" + kProgram + "' -I '" + (w / "missing.fa") + "' 2>/dev/null").c_str());
    EXPECT_TRUE(WIFEXITED(rc) && WEXITSTATUS(rc) == 1);
}

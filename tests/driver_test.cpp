#include "cli/Driver.hpp"

#include <unistd.h>

#include <tuple>

#include "TestSupport.hpp"

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
    Captured run(std::vector<std::string> extra = {}, bool defaults = true) const {
        std::vector<std::string> o{kProgram};
        if (defaults) o.insert(o.end(), {"-I", dir / "in.fa", "-S", dir / "m", "-O", dir / "out"});
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
    EXPECT_EQ(cutName("seqA|extra|more") + "," + cutName("no bar") + "," + cutName("|x"), "seqA,no bar,");
    Workspace w;
    EXPECT_EQ(w.run().status, 0);
    EXPECT_EQ(w.outputs(), "111");
    EXPECT_EQ(w.run({"-L"}).status, 0);  // -L removes the alignment file
    EXPECT_EQ(w.outputs(), "011");
    for (auto [options, status] : std::vector<std::pair<std::vector<std::string>, int>>{
             {{}, 1}, {{"-h"}, 0}, {{"-V"}, 0}, {{"-S", "m"}, 1}})
        EXPECT_EQ(w.run(options, false).status, status);
    // A trailing odd record and an empty header are warned about.
    EXPECT_EQ(Workspace(kFasta + ">s5|odd\nAAAA\n>\n").run().err,
              "warning: record 6 has an empty header; it is kept with an empty name\n");
    const Captured odd = Workspace(kFasta + ">s5|odd one\nAAAA\n").run();
    EXPECT_EQ(odd.status, 0);
    EXPECT_EQ(odd.err, "warning: record 5 (s5|odd one) has no partner and is not aligned\n");
}

// Errors in the matrix or the input stop the run before any output file is
// created or truncated; so does an output path naming the input or the
// matrix (through "..", a symbolic or a hard link, or as a companion file).
TEST(Driver, StopsBeforeTouchingOutputFiles) {
    Workspace w;
    writeFile(w / "out", "earlier");
    writeFile(w / "bad", ">m\nACGT\nA 1 2 3\n");
    writeFile(w / "empty", "");
    writeFile(w / "x.score", readFile(w / "m"));
    fs::create_directory(w / "sub");
    ASSERT_EQ(::symlink((w / "in.fa").c_str(), (w / "link.fa").c_str()), 0);
    ASSERT_EQ(::link((w / "m").c_str(), (w / "hard").c_str()), 0);
    const std::string noOutput = "can not open output file: ";
    for (auto [extra, out, err] : std::vector<std::tuple<std::vector<std::string>, std::string, std::string>>{
             {{"-S", w / "nope"}, "can not open score matrix: " + (w / "nope") + "\n", ""},
             {{"-S", w.dir.path()}, "can not open score matrix: " + w.dir.path() + "\n", ""},
             {{"-S", w / "bad"}, "3 4wrong fromat of matrix\n", ""},
             {{"-S", w / "empty"}, "No Matrix found in inputfile or format is not right\n", ""},
             {{"-I", w / "typo.fa"}, "", "the file: " + (w / "typo.fa") + " can not be opened\n"},
             {{"-O", w / "sub/../in.fa"}, noOutput + (w / "sub/../in.fa") + "\n", ""},
             {{"-O", w / "link.fa"}, noOutput + (w / "link.fa") + "\n", ""},
             {{"-O", w / "hard"}, noOutput + (w / "hard") + "\n", ""},
             {{"-S", w / "x.score", "-O", w / "x"}, noOutput + (w / "x.score") + "\n", ""},
             {{"-O", w / "no/dir/out"}, noOutput + (w / "no/dir/out") + "\n", ""},
         }) {
        const Captured r = w.run(extra);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, out);
        EXPECT_EQ(r.err, err);
        EXPECT_EQ(w.outputs() + readFile(w / "out"), "100earlier");
        EXPECT_EQ(readFile(w / "in.fa"), kFasta);
        EXPECT_FALSE(exists(w / "x") || exists(w / "in.fa.loc") || exists(w / "hard.loc"));
    }
    EXPECT_TRUE(sameFile(w / "sub/../new", w / "new"));  // neither exists
}

// What a run leaves behind when it fails, and what it says where its output
// could mislead: earlier results survive a typo or a failure midway, the
// pairs read before a fault are kept apart as partial output, standard
// output is checked like a file.

#include <unistd.h>

#include "TestSupport.hpp"
#include "cli/Driver.hpp"

using namespace testsupport;

namespace {

const std::string kBin = TORVA_BIN_DIR;
const std::string kMatrix = std::string(TORVA_SOURCE_DIR) + "/tests/e2e/simple.matrix";
const std::string kEarlier = "earlier\n";

// `pairs` small pairs, each a little different.
std::string manyPairs(int pairs) {
    std::string text;
    for (int k = 1; k <= pairs; ++k) {
        const std::string core = std::string("ACGTTGCA").substr(0, 1 + k % 8);
        text += ">p" + std::to_string(k) + "a\nACGTACGTAC" + core + "GGTTACCA\n>p" + std::to_string(k) +
                "b\nACGTACCTAC" + core + "GGTAACCA\n";
    }
    return text;
}

Captured runIn(std::vector<std::string> options) {
    options.insert(options.begin(), {kBin + "/torva", "-q", "-S", kMatrix, "-G", "5", "-A", "1", "-C", "5"});
    Args a(options);
    return capture([&] { return runProgram(a.argc(), a.argv()); });
}

int lines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

}  // namespace

// Each case starts with "earlier" in out, out.loc and out.score. A run that
// fails leaves them so; what it wrote before failing, if anything, is in
// PATH.partial with a line saying after which pair it stopped.
TEST(RunOutcome, FailedRunsLeaveEarlierFilesAlone) {
    struct Case {
        std::string input;
        std::vector<std::string> extra;
        int partialScoreLines;  // -1: no partial files at all
        std::string err;        // a part of standard error
    };
    const std::string two = manyPairs(2);
    for (const Case& c : std::vector<Case>{
             {two, {"--paf", "@/no/dir/x.paf"}, -1, "x.paf: No such file or directory"},
             {two, {"--plot", "@/out"}, -1, "out: Not a directory"},
             {two, {"--paf", "@/out.loc"}, -1, "the PAF file (--paf) is the same file as the .loc file"},
             {two + std::string(">c\nAC\0GT\n>d\nACGT\n", 18), {}, 2, "the run stopped after pair 2 (p2a and p2b)"},
             {two + ">c\nACGT\n>d\nACGT\n", {"--paf", "/dev/full"}, 1, "the run stopped at pair 1 (p1a and p1b), where a write failed"},
         }) {
        TempDir w;
        writeFile(w / "in.fa", c.input);
        for (const char* name : {"out", "out.loc", "out.score"}) writeFile(w / name, kEarlier);
        std::vector<std::string> extra;
        for (std::string e : c.extra) extra.push_back(e[0] == '@' ? w.path() + e.substr(1) : e);
        extra.insert(extra.end(), {"-I", w / "in.fa", "-O", w / "out"});
        const Captured r = runIn(extra);
        EXPECT_EQ(r.status, 1) << c.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        for (const char* name : {"out", "out.loc", "out.score"}) EXPECT_EQ(readFile(w / name), kEarlier) << c.err;
        EXPECT_EQ(exists(w / "out.score.partial"), c.partialScoreLines >= 0) << c.err;
        if (c.partialScoreLines >= 0) {
            EXPECT_EQ(lines(readFile(w / "out.score.partial")), c.partialScoreLines);
        }
        int entries = 0;
        for (const auto& entry : fs::directory_iterator(w.path())) {
            ++entries;
            EXPECT_EQ(entry.path().string().find(".partial-"), std::string::npos) << entry.path();
        }
        EXPECT_EQ(entries, c.partialScoreLines >= 0 ? 7 : 4) << c.err;
    }
}

// A run that ends well replaces the files (through a link, onto its target)
// and leaves a "PATH.partial" alone: it may be the user's, not ours.
TEST(RunOutcome, WholeRunReplacesFilesAndStalePartialOutput) {
    TempDir w;
    writeFile(w / "in.fa", manyPairs(3));
    writeFile(w / "target", kEarlier);
    ASSERT_EQ(::symlink((w / "target").c_str(), (w / "out").c_str()), 0);
    writeFile(w / "out.score.partial", kEarlier);
    ASSERT_EQ(::chmod((w / "target").c_str(), 0640), 0);
    const Captured r = runIn({"-I", w / "in.fa", "-O", w / "out"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines(readFile(w / "out.score")), 3);
    EXPECT_EQ(lines(readFile(w / "target")), 15);
    EXPECT_TRUE(fs::is_symlink(w / "out"));
    EXPECT_EQ(fs::status(w / "target").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(readFile(w / "out.score.partial"), kEarlier);
}

// Gzip data cut short after the last record: every pair read whole before
// the damage is written, the same for any number of threads, and the run
// fails. Bytes after the gzip data only get a warning.
TEST(RunOutcome, DamagedGzipKeepsWholePairsWhateverTheThreads) {
    const std::string text = manyPairs(43);
    const std::string packed = gzipped(text);
    TempDir w;
    writeFile(w / "plain.fa", text);
    writeFile(w / "cut.gz", packed.substr(0, packed.size() - 4));
    writeFile(w / "tail.gz", packed + "garbage");
    ASSERT_EQ(runIn({"-I", w / "plain.fa", "-O", w / "plain"}).status, 0);
    const std::string plain = readFile(w / "plain.score");
    for (const char* threads : {"1", "2", "4"}) {
        const Captured r = runIn({"-t", threads, "-I", w / "cut.gz", "-O", w / "cut"});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("the run stopped after pair 42 (p42a and p42b)"), std::string::npos) << r.err;
        EXPECT_EQ(readFile(w / "cut.score.partial"), plain.substr(0, plain.rfind("p43a")));
        const Captured tail = runIn({"-t", threads, "-I", w / "tail.gz", "-O", w / "tail"});
        EXPECT_EQ(tail.status, 0);
        EXPECT_NE(tail.err.find("has bytes after the end of its gzip data"), std::string::npos) << tail.err;
        EXPECT_EQ(readFile(w / "tail.score"), plain);
    }
}

// Warnings where the output would mislead; the outputs and the status stay
// those of the same input without the warning.
TEST(RunOutcome, WarningsWhereOutputMisleads) {
    struct Case {
        std::string input, warning;
    };
    for (const Case& c : std::vector<Case>{
             {"", "torva: warning: the file: @/in.fa is empty or holds only blank lines"},
             {"\n  \r\n\t\n", "is empty or holds only blank lines"},
             {">a\nACGT\n>gb|x\n        1 acgtacgtac gtacgtacgt\n",
              "torva: warning: record 2 (gb|x) has digits or spaces in its sequence lines"},
             {">a\nACGRYTTR\n>b\nACGT\n", "torva: warning: record 1 (a) has 3 letters that the matrix has no row for (R, Y)"},
             {">a\nACGT\n>b\nAC\n>c\nAC-GT\n>d\nACGT\n", "record 3 (c) has 1 letter that the matrix has no row for (-)"},
             {">a\nACGT\n>b\n\n", "torva: warning: record 2 (b) has an empty sequence"},
         }) {
        TempDir w;
        writeFile(w / "in.fa", c.input);
        const Captured r = runIn({"-I", w / "in.fa", "-O", w / "out"});
        std::string warning = c.warning;
        if (warning.find('@') != std::string::npos) warning.replace(warning.find('@'), 1, w.path());
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.err.find(warning), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    // A mask run and the letters of the matrix are no cause for a word.
    TempDir w;
    writeFile(w / "in.fa", ">a\nacgtNNNNacgt\n>b\nACGTACGT\n");
    EXPECT_EQ(runIn({"-I", w / "in.fa", "-O", w / "out"}).err, "");
}

// Standard output as the PAF file is checked like a file; a closed one is
// never taken over by an output file. Each command runs the program with
// the pairs of in.fa and "--paf -".
TEST(RunOutcome, StandardOutputIsCheckedLikeAFile) {
    TempDir w;
    writeFile(w / "in.fa", manyPairs(3));
    const std::string run = kBin + "/torva -q -S " + kMatrix + " -C 5 -I " + (w / "in.fa") + " -O " + (w / "out") +
                            " --paf -";
    struct Case {
        std::string command;
        int status;
        std::string err;
    };
    for (const Case& c : std::vector<Case>{
             {run + " >/dev/full", 1, "can not write output file: standard output: No space left on device"},
             {run + " >&-", 1, "can not write output file: standard output: Bad file descriptor"},
             {run + " >/dev/null", 0, ""},
         }) {
        writeFile(w / "out", kEarlier);
        const int status = shell(c.command + (c.err.empty() ? "" : " 2>" + (w / "err")));
        EXPECT_EQ(status, c.status) << c.command;
        if (!c.err.empty()) {
            EXPECT_NE(readFile(w / "err").find(c.err), std::string::npos) << readFile(w / "err");
            EXPECT_EQ(readFile(w / "out"), kEarlier);
        } else {
            EXPECT_EQ(readFile(w / "out").find("\tcg:Z:"), std::string::npos);
        }
    }
    // A reader that goes away ends that stream only, whether SIGPIPE is
    // ignored or not: one warning, the files are written, status 0, and no
    // temporary file is left behind.
    for (const std::string trap : {"trap '' PIPE; ", "trap - PIPE; "}) {
        writeFile(w / "out", kEarlier);
        shell("(" + trap + run + " 2>" + (w / "err") + "; echo $? >" + (w / "piped") + ") | (exec 0<&-; sleep 1)");
        EXPECT_EQ(readFile(w / "piped"), "0\n") << trap;
        EXPECT_EQ(readFile(w / "err"), "torva: warning: standard output was closed before the run ended (its reader "
                                       "went away); the run goes on and its files are written\n");
        EXPECT_EQ(lines(readFile(w / "out.score")), 3);
        for (const auto& entry : fs::directory_iterator(w.path()))
            EXPECT_EQ(entry.path().string().find(".partial-"), std::string::npos) << entry.path();
    }
}

// A picture never follows a symbolic link planted under its name.
TEST(RunOutcome, PicturesReplaceLinksInsteadOfFollowingThem) {
    TempDir w;
    writeFile(w / "in.fa", manyPairs(1));
    writeFile(w / "victim", kEarlier);
    fs::create_directory(w / "plots");
    ASSERT_EQ(::symlink((w / "victim").c_str(), (w / "plots/0001_p1a_vs_p1b.svg").c_str()), 0);
    const Captured r = runIn({"-I", w / "in.fa", "-O", w / "out", "--plot", w / "plots"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(w / "victim"), kEarlier);
    EXPECT_FALSE(fs::is_symlink(w / "plots/0001_p1a_vs_p1b.svg"));
    EXPECT_EQ(readFile(w / "plots/0001_p1a_vs_p1b.svg").substr(0, 5), "<?xml");
    // Numbered as pairs of a larger input.
    EXPECT_EQ(runIn({"-I", w / "in.fa", "-O", w / "out", "--plot", w / "plots", "--first-pair", "12"}).status, 0);
    EXPECT_TRUE(exists(w / "plots/0012_p1a_vs_p1b.svg"));
}

// SIGTERM while the input is still coming, before any pair is written: the
// run ends as a failed run and leaves nothing new.
TEST(RunOutcome, SignalEndsTheRunAsAFailure) {
    TempDir w;
    writeFile(w / "out.score", kEarlier);
    writeFile(w / "run.sh", "cd " + w.path() + " && mkfifo f || exit\n(printf '>a\\nACGT\\n>b\\nACGT\\n'; sleep 3) > f &\n" +
                                kBin + "/torva -q -I f -O out 2>err &\np=$!\nsleep 1\nkill -TERM $p\nwait $p\necho $? >status\n");
    shell("sh " + (w / "run.sh"));
    EXPECT_EQ(readFile(w / "status"), "1\n");
    EXPECT_EQ(readFile(w / "err"), "torva: stopped by signal 15 before the first pair\n");
    EXPECT_EQ(readFile(w / "out.score"), kEarlier);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(w.path())) left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"err", "f", "out.score", "run.sh", "status"}));
}

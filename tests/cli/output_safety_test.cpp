// What a run does to files that are already there: streams are written
// through, never replaced; a run that fails changes no earlier file, pictures
// included, and one that fails before its first pair leaves nothing new;
// outputs never take one another's place; two runs on one -O never mix.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "TestSupport.hpp"
#include "cli/Driver.hpp"
#include "cli/SignalStop.hpp"

using namespace testsupport;

namespace {

const std::string kBin = TORVA_BIN_DIR;
const std::string kMatrix = std::string(TORVA_SOURCE_DIR) + "/tests/e2e/simple.matrix";
const std::string kEarlier = "earlier\n";

// `pairs` small pairs named pNa/pNb; `tag` changes their sequences, so that
// two runs' files can be told apart.
std::string pairsText(int pairs, const std::string& tag = "") {
    std::string text;
    for (int k = 1; k <= pairs; ++k) {
        const std::string core = std::string("ACGTTGCA").substr(0, 1 + k % 8) + tag;
        text += ">p" + std::to_string(k) + "a\nACGTACGTAC" + core + "GGTTACCA\n>p" + std::to_string(k) +
                "b\nACGTACCTAC" + core + "GGTAACCA\n";
    }
    return text;
}

const std::string kRun = kBin + "/torva -q -S " + kMatrix + " -G 5 -A 1 -C 5";

Captured runIn(std::vector<std::string> options) {
    options.insert(options.begin(), {kBin + "/torva", "-q", "-S", kMatrix, "-G", "5", "-A", "1", "-C", "5"});
    Args a(options);
    return capture([&] { return runProgram(a.argc(), a.argv()); });
}

std::vector<std::string> entries(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

int lines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

}  // namespace

// A path that names a stream of the process is written through that stream:
// what the stream held before stays, the run's lines follow it.
TEST(DataSafety, StreamPathsAreWrittenThroughNeverReplaced) {
    TempDir w;
    writeFile(w / "in.fa", pairsText(2));
    ASSERT_EQ(::symlink("/dev/stdout", (w / "mine").c_str()), 0);
    const std::string io = " -I " + (w / "in.fa") + " -O " + (w / "out");
    for (const std::string& command : {kRun + io + " --paf /dev/stdout >> " + (w / "log"),
                                       kRun + io + " --paf /proc/self/fd/1 >> " + (w / "log"),
                                       kRun + io + " --paf /dev/fd/1 >> " + (w / "log"),
                                       kRun + io + " --paf " + (w / "mine") + " >> " + (w / "log"),
                                       kRun + io + " --view /dev/stdout >> " + (w / "log"),
                                       kRun + io + " --report /dev/stderr 2>> " + (w / "log")}) {
        writeFile(w / "log", "before the run\n");
        ASSERT_EQ(shell(command), 0) << command;
        const std::string log = readFile(w / "log");
        EXPECT_EQ(log.rfind("before the run\n", 0), 0u) << command;
        EXPECT_GT(log.size(), 100u) << command;
        EXPECT_TRUE(fs::is_symlink(w / "mine"));
    }
    // A reader that goes away ends that stream only, named or "-": one
    // warning, the files written, status 0.
    for (const std::string data : {"--paf /dev/stdout", "--view -"}) {
        fs::remove(w / "out.score");
        shell("(" + kRun + io + " " + data + " 2>" + (w / "err") + "; echo $? >" + (w / "status") +
              ") | (exec 0<&-; sleep 1)");
        EXPECT_EQ(readFile(w / "status"), "0\n") << data << readFile(w / "err");
        EXPECT_NE(readFile(w / "err").find("was closed before the run ended"), std::string::npos) << data;
        EXPECT_EQ(lines(readFile(w / "out.score")), 2) << data;
    }
    // --paf /dev/stdout carries data, so messages keep off standard output.
    writeFile(w / "odd.fa", pairsText(1) + ">lonely\nACGT\n");
    ASSERT_EQ(shell(kRun + " -I " + (w / "odd.fa") + " -O " + (w / "out") + " --paf /dev/stdout > " + (w / "log") +
                    " 2>" + (w / "err")),
              0);
    EXPECT_EQ(lines(readFile(w / "log")), 1);
    EXPECT_NE(readFile(w / "err").find("torva: warning: record 3 (lonely) has no partner"), std::string::npos);
}

// A run that stops midway (a damaged record, a file-size limit) keeps every
// earlier picture; its own wait in pictures.partial.
TEST(DataSafety, FailedRunsLeaveEarlierPicturesAlone) {
    TempDir w;
    writeFile(w / "in.fa", pairsText(3));
    ASSERT_EQ(runIn({"-I", w / "in.fa", "-O", w / "out", "--plot", w / "pl"}).status, 0);
    const std::vector<std::string> pictures = entries(w / "pl");
    ASSERT_EQ(pictures.size(), 3u);
    const std::string first = readFile(w / "pl" + ("/" + pictures[0]));

    writeFile(w / "bad.fa", pairsText(3, "T") + std::string(">c\nAC\0GT\n>d\nACGT\n", 18));
    const Captured r = runIn({"-I", w / "bad.fa", "-O", w / "out", "--plot", w / "pl"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(w / "pl/pictures.partial"), std::string::npos) << r.err;
    EXPECT_EQ(readFile(w / "pl" + ("/" + pictures[0])), first);
    EXPECT_EQ(entries(w / "pl" + std::string("/pictures.partial")), pictures);
    std::vector<std::string> now = entries(w / "pl");
    now.erase(std::find(now.begin(), now.end(), "pictures.partial"));
    EXPECT_EQ(now, pictures);

    // Under `ulimit -f` a write fails like on a full disk: no kill by SIGXFSZ.
    fs::remove_all(w / "pl/pictures.partial");
    writeFile(w / "big.fa", pairsText(100, "GATTACA"));
    const int status = shell("ulimit -f 10; " + kRun + " -I " + (w / "big.fa") + " -O " + (w / "out") + " --plot " +
                             (w / "pl") + " >/dev/null 2>" + (w / "err"));
    EXPECT_EQ(status, 1) << readFile(w / "err");
    EXPECT_NE(readFile(w / "err").find("File too large"), std::string::npos) << readFile(w / "err");
    EXPECT_EQ(readFile(w / "pl" + ("/" + pictures[0])), first);
}

// A run that fails before its first pair leaves nothing new: no .partial
// files, no picture folder (nor the folders made for it).
TEST(DataSafety, RunFailingBeforeItsFirstPairLeavesNothingNew) {
    TempDir w;
    writeFile(w / "nul.fa", std::string(">a\nAC\0GT\n>b\nACGT\n", 18));
    const Captured r = runIn({"-I", w / "nul.fa", "-O", w / "out", "--plot", w / "new/deep/pl", "--paf", w / "x.paf"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("the run stopped before the first pair"), std::string::npos) << r.err;
    EXPECT_EQ(entries(w.path()), std::vector<std::string>{"nul.fa"});
}

// Outputs are checked against one another before anything is written:
// through dangling links too, and against the pictures' names.
TEST(DataSafety, OutputsNeverTakeOneAnothersPlace) {
    TempDir w;
    writeFile(w / "in.fa", pairsText(1));
    ASSERT_EQ(::symlink((w / "out.loc").c_str(), (w / "dangling").c_str()), 0);
    fs::create_directory(w / "pl");
    for (const auto& [extra, why] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"-O", w / "out", "--paf", w / "dangling"}, "the PAF file (--paf) is the same file as the .loc file"},
             {{"-O", w / "pl/0001_p1a_vs_p1b.svg", "--plot", w / "pl"}, "the alignment file (-O) would be in the picture folder"},
             {{"-O", w / "out", "--report", w / "pl/../pl/0001_p1a_vs_p1b.svg", "--plot", w / "pl"},
              "the report (--report) would be in the picture folder"},
         }) {
        std::vector<std::string> options{"-I", w / "in.fa"};
        options.insert(options.end(), extra.begin(), extra.end());
        const Captured r = runIn(options);
        EXPECT_EQ(r.status, 1) << why;
        EXPECT_NE(r.err.find(why), std::string::npos) << r.err;
        EXPECT_EQ(entries(w / "pl"), std::vector<std::string>{});
        EXPECT_FALSE(exists(w / "out.loc"));
    }
}

// A dangling link is written through: its target is made and the link
// stays. A name that fits the file system is written, however long.
TEST(DataSafety, LinksAndLongNames) {
    TempDir w;
    writeFile(w / "in.fa", pairsText(2));
    ASSERT_EQ(::symlink("target.paf", (w / "link.paf").c_str()), 0);
    const std::string longName = std::string(245, 'n');
    const Captured r = runIn({"-I", w / "in.fa", "-O", w / "o", "--paf", w / "link.paf", "--view", w / longName});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::is_symlink(w / "link.paf"));
    EXPECT_EQ(lines(readFile(w / "target.paf")), 2);
    EXPECT_GT(readFile(w / longName).size(), 100u);
    // Failing midway, the long name's partial output keeps its temporary name.
    writeFile(w / "bad.fa", pairsText(1) + std::string(">c\nAC\0GT\n>d\nACGT\n", 18));
    EXPECT_EQ(runIn({"-I", w / "bad.fa", "-O", w / "o", "--view", w / longName}).status, 1);
    int partials = 0;
    for (const std::string& name : entries(w.path())) partials += name.find(".partial") != std::string::npos;
    EXPECT_EQ(partials, 4);
}

// Two runs on one -O at once leave the whole set of one of them: in 12
// races of runs with different inputs, every file of the set is the same
// run's.
TEST(DataSafety, TwoRunsOnOneOutputNeverMix) {
    TempDir w;
    writeFile(w / "a.fa", pairsText(40, "A"));
    writeFile(w / "b.fa", pairsText(40, "CC"));
    auto set = [&](const std::string& out) {
        return readFile(out) + "|" + readFile(out + ".loc") + "|" + readFile(out + ".score") + "|" +
               readFile(out + ".paf");
    };
    for (const char* input : {"a", "b"})
        ASSERT_EQ(shell(kRun + " -I " + (w / input) + ".fa -O " + (w / input) + " --paf " + (w / input) + ".paf"), 0);
    const std::string a = set(w / "a"), b = set(w / "b");
    ASSERT_NE(a, b);
    const std::string common = " -O " + (w / "out") + " --paf " + (w / "out.paf");
    for (int race = 0; race < 12; ++race) {
        ASSERT_EQ(shell("(" + kRun + " -I " + (w / "a.fa") + common + " & " + kRun + " -I " + (w / "b.fa") + common +
                        " & wait)"),
                  0);
        const std::string got = set(w / "out");
        EXPECT_TRUE(got == a || got == b) << race;
    }
}

// Once the files are in place a signal changes nothing: the run ends with
// its own status (in a child, to see how it exits).
TEST(DataSafety, SignalAfterTheCommitKeepsTheRunsStatus) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        {
            SignalHold held;
            held.dropFromNow();
            ::kill(::getpid(), SIGTERM);
        }
        ::_exit(7);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 7);
}

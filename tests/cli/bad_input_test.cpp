// Inputs that are not what they claim end the run with a message instead of
// running without end or giving a wrong result without a word: binary data
// (on a pipe too), a device given as the matrix file, a matrix file whose
// numbers do not say one thing, a -T whose product passes the 32-bit range.

#include <climits>

#include "TestSupport.hpp"
#include "anchor/AnchoredAligner.hpp"
#include "cli/Driver.hpp"
#include "scoring/ScoreMatrix.hpp"

using namespace testsupport;

namespace {

const std::string kBin = TORVA_BIN_DIR;

// What a matrix text gives: the error's detail, or "ok".
std::string matrixProblem(const std::string& text) {
    std::istringstream in(text);
    try {
        ScoreMatrix parsed(in);
    } catch (const MatrixError& e) {
        return e.detail;
    }
    return "ok";
}

}  // namespace

// A NUL is refused as soon as it is read: /dev/zero as the input, as the
// input on a pipe, or as the matrix file, ends at once.
TEST(BadInput, EndlessBinaryDataEndsTheRun) {
    TempDir w;
    writeFile(w / "in.fa", ">a\nACGT\n>b\nACGT\n");
    const std::string torva = "timeout 20 " + kBin + "/torva -q ";
    for (const auto& [command, message] : std::vector<std::pair<std::string, std::string>>{
             {torva + "-I /dev/zero -O " + (w / "z"), "torva: the file: /dev/zero holds binary data, not FASTA text"},
             {"head -c 100000000 /dev/zero | " + torva + "-I - -O " + (w / "z"),
              "torva: standard input holds binary data, not FASTA text"},
             {"(printf '>a\\nAC'; cat /dev/zero) | " + torva + "-I - -O " + (w / "z"),
              "torva: standard input holds binary data (a NUL byte) in record 1 (a)"},
             {torva + "-I " + (w / "in.fa") + " -S /dev/zero -O " + (w / "z"),
              "torva: matrix file /dev/zero, it is larger than 1048576 bytes, which no matrix file is"},
         }) {
        EXPECT_EQ(shell(command + " 2>" + (w / "err")), 1) << command;
        EXPECT_NE(readFile(w / "err").find(message), std::string::npos) << command << "\n" << readFile(w / "err");
    }
    EXPECT_FALSE(exists(w / "z.score"));
}

// Each letter has one column and one row, and each score is a whole number;
// what stored files rely on stays: titles, blank lines, glued signs, numbers
// after the last column.
TEST(BadInput, MatrixFileSaysOneThingOrIsRefused) {
    for (const auto& [text, problem] : std::vector<std::pair<std::string, std::string>>{
             {">m\nA C G T A\nA 1 2 3 4 5\n",
              "line 2, column 9: the letter 'A' is on the letter line twice; each letter needs one column of its own"},
             {">m\nAC\nA 1 2\nA 5 6\n c 3 4\n", "line 4, column 1: a second row for 'A'; each letter needs one row"},
             {">m\nAC\nA 1 5.9\nC 3 4\n", "line 3, column 5: '5.9' is not a whole number"},
             {">m\nAC\nA 1 5x\nC 3 4\n", "line 3, column 5: '5x' is not a whole number"},
             {">m\nAC\nA -4.5 1\nC 3 4\n", "line 3, column 3: '-4.5' is not a whole number"},
             {"title\n>m\nAC\n\nA 1-2 7\n\nC 3 4 x\n", "ok"},
         })
        EXPECT_EQ(matrixProblem(text), problem) << text;
    EXPECT_EQ(matrixProblem(std::string(kMaxMatrixFileBytes + 1, 'x')),
              "it is larger than 1048576 bytes, which no matrix file is");
    EXPECT_EQ(matrixProblem(">m\nAC\nA 1 2\nC 3 4\n" + std::string(kMaxMatrixFileBytes - 21, '\n')), "ok");
}

// The cutoff grows with -T whatever the matrix: with +-1000 scores the
// product passes 2^31 at -T 536871, and with the largest scores allowed the
// cutoff is one no score can beat.
TEST(BadInput, CutoffNeverWraps) {
    auto lookupWith = [](int match) {
        std::string letters = "acgt";
        std::vector<int> table(16, -match);
        for (int k = 0; k < 4; ++k) table[static_cast<std::size_t>(k * 5)] = match;
        return ScoreLookup(letters, table);
    };
    const ScoreLookup thousand = lookupWith(1000);
    EXPECT_EQ(AnchoredAligner::cutoffScore(thousand, 536870), 536870000);
    EXPECT_EQ(AnchoredAligner::cutoffScore(thousand, 536871), 536871000);
    EXPECT_EQ(AnchoredAligner::cutoffScore(thousand, 1000000), 1000000000);
    EXPECT_EQ(AnchoredAligner::cutoffScore(lookupWith(1000000), 1000000), INT_MAX);
    EXPECT_EQ(AnchoredAligner::cutoffScore(lookupWith(5), 7), 35);  // 140 / 4, rounded up: 35

    TempDir w;
    writeFile(w / "m", ">w\nACGT\nA 1000 -1000 -1000 -1000\nC -1000 1000 -1000 -1000\n"
                       "G -1000 -1000 1000 -1000\nT -1000 -1000 -1000 1000\n");
    std::string seq;
    for (int k = 0; k < 300; ++k) seq += "ACGTTGCAAC"[k * 7 % 10];
    writeFile(w / "in.fa", ">x\n" + seq + "\n>y\n" + seq + "\n");
    for (const char* factor : {"536870", "536871", "1000000"}) {
        Args a({kBin + "/torva", "-q", "-S", w / "m", "-T", factor, "-I", w / "in.fa", "-O", w / "out"});
        const Captured r = capture([&] { return runProgram(a.argc(), a.argv()); });
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(readFile(w / "out.score"), "x\ty\t0\t300000\n") << factor;
    }
}

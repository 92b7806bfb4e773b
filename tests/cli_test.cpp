#include <unistd.h>

#include <optional>
#include <tuple>

#include "TestSupport.hpp"
#include "cli/CommandLine.hpp"
#include "cli/Driver.hpp"
#include "cli/Parameters.hpp"
#include "scoring/ScoreMatrix.hpp"

using namespace testsupport;

namespace {

const std::string kBin = TORVA_BIN_DIR;
const std::string kProgram = kBin + "/torva";

struct Parsed {
    std::optional<CommandLine> a;  // set when the constructor returned
    Captured io;
};
Parsed parse(std::vector<std::string> options, const std::string& program = kProgram) {
    options.insert(options.begin(), program);
    Args args(options);
    Parsed p;
    p.io = capture([&] {
        int argc = args.argc();
        p.a.emplace(argc, args.argv());
        return 0;
    });
    return p;
}

// A square matrix of ones over `letters`.
ScoreMatrix onesOver(const std::string& letters) {
    std::string text = ">t\n" + letters + "\n", ones;
    for (std::size_t k = 0; k < letters.size(); ++k) ones += " 1";
    for (char c : letters) text += c + ones + "\n";
    std::istringstream in(text);
    return ScoreMatrix(in);
}

// The usage text itself is not restated here; its first line names the program.
std::string usage(const std::string& program) { return "\nUsage: " + program + " -I InputSeqFile\n"; }
std::string invalid(char o) { return std::string("Invalid value for option '-") + o + "'\n\n"; }

}  // namespace

// Where the parse stops the run: the texts (out: a prefix; err "?": getopt's
// own, any text) and the status.
TEST(CommandLine, StopsWithTextsAndStatuses) {
    struct Case {
        std::vector<std::string> options;
        std::string program;
        int status;
        std::string out, err;
    };
    const std::string version = std::string(" ") + TORVA_VERSION + "\n";
    const std::string noInput = "Please specify input sequence file!\n\n";
    for (const Case& c : std::vector<Case>{
             {{}, kProgram, 1, usage(kProgram), ""},
             {{"-I", "x", "-h", "-G", "abc"}, "./a dir/torva-b", 0, usage("./a dir/torva-b"), ""},
             {{"-v", "-G", "abc"}, "/opt/x/torva-b", 0, "torva-b" + version, ""},
             {{"-PV"}, "torva", 0, "torva" + version, ""},
             {{"-G", "abc", "-V"}, kProgram, 1, "", invalid('G')},  // stops where it stands
             {{"-I", "-x", "-v"}, kProgram, 1, "", invalid('I')},
             {{"-O", "-"}, "torva", 1, "", invalid('O')},
             {{"-L"}, kProgram, 1, noInput, ""},
             {{"-I", ""}, kProgram, 1, noInput, ""},
             {{"-I", "x", "-X"}, kProgram, 1, "", "?"},
             {{"-I", "x", "-G"}, kProgram, 1, "", "?"},
             {{"--help"}, "torva", 0, usage("torva"), ""},
             {{"--version"}, "torva", 0, "torva" + version, ""},
             {{"-I", "in.fa", "extra", "-L"}, "torva", 1, "", "torva: unexpected argument 'extra'\n"},
             {{"in.fa"}, "torva", 1, "",
              "torva: unexpected argument 'in.fa': the input file is given with -I, as in: torva -I in.fa\n"},
             {{"-I", "-"}, "torva", 1, "",
              "torva: standard input (-I -) has no file name to put the outputs beside: give one with -O\n"},
             {{"-I", "/dev/null"}, "torva", 1, "",
              "torva: /dev/null is not a regular file, so the outputs have no place beside it: give one with -O\n"},
             {{"-I", "x", "-t", "0"}, kProgram, 1, "", invalid('t')},
             {{"-I", "x", "-t", "257"}, kProgram, 1, "", invalid('t')},
         }) {
        const Parsed p = parse(c.options, c.program);
        EXPECT_FALSE(p.a);
        EXPECT_EQ(p.io.status, c.status) << c.options.size();
        EXPECT_EQ(p.io.out.substr(0, c.out.empty() ? std::string::npos : c.out.size()), c.out);
        EXPECT_TRUE(c.err == "?" ? !p.io.err.empty() : p.io.err == c.err) << p.io.err;
    }
    for (char o : {'G', 'A', 'T', 'C'})
        for (const char* text : {"abc", "12x", "", " 5", "1.5", "+", "-", "1000001", "0x10", "99999999999999999999"})
            EXPECT_EQ(parse({"-I", "x", std::string("-") + o, text, "-v"}).io.err, invalid(o)) << o << " '" << text << "'";
    EXPECT_EQ(parse({"-I", "x", "-T", "-7"}).io.err + parse({"-I", "x", "-C", "-7"}).io.err, invalid('T') + invalid('C'));
}

// The values as resolved for a run: -P, wherever it stands, or a matrix of
// more than 20 distinct letters selects '*' as the mask and the protein
// defaults for the values not given; gap costs lose their sign.
TEST(CommandLine, ResolvedValuesDefaultsAndOrderEffects) {
    struct Case {
        std::vector<std::string> options;
        std::string want;  // gap open, gap extension, factor, -C, mask character, -L
        std::string matrix = kBin + "/dnaMatrix", out = "in.fa.DAZAZ", letters = "ACGT";
    };
    const std::string blosum = kBin + "/BLOSUM", twenty = "ARNDCQEGHILKMFPSTWYV";
    for (const Case& c : std::vector<Case>{
             {{"-I", "in.fa"}, "-500 -25 10 100 n"},
             {{"-P", "-I", "in.fa"}, "-15 -2 10 50 *", blosum},
             {{"-C", "80", "-A", "+3", "-P", "-I", "in.fa"}, "-15 -3 10 80 *", blosum},
             {{"-I", "in.fa", "-G", "-7", "-A", "1000000", "-T", "3"}, "-7 -1000000 6 100 n"},
             {{"-I", "in.fa", "-T", "7", "-C", "0", "-G", "007"}, "-7 -25 7 0 n"},
             {{"-I", "a", "-I", "in.fa", "-S", "rel/m", "-O", "o"}, "-500 -25 10 100 n", "rel/m", "o"},
             {{"-Iin.fa", "-G-5", "-PL", "-T6"}, "-5 -2 6 50 * L", blosum},  // attached values, grouped flags
             {{"-I", "in.fa"}, "-500 -25 10 100 n", kBin + "/dnaMatrix", "in.fa.DAZAZ", twenty + "A"},  // 20 letters
             {{"-I", "in.fa", "-G", "8"}, "-8 -2 10 50 *", kBin + "/dnaMatrix", "in.fa.DAZAZ", twenty + "B"},
         }) {
        const Parsed p = parse(c.options);
        ASSERT_TRUE(p.a) << p.io.out << p.io.err;
        const AlignParameters r = resolveParameters(*p.a, onesOver(c.letters), GappedAnchorRealign::kWhole);
        EXPECT_EQ(std::to_string(r.gapOpen) + " " + std::to_string(r.gapExt) + " " + std::to_string(r.scoreFactor) +
                      " " + std::to_string(r.cutLen) + " " + r.maskChar + (r.localOnly ? " L" : ""), c.want)
            << c.options[0] << c.options[1];
        EXPECT_EQ(r.gappedAnchor, GappedAnchorRealign::kWhole);
        EXPECT_EQ(p.a->inSeqFile + " " + p.a->matrixFile + " " + p.a->outFile, "in.fa " + c.matrix + " " + c.out);
        EXPECT_EQ(p.io.out + p.io.err, "");
    }
    // A parse that stopped inside a group of flags does not leak into the next.
    EXPECT_EQ(parse({"-vP"}).io.status, 0);
    EXPECT_EQ(parse({"-I", "x"}).a->isProtein, 0);
}

// Errors in the matrix or the input stop the run before any output file is
// created or truncated; so does an output path naming the input or the
// matrix (through "..", a symbolic or a hard link, or as a companion file),
// or two outputs naming one file.
TEST(Driver, StopsBeforeTouchingOutputFiles) {
    const std::string fasta = ">s1|first\nACGTACGT\n>s2\nACGTTCGT\n";
    TempDir w;
    writeFile(w / "in.fa", fasta);
    writeFile(w / "m", readFile(std::string(TORVA_SOURCE_DIR) + "/data/dnaMatrix"));
    writeFile(w / "out", "earlier");
    writeFile(w / "bad", ">m\nACGT\nA 1 2 3\n");
    writeFile(w / "empty", "");
    writeFile(w / "x.score", readFile(w / "m"));
    fs::create_directory(w / "sub");
    ASSERT_EQ(::symlink((w / "in.fa").c_str(), (w / "link.fa").c_str()), 0);
    ASSERT_EQ(::link((w / "m").c_str(), (w / "hard").c_str()), 0);
    const std::string noOutput = "can not open output file: ";
    for (auto [extra, out, err] : std::vector<std::tuple<std::vector<std::string>, std::string, std::string>>{
             {{"-S", w / "nope"}, "can not open score matrix: " + (w / "nope") + "\n",
              (w / "nope") + ": No such file or directory\n"},
             {{"-S", w / "bad"}, "3 4wrong fromat of matrix\n", ""},
             {{"-S", w / "empty"}, "No Matrix found in inputfile or format is not right\n", ""},
             {{"-I", w / "typo.fa"}, "", "the file: " + (w / "typo.fa") + " can not be opened: No such file or directory\n"},
             {{"-O", w / "sub/../in.fa"}, noOutput + (w / "sub/../in.fa") + "\n", ""},
             {{"-O", w / "link.fa"}, noOutput + (w / "link.fa") + "\n", ""},
             {{"-O", w / "hard"}, noOutput + (w / "hard") + "\n", ""},
             {{"-S", w / "x.score", "-O", w / "x"}, noOutput + (w / "x.score") + "\n", ""},
             {{"-O", w / "no/dir/out"}, noOutput + (w / "no/dir/out") + "\n",
              (w / "no/dir/out") + ": No such file or directory\n"},
             // Two outputs in one file.
             {{"--view", w / "out"}, noOutput + (w / "out") + "\n", ""},
             {{"--report", w / "sub/../out.loc"}, noOutput + (w / "sub/../out.loc") + "\n", ""},
             {{"--paf", w / "v", "--view", w / "v"}, noOutput + (w / "v") + "\n", ""},
         }) {
        std::vector<std::string> options{kProgram, "-I", w / "in.fa", "-S", w / "m", "-O", w / "out"};
        options.insert(options.end(), extra.begin(), extra.end());
        Args a(options);
        const Captured r = capture([&] { return runProgram(a.argc(), a.argv()); });
        EXPECT_EQ(std::to_string(r.status) + " " + r.out + " " + r.err, "1 " + out + " " + err);
        EXPECT_EQ(readFile(w / "out") + readFile(w / "in.fa"), "earlier" + fasta);
        EXPECT_FALSE(exists(w / "out.loc") || exists(w / "out.score"));
        EXPECT_FALSE(exists(w / "x") || exists(w / "in.fa.loc") || exists(w / "hard.loc"));
    }
}

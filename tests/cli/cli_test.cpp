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
std::string invalid(char o) { return std::string("Invalid value for option '-") + o + "'\n"; }
std::string help(const std::string& name) { return "Usage: " + name + " -I FILE [options]\n"; }

}  // namespace

// Where the parse stops the run: the texts (out: a prefix; err "?": getopt's
// own, any text; "~": holding the rest) and the status.
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
             {{}, kProgram, 1, "", "~" + help("torva")},  // on standard error
             {{"-I", "x", "-h", "-G", "abc"}, "./a dir/torva-b", 0, help("torva-b"), ""},
             {{"-I", "x", "-H", "-G", "abc"}, "./a dir/torva-b", 0, usage("./a dir/torva-b"), ""},
             {{"-v", "-G", "abc"}, "/opt/x/torva-b", 0, "torva-b" + version, ""},
             {{"-PV"}, "torva", 0, "torva" + version, ""},
             {{"-G", "abc", "-V"}, kProgram, 1, "", invalid('G') + "torva: -G abc: not a whole number\n"},
             {{"--gap-open=abc"}, kProgram, 1, "", invalid('G') + "torva: --gap-open abc: not a whole number\n"},
             {{"-I", "-x", "-v"}, kProgram, 1, "", invalid('I') + "~./-x"},
             {{"-O", "-"}, "torva", 1, "", invalid('O') + "~torva: -O -: a value here may not begin with '-'"},
             {{"--output", "-"}, "torva", 1, "", invalid('O') + "~torva: --output -: "},
             {{"-L"}, kProgram, 1, noInput, "~--input"},
             {{"-I", ""}, kProgram, 1, noInput, "?"},
             {{"-I", "x", "-X"}, kProgram, 1, "", "~'torva --help' lists the options"},
             {{"-I", "x", "-G"}, kProgram, 1, "", "?"},
             {{"-I", "x", "--threads"}, kProgram, 1, "", "?"},
             {{"--input=x", "--no-such"}, kProgram, 1, "", "?"},
             {{"--help"}, "torva", 0, help("torva"), ""},
             {{"--version"}, "torva", 0, "torva" + version, ""},
             {{"-I", "in.fa", "extra", "-L"}, "torva", 1, "", "torva: unexpected argument 'extra'\n"},
             {{"in.fa"}, "torva", 1, "",
              "torva: unexpected argument 'in.fa': the input file is given with -I, as in: torva -I in.fa\n"},
             {{"-I", "-"}, "torva", 1, "",
              "torva: standard input (-I -) has no file name to put the outputs beside: give one with -O\n"},
             {{"-I", "/dev/null"}, "torva", 1, "",
              "torva: /dev/null is not a regular file, so the outputs have no place beside it: give one with -O\n"},
             // A device that leads to a regular file still has no directory of its own.
             {{"-I", "/dev/stdin"}, "torva", 1, "", "~/dev/stdin is not a regular file"},
             {{"-I", "/proc/self/cmdline"}, "torva", 1, "", "~give one with -O"},
             {{"-I", "x", "-t", "0"}, kProgram, 1, "", invalid('t') + "torva: -t 0: from 1 to 256\n"},
             {{"-I", "x", "-t", "257"}, kProgram, 1, "", invalid('t') + "torva: -t 257: from 1 to 256\n"},
             {{"-I", "x", "--threads=1000"}, kProgram, 1, "", invalid('t') + "torva: --threads 1000: from 1 to 256\n"},
             {{"-I", "x", "--first-pair", "0"}, kProgram, 1, "", "torva: --first-pair 0: a whole number from 1\n"},
         }) {
        const Parsed p = parse(c.options, c.program);
        EXPECT_FALSE(p.a);
        EXPECT_EQ(p.io.status, c.status) << c.options.size();
        EXPECT_EQ(p.io.out.substr(0, c.out.empty() ? std::string::npos : c.out.size()), c.out);
        const std::size_t tilde = c.err.find('~');
        if (c.err == "?") {
            EXPECT_FALSE(p.io.err.empty());
        } else if (tilde != std::string::npos) {
            EXPECT_EQ(p.io.err.substr(0, tilde), c.err.substr(0, tilde));
            EXPECT_NE(p.io.err.find(c.err.substr(tilde + 1)), std::string::npos) << p.io.err;
        } else {
            EXPECT_EQ(p.io.err, c.err);
        }
    }
    // Each refused number is named with what is wrong with it; -T and -C
    // take no value beginning with '-' at all.
    const std::string notWhole = "not a whole number", tooLarge = "at most 1,000,000 either way";
    const std::string hyphen = "a value here may not begin with '-'";
    for (const auto& [text, forGA, forTC] : std::vector<std::tuple<std::string, std::string, std::string>>{
             {"abc", notWhole, notWhole}, {"12x", notWhole, notWhole}, {"", notWhole, notWhole},
             {" 5", notWhole, notWhole}, {"1.5", notWhole, notWhole}, {"+", notWhole, notWhole},
             {"-", notWhole, hyphen}, {"1000001", tooLarge, tooLarge}, {"0x10", notWhole, notWhole},
             {"99999999999999999999", tooLarge, tooLarge}, {"-7", "", hyphen}, {"-1000001", tooLarge, hyphen},
         }) {
        for (char o : {'G', 'A', 'T', 'C'}) {
            const std::string why = o == 'G' || o == 'A' ? forGA : forTC;
            const std::string err = parse({"-I", "x", std::string("-") + o, text, "-v"}).io.err;
            if (why.empty()) {
                EXPECT_EQ(err, "") << o << " '" << text << "'";
                continue;
            }
            const std::string start = invalid(o) + "torva: -" + o + " " + text + ": " + why;
            EXPECT_EQ(err.substr(0, start.size()), start) << o << " '" << text << "'";
        }
    }
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
             {{"-I", "in.fa"}, "-500 -25 10 100 n", kBin + "/dnaMatrix", "in.fa.DAZAZ", twenty},  // 20 letters
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
    EXPECT_FALSE(parse({"-I", "x"}).a->isProtein);
}

// Every long name does what its letter does, with the value attached after
// '=' or as the next argument (even one that begins with '-', where a number
// may).
TEST(CommandLine, LongOptionsMatchTheLetters) {
    auto record = [](const std::vector<std::string>& options) {
        const Parsed p = parse(options);
        if (!p.a) return "stopped: " + p.io.err.substr(0, p.io.err.find('\n'));
        const CommandLine& a = *p.a;
        std::ostringstream all;
        const auto given = [](const std::optional<int>& v) { return v ? std::to_string(*v) : "unset"; };
        all << a.inSeqFile << '|' << a.matrixFile << '|' << a.outFile << '|' << given(a.gapOpen) << '|'
            << given(a.gapExt) << '|' << given(a.scoreFactor) << '|' << given(a.cutLen) << '|' << a.isProtein
            << a.localOnly << a.quiet << '|' << a.threads << '|' << a.pafFile << '|' << a.plotDir << '|'
            << a.firstPair;
        return all.str();
    };
    for (const auto& [letters, names] : std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>>{
             {{"-I", "in.fa", "-S", "m", "-O", "o", "-G", "7", "-A", "3", "-T", "8", "-C", "40", "-P", "-L", "-t", "3",
               "-q"},
              {"--input", "in.fa", "--matrix=m", "--output", "o", "--gap-open=7", "--gap-extend", "3", "--factor", "8",
               "--min-length=40", "--protein", "--local-only", "--threads=3", "--quiet"}},
             {{"-Iin.fa", "-G-5", "-A", "-2", "-C", "0"},
              {"--input=in.fa", "--gap-open", "-5", "--gap-extend=-2", "--min-length", "0"}},
             {{"-I", "in.fa", "-T", "3", "-PL"}, {"--input", "in.fa", "--factor=3", "--protein", "--local-only"}},
             {{"-I", "in.fa", "-t", "0"}, {"--input=in.fa", "--threads", "0"}},   // refused alike
             {{"-I", "in.fa", "-S", "-m"}, {"--input=in.fa", "--matrix", "-m"}},
         }) {
        EXPECT_EQ(record(letters), record(names)) << names[0] << " " << names[1];
    }
    EXPECT_EQ(record({"--input", "in.fa", "--paf=-", "--plot", "d", "--first-pair", "12"}).substr(0, 6), "in.fa|");
    EXPECT_NE(record({"--input", "in.fa", "--first-pair", "12"}).find("|12"), std::string::npos);
}

// Each option --help shows is documented in the man page and in the README's
// table of options, and the help gives the DNA and the protein defaults.
TEST(CommandLine, HelpOptionsAreDocumented) {
    const Parsed p = parse({"--help"});
    const std::string text = p.io.out;
    std::string man = readFile(std::string(TORVA_SOURCE_DIR) + "/man/torva.1");
    for (std::size_t at; (at = man.find("\\-")) != std::string::npos;) man.replace(at, 2, "-");
    std::string table;
    std::istringstream readme(readFile(std::string(TORVA_SOURCE_DIR) + "/README.md"));
    for (std::string line; std::getline(readme, line);)
        if (line.rfind("| `-", 0) == 0 || line.rfind("| `TORVA", 0) == 0) table += line + "\n";
    std::istringstream lines(text);
    int options = 0;
    for (std::string line; std::getline(lines, line);) {
        // Option lines begin with two blanks and a hyphen, or an environment name.
        std::size_t at = line.find_first_not_of(' ');
        if (line.rfind("  ", 0) != 0 || at == std::string::npos || at > 6) continue;
        std::istringstream words(line.substr(at));
        for (std::string word; words >> word;) {
            if (!word.empty() && word.back() == ',') word.pop_back();
            const bool option = word.size() > 1 && word[0] == '-';
            if (!option && word.rfind("TORVA_", 0) != 0) break;
            ++options;
            EXPECT_TRUE(man.find(word) != std::string::npos) << word << " is not in the man page";
            EXPECT_TRUE(table.find("`" + word) != std::string::npos || table.find(" " + word) != std::string::npos)
                << word << " is not in the README's table";
        }
    }
    EXPECT_GE(options, 25);
    for (const char* value : {"500; protein: 15", "25; protein: 2", "100; protein: 50", "-I -"})
        EXPECT_NE(text.find(value), std::string::npos) << value;
}

// Errors in the matrix or the input stop the run before any output file is
// created or truncated, each with what was wrong where; so does an output
// path naming the input, the matrix or another output (through "..", a
// symbolic or a hard link, or as a companion file), or a device.
TEST(Driver, StopsBeforeTouchingOutputFiles) {
    const std::string fasta = ">s1|first\nACGTACGT\n>s2\nACGTTCGT\n";
    TempDir w;
    writeFile(w / "in.fa", fasta);
    writeFile(w / "m", readFile(std::string(TORVA_SOURCE_DIR) + "/data/dnaMatrix"));
    writeFile(w / "out", "earlier");
    writeFile(w / "bad", ">m\nACGT\nA 1 2 3\n");
    writeFile(w / "big", ">m\nACGT\nA 1 2 3 4\nC 5 1000001 2 2\n");
    writeFile(w / "nul.fa", std::string(">s1\nAC\0GT\n>s2\nACGT\n", 20));
    writeFile(w / "out.score", "earlier score");
    ASSERT_EQ(::symlink((w / "out.score").c_str(), (w / "paflink").c_str()), 0);
    ASSERT_EQ(::symlink("/dev", (w / "devlink").c_str()), 0);
    writeFile(w / "empty", "");
    writeFile(w / "x.score", readFile(w / "m"));
    fs::create_directory(w / "sub");
    ASSERT_EQ(::symlink((w / "in.fa").c_str(), (w / "link.fa").c_str()), 0);
    ASSERT_EQ(::link((w / "m").c_str(), (w / "hard").c_str()), 0);
    const std::string noOutput = "can not open output file: ";
    for (auto [extra, out, err] : std::vector<std::tuple<std::vector<std::string>, std::string, std::string>>{
             {{"-S", w / "nope"}, "can not open score matrix: " + (w / "nope") + "\n",
              "torva: " + (w / "nope") + ": No such file or directory\n"},
             {{"-S", w / "bad"}, "3 4wrong fromat of matrix\n",
              "torva: matrix file " + (w / "bad") +
                  ", line 3: expected 4 whole-number scores after 'A', one per letter of line 2; found 3\n"},
             {{"-S", w / "big"}, "1 4wrong fromat of matrix\n",
              "torva: matrix file " + (w / "big") + ", line 4: the score 1000001 is out of range (-1000000 to 1000000)\n"},
             // A FASTA file given as the matrix: its sequence line repeats letters.
             {{"-S", w / "in.fa"}, "",
              "~, line 2, column 5: the letter 'A' is on the letter line twice; each letter needs one column of its own"},
             {{"-S", w / "empty"}, "No Matrix found in inputfile or format is not right\n", "~no line begins with '>'"},
             {{"-I", w / "typo.fa"}, "", "the file: " + (w / "typo.fa") + " can not be opened: No such file or directory\n"},
             {{"-I", w / "nul.fa"}, "", "~holds binary data (a NUL byte) in record 1 (s1)"},
             {{"-O", w / "sub/../in.fa"}, noOutput + (w / "sub/../in.fa") + "\n", "~: this is the input file (-I)"},
             {{"-O", w / "link.fa"}, noOutput + (w / "link.fa") + "\n", "~: this is the input file (-I)"},
             {{"-O", w / "hard"}, noOutput + (w / "hard") + "\n", "~: this is the matrix file (-S)"},
             {{"-S", w / "x.score", "-O", w / "x"}, noOutput + (w / "x.score") + "\n", "~: this is the matrix file"},
             {{"-O", w / "no/dir/out"}, noOutput + (w / "no/dir/out") + "\n",
              "torva: " + (w / "no/dir/out") + ": No such file or directory\n"},
             // Two outputs in one file, through a link too.
             {{"--paf", w / "out.score"}, noOutput + (w / "out.score") + "\n", "~the PAF file (--paf) is the same file as the .score file"},
             {{"--paf", w / "paflink"}, noOutput + (w / "paflink") + "\n", "~the PAF file (--paf) is the same file as the .score file"},
             {{"--paf", w / "sub"}, noOutput + (w / "sub") + "\n", "~Is a directory"},
             {{"--plot", w / "out"}, noOutput + (w / "out") + "\n", "~"},
             {{"-O", "/dev/full"}, noOutput + "/dev/full\n", "~can not go under /dev or /proc"},
             {{"-O", w / "devlink/x"}, noOutput + (w / "devlink/x") + "\n", "~can not go under /dev or /proc"},
             {{"--view", w / "out"}, noOutput + (w / "out") + "\n",
              "~the view (--view) is the same file as the alignment file (-O)"},
             {{"--report", w / "sub/../out.loc"}, noOutput + (w / "sub/../out.loc") + "\n",
              "~the report (--report) is the same file as the .loc file"},
             {{"--paf", w / "v", "--view", w / "v"}, noOutput + (w / "v") + "\n",
              "~the view (--view) is the same file as the PAF file (--paf)"},
         }) {
        std::vector<std::string> options{kProgram, "-I", w / "in.fa", "-S", w / "m", "-O", w / "out"};
        options.insert(options.end(), extra.begin(), extra.end());
        Args a(options);
        const Captured r = capture([&] { return runProgram(a.argc(), a.argv()); });
        if (err.rfind("~", 0) == 0) {
            EXPECT_EQ(std::to_string(r.status) + " " + r.out, "1 " + out);
            EXPECT_NE(r.err.find(err.substr(1)), std::string::npos) << r.err;
        } else {
            EXPECT_EQ(std::to_string(r.status) + " " + r.out + " " + r.err, "1 " + out + " " + err);
        }
        EXPECT_EQ(readFile(w / "out") + readFile(w / "in.fa"), "earlier" + fasta);
        for (const auto& entry : fs::directory_iterator(w.path()))
            EXPECT_EQ(entry.path().string().find(".partial"), std::string::npos) << entry.path();
        EXPECT_FALSE(exists(w / "out.loc"));
        EXPECT_EQ(readFile(w / "out.score"), "earlier score");
        EXPECT_FALSE(exists(w / "x") || exists(w / "in.fa.loc") || exists(w / "hard.loc"));
    }
}

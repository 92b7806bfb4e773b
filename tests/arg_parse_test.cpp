#include "cli/ArgParse.hpp"

#include <optional>

#include "TestSupport.hpp"
#include "cli/Parameters.hpp"
#include "input/ScoreMatrix.hpp"

using namespace testsupport;

namespace {

const std::string kBin = TORVA_BIN_DIR;
const std::string kProgram = kBin + "/torva";

struct Parsed {
    std::optional<argParse> a;  // set when the constructor returned
    int argc = 0;
    Captured io;
};
Parsed parse(std::vector<std::string> options, const std::string& program = kProgram) {
    options.insert(options.begin(), program);
    Args args(options);
    Parsed p;
    p.io = capture([&] {
        p.argc = args.argc();
        p.a.emplace(p.argc, args.argv());
        return 0;
    });
    return p;
}

// The usage text itself is not restated here; its first line names the program.
std::string usage(const std::string& program) { return "\nUsage: " + program + " -I InputSeqFile\n"; }
std::string invalid(char o) { return std::string("Invalid value for option '-") + o + "'\n\n"; }

}  // namespace

TEST(ArgParse, StopsWithTextsAndStatuses) {
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
             {{"-H"}, "torva", 0, usage("torva"), ""},
             {{"-v", "-G", "abc"}, "/opt/x/torva-b", 0, "torva-b" + version, ""},
             {{"-PV"}, "torva", 0, "torva" + version, ""},
             {{"-G", "abc", "-V"}, kProgram, 1, "", invalid('G')},  // stops where it stands
             {{"-I", "-x", "-v"}, kProgram, 1, "", invalid('I')},
             {{"-S", "-x"}, kProgram, 1, "", invalid('S')},
             {{"-O", "-"}, kProgram, 1, "", invalid('O')},
             {{"-I", "x", "-T", "-7"}, kProgram, 1, "", invalid('T')},
             {{"-I", "x", "-C", "-7"}, kProgram, 1, "", invalid('C')},
             {{"-L"}, kProgram, 1, noInput, ""},
             {{"-I", ""}, kProgram, 1, noInput, ""},
         }) {
        Parsed p = parse(c.options, c.program);
        EXPECT_FALSE(p.a);
        EXPECT_EQ(p.io.status, c.status) << c.options.size();
        EXPECT_EQ(p.io.out.substr(0, c.out.empty() ? std::string::npos : c.out.size()), c.out);
        EXPECT_EQ(p.io.err, c.err);
    }
    // getopt's own diagnostics: unknown option, value missing at the end.
    for (auto options : {std::vector<std::string>{"-I", "x", "-X"}, {"-I", "x", "-G"}}) {
        Parsed p = parse(options);
        EXPECT_EQ(p.io.status, 1);
        EXPECT_NE(p.io.err, "");
        EXPECT_EQ(p.io.out, "");
    }
}

TEST(ArgParse, NumbersMustBeWholeAndWithinAMillion) {
    for (char o : {'G', 'A', 'T', 'C'})
        for (const char* text : {"abc", "12x", "", " 5", "1.5", "+", "-", "1000001", "0x10",
                                 "99999999999999999999"}) {
            Parsed p = parse({"-I", "x", std::string("-") + o, text, "-v"});
            EXPECT_EQ(p.io.status, 1) << o << " '" << text << "'";
            EXPECT_EQ(p.io.err, invalid(o)) << o << " '" << text << "'";
        }
    int v = 0;
    EXPECT_TRUE(parseOptionNumber("-1000000", v) && v == -1000000);
    EXPECT_FALSE(parseOptionNumber("-1000001", v) || parseOptionNumber(nullptr, v));
}

// The values as resolved for a run with a DNA matrix: -P selects the protein
// defaults for the values not given, wherever it stands; gap costs lose their sign.
TEST(ArgParse, ValuesDefaultsAndOrderEffects) {
    std::istringstream dnaText(">t\nACGT\nA 1 0 0 0\nC 0 1 0 0\nG 0 0 1 0\nT 0 0 0 1\n");
    const ScoreMatrix dna(dnaText);
    struct Case {
        std::vector<std::string> options;
        int gapOpen, gapExt, scoreFactor, cutLen, isProtein, localOnly;
        std::string matrix = kBin + "/dnaMatrix", out = "in.fa.DAZAZ";
    };
    const std::string blosum = kBin + "/BLOSUM";
    for (const Case& c : std::vector<Case>{
             {{"-I", "in.fa"}, -500, -25, 10, 100, 0, 0},
             {{"-P", "-I", "in.fa"}, -15, -2, 10, 50, 1, 0, blosum},
             {{"-G", "10", "-P", "-I", "in.fa"}, -10, -2, 10, 50, 1, 0, blosum},
             {{"-P", "-G", "10", "-I", "in.fa"}, -10, -2, 10, 50, 1, 0, blosum},
             {{"-C", "80", "-A", "+3", "-P", "-I", "in.fa"}, -15, -3, 10, 80, 1, 0, blosum},
             {{"-I", "in.fa", "-G", "-7", "-A", "1000000", "-T", "3"}, -7, -1000000, 6, 100, 0, 0},
             {{"-I", "in.fa", "-T", "7", "-C", "0", "-G", "007"}, -7, -25, 7, 0, 0, 0},
             {{"-I", "in.fa", "-T", "+0", "-S", "", "-O", ""}, -500, -25, 6, 100, 0, 0},
             {{"-I", "a", "-I", "in.fa", "-S", "rel/m", "-O", "o"}, -500, -25, 10, 100, 0, 0, "rel/m", "o"},
             // attached values and grouped flags
             {{"-Iin.fa", "-G-5", "-PL", "-T6"}, -5, -2, 6, 50, 1, 1, blosum},
             // parsing stops at the first non-option and at "--"
             {{"-I", "in.fa", "extra", "-L", "-X"}, -500, -25, 10, 100, 0, 0},
             {{"-I", "in.fa", "--", "-L"}, -500, -25, 10, 100, 0, 0},
         }) {
        Parsed p = parse(c.options);
        ASSERT_TRUE(p.a) << p.io.out << p.io.err;
        const argParse& a = *p.a;
        const AlignParameters r = resolveParameters(a, dna, GappedAnchorRealign::kWindows);
        EXPECT_EQ(std::vector<int>({r.gapOpen, r.gapExt, r.scoreFactor, r.cutLen, r.maskChar == '*', r.localOnly}),
                  std::vector<int>({c.gapOpen, c.gapExt, c.scoreFactor, c.cutLen, c.isProtein, c.localOnly}))
            << c.options[0] << c.options[1];
        EXPECT_EQ(a.inSeqFile, "in.fa");
        EXPECT_EQ(a.matrixFile, c.matrix);
        EXPECT_EQ(a.outFile, c.out);
        EXPECT_EQ(p.io.out + p.io.err, "");
    }
    EXPECT_EQ(parse({"-I", "x", "extra", "-L"}).argc, 2);  // 5 arguments, optind 3
    // A parse that stopped inside a group of flags does not leak into the next.
    EXPECT_EQ(parse({"-vP"}).io.status, 0);
    EXPECT_EQ(parse({"-I", "x"}).a->isProtein, 0);
}

TEST(ArgParse, DefaultMatrixLocation) {
    EXPECT_EQ(programDirectory("./torva"), ".");
    EXPECT_EQ(programDirectory("/torva"), "");
    EXPECT_EQ(programDirectory("a\\b\\torva"), "a\\b");
    // Found through PATH: the running executable's directory (the test
    // program sits next to torva), not "/".
    EXPECT_EQ(fs::canonical(programDirectory("torva")), fs::canonical(kBin));
    EXPECT_EQ(fs::canonical(parse({"-I", "x"}, "torva").a->matrixFile), fs::canonical(kBin + "/dnaMatrix"));

    TempDir prog, data;
    writeFile(data / "BLOSUM", ">B\n");
    EXPECT_EQ(defaultMatrixPath(prog.path(), "BLOSUM", data.path()), data / "BLOSUM");
    writeFile(prog / "BLOSUM", ">B\n");  // next to the program wins
    EXPECT_EQ(defaultMatrixPath(prog.path(), "BLOSUM", data.path()), prog / "BLOSUM");
    EXPECT_EQ(defaultMatrixPath(prog.path(), "dnaMatrix", data.path()), prog / "dnaMatrix");
    EXPECT_EQ(defaultMatrixPath("", "dnaMatrix", ""), "/dnaMatrix");
}

// Every line the programs print starts with the program's name as invoked,
// but for the first lines of the messages scripts have read since the first
// release; record names in messages are escaped and cut; when standard
// output carries data, every message goes to standard error.

#include "TestSupport.hpp"
#include "cli/Driver.hpp"
#include "cli/MatrixByName.hpp"

using namespace testsupport;

namespace {

const std::string kBin = TORVA_BIN_DIR;
const std::string kMatrix = std::string(TORVA_SOURCE_DIR) + "/tests/e2e/simple.matrix";

Captured runAs(const std::string& program, std::vector<std::string> options) {
    options.insert(options.begin(), {kBin + "/" + program, "-q"});
    Args a(options);
    return capture([&] { return runProgram(a.argc(), a.argv()); });
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> all;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) all.push_back(line);
    return all;
}

}  // namespace

// Warnings of every kind, from a run invoked as torva-b: each line is named.
TEST(Messages, EveryLineCarriesTheProgramsName) {
    TempDir w;
    writeFile(w / "m", ">m\nACGT\nA 5 -4 -4 -4\nC -4 5 -4 -4\nG -4 -4 5 -4\n");  // no row for T
    writeFile(w / "in.fa", ">\nACGT\n>p\nMKVLAAGIVGLLLAAQEP\n>q\nMKVLAAGIVG\n>r\nACG\n>lonely\nACG\n");
    const Captured r = runAs("torva-b", {"-S", w / "m", "-I", w / "in.fa", "-O", w / "out"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    const std::vector<std::string> lines = linesOf(r.err);
    EXPECT_GE(lines.size(), 4u) << r.err;
    for (const std::string& line : lines) EXPECT_EQ(line.rfind("torva-b: ", 0), 0u) << line;
    for (const char* part : {"warning: matrix file", "has an empty header", "looks like protein", "has no partner"})
        EXPECT_NE(r.err.find(part), std::string::npos) << part << "\n" << r.err;
    // The option parser's own lines too, by name rather than by path.
    const Captured option = runAs("torva-b", {"--bogus"});
    EXPECT_EQ(option.err, "torva-b: unrecognized option '--bogus'\ntorva-b: 'torva-b --help' lists the options\n");
}

// The first lines of the oldest messages stay as they were; the line after
// them is named.
TEST(Messages, OldFirstLinesStayAsTheyWere) {
    TempDir w;
    writeFile(w / "in.fa", ">a\nACGT\n>b\nACGT\n");
    const Captured matrix = runAs("torva", {"-S", w / "none", "-I", w / "in.fa", "-O", w / "out"});
    EXPECT_EQ(matrix.out, "can not open score matrix: " + (w / "none") + "\n");
    EXPECT_EQ(matrix.err, "torva: " + (w / "none") + ": No such file or directory\n");
    const Captured output = runAs("torva", {"-S", kMatrix, "-I", w / "in.fa", "-O", w / "no/out"});
    EXPECT_EQ(output.out, "can not open output file: " + (w / "no/out") + "\n");
    const Captured input = runAs("torva", {"-S", kMatrix, "-I", w / "none.fa", "-O", w / "out"});
    EXPECT_EQ(input.err, "the file: " + (w / "none.fa") + " can not be opened: No such file or directory\n");
}

// A name with control bytes reaches the terminal escaped; a file with
// carriage-return line ends (one 2,700-character header) is cut to 60
// characters.
TEST(Messages, RecordNamesAreEscapedAndCut) {
    TempDir w;
    std::string crOnly = ">cr";
    for (int k = 0; k < 300; ++k) crOnly += "\rACGTACGTA";
    writeFile(w / "in.fa", ">bad\x1b[2Jname\nAC GT\n>b\nACGT\n" + crOnly + "\n>d\nACGT\n>tail\nACGT\n");
    const Captured r = runAs("torva", {"-S", kMatrix, "-I", w / "in.fa", "-O", w / "out"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find('\x1b'), std::string::npos);
    EXPECT_NE(r.err.find("(bad\\x1b[2Jname) has digits or spaces"), std::string::npos) << r.err;
    for (const std::string& line : linesOf(r.err)) EXPECT_LT(line.size(), 200u) << line;
    EXPECT_NE(r.err.find("(cr\\x0dACGTACGTA\\x0dACGTACGTA\\x0dACGTACGTA\\x0dACGTACGTA\\x0dACGTACGTA\\x0dACGTACG...)"), std::string::npos)
        << r.err;
}

// With --paf - or --view - on standard output, nothing else goes there, not
// even the oldest messages.
TEST(Messages, DataOnStandardOutputStaysData) {
    TempDir w;
    writeFile(w / "in.fa", ">a\nACGT\n>b\nACGT\n");
    for (const char* data : {"--paf", "--view"}) {
        const Captured r = runAs("torva", {"-S", "BLOSUM63", "-I", w / "in.fa", "-O", w / "out", data, "-"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "") << data;
        EXPECT_EQ(r.err.rfind("can not open score matrix: BLOSUM63\n", 0), 0u) << r.err;
    }
    const Captured plot = runAs("torva", {"-S", kMatrix, "-I", w / "in.fa", "-O", w / "out", "--view", "-",
                                          "--plot", "/proc/x"});
    EXPECT_EQ(plot.status, 1);
    EXPECT_EQ(plot.out, "");
    EXPECT_NE(plot.err.find("can not open output file: /proc/x"), std::string::npos) << plot.err;
}

// Each way a run ends, whole on both streams, as the program invoked says
// it: the lines scripts have read since the first release on standard output
// without a name, the rest named.
TEST(Messages, EachEndOnItsOwnStreams) {
    TempDir w;
    writeFile(w / "in.fa", ">a\nACGT\n>b\nACGT\n>c\nACGT\n");
    const std::vector<std::string> files{"-I", w / "in.fa", "-O", w / "out"};
    auto with = [&](std::vector<std::string> options) {
        options.insert(options.end(), files.begin(), files.end());
        return options;
    };
    std::string names;
    for (const std::string& name : knownMatrixNames()) names += " " + name;
    const std::string kept = (w / "out.partial") + ", " + (w / "out.loc.partial") + ", " + (w / "out.score.partial");
    struct Case {
        std::vector<std::string> options;
        int status;
        std::string out, err;
    };
    for (const Case& c : std::vector<Case>{
             {with({"-S", kMatrix}), 0, "", "torva-b: warning: record 3 (c) has no partner and is not aligned\n"},
             {with({"-S", "BLOSUM63"}), 1, "can not open score matrix: BLOSUM63\n",
              "torva-b: BLOSUM63: No such file or directory\ntorva-b: matrices known by name:" + names + "\n"},
             {with({"-P", "--strand", "minus"}), 1, "",
              "torva-b: --strand minus: protein has no other strand (-P); only DNA is aligned on the minus strand\n"},
             {with({"-S", kMatrix, "--paf", "/dev/full"}), 1, "torva-b: can not write output file: /dev/full\n",
              "torva-b: /dev/full: No space left on device\ntorva-b: the run stopped at pair 1 (a and b), where a write "
              "failed; the output so far is in " + kept + ", and files of the same names without .partial are as they were\n"},
             {with({"-S", kMatrix, "--view", w / "no/view"}), 1, "can not open output file: " + (w / "no/view") + "\n",
              "torva-b: " + (w / "no/view") + ": No such file or directory\n"},
         }) {
        const Captured r = runAs("torva-b", c.options);
        EXPECT_EQ(r.status, c.status) << c.err;
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
    }
    EXPECT_TRUE(exists(w / "out.loc.partial"));
    EXPECT_FALSE(exists(w / "no"));
}

// A kernel set the processor cannot run stops the run before anything is
// read or written, on standard error alone.
TEST(Messages, UnavailableKernelsStopTheRunFirst) {
    TempDir w;
    writeFile(w / "in.fa", ">a\nACGT\n>b\nACGT\n");
    const int status = shell("TORVA_KERNEL=bogus " + kBin + "/torva-b -I " + (w / "in.fa") + " -O " + (w / "out") +
                             " >" + (w / "stdout") + " 2>" + (w / "stderr"));
    EXPECT_EQ(status, 1);
    EXPECT_EQ(readFile(w / "stdout"), "");
    EXPECT_EQ(readFile(w / "stderr").rfind("torva-b: TORVA_KERNEL=bogus: this processor offers scalar", 0), 0u)
        << readFile(w / "stderr");
    EXPECT_FALSE(exists(w / "out.loc"));
}

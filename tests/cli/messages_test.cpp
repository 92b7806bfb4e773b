// Every line the programs print starts with the program's name as invoked,
// but for the first lines of the messages scripts have read since the first
// release; record names in messages are escaped and cut; when standard
// output carries data, every message goes to standard error.

#include "TestSupport.hpp"
#include "cli/Driver.hpp"

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

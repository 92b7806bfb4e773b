#include "input/ScoreMatrix.hpp"

#include <memory>

#include "TestSupport.hpp"

using namespace testsupport;

namespace {

struct Parsed {
    std::unique_ptr<ScoreMatrix> m;
    Captured io;
};
Parsed parse(const std::string& text) {
    Parsed p;
    std::istringstream in(text);
    p.io = capture([&] { p.m = std::make_unique<ScoreMatrix>(in); return 0; });
    return p;
}
std::vector<int> row(const ScoreMatrix& m, char letter) {
    const int* r = m.scores[m.alphabet.at(letter)];
    return std::vector<int>(r, r + m.scores.cols());
}
std::string crlf(const std::string& text) {
    std::string s;
    for (char c : text) s += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return s;
}
const std::string kRows = "A   91 -114  -31 -123\nC -114  100 -125  -31\nG  -31 -125  100 -114\nT -123  -31 -114   91\n";

}  // namespace

TEST(ScoreMatrix, ValidFiles) {
    for (std::string text : {"junk\nA 1 2 3 4\n>HOXD70 dna\n   A    C    G    T\n" + kRows,
                             ">HOXD70 dna\nacgt\n\n" + kRows + "# not read\n",
                             crlf("junk\n>HOXD70 dna\n\tA C\tG T \n" + kRows),
                             ">HOXD70 dna\nACGT\n" + kRows.substr(0, 22) + "  \t \n\r\n" + kRows.substr(22)}) {
        Parsed p = parse(text);
        ASSERT_EQ(p.m->size, 4) << text << p.io.out;
        EXPECT_EQ(p.io.out, "");
        EXPECT_EQ(p.m->title, "HOXD70 dna");
        EXPECT_EQ(p.m->alphabet, (std::map<char, unsigned long>{{'a', 0}, {'c', 1}, {'g', 2}, {'t', 3}}));
        EXPECT_EQ(row(*p.m, 'a'), (std::vector<int>{91, -114, -31, -123}));
        EXPECT_EQ(row(*p.m, 't'), (std::vector<int>{-123, -31, -114, 91}));
        const ScoreLookup lookup = p.m->lookup();  // lower case only; other letters score 0
        EXPECT_EQ(lookup.score('t', 'c'), -31);
        EXPECT_EQ(lookup.score('a', 'A') + lookup.score('r', 'a'), 0);
    }
    // Rows in any order, extra numbers ignored, "3-4" is 3 and -4, limits accepted.
    Parsed p = parse(">m\nAB\n  b 3-4 99\na 1000000 -1000000\n");
    EXPECT_EQ(row(*p.m, 'a'), (std::vector<int>{1000000, -1000000}));
    EXPECT_EQ(row(*p.m, 'b'), (std::vector<int>{3, -4}));
    // Missing rows stay 0; a repeated row overwrites and counts as a row.
    Parsed q = parse(">m\nA C G\nA 1 1 1\nA 5 6 7\nC 2 2 2\n");
    EXPECT_EQ(q.m->size, 3);
    EXPECT_EQ(row(*q.m, 'a'), (std::vector<int>{5, 6, 7}));
    EXPECT_EQ(row(*q.m, 'g'), (std::vector<int>{0, 0, 0}));
    // A repeated letter counts twice and takes the later index.
    Parsed d = parse(">m\nA C A\nA 1 2 3\nC 4 5 6\n");
    EXPECT_EQ(d.m->size, 3);
    EXPECT_EQ(d.m->alphabet.size(), 2u);
    EXPECT_EQ(d.m->alphabet.at('a'), 2u);
}

TEST(ScoreMatrix, FormatErrors) {
    const std::string none = "No Matrix found in inputfile or format is not right\n";
    const std::string letter = "first letter of Score Matrix is char\n";
    for (auto [text, message] : std::vector<std::pair<std::string, std::string>>{
             {"", none}, {"A 1 2\nno header\n", none}, {"x\n>title only", none},
             {">title only\n", none}, {">m\n \r\n", none},
             {">m\nAC\n# comment\n", letter}, {">m\nAC\nA 1 2\nG 1 2\n", letter},
             {">m\nACGT\nA 1 2 3\n", "3 4wrong fromat of matrix\n"},
             {">m\nACGT\nA 1 2 x 4\n", "2 4wrong fromat of matrix\n"},
             {">m\nACGT\nA\n", "0 4wrong fromat of matrix\n"},
             {">m\nACGT\nA 1 2 1000001 4\n", "2 4wrong fromat of matrix\n"},
             {">m\nACGT\nA 1 -1000001 2 4\n", "1 4wrong fromat of matrix\n"},
             {">m\nACGT\nA 99999999999 1 2 3\n", "0 4wrong fromat of matrix\n"}}) {
        Parsed p = parse(text);
        EXPECT_EQ(p.m->size, 0) << text;
        EXPECT_EQ(p.io.out, message) << text;
    }
    EXPECT_EQ(row(*parse(">m\nAC\nC 7 8\n# x\n").m, 'c'), (std::vector<int>{7, 8}));  // rows read stay

    std::istringstream bad(">m\nA\nA 1\n");
    bad.setstate(std::ios::failbit);
    Captured c = capture([&] { ScoreMatrix m(bad); return 0; });
    EXPECT_EQ(c.status, 1);
    EXPECT_EQ(c.out, "unable to read the file\n");
}

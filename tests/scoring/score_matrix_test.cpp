#include "scoring/ScoreMatrix.hpp"

#include <memory>

#include "TestSupport.hpp"

using namespace testsupport;

namespace {

// What a parse gave: its error's line, or the letter count, and each letter
// with its index and row.
std::string parse(const std::string& text) {
    std::istringstream in(text);
    std::unique_ptr<ScoreMatrix> m;
    try {
        m = std::make_unique<ScoreMatrix>(in);
    } catch (const MatrixError& e) {
        return std::string(e.what()) + "\n";
    }
    std::string s = std::to_string(m->size) + " " + m->title;
    for (auto [letter, index] : m->alphabet) {
        s += std::string(" ") + letter + std::to_string(index) + ":";
        for (std::size_t c = 0; m->size && c < m->scores.cols(); ++c) s += std::to_string(m->scores[index][c]) + ",";
    }
    return s;
}
std::string crlf(const std::string& text) {
    std::string s;
    for (char c : text) s += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return s;
}
const std::string kRows = "A   91 -114  -31 -123\nC -114  100 -125  -31\nG  -31 -125  100 -114\nT -123  -31 -114   91\n";

}  // namespace

TEST(ScoreMatrix, ValidFiles) {
    const std::string hoxd = "4 HOXD70 dna a0:91,-114,-31,-123, c1:-114,100,-125,-31, g2:-31,-125,100,-114, t3:-123,-31,-114,91,";
    for (auto [text, want] : std::vector<std::pair<std::string, std::string>>{
             {"junk\nA 1 2 3 4\n>HOXD70 dna\n   A    C    G    T\n" + kRows, hoxd},
             {crlf("junk\n>HOXD70 dna\n\tA C\tG T \n" + kRows), hoxd},
             {">HOXD70 dna\nACGT\n" + kRows.substr(0, 22) + "  \t \n\r\n" + kRows.substr(22), hoxd},
             // rows in any order, extra numbers ignored, "3-4" is 3 and -4, limits accepted
             {">m\nAB\n  b 3-4 99\na 1000000 -1000000\n", "2 m a0:1000000,-1000000, b1:3,-4,"},
             // missing rows stay 0
             {">m\nA C G\nA 5 6 7\nC 2 2 2\n", "3 m a0:5,6,7, c1:2,2,2, g2:0,0,0,"},
             // numbers after the last column, of any kind, are not read
             {">m\nAC\nA 1 2 3.5 x\nC 3 4\t# note\n", "2 m a0:1,2, c1:3,4,"},
         })
        EXPECT_EQ(parse(text), want) << text;
    std::istringstream in(">m\nAC\nA 1 2\nC 3 4\n");
    const ScoreLookup lookup = ScoreMatrix(in).lookup();  // lower case only; other letters score 0
    EXPECT_EQ(std::to_string(lookup.score('c', 'a')) + std::to_string(lookup.score('a', 'A')) +
                  std::to_string(lookup.score('r', 'a')), "300");
}

TEST(ScoreMatrix, FormatErrors) {
    const std::string none = "No Matrix found in inputfile or format is not right\n";
    const std::string letter = "first letter of Score Matrix is char\n";
    for (auto [text, message] : std::vector<std::pair<std::string, std::string>>{
             {"", none}, {"A 1 2\nno header\n", none}, {"x\n>title only", none}, {">m\n \r\n", none},
             {">m\nAC\n# comment\n", letter}, {">m\nAC\nA 1 2\nG 1 2\n", letter},
             {">m\nACGT\nA 1 2 3\n", "3 4wrong fromat of matrix\n"},
             {">m\nACGT\nA 1 2 x 4\n", "2 4wrong fromat of matrix\n"},
             {">m\nACGT\nA 1 2 1000001 4\n", "2 4wrong fromat of matrix\n"},
             {">m\nACGT\nA 1 -1000001 2 4\n", "1 4wrong fromat of matrix\n"},
             {">m\nACGT\nA 99999999999 1 2 3\n", "0 4wrong fromat of matrix\n"}}) {
        EXPECT_EQ(parse(text), message) << text;
    }
    std::istringstream bad(">m\nA\nA 1\n");
    bad.setstate(std::ios::failbit);
    EXPECT_THROW(ScoreMatrix{bad}, MatrixError);
}

// The library's texts against the programs' own files: the PAF line and the
// view's blocks of every pair must be the programs' bytes, and the FASTA file
// reader must name, number and warn as the programs do.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "torva/torva.hpp"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

const std::string kBin = TORVA_BIN_DIR;
const std::string kSource = TORVA_SOURCE_DIR;

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct TempDir {
    fs::path path;
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "torva-api-XXXXXX").string();
        path = ::mkdtemp(pattern.data());
    }
    ~TempDir() { fs::remove_all(path); }
};

// The blocks of each alignment in a view file: what follows the closing rule
// of its header (the only rule followed by a blank line), up to the blank
// line before the pair's end rule.
std::vector<std::string> viewBlocks(const std::string& view) {
    const std::string rule = "#=======================================\n\n";
    const std::string end = "\n#---------------------------------------";
    std::vector<std::string> blocks;
    for (std::size_t at = view.find(rule); at != std::string::npos; at = view.find(rule, at)) {
        at += rule.size();
        const std::size_t stop = view.find(end, at);
        blocks.push_back(view.substr(at, stop - at));
        at = stop;
    }
    return blocks;
}

struct Case {
    const char* file;
    const char* flags;
    bool protein;
    torva::Strand strand;
};

class ProgramsBytes : public testing::TestWithParam<Case> {};

TEST_P(ProgramsBytes, PafLinesAndViewBlocksOfEveryPair) {
    const Case& c = GetParam();
    const TempDir dir;
    const std::string input = kSource + "/" + c.file;
    const std::string command = kBin + "/torva -q " + c.flags + " -I " + input + " -O " + (dir.path / "out").string() +
                                " --paf " + (dir.path / "paf").string() + " --view " + (dir.path / "view").string();
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    torva::Options options;
    options.protein = c.protein;
    options.strand = c.strand;
    torva::FastaFile file(input);
    std::string paf;
    std::vector<std::string> blocks;
    const torva::Matrix matrix = c.protein ? torva::Matrix::protein() : torva::Matrix::dna();
    for (const torva::FastaPair& p : file.readPairs(100, options)) {
        const torva::Result r = torva::align(p.first.sequence, p.second.sequence, options);
        paf += torva::pafLine(r, p.first.name, p.second.name);
        blocks.push_back(torva::view(r, matrix, p.first.name, p.second.name, 60, torva::ViewLabels::programs));
    }
    EXPECT_EQ(paf, slurp(dir.path / "paf"));
    const std::vector<std::string> written = viewBlocks(slurp(dir.path / "view"));
    ASSERT_EQ(blocks.size(), written.size());
    for (std::size_t k = 0; k < blocks.size(); ++k) EXPECT_EQ(blocks[k], written[k]) << "pair " << k + 1;
}

INSTANTIATE_TEST_SUITE_P(
    Files, ProgramsBytes,
    testing::Values(Case{"examples/demo.fa", "", false, torva::Strand::plus},
                    Case{"examples/protein.fa", "-P", true, torva::Strand::plus},
                    Case{"examples/minus_strand.fa", "--strand minus", false, torva::Strand::minus},
                    Case{"bench/data/prot_hba_hbb_human.fa", "-P", true, torva::Strand::plus}));

torva::Result rows(std::string row1, std::string row2, torva::Strand strand = torva::Strand::plus) {
    torva::Result r;
    r.row1 = std::move(row1);
    r.row2 = std::move(row2);
    r.strand = strand;
    return r;
}

TEST(ApiSpan, LeavesOutTheOverhangsAndCountsAsPafDoes) {
    // Overhangs at both ends, a column of two gaps and a mismatch inside.
    const torva::AlignedSpan s = alignedSpan(rows("aac-gTt--", "--cAg-tgg"));
    EXPECT_EQ((std::vector<long long>{s.begin1, s.end1, s.begin2, s.end2}), (std::vector<long long>{2, 6, 0, 4}));
    EXPECT_EQ(s.firstColumn, 2u);
    EXPECT_EQ(s.lastColumn, 7u);
    EXPECT_EQ(s.cigar, "1=1D1=1I1=");
    EXPECT_EQ(s.matches, 3);
    EXPECT_EQ(s.columns, 5);

    const torva::AlignedSpan none = alignedSpan(rows("acgt----", "----acgt"));
    EXPECT_EQ(none.end1 + none.end2 + none.columns + none.lastColumn, 0);
    EXPECT_EQ(none.cigar, "");
    EXPECT_THROW(alignedSpan(rows("acg", "ac")), std::invalid_argument);
}

TEST(ApiView, FittedLabelsAndTheNumbersOfASegmentOfGaps) {
    const torva::Result r = rows("ac--gt", "acttg-");
    const torva::Matrix m = torva::Matrix::dna();
    // Width 2 puts only gaps in row 1's second block.
    EXPECT_EQ(torva::view(r, m, "first one", "b", 2),
              "first 1 ac 2\n"
              "        ||\n"
              "b     1 ac 2\n\n"
              "first 3 -- 2\n"
              "          \n"
              "b     3 tt 4\n\n"
              "first 3 gt 4\n"
              "        | \n"
              "b     5 g- 5\n\n");
    // As the programs number it: the residue before the gaps, twice; row 2
    // of a minus-strand pair down its forward strand.
    const std::string programs =
        torva::view(rows("ac--gt", "acttg-", torva::Strand::minus), m, "", "b", 2, torva::ViewLabels::programs);
    EXPECT_EQ(programs.substr(0, 26), "*                  1 ac 2\n");
    EXPECT_NE(programs.find("\n*                  2 -- 2\n"), std::string::npos) << programs;
    EXPECT_NE(programs.find("\nb                  5 ac 4\n"), std::string::npos) << programs;
}

TEST(ApiPaf, AMinusStrandLineGivesTheForwardStrandAndTheCigarFromTheOtherEnd) {
    const torva::Result plus = rows("aacgt-", "-acctt");
    const torva::Result minus = rows("aacgt-", "-acctt", torva::Strand::minus);
    EXPECT_EQ(torva::pafLine(plus, "q x", ""),
              "q\t5\t1\t5\t+\t*\t5\t0\t4\t3\t4\t255\tAS:i:0\tcg:Z:2=1X1=\tde:f:0.2500\n");
    const std::string line = torva::pafLine(minus, "q", "t");
    EXPECT_EQ(line.substr(0, line.find("\tAS:")), "q\t5\t1\t5\t-\tt\t5\t1\t5\t3\t4\t255");
    EXPECT_NE(line.find("\tcg:Z:1=1X2=\t"), std::string::npos) << line;
}

// ---- the FASTA file reader ------------------------------------------------------------------

std::unique_ptr<std::istream> text(const std::string& s) { return std::make_unique<std::istringstream>(s); }

TEST(ApiFasta, RecordsAreNamedAndNumberedAsTheProgramsDo) {
    torva::FastaFile file(text("junk before\n>sp|P69905|HBA_HUMAN Hemoglobin\nMVL\nSPA\n>a|b c\nacgt\n>\nGG\n"),
                          "mine");
    const std::vector<torva::FastaRecord> records = file.readRecords(10);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].name, "sp|P69905|HBA_HUMAN");  // a database tag: its first word
    EXPECT_EQ(records[0].header, "sp|P69905|HBA_HUMAN Hemoglobin");
    EXPECT_EQ(records[0].sequence, "MVLSPA");
    EXPECT_EQ(records[1].name, "a");
    EXPECT_EQ(records[2].number, 3);
    const std::vector<std::string> warnings = file.takeWarnings();
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("record 3 has an empty header"), std::string::npos) << warnings[0];
    EXPECT_TRUE(file.takeWarnings().empty());  // handed over once
}

TEST(ApiFasta, PairsWarnOfUnknownLettersAndOfALastRecordAlone) {
    torva::FastaFile file(text(">x\nacgt\n>y two\nacrt\n>z\nacg\n>lone one\nac\n>w\nac\n"), "mine");
    std::vector<torva::FastaPair> pairs = file.readPairs(1);
    ASSERT_EQ(pairs.size(), 1u);
    EXPECT_EQ(pairs[0].second.name, "y two");
    ASSERT_EQ(pairs[0].warnings.size(), 1u);
    EXPECT_EQ(pairs[0].warnings[0].rfind("warning: record 2 (y two) has 1 letter", 0), 0u) << pairs[0].warnings[0];
    EXPECT_TRUE(file.takeWarnings().empty());  // not at the end yet
    pairs = file.readPairs(5);
    ASSERT_EQ(pairs.size(), 1u);
    EXPECT_EQ(pairs[0].first.number, 3);
    EXPECT_EQ(file.takeWarnings(), std::vector<std::string>{"warning: record 5 (w) has no partner and is not aligned"});
    EXPECT_TRUE(file.readPairs(5).empty());
    EXPECT_TRUE(file.takeWarnings().empty());  // said once
}

TEST(ApiFasta, OpensPlainAndGzipFilesAndSaysWhyOthersFail) {
    const TempDir dir;
    const std::string plain = (dir.path / "p.fa").string();
    std::ofstream(plain) << ">a\nACGT\n>b\nACGA\n";
    ASSERT_EQ(std::system(("gzip -c " + plain + " > " + plain + ".gz").c_str()), 0);
    for (const std::string& path : {plain, plain + ".gz"}) {
        torva::FastaFile file(path);
        const std::vector<torva::FastaPair> pairs = file.readPairs(2);
        ASSERT_EQ(pairs.size(), 1u) << path;
        EXPECT_EQ(pairs[0].second.sequence, "ACGA");
        EXPECT_TRUE(file.takeWarnings().empty());
    }
    // Bytes after the gzip data are told once the file is read.
    std::ofstream(plain + ".gz", std::ios::app) << std::string(300, 'x');
    torva::FastaFile padded(plain + ".gz");
    EXPECT_EQ(padded.readPairs(5).size(), 1u);
    const std::vector<std::string> told = padded.takeWarnings();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("bytes after the end of its gzip data"), std::string::npos) << told[0];
    for (const auto& [path, errorNumber] : {std::pair{(dir.path / "missing.fa").string(), ENOENT},
                                            std::pair{dir.path.string(), EISDIR}}) {
        try {
            torva::FastaFile file(path);
            FAIL() << path;
        } catch (const torva::FileError& e) {
            EXPECT_EQ(e.errorNumber(), errorNumber);
            EXPECT_EQ(e.path(), path);
        }
    }
    EXPECT_THROW(torva::FastaFile(text("@r1\nACGT\n+\nIIII\n"), "reads.fq"), std::invalid_argument);
    torva::FastaFile damaged(text(">a\nAC\0GT\n"s), "nul");
    EXPECT_THROW(damaged.readRecords(1), std::invalid_argument);
}

TEST(ApiNames, MatricesByNameAndNameWords) {
    ASSERT_TRUE(torva::findMatrix("pam250"));
    EXPECT_EQ(torva::findMatrix("pam250")->letters(), torva::Matrix::named("PAM250").letters());
    EXPECT_FALSE(torva::findMatrix("PAM2500"));
    EXPECT_EQ(torva::nameWord("HBA_HUMAN Hemoglobin\tsubunit"), "HBA_HUMAN");
    EXPECT_EQ(torva::nameWord(" leading blank"), "*");
}

TEST(ApiNames, SequenceWarningsNameTheSequence) {
    EXPECT_TRUE(torva::sequenceWarnings("seq1", "ACGTN").empty());
    const std::vector<std::string> w = torva::sequenceWarnings("pairs[0][1]", "1 acgr\n");
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0].rfind("pairs[0][1] has digits, spaces or line ends", 0), 0u);
    EXPECT_EQ(w[1].rfind("pairs[0][1] has 1 letter", 0), 0u) << w[1];
    EXPECT_EQ(torva::sequenceWarnings("seq2", ""), std::vector<std::string>{"seq2 is empty; it is aligned as all gaps"});
    torva::Options protein;
    protein.protein = true;
    EXPECT_TRUE(torva::sequenceWarnings("seq1", "MKV*R", protein).empty());
}

}  // namespace

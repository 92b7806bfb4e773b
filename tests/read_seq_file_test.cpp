#include "input/ReadSeqFile.hpp"

#include <random>

#include "TestSupport.hpp"

using namespace testsupport;

namespace {

using V = std::vector<std::string>;
struct Records {
    V names, seqs;
    std::vector<int> counts;  // each next_seq result, one more call after the end
    std::string err;
};
Records readAll(const std::string& content, int n = 2) {
    TempDir dir;
    writeFile(dir / "in.fa", content);
    Records r;
    r.err = capture([&] {
                readSeqFile reader((dir / "in.fa").c_str());
                do r.counts.push_back(reader.next_seq(r.names, r.seqs, n));
                while (r.counts.back() == n);
                r.counts.push_back(reader.next_seq(r.names, r.seqs, n));
                return 0;
            }).err;
    return r;
}
std::string emptyHeader(int k) {
    return "warning: record " + std::to_string(k) + " has an empty header; it is kept with an empty name\n";
}

}  // namespace

TEST(ReadSeqFile, Records) {
    const char junk[] = "\x00\xff\x01>na\x00me\n\x00\x7f\xfe\n>x\n";
    struct Case {
        std::string content;
        V names, seqs;
        std::vector<int> counts;
        std::string err = "";
    };
    for (const Case& c : std::vector<Case>{
             {"", {}, {}, {0, 0}},
             {"\n \r\n\t\n", {}, {}, {0, 0}},
             {"junk>a\nAC\nGT\n>b c|x\nTT\n>c\nGG\n", {"a", "b c|x", "c"}, {"ACGT", "TT", "GG"}, {2, 1, 0}},
             {">a\nAC\n>b\n", {"a", "b"}, {"AC", ""}, {2, 0, 0}},  // header as last line
             {">a\nAC\n>b", {"a", "b"}, {"AC", ""}, {2, 0, 0}},
             {">a\nACGT\n\nacgt\n>b\nAC GT\nx>y\n*-9", {"a", "b"}, {"ACGTacgt", "AC GTx>y*-9"}, {2, 0, 0}},
             {">a b\r\nAC\r\nGT\r\n\r\n>b\r\nA\rC\r\r\n>c\r\nTT\r", {"a b", "b", "c"}, {"ACGT", "A\rC\r", "TT"}, {2, 1, 0}},
             {">a\nAC\n>\nGG\n>c\nTT\n>\r\n\n", {"a", "", "c", ""}, {"AC", "GG", "TT", ""}, {2, 2, 0, 0},
              emptyHeader(2) + emptyHeader(4)},
             {std::string(junk, sizeof junk - 1), {std::string("na\0me", 5), "x"}, {std::string("\0\x7f\xfe", 3), ""}, {2, 0, 0}},
         }) {
        Records r = readAll(c.content);
        EXPECT_EQ(r.names, c.names) << c.content;
        EXPECT_EQ(r.seqs, c.seqs) << c.content;
        EXPECT_EQ(r.counts, c.counts) << c.content;
        EXPECT_EQ(r.err, c.err) << c.content;
    }
    EXPECT_EQ(readAll(">1\nA\n>2\nC\n>3\nG\n>4\nT\n>5\nN\n", 5).counts, (std::vector<int>{5, 0, 0}));

    std::mt19937 rng(7);  // random bytes: no crash, names and sequences paired
    std::string random(1 << 16, '\0');
    for (char& ch : random) ch = static_cast<char>(rng() % 7 == 0 ? '>' : rng() % 13 == 0 ? '\n' : rng());
    Records r = readAll(random);
    EXPECT_EQ(r.names.size(), r.seqs.size());
    EXPECT_GT(r.names.size(), 100u);
}

TEST(ReadSeqFile, FiftyMegabaseSingleLine) {
    std::string seq(50u << 20, 'a');
    for (std::size_t i = 0; i < seq.size(); i += 997) seq[i] = "cgtn"[i % 4];
    Records r = readAll(">big\n" + seq + ">not a header\n>small\nACGT");
    ASSERT_EQ(r.names, (V{"big", "small"}));
    EXPECT_EQ(r.seqs[0], seq + ">not a header");
    EXPECT_EQ(r.seqs[1], "ACGT");
}

TEST(ReadSeqFile, FileThatDoesNotOpen) {
    TempDir dir;
    for (const auto& [path, reason] : std::vector<std::pair<std::string, std::string>>{
             {dir / "missing.fa", "No such file or directory"}, {dir.path(), "Is a directory"}}) {
        Captured c = capture([&] { readSeqFile r(path.c_str()); return 0; });
        EXPECT_EQ(c.status, 1);
        EXPECT_EQ(c.err, "the file: " + path + " can not be opened: " + reason + "\n");
    }
    writeFile(dir / "in.fa", ">a\nA\n>b\nC\n");
    readSeqFile reader((dir / "in.fa").c_str());
    reader.in.reset();
    V names, seqs;
    Captured c = capture([&] { return reader.next_seq(names, seqs, 2); });
    EXPECT_EQ(c.status, 0);
    EXPECT_EQ(c.err, "There is not open file\n");
}

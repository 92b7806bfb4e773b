#include "io/FastaReader.hpp"

#include "TestSupport.hpp"

using namespace testsupport;

namespace {

using V = std::vector<std::string>;
struct Records {
    V names, seqs;
    std::vector<int> counts;  // each readRecords result, one more call after the end
    std::string err;
};
Records readAll(const std::string& content, int n = 2) {
    TempDir dir;
    writeFile(dir / "in.fa", content);
    Records r;
    try {
        FastaReader reader = FastaReader::open(dir / "in.fa");
        do r.counts.push_back(reader.readRecords(r.names, r.seqs, n));
        while (r.counts.back() == n);
        r.counts.push_back(reader.readRecords(r.names, r.seqs, n));
        for (const Message& note : reader.takeNotes()) r.err += note.text + "\n";
    } catch (const InputError& e) {
        r.err += std::string(e.what()) + "\n";
    }
    return r;
}
std::string emptySequence(int k, const std::string& name) {
    return "warning: record " + std::to_string(k) + " (" + name + ") has an empty sequence\n";
}
std::string emptyHeader(int k) {
    return "warning: record " + std::to_string(k) + " has an empty header; it is kept with an empty name\n";
}

}  // namespace

TEST(FastaReader, Records) {
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
             {">a\nAC\n>b\n", {"a", "b"}, {"AC", ""}, {2, 0, 0}, emptySequence(2, "b")},  // header as last line
             {">a\nAC\n>b", {"a", "b"}, {"AC", ""}, {2, 0, 0}, emptySequence(2, "b")},
             {">a\nACGT\n\nacgt\n>b\nAC GT\nx>y\n*-9", {"a", "b"}, {"ACGTacgt", "AC GTx>y*-9"}, {2, 0, 0},
              "warning: record 2 (b) has digits or spaces in its sequence lines (a pasted GenBank block?); they are "
              "aligned as residues\n"},
             {">a b\r\nAC\r\nGT\r\n\r\n>b\r\nA\rC\r\r\n>c\r\nTT\r", {"a b", "b", "c"}, {"ACGT", "A\rC\r", "TT"}, {2, 1, 0}},
             {">a\nAC\n>\nGG\n>c\nTT\n>\r\n\n", {"a", "", "c", ""}, {"AC", "GG", "TT", ""}, {2, 2, 0, 0},
              emptyHeader(2) + emptyHeader(4) + emptySequence(4, "")},
             {">big\n" + std::string(1 << 20, 'a') + "\n>s\nC", {"big", "s"}, {std::string(1 << 20, 'a'), "C"}, {2, 0, 0}},
             // A NUL byte anywhere is binary data, not a name or a residue.
             {std::string(junk, sizeof junk - 1), {}, {}, {}, "?"},
         }) {
        Records r = readAll(c.content);
        EXPECT_TRUE(r.names == c.names && r.seqs == c.seqs && r.counts == c.counts &&
                    (c.err == "?" ? r.err.find("binary data") != std::string::npos : r.err == c.err))
            << c.content.substr(0, 80) << r.err;
    }
    EXPECT_EQ(readAll(">1\nA\n>2\nC\n>3\nG\n>4\nT\n>5\nN\n", 5).counts, (std::vector<int>{5, 0, 0}));
}

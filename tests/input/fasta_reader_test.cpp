#include "input/FastaReader.hpp"

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

// Records of sequence databases carry the database's tag before their first
// '|': each is named by its header's first word, so that the pairs of a
// UniProt or NCBI file can be told apart. Other headers are still cut at
// their first '|', so that their stored results keep their names.
TEST(FastaReader, NamesFromDatabaseHeaders) {
    struct Case {
        std::string header, name;
    };
    for (const Case& c : std::vector<Case>{
             {"sp|P69905|HBA_HUMAN Hemoglobin subunit alpha OS=Homo sapiens OX=9606 GN=HBA1 PE=1 SV=2",
              "sp|P69905|HBA_HUMAN"},
             {"tr|A0A0A0MRZ7|A0A0A0MRZ7_HUMAN Uncharacterized protein", "tr|A0A0A0MRZ7|A0A0A0MRZ7_HUMAN"},
             {"gi|4504349|ref|NP_000509.1| hemoglobin subunit beta [Homo sapiens]",
              "gi|4504349|ref|NP_000509.1|"},
             {"ref|NM_000518.5|\tHomo sapiens HBB", "ref|NM_000518.5|"},
             {"SP|P68871|HBB_HUMAN", "SP|P68871|HBB_HUMAN"},  // any case, no description
             {"lcl|query_1", "lcl|query_1"},
             {"HBD_part|human delta-globin gene", "HBD_part"},  // not a tag: as before
             {"spx|P1|A b", "spx"},
             {" sp|P1|A b", " sp"},  // the tag must open the header
             {"sp no bar", "sp no bar"},
             {"name with words", "name with words"},
             {"", ""},
         })
        EXPECT_EQ(cutName(c.header), c.name) << c.header;
}

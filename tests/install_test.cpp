// The installed layout, a relocated installation finding its own matrices,
// and compressed input through the whole program.

#include <zlib.h>

#include <cstdlib>

#include "TestSupport.hpp"
#include "cli/CommandLine.hpp"

using namespace testsupport;

namespace {

const std::string kBin = TORVA_BIN_DIR;
const std::string kExamples = std::string(TORVA_SOURCE_DIR) + "/examples/";

int shell(const std::string& command) {
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

std::string gzipped(const std::string& data) {
    std::string out(compressBound(data.size()) + 64, '\0');
    z_stream zs{};
    deflateInit2(&zs, 9, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    zs.avail_in = static_cast<uInt>(data.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    deflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

}  // namespace

TEST(Install, RelocatedInstallationUsesItsOwnMatrices) {
    TempDir dir;
    ASSERT_EQ(shell("cmake --install " + kBin + " --prefix " + (dir / "a") + " >/dev/null"), 0);
    for (const char* file : {"bin/torva", "bin/torva-b", "share/torva/dnaMatrix", "share/torva/BLOSUM",
                             "share/man/man1/torva.1", "share/man/man1/torva-b.1"}) {
        EXPECT_TRUE(exists(dir / "a/" + file)) << file;
    }
    fs::rename(dir / "a", dir / "moved");  // nothing may point back to the prefix
    const std::string out = dir / "demo.aln";
    EXPECT_EQ(shell(dir / "moved/bin/torva" + " -I " + kExamples + "demo.fa -O " + out), 0);
    EXPECT_EQ(readFile(out), readFile(kExamples + "expected/demo.aln"));
    EXPECT_EQ(readFile(out + ".loc"), readFile(kExamples + "expected/demo.aln.loc"));

    // The matrix really came from moved/share/torva: spoil it and the run fails.
    writeFile(dir / "moved/share/torva/dnaMatrix", "");
    EXPECT_EQ(shell(dir / "moved/bin/torva" + " -I " + kExamples + "demo.fa -O " + out + " >/dev/null"), 1);

    TempDir prog, share, data;
    writeFile(share / "BLOSUM", ">B\n");
    writeFile(data / "BLOSUM", ">B\n");
    EXPECT_EQ(defaultMatrixPath(prog.path(), "BLOSUM", data.path(), share.path()), share / "BLOSUM");
    EXPECT_EQ(defaultMatrixPath(prog.path(), "BLOSUM", data.path(), ""), data / "BLOSUM");
}

TEST(Install, GzipInputGivesTheSameOutputAndBadInputStopsBeforeAnyOutput) {
    TempDir dir;
    writeFile(dir / "demo.fa.z", gzipped(readFile(kExamples + "demo.fa")));
    EXPECT_EQ(shell(kBin + "/torva-b -I " + (dir / "demo.fa.z") + " -O " + (dir / "gz")), 0);
    EXPECT_EQ(shell(kBin + "/torva-b -I " + kExamples + "demo.fa -O " + (dir / "plain")), 0);
    for (const char* suffix : {"", ".loc", ".score"}) {
        EXPECT_EQ(readFile(dir / "gz" + suffix), readFile(dir / "plain" + suffix)) << suffix;
    }

    writeFile(dir / "reads", "@r1\nACGT\n+\n>>>>\n@r2\nACGT\n+\n>>>>\n");
    writeFile(dir / "out", "earlier");
    EXPECT_EQ(shell(kBin + "/torva -I " + (dir / "reads") + " -O " + (dir / "out") + " 2>" + (dir / "err")), 1);
    EXPECT_EQ(readFile(dir / "err"), "the file: " + (dir / "reads") +
                                         " looks like FASTQ (it begins with '@'); FASTQ is not supported, only FASTA\n");
    EXPECT_EQ(readFile(dir / "out"), "earlier");

    const std::string packed = gzipped(readFile(kExamples + "demo.fa"));
    writeFile(dir / "cut.gz", packed.substr(0, packed.size() / 2));
    EXPECT_EQ(shell(kBin + "/torva -I " + (dir / "cut.gz") + " -O " + (dir / "out") + " 2>" + (dir / "err")), 1);
    // The pair read whole before the damage is written, beside the earlier file.
    const std::string damaged = "the file: " + (dir / "cut.gz") + " is damaged: the gzip data end early (truncated file?)\n";
    const std::string stopped = damaged + "torva: the run stopped after pair 1 (";
    EXPECT_EQ(readFile(dir / "err").substr(0, stopped.size()), stopped);
    EXPECT_EQ(readFile(dir / "out"), "earlier");
    EXPECT_EQ(readFile(dir / "out.partial").substr(0, 10), ">HBD_part\t");
}

// The installed layout and a relocated installation finding its own matrices.

#include "TestSupport.hpp"
#include "cli/CommandLine.hpp"

using namespace testsupport;

namespace {

const std::string kBin = TORVA_BIN_DIR;
const std::string kExamples = std::string(TORVA_SOURCE_DIR) + "/examples/";

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

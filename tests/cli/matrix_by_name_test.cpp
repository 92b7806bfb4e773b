// -S with a bare name: the matrices installed with the programs, a file of
// that name in the working directory first, and an error that lists the
// names for anything else.
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "TestSupport.hpp"
#include "cli/MatrixByName.hpp"

namespace {

using namespace testsupport;

const std::string kBin = TORVA_BIN_DIR;
const std::string kPair = std::string(TORVA_SOURCE_DIR) + "/bench/data/prot_hba_hbb_human.fa";

struct ProgramRun {
    int status = -1;
    std::string aln, err;
};

// Runs the program in `cwd` with `matrix` given to -S.
ProgramRun runWith(const std::string& cwd, const std::string& matrix) {
    const std::string out = cwd + "/out";
    std::filesystem::remove(out);
    const std::string command = "cd '" + cwd + "' && " + kBin + "/torva -q -P -S '" + matrix +
                                "' -I " + kPair + " -O " + out + " >/dev/null 2>" + cwd + "/err";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile(out), readFile(cwd + "/err")};
}

TEST(MatrixByName, NamesFindTheShippedFilesFromAnyDirectory) {
    TempDir elsewhere;
    const struct {
        const char* given;
        const char* file;
    } cases[] = {
        {"blosum62", "BLOSUM62"},
        {"Pam250", "PAM250"},
    };
    for (const auto& c : cases) {
        const ProgramRun byName = runWith(elsewhere.path(), c.given);
        const ProgramRun byPath = runWith(elsewhere.path(), std::string(TORVA_SOURCE_DIR) + "/data/" + c.file);
        EXPECT_EQ(byName.status, 0) << c.given << ": " << byName.err;
        EXPECT_FALSE(byName.aln.empty()) << c.given;
        EXPECT_EQ(byName.aln, byPath.aln) << c.given;
    }
    // Different matrices give different alignments of this pair, so the
    // comparison above does tell the files apart.
    EXPECT_NE(runWith(elsewhere.path(), "PAM30").aln, runWith(elsewhere.path(), "BLOSUM62").aln);
}

TEST(MatrixByName, AFileInTheWorkingDirectoryComesFirst) {
    TempDir dir;
    writeFile(dir / "BLOSUM62", readFile(std::string(TORVA_SOURCE_DIR) + "/data/PAM30"));
    EXPECT_EQ(runWith(dir.path(), "BLOSUM62").aln, runWith(dir.path(), "PAM30").aln);
}

TEST(MatrixByName, UnknownNamesListTheKnownOnes) {
    TempDir dir;
    for (const std::string given : {"BLOSUM99", "./BLOSUM62", "no/such/file"}) {
        const ProgramRun run = runWith(dir.path(), given);
        EXPECT_EQ(run.status, 1) << given;
        // Only a bare name gets the list: a path was meant as a path.
        const bool listed = run.err.find("BLOSUM45") != std::string::npos &&
                            run.err.find("PAM250") != std::string::npos;
        EXPECT_EQ(listed, given.find('/') == std::string::npos) << given << ": " << run.err;
    }
}

TEST(MatrixByName, EveryListedNameHasItsFile) {
    const std::vector<std::string> names = knownMatrixNames();
    EXPECT_GE(names.size(), 9u);
    for (const std::string& name : names)
        EXPECT_TRUE(exists(std::string(TORVA_SOURCE_DIR) + "/data/" + name)) << name;
}

}  // namespace

#include "cli/Driver.hpp"

#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "cli/ArgParse.hpp"
#include "cli/PairStep.hpp"
#include "common/MemoryBudget.hpp"
#include "common/RunStop.hpp"
#include "input/ReadSeqFile.hpp"
#include "input/ScoreMatrix.hpp"

namespace {

// The absolute form of `path` with symbolic links resolved; for a file that
// does not exist yet, its resolved directory followed by its last component.
std::string resolvedPath(const std::string& path) {
    char buf[PATH_MAX];
    if (::realpath(path.c_str(), buf) != nullptr) return buf;
    std::size_t sep = path.rfind('/');
    std::string dir = sep == std::string::npos ? "." : (sep == 0 ? "/" : path.substr(0, sep));
    std::string base = sep == std::string::npos ? path : path.substr(sep + 1);
    if (base.empty() || base == "." || base == "..") return "";
    if (::realpath(dir.c_str(), buf) == nullptr) return "";
    std::string resolved = buf;
    if (resolved.back() != '/') resolved += '/';
    return resolved + base;
}

// The three output files in the order they are opened: alignment, ".loc", ".score".
struct Slot {
    std::ofstream& stream;
    const std::string& path;
};

std::vector<Slot> slots(OutputFiles& files) {
    return {{files.align, files.alignPath}, {files.loc, files.locPath},
            {files.score, files.scorePath}};
}

int run(int argc, char** argv) {
    // 1. Options.
    argParse args(argc, argv);

    // 2. Matrix: open and parse; a matrix that does not parse stops the run
    //    before any output file is created.
    std::ifstream matrixIn(args.matrixFile);
    struct stat matrixStat;
    if (!matrixIn.is_open() ||
        (::stat(args.matrixFile.c_str(), &matrixStat) == 0 && S_ISDIR(matrixStat.st_mode))) {
        std::cout << "can not open score matrix: " << args.matrixFile << std::endl;
        return 1;
    }
    ScoreMatrix scoreMatrix(matrixIn);
    if (scoreMatrix.size == 0) return 1;
    matrixIn.close();

    // 3. Input, before any output file is touched.
    readSeqFile reader(args.inSeqFile.c_str());

    // 4. Output files: none may name the input or the matrix file.
    OutputFiles files;
    files.alignPath = args.outFile;
    files.locPath = args.outFile + ".loc";
    files.scorePath = args.outFile + ".score";
    for (const auto& slot : slots(files)) {
        if (sameFile(slot.path, args.inSeqFile) || sameFile(slot.path, args.matrixFile)) {
            std::cout << "can not open output file: " << slot.path << std::endl;
            return 1;
        }
    }
    for (const auto& slot : slots(files)) {
        slot.stream.open(slot.path, std::ios::out | std::ios::trunc);
        if (!slot.stream.is_open()) {
            std::cout << "can not open output file: " << slot.path << std::endl;
            return 1;
        }
    }

    OutputGuard guard(files);
    std::vector<std::string> names, seqs;
    int got = reader.next_seq(names, seqs, 2);

    // 5. Protein switch, once before the first pair.
    const PairSettings settings = pairSettings(args, scoreMatrix);

    // 6. The pairs.
    int status = 0;
    bool writable = true;
    long pairs = 0;
    while (got == 2 && writable) {
        for (auto& name : names) name = cutName(name);
        if (!alignPair(names, seqs, scoreMatrix, settings, files)) status = 1;
        ++pairs;
        writable = guard.check();
        names.clear();
        seqs.clear();
        if (writable) got = reader.next_seq(names, seqs, 2);
    }
    if (writable && got == 1) {
        std::cerr << "warning: record " << 2 * pairs + 1 << " (" << names[0]
                  << ") has no partner and is not aligned" << std::endl;
    }

    // 7. Close; with -L the alignment file, empty in that mode, goes away.
    if (!guard.close()) writable = false;
    if (args.localOnly) std::remove(files.alignPath.c_str());
    if (!writable) status = 1;
    return status;
}

}  // namespace

PairSettings pairSettings(const argParse& args, const ScoreMatrix& scoreMatrix) {
    PairSettings settings;
    settings.gapOpen = args.gapOpen;
    settings.gapExt = args.gapExt;
    settings.scoreFactor = args.scoreFactor;
    settings.cutLen = args.cutLen;
    settings.localOnly = args.localOnly != 0;
    settings.maskChar = 'n';
    if (scoreMatrix.alphabet.size() > 20 || args.isProtein) {
        settings.maskChar = '*';
        if (!args.gapOpenGiven) settings.gapOpen = -15;
        if (!args.gapExtGiven) settings.gapExt = -2;
        if (!args.cutLenGiven) settings.cutLen = 50;
    }
    return settings;
}

std::string cutName(const std::string& name) { return name.substr(0, name.find('|')); }

bool sameFile(const std::string& path, const std::string& other) {
    struct stat a, b;
    if (::stat(path.c_str(), &a) == 0) {
        return ::stat(other.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
    }
    std::string resolved = resolvedPath(path);
    return !resolved.empty() && resolved == resolvedPath(other);
}

OutputGuard::OutputGuard(OutputFiles& files) : files_(files) {}

bool OutputGuard::check() {
    bool ok = true;
    for (const auto& slot : slots(files_)) {
        if (!slot.stream.fail()) continue;
        ok = false;
        if (reported_.insert(slot.path).second) {
            std::cout << "can not write output file: " << slot.path << std::endl;
        }
    }
    return ok;
}

bool OutputGuard::close() {
    bool ok = check();
    for (const auto& slot : slots(files_)) {
        if (slot.stream.is_open()) slot.stream.close();
    }
    return check() && ok;
}

int runProgram(int argc, char** argv) {
    int status;
    try {
        status = run(argc, argv);
    } catch (const RunStop& stop) {
        status = stop.status;
    } catch (const OutOfMemory& oom) {
        std::cout << "not enough memory: " << oom.bytesNeeded << " bytes needed" << std::endl;
        status = 1;
    } catch (const std::bad_alloc&) {
        std::cout << "not enough memory" << std::endl;
        status = 1;
    }
    std::cout.flush();
    std::cerr.flush();
    return status;
}

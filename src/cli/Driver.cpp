#include "cli/Driver.hpp"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "kernels/Kernels.hpp"
#include "pair/PairEngine.hpp"
#include "cli/CommandLine.hpp"
#include "cli/MatrixByName.hpp"
#include "pair/PairScheduler.hpp"
#include "cli/Parameters.hpp"
#include "cli/ProgressLine.hpp"
#include "common/MemoryBudget.hpp"
#include "common/MessageSink.hpp"
#include "common/RunStop.hpp"
#include "common/WorkArena.hpp"
#include "io/RunOutputs.hpp"
#include "io/FastaReader.hpp"
#include "scoring/ScoreMatrix.hpp"

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

int run(int argc, char** argv, GappedAnchorRealign gappedAnchor) {
    // 1. Options, and the kernels: a TORVA_KERNEL the processor cannot run
    //    stops the run before anything is read or written.
    CommandLine args(argc, argv);
    try {
        activeKernels();
    } catch (const std::runtime_error& e) {
        MessageSink::err(e.what());
        return 1;
    }

    // 2. Matrix: open and parse; a matrix that does not parse stops the run
    //    before any output file is created. A bare name that is no file is
    //    one of the matrices installed with the programs.
    const std::string matrixGiven = args.matrixFile;
    args.matrixFile = matrixFileFor(args.matrixFile, argv[0] != nullptr ? argv[0] : "");
    errno = 0;
    std::ifstream matrixIn(args.matrixFile);
    const int openError = errno;
    struct stat matrixStat;
    const bool isDirectory =
        ::stat(args.matrixFile.c_str(), &matrixStat) == 0 && S_ISDIR(matrixStat.st_mode);
    if (!matrixIn.is_open() || isDirectory) {
        MessageSink::out("can not open score matrix: " + args.matrixFile);
        const int error = isDirectory ? EISDIR : openError;
        if (error != 0) MessageSink::err(args.matrixFile + ": " + std::strerror(error));
        if (isUnknownMatrixName(matrixGiven)) {
            std::string names;
            for (const std::string& name : knownMatrixNames()) names += " " + name;
            MessageSink::err("matrices known by name:" + names);
        }
        return 1;
    }
    ScoreMatrix scoreMatrix(matrixIn);
    if (scoreMatrix.size == 0) return 1;
    matrixIn.close();
    if (!scoreMatrix.missingRows.empty()) {
        std::string letters;
        for (char c : scoreMatrix.missingRows) {
            if (!letters.empty()) letters += ", ";
            letters += c;
        }
        MessageSink::err("warning: matrix file " + args.matrixFile + " has no row for " + letters +
                         "; every pair with them scores 0");
    }

    // 3. Input, before any output file is touched.
    FastaReader reader(args.inSeqFile.c_str());

    // 4. Output files: none may name the input or the matrix file.
    RunOutputs outputs(args.outFile, args.localOnly != 0, args.pafFile, args.plotDir);
    for (const std::string* path : outputs.paths()) {
        if (sameFile(*path, args.inSeqFile) || sameFile(*path, args.matrixFile)) {
            MessageSink::out("can not open output file: " + *path);
            return 1;
        }
    }
    if (const std::string failed = outputs.open(); !failed.empty()) {
        MessageSink::out("can not open output file: " + failed);
        if (!outputs.openFailureReason().empty())
            MessageSink::err(failed + ": " + outputs.openFailureReason());
        return 1;
    }

    // 5. The values every pair is aligned with, decided once.
    const AlignParameters params = resolveParameters(args, scoreMatrix, gappedAnchor);
    const ScoreLookup lookup = scoreMatrix.lookup();

    // 6. The pairs, on params.threads workers; results are written in input
    //    order, whatever the number of workers.
    Messages readNotes;
    reader.keepNotes(&readNotes);
    std::vector<std::string> names, seqs;
    int got = 0;
    auto next = [&](PairJob& job) {
        names.clear();
        seqs.clear();
        got = reader.readRecords(names, seqs, 2);
        if (got != 2) return false;
        job.name1 = cutName(names[0]);
        job.name2 = cutName(names[1]);
        job.seq1 = std::move(seqs[0]);
        job.seq2 = std::move(seqs[1]);
        job.readNotes = std::move(readNotes);
        readNotes.clear();
        return true;
    };
    int status = 0;
    bool writable = true;
    PairScheduler pool(params.threads, lookup, params);
    ProgressLine progress(!args.quiet, pool);
    auto deliver = [&](PairJob& job, PairAlignment& pair) {
        MessageSink::emit(job.readNotes);
        MessageSink::emit(pair.messages);
        outputs.write(pair, static_cast<std::size_t>(pool.pairsDone()));
        if (pair.skipped) status = 1;
        writable = outputs.check();
        progress.draw();
        return writable;
    };
    pool.run(next, deliver, [&] { progress.draw(); });
    progress.clear();
    if (writable) {
        MessageSink::emit(readNotes);
        if (got == 1) {
            MessageSink::err("warning: record " + std::to_string(2 * pool.pairsDone() + 1) + " (" +
                             names[0] + ") has no partner and is not aligned");
        }
    }

    // 7. Close.
    if (!outputs.close()) writable = false;
    if (!writable) status = 1;
    return status;
}

}  // namespace

std::string cutName(const std::string& name) { return name.substr(0, name.find('|')); }

bool sameFile(const std::string& path, const std::string& other) {
    struct stat a, b;
    if (::stat(path.c_str(), &a) == 0) {
        return ::stat(other.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
    }
    std::string resolved = resolvedPath(path);
    return !resolved.empty() && resolved == resolvedPath(other);
}

int runProgram(int argc, char** argv, GappedAnchorRealign gappedAnchor) {
    int status;
    try {
        status = run(argc, argv, gappedAnchor);
    } catch (const RunStop& stop) {
        status = stop.status;
    } catch (const OutOfMemory& oom) {
        MessageSink::out("not enough memory: " + std::to_string(oom.bytesNeeded) + " bytes needed");
        status = 1;
    } catch (const std::bad_alloc&) {
        MessageSink::out("not enough memory");
        status = 1;
    } catch (const std::exception& e) {
        // The system refused something the run needed (a thread, say): a
        // message and a failure status rather than an abort.
        MessageSink::err(std::string("torva: ") + e.what());
        status = 1;
    }
    std::cout.flush();
    std::cerr.flush();
    return status;
}

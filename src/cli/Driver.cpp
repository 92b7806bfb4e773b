#include "cli/Driver.hpp"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "kernels/Kernels.hpp"
#include "cli/CommandLine.hpp"
#include "cli/MatrixByName.hpp"
#include "pair/PairScheduler.hpp"
#include "cli/Parameters.hpp"
#include "cli/ProgressLine.hpp"
#include "common/MemoryBudget.hpp"
#include "common/MessageSink.hpp"
#include "common/RunStop.hpp"
#include "io/RunOutputs.hpp"
#include "io/FastaReader.hpp"
#include "scoring/ScoreMatrix.hpp"
#include "io/PositivePairs.hpp"

namespace {

// The line that tells why a pair was not aligned.
std::string skippedPairLine(const PairError& error, const std::string& program) {
    const std::string pair = "skipped pair " + error.name1 + " (" + std::to_string(error.length1) +
                             ") and " + error.name2 + " (" + std::to_string(error.length2) + "): ";
    switch (error.kind) {
        case PairError::Kind::kScoreRange:
            return program + ": " + pair +
                   "its scores could pass the 32-bit range with this matrix and these gap costs";
        case PairError::Kind::kOutOfMemory:
            break;
    }
    return pair + "it needs " +
           (error.bytesNeeded ? std::to_string(error.bytesNeeded) + " bytes of memory"
                              : std::string("more memory")) +
           ", more than is available";
}

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

// The command as a shell would take it back: words with anything but safe
// characters are single-quoted.
std::string commandLine(int argc, char** argv) {
    std::string line;
    for (int k = 0; k < argc && argv[k] != nullptr; ++k) {
        const std::string word = argv[k];
        const bool plain = !word.empty() && word.find_first_not_of(
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-+=.,/:@%") == std::string::npos;
        if (!line.empty()) line += ' ';
        if (plain) {
            line += word;
            continue;
        }
        line += '\'';
        for (char c : word) line += c == '\'' ? std::string("'\\''") : std::string(1, c);
        line += '\'';
    }
    return line;
}

std::string utcNow() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    char text[64] = "";
    if (::gmtime_r(&now, &parts) != nullptr) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &parts);
    return text;
}

int run(int argc, char** argv, GappedAnchorRealign gappedAnchor) {
    const RunDescription description{commandLine(argc, argv),
                                     programName(argc > 0 && argv[0] ? argv[0] : "") + " " + TORVA_VERSION,
                                     utcNow()};
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
    std::optional<ScoreMatrix> parsed;
    try {
        parsed.emplace(matrixIn);
    } catch (const MatrixError& e) {
        MessageSink::out(e.what());
        return 1;
    }
    const ScoreMatrix& scoreMatrix = *parsed;
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
    std::optional<FastaReader> opened;
    try {
        opened.emplace(FastaReader::open(args.inSeqFile));
    } catch (const InputError& e) {
        MessageSink::err(e.what());
        return 1;
    }
    FastaReader& reader = *opened;

    // 4. Output files: none may name the input or the matrix file.
    RunOutputs outputs(args.outFile, args.localOnly != 0, args.pafFile, args.plotDir);
    if (!args.viewFile.empty() || !args.reportFile.empty()) {
        const ScoreLookup scores = scoreMatrix.lookup();
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        outputs.addViews(args.viewFile, args.reportFile, description,
                         PositivePairs([&](char a, char b) { return scores.score(lower(a), lower(b)); }));
    }
    const std::vector<const std::string*> outputPaths = outputs.paths();
    for (std::size_t k = 0; k < outputPaths.size(); ++k) {
        const std::string& path = *outputPaths[k];
        bool clash = sameFile(path, args.inSeqFile) || sameFile(path, args.matrixFile);
        // Two outputs in one file (--view or --report given the alignment
        // file's path, say) would each overwrite the other.
        for (std::size_t other = 0; other < k && !clash; ++other) clash = sameFile(path, *outputPaths[other]);
        if (clash) {
            MessageSink::out("can not open output file: " + path);
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
    const PairSettings settings{lookup, params};
    const std::string program = gappedAnchor == GappedAnchorRealign::kWhole ? "torva-b" : "torva";
    std::vector<std::string> names, seqs;
    int got = 0;
    auto next = [&](PairJob& job) {
        names.clear();
        seqs.clear();
        got = reader.readRecords(names, seqs, 2);
        if (got != 2) return false;
        job.input.name1 = cutName(names[0]);
        job.input.name2 = cutName(names[1]);
        job.input.seq1 = std::move(seqs[0]);
        job.input.seq2 = std::move(seqs[1]);
        job.readNotes = reader.takeNotes();
        return true;
    };
    int status = 0;
    bool writable = true;
    PairScheduler pool(params.threads, settings, MemoryBudget::process());
    ProgressLine progress(!args.quiet, pool);
    auto deliver = [&](PairJob& job, PairOutcome& outcome) {
        MessageSink::emit(job.readNotes);
        if (const PairError* error = std::get_if<PairError>(&outcome)) {
            MessageSink::emit(error->warnings);
            MessageSink::err(skippedPairLine(*error, program));
            status = 1;
        } else {
            PairAlignment& pair = std::get<PairAlignment>(outcome);
            MessageSink::emit(pair.messages);
            outputs.write(pair, static_cast<std::size_t>(pool.pairsDone()));
        }
        writable = outputs.check();
        progress.draw();
        return writable;
    };
    try {
        pool.run(next, deliver, [&] { progress.draw(); });
    } catch (const InputError& e) {
        progress.clear();
        MessageSink::err(e.what());
        return 1;
    }
    progress.clear();
    if (writable) {
        MessageSink::emit(reader.takeNotes());
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

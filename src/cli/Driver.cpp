#include "cli/Driver.hpp"

#include <signal.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <exception>
#include <functional>

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
#include "cli/SignalStop.hpp"
#include "pair/PairScheduler.hpp"
#include "cli/Parameters.hpp"
#include "cli/ProgressLine.hpp"
#include "common/MemoryBudget.hpp"
#include "common/MessageSink.hpp"
#include "common/RunStop.hpp"
#include "common/ThreadStart.hpp"
#include "output/RunOutputs.hpp"
#include "input/FastaReader.hpp"
#include "input/RecordWarnings.hpp"
#include "scoring/ScoreMatrix.hpp"
#include "scoring/UnknownLetters.hpp"
#include "output/PositivePairs.hpp"

namespace {

// The status of a run that wrote every pair it could but skipped some: its
// files are committed (the other pairs are valid), and scripts can tell it
// from a failed run (1).
constexpr int kSomePairsSkipped = 2;

// The line that tells why a pair was not aligned (the sink puts the
// program's name in front).
std::string skippedPairLine(const PairError& error) {
    const std::string pair = "skipped pair " + shownName(error.name1) + " (" + std::to_string(error.length1) +
                             ") and " + shownName(error.name2) + " (" + std::to_string(error.length2) + "): ";
    switch (error.kind) {
        case PairError::Kind::kScoreRange:
            return pair +
                   "its scores could pass the 32-bit range with this matrix and these gap costs";
        case PairError::Kind::kOutOfMemory:
            break;
    }
    return pair + "it needs " +
           (error.bytesNeeded ? std::to_string(error.bytesNeeded) + " bytes of memory"
                              : std::string("more memory")) +
           ", more than the " + std::to_string(error.bytesAvailable) +
           " bytes available even with the pair alone on one thread";
}

// The absolute form of `path` with symbolic links resolved; for a file that
// does not exist yet, its resolved directory followed by its last component,
// a dangling link followed to where it leads (a write creates that file).
std::string resolvedPath(std::string path) {
    char buf[PATH_MAX];
    if (::realpath(path.c_str(), buf) != nullptr) return buf;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat link;
        if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) break;
        const ssize_t len = ::readlink(path.c_str(), buf, sizeof buf - 1);
        if (len <= 0) break;
        const std::string to(buf, static_cast<std::size_t>(len));
        const std::size_t sep = path.rfind('/');
        path = to[0] == '/' || sep == std::string::npos ? to : path.substr(0, sep + 1) + to;
    }
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

// Refuses outputs that would overwrite the input, the matrix or one another,
// and an alignment file under /dev or /proc; true when all is well.
bool outputsAreSafe(const CommandLine& args, const RunOutputs& outputs) {
    auto refuse = [&](const std::string& path, const std::string& why) {
        MessageSink::outVerbatim("can not open output file: " + path);
        MessageSink::err(path + ": " + why);
        return false;
    };
    if (isSystemPath(args.outFile)) {
        return refuse(args.outFile, "the alignment file (-O) and its .loc and .score companions "
                                    "can not go under /dev or /proc: give a path in a directory");
    }
    const std::vector<const std::string*> paths = outputs.paths();
    for (const std::string* path : paths) {
        if (sameFile(*path, args.inSeqFile)) return refuse(*path, "this is the input file (-I)");
        if (sameFile(*path, args.matrixFile)) return refuse(*path, "this is the matrix file (-S)");
    }
    // paths() lists the files in this order, each only when it is written.
    std::vector<std::string> roles;
    if (!args.localOnly) roles.push_back("the alignment file (-O)");
    roles.push_back("the .loc file");
    roles.push_back("the .score file");
    if (!args.pafFile.empty() && args.pafFile != "-") roles.push_back("the PAF file (--paf)");
    if (!args.viewFile.empty() && args.viewFile != "-") roles.push_back("the view (--view)");
    if (!args.reportFile.empty()) roles.push_back("the report (--report)");
    if (!args.mafFile.empty() && args.mafFile != "-") roles.push_back("the MAF file (--maf)");
    auto role = [&](std::size_t index) { return index < roles.size() ? roles[index] : std::string("an output"); };
    for (std::size_t i = 0; i < paths.size(); ++i)
        for (std::size_t j = i + 1; j < paths.size(); ++j)
            if (sameFile(*paths[j], *paths[i]))
                return refuse(*paths[j], role(j) + " is the same file as " + role(i) +
                                             " (" + *paths[i] + "): each output needs its own");
    // The pictures' names are known only once their pairs are read, so no
    // other output may take a picture's place in their folder.
    if (!args.plotDir.empty()) {
        const std::string folder = resolvedPath(args.plotDir);
        for (std::size_t i = 0; i < paths.size(); ++i) {
            const std::string resolved = resolvedPath(*paths[i]);
            const std::size_t sep = resolved.rfind('/');
            const std::string base = sep == std::string::npos ? resolved : resolved.substr(sep + 1);
            if (!folder.empty() && sep != std::string::npos && resolved.substr(0, sep == 0 ? 1 : sep) == folder &&
                base.size() > 4 && base.compare(base.size() - 4, 4, ".svg") == 0)
                return refuse(*paths[i], role(i) + " would be in the picture folder (--plot " + args.plotDir +
                                             ") under a picture's name: give it another name or folder");
        }
    }
    return true;
}

int run(int argc, char** argv, GappedAnchorRealign gappedAnchor) {
    RunDescription description{commandLine(argc, argv),
                               programName(argc > 0 && argv[0] ? argv[0] : "") + " " + TORVA_VERSION,
                               utcNow(), {}, {}};
    // 1. Options, and the kernels: a TORVA_KERNEL the processor cannot run
    //    stops the run before anything is read or written.
    const std::string name = programName(argc > 0 && argv[0] != nullptr ? argv[0] : "");
    MessageSink::setProgram(name);
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
        MessageSink::outVerbatim("can not open score matrix: " + args.matrixFile);
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
        if (e.sinceFirstRelease()) MessageSink::outVerbatim(e.what());
        if (!e.detail.empty()) MessageSink::err("matrix file " + args.matrixFile + ", " + e.detail);
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

    // Only DNA has another strand.
    const Strand strand = args.strand == "minus" ? Strand::kMinus : args.strand == "both" ? Strand::kBoth : Strand::kPlus;
    if (strand != Strand::kPlus && resolveParameters(args, scoreMatrix, gappedAnchor).protein) {
        MessageSink::err(name + ": --strand " + args.strand + ": protein has no other strand (" +
                         (args.isProtein ? std::string("-P") : "the matrix file " + args.matrixFile + " is a protein matrix") +
                         "); only DNA is aligned on the minus strand");
        return 1;
    }

    // 3. Input, before any output file is touched.
    // Its errors while reading are handled below, where the pairs read
    // before them are still written.
    std::optional<FastaReader> input;
    try {
        input.emplace(FastaReader::open(args.inSeqFile));
    } catch (const InputError& e) {
        // "the file: PATH can not be opened" has been read by scripts since
        // the first release; the rest are newer.
        const std::string text = e.what();
        MessageSink::emit(text.find(" can not be opened") != std::string::npos ? verbatimErrLine(text) : errLine(text));
        return 1;
    }
    FastaReader& reader = *input;
    reader.numberFrom(2 * args.firstPair - 1, name + ": ");

    // 4. Output files: none may name the input, the matrix file or another
    //    output; all are opened before any pair is written.
    RunOutputs outputs(args.outFile, args.localOnly != 0, args.pafFile, args.plotDir);
    outputs.addMaf(args.mafFile);
    if (!args.viewFile.empty() || !args.reportFile.empty()) {
        const ScoreLookup scores = scoreMatrix.lookup();
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        description.matrix = matrixGiven;
        description.params = resolveParameters(args, scoreMatrix, gappedAnchor);
        outputs.addViews(args.viewFile, args.reportFile, description,
                         PositivePairs([&](char a, char b) { return scores.score(lower(a), lower(b)); }));
    }
    if (!outputsAreSafe(args, outputs)) return 1;
    SignalHold signalsHeld;
    if (const std::string failed = outputs.open(); !failed.empty()) {
        MessageSink::outVerbatim("can not open output file: " + failed);
        if (!outputs.openFailureReason().empty())
            MessageSink::err(failed + ": " + outputs.openFailureReason());
        return 1;
    }
    if (outputs.writesStandardOutput()) MessageSink::setDataOnStandardOutput(true);

    // 5. The values every pair is aligned with, decided once.
    const AlignParameters params = resolveParameters(args, scoreMatrix, gappedAnchor);
    const ScoreLookup lookup = scoreMatrix.lookup();
    const UnknownLetters unknown(scoreMatrix, params.maskChar);

    // 6. The pairs, on params.threads workers; results are written in input
    //    order, whatever the number of workers. A damaged stretch of input
    //    ends the reading; the pairs read before it are still written.
    const PairSettings settings{lookup, params, strand, strand != Strand::kPlus};
    std::vector<std::string> names, seqs;
    int got = 0;
    std::string inputError;
    const long firstRecord = 2 * args.firstPair - 1;
    using Job = PairJob<std::optional<RenderedPair>>;
    auto next = [&](Job& job) {
        names.clear();
        seqs.clear();
        try {
            got = reader.readRecords(names, seqs, 2);
        } catch (const InputError& e) {
            inputError = e.what();
            got = 0;
            return false;
        }
        if (got != 2) return false;
        Messages notes = reader.takeNotes();
        const long record = firstRecord + reader.recordsStarted() - 2;
        for (int k = 0; k < 2; ++k) {
            const std::string letters = unknown.describe(seqs[static_cast<std::size_t>(k)]);
            if (!letters.empty()) {
                notes.push_back(errLine(recordWarning(record + k, cutName(names[static_cast<std::size_t>(k)]),
                                                      "has " + letters)));
            }
        }
        job.input.name1 = cutName(names[0]);
        job.input.name2 = cutName(names[1]);
        job.input.seq1 = std::move(seqs[0]);
        job.input.seq2 = std::move(seqs[1]);
        job.readNotes = std::move(notes);
        return true;
    };
    int status = 0;
    bool writable = true;
    std::atomic<long> pairsWritten{args.firstPair - 1};
    std::exception_ptr failure;
    std::string lastPair;
    PairScheduler pool(params.threads, settings, MemoryBudget::process());
    ProgressLine progress(!args.quiet, pool);
    // Pictures, views and report text are made beside the alignment, on the
    // worker threads: made by the one thread that writes in order, they held
    // every worker up behind it.
    std::function<void(long, Job&, PairOutcome&)> render;
    if (outputs.rendersViews()) {
        render = [&](long index, Job& job, PairOutcome& outcome) {
            if (const PairAlignment* pair = std::get_if<PairAlignment>(&outcome)) {
                job.made = outputs.render(*pair, static_cast<std::size_t>(args.firstPair + index),
                                          static_cast<std::size_t>(index), job.readNotes);
            }
        };
    }
    auto deliver = [&](Job& job, PairOutcome& outcome) {
        MessageSink::emit(job.readNotes);
        if (const PairError* error = std::get_if<PairError>(&outcome)) {
            MessageSink::emit(error->warnings);
            MessageSink::err(skippedPairLine(*error));
            status = kSomePairsSkipped;
        } else {
            PairAlignment& pair = std::get<PairAlignment>(outcome);
            MessageSink::emit(pair.messages);
            if (job.made) {
                outputs.write(pair, std::move(*job.made));
            } else {
                outputs.write(pair, static_cast<std::size_t>(args.firstPair - 1 + pool.pairsDone()));
            }
        }
        writable = outputs.check();
        pairsWritten = args.firstPair - 1 + pool.pairsDone();
        lastPair = shownName(job.input.name1) + " and " + shownName(job.input.name2);
        progress.draw();
        return writable;
    };
    {
        const SignalStop onSignal(name, SignalCleanup{outputs.partialRenames(), outputs.temporaryFiles(),
                                                      outputs.madeFolders()},
                                  pairsWritten, args.firstPair - 1);
        signalsHeld.release();
        try {
            pool.run<std::optional<RenderedPair>>(next, render, deliver, [&] { progress.draw(); });
        } catch (...) {
            // The message about it comes from the program entry, after the
            // one saying where the outputs are.
            failure = std::current_exception();
        }
        progress.clear();
        if (writable && !failure) {
            MessageSink::emit(reader.takeNotes());
            if (got == 1) {
                MessageSink::err(recordWarning(firstRecord + 2 * pool.pairsDone(), names[0], kNoPartner));
            }
            if (inputError.empty() && reader.recordsStarted() == 0) {
                MessageSink::err(name + ": warning: " + inputSubject(args.inSeqFile) +
                                 " is empty or holds only blank lines: there is nothing to align");
            }
            if (const std::string note = reader.streamWarning(); !note.empty())
                MessageSink::err(name + ": warning: " + note);
        }

        // 7. Close: the files take their names only after a whole run.
        signalsHeld.hold();
        if (!outputs.close()) writable = false;
        if (!inputError.empty()) MessageSink::err(inputError);
        if (writable && inputError.empty() && !failure) {
            if (!outputs.commit()) status = 1;
            signalsHeld.dropFromNow();
            return status;
        }
    }
    signalsHeld.dropFromNow();
    // With no pair written there is nothing worth keeping.
    std::vector<std::string> kept;
    const bool anyWritten = pairsWritten > args.firstPair - 1;
    if (anyWritten) {
        kept = outputs.keepPartial();
    } else {
        outputs.discard();
    }
    // A failed write stops the run at the pair being written.
    const std::string where = !anyWritten ? std::string("before the first pair")
                              : (writable ? "after pair " : "at pair ") + std::to_string(pairsWritten.load()) +
                                    " (" + lastPair + ")" + (writable ? "" : ", where a write failed");
    std::string text = "the run stopped " + where;
    if (!kept.empty()) {
        text += "; the output so far is in ";
        for (std::size_t k = 0; k < kept.size(); ++k) text += (k ? ", " : "") + kept[k];
        text += ", and files of the same names without .partial are as they were";
    }
    MessageSink::err(text);
    if (failure) std::rethrow_exception(failure);
    return 1;
}

}  // namespace

void makeStandardDescriptorsValid() {
    // A closed descriptor would be handed to the first file opened, and
    // standard output would then write into it. Standard output gets
    // /dev/null opened for reading, so that a write to it fails and is
    // reported instead of vanishing.
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        const int opened = ::open("/dev/null", fd == 2 ? O_WRONLY : O_RDONLY);
        if (opened >= 0 && opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
}


bool sameFile(const std::string& path, const std::string& other) {
    struct stat a, b;
    if (::stat(path.c_str(), &a) == 0) {
        return ::stat(other.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
    }
    std::string resolved = resolvedPath(path);
    return !resolved.empty() && resolved == resolvedPath(other);
}

int runProgram(int argc, char** argv, GappedAnchorRealign gappedAnchor) {
    makeStandardDescriptorsValid();
    shareOneHeapUnderAddressLimit();
    MessageSink::setProgram("");
    MessageSink::setDataOnStandardOutput(false);
    // A file-size limit (ulimit -f) is a write error like a full disk: the
    // run ends as a failed run ends instead of being killed mid-way.
    ::signal(SIGXFSZ, SIG_IGN);
    // A reader that goes away (`--view - | head`) makes the next write fail
    // like any other, so the run ends as a failed run ends, with its output
    // kept as partial files, instead of dying with its temporary files left.
    ::signal(SIGPIPE, SIG_IGN);
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
        MessageSink::err(e.what());
        status = 1;
    }
    std::cout.flush();
    std::cerr.flush();
    MessageSink::setProgram("");
    MessageSink::setDataOnStandardOutput(false);
    return status;
}

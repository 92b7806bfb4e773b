#include "cli/Driver.hpp"

#include <signal.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <exception>
#include <fstream>
#include <functional>
#include <iostream>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "cli/CommandLine.hpp"
#include "cli/MatrixByName.hpp"
#include "cli/MessageSink.hpp"
#include "cli/OutputSafety.hpp"
#include "cli/Parameters.hpp"
#include "cli/ProgressLine.hpp"
#include "cli/RunStatus.hpp"
#include "cli/SignalStop.hpp"
#include "cli/StatusText.hpp"
#include "common/MemoryBudget.hpp"
#include "cli/RunStop.hpp"
#include "common/ThreadStart.hpp"
#include "input/FastaReader.hpp"
#include "input/RecordWarnings.hpp"
#include "kernels/Kernels.hpp"
#include "output/PositivePairs.hpp"
#include "output/RunOutputs.hpp"
#include "pair/PairScheduler.hpp"
#include "scoring/ScoreMatrix.hpp"
#include "scoring/UnknownLetters.hpp"

namespace {

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

RunStatus stopWith(RunStatus::Kind kind, std::string detail = "") {
    RunStatus status;
    status.kind = kind;
    status.detail = std::move(detail);
    return status;
}

using Job = PairJob<std::optional<RenderedPair>>;

// Whatever ended the run, what it printed is out before the process ends,
// and the sink is as it was for the next run in the same process (tests).
int finishProgram(int status) {
    std::cout.flush();
    std::cerr.flush();
    MessageSink::setProgram("");
    MessageSink::setDataOnStandardOutput(false);
    return status;
}

// One run of the program, step by step. Each step returns kGoOn or why the
// run ends there; the steps before openOutputs() touch no output file, so a
// run that ends in them leaves nothing behind.
class Run {
public:
    Run(int argc, char** argv, GappedAnchorRealign gappedAnchor)
        : argc_(argc), argv_(argv), gappedAnchor_(gappedAnchor),
          programPath_(argc > 0 && argv[0] != nullptr ? argv[0] : ""), name_(programName(programPath_)),
          description_{commandLine(argc, argv), name_ + " " + TORVA_VERSION, utcNow(), {}, {}} {}

    RunStatus parseOptions();
    RunStatus checkKernels();
    RunStatus loadMatrix();
    RunStatus checkStrand();
    RunStatus openInput();
    RunStatus openOutputs();
    void alignAll();
    RunStatus finish();
    // What ended the alignment when it did not end by itself, for the
    // program entry to report after the line saying where the output is.
    std::exception_ptr failure() const { return failure_; }

private:
    bool readPair(Job& job);
    bool deliver(Job& job, PairOutcome& outcome);
    void sayEndOfInput();
    RunStatus stoppedMidway();

    int argc_;
    char** argv_;
    GappedAnchorRealign gappedAnchor_;
    std::string programPath_, name_;
    RunDescription description_;
    std::optional<CommandLine> args_;
    std::string matrixGiven_;
    std::optional<ScoreMatrix> matrix_;
    AlignParameters params_;
    Strand strand_ = Strand::kPlus;
    std::optional<FastaReader> reader_;
    std::optional<RunOutputs> outputs_;
    std::optional<SignalHold> signalsHeld_;
    std::optional<SignalStop> onSignal_;

    // The reading and delivery of the pairs.
    std::optional<ScoreLookup> lookup_;
    std::optional<UnknownLetters> unknown_;
    std::optional<PairSettings> settings_;
    std::optional<PairScheduler> pool_;
    std::optional<ProgressLine> progress_;
    std::vector<std::string> names_, seqs_;
    int got_ = 0;
    std::string inputError_;
    bool someSkipped_ = false;
    bool writable_ = true;
    std::atomic<long> pairsWritten_{0};
    std::string lastPair_;
    std::exception_ptr failure_;
};

// The options; a run that only shows help or usage, or whose options are
// refused, ends here with the command line's own text.
RunStatus Run::parseOptions() {
    MessageSink::setProgram(name_);
    try {
        args_.emplace(argc_, argv_);
    } catch (const RunStop& stop) {
        return stopWith(stop.status == 0 ? RunStatus::Kind::kOptionsDone : RunStatus::Kind::kBadOptions);
    }
    pairsWritten_ = args_->firstPair - 1;
    return {};
}

// A TORVA_KERNEL the processor cannot run stops the run before anything is
// read or written.
RunStatus Run::checkKernels() {
    try {
        activeKernels();
    } catch (const std::runtime_error& e) {
        return stopWith(RunStatus::Kind::kKernelUnavailable, e.what());
    }
    return {};
}

// A matrix that does not parse stops the run before any output file is
// created. A bare name that is no file is one of the matrices installed with
// the programs.
RunStatus Run::loadMatrix() {
    CommandLine& args = *args_;
    matrixGiven_ = args.matrixFile;
    args.matrixFile = matrixFileFor(args.matrixFile, programPath_);
    errno = 0;
    std::ifstream in(args.matrixFile);
    const int openError = errno;
    struct stat st;
    const bool isDirectory = ::stat(args.matrixFile.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    if (!in.is_open() || isDirectory) {
        const int error = isDirectory ? EISDIR : openError;
        RunStatus status = stopWith(RunStatus::Kind::kMatrixNotOpened, error != 0 ? std::strerror(error) : "");
        status.path = args.matrixFile;
        status.listNames = isUnknownMatrixName(matrixGiven_);
        return status;
    }
    try {
        matrix_.emplace(in);
    } catch (const MatrixError& e) {
        RunStatus status = stopWith(RunStatus::Kind::kMatrixNotParsed, e.detail);
        status.path = args.matrixFile;
        if (e.sinceFirstRelease()) status.firstLine = e.what();
        return status;
    }
    if (!matrix_->missingRows.empty()) {
        std::string letters;
        for (char c : matrix_->missingRows) {
            if (!letters.empty()) letters += ", ";
            letters += c;
        }
        MessageSink::err("warning: matrix file " + args.matrixFile + " has no row for " + letters +
                         "; every pair with them scores 0");
    }
    // Every value a pair is aligned with, decided once the matrix is known.
    params_ = resolveParameters(args, *matrix_, gappedAnchor_);
    return {};
}

// Only DNA has another strand.
RunStatus Run::checkStrand() {
    const CommandLine& args = *args_;
    strand_ = args.strand == "minus" ? Strand::kMinus : args.strand == "both" ? Strand::kBoth : Strand::kPlus;
    if (strand_ == Strand::kPlus || !params_.protein) return {};
    RunStatus status = stopWith(RunStatus::Kind::kNoOtherStrand,
                                args.isProtein ? std::string("-P")
                                               : "the matrix file " + args.matrixFile + " is a protein matrix");
    status.value = args.strand;
    return status;
}

// The input is opened before any output file is touched. Its errors while
// reading come later, where the pairs read before them are still written.
RunStatus Run::openInput() {
    try {
        reader_.emplace(FastaReader::open(args_->inSeqFile));
    } catch (const InputError& e) {
        RunStatus status = stopWith(RunStatus::Kind::kInputNotOpened, e.what());
        // "the file: PATH can not be opened" has been read by scripts since
        // the first release; the rest are newer.
        status.verbatim = status.detail.find(" can not be opened") != std::string::npos;
        return status;
    }
    reader_->numberFrom(2 * args_->firstPair - 1, name_ + ": ");
    return {};
}

// None may name the input, the matrix file or another output; all are opened
// before any pair is written, with signals held so that a signal finds them
// either all temporary or all in place.
RunStatus Run::openOutputs() {
    const CommandLine& args = *args_;
    RunOutputs& outputs = outputs_.emplace(std::cout, args.outFile, args.localOnly != 0, args.pafFile, args.plotDir);
    outputs.addMaf(args.mafFile);
    if (!args.viewFile.empty() || !args.reportFile.empty()) {
        const ScoreLookup scores = matrix_->lookup();
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        description_.matrix = matrixGiven_;
        description_.params = params_;
        outputs.addViews(args.viewFile, args.reportFile, description_,
                         PositivePairs([&](char a, char b) { return scores.score(lower(a), lower(b)); }));
    }
    if (RunStatus unsafe = checkOutputs(args, outputs); !unsafe.goesOn()) return unsafe;
    signalsHeld_.emplace();
    if (!outputs.open()) {
        const OutputProblems problems = outputs.takeProblems();
        RunStatus status = stopWith(RunStatus::Kind::kOutputNotOpened, problems.at(0).reason);
        status.path = problems.at(0).path;
        return status;
    }
    if (outputs.writesStandardOutput()) MessageSink::setDataOnStandardOutput(true);
    return {};
}

// Reads the next pair, with the reader's warnings and those about letters
// the matrix has no row for; false at the end of the input or at damage in
// it (kept for finish()).
bool Run::readPair(Job& job) {
    names_.clear();
    seqs_.clear();
    try {
        got_ = reader_->readRecords(names_, seqs_, 2);
    } catch (const InputError& e) {
        inputError_ = e.what();
        got_ = 0;
        return false;
    }
    if (got_ != 2) return false;
    Messages notes = reader_->takeNotes();
    const long record = 2 * args_->firstPair - 1 + reader_->recordsStarted() - 2;
    for (std::size_t k = 0; k < 2; ++k) {
        const std::string letters = unknown_->describe(seqs_[k]);
        if (!letters.empty()) {
            notes.push_back(errLine(recordWarning(record + static_cast<long>(k), cutName(names_[k]), "has " + letters)));
        }
    }
    job.input.name1 = cutName(names_[0]);
    job.input.name2 = cutName(names_[1]);
    job.input.seq1 = std::move(seqs_[0]);
    job.input.seq2 = std::move(seqs_[1]);
    job.readNotes = std::move(notes);
    return true;
}

// Writes one pair in input order, with its messages before it; false when
// an output failed, which stops the reading.
bool Run::deliver(Job& job, PairOutcome& outcome) {
    RunOutputs& outputs = *outputs_;
    const long firstPair = args_->firstPair;
    MessageSink::emit(job.readNotes);
    if (const PairError* error = std::get_if<PairError>(&outcome)) {
        MessageSink::emit(error->warnings);
        MessageSink::emit(statusText(*error));
        someSkipped_ = true;
    } else {
        PairAlignment& pair = std::get<PairAlignment>(outcome);
        MessageSink::emit(pair.messages);
        if (job.made) {
            outputs.write(pair, std::move(*job.made));
        } else {
            outputs.write(pair, static_cast<std::size_t>(firstPair - 1 + pool_->pairsDone()));
        }
    }
    writable_ = outputs.check();
    MessageSink::emit(statusText(outputs.takeProblems()));
    pairsWritten_ = firstPair - 1 + pool_->pairsDone();
    lastPair_ = shownName(job.input.name1) + " and " + shownName(job.input.name2);
    progress_->draw();
    return writable_;
}

// The pairs, on params.threads workers; results are written in input order,
// whatever the number of workers. A damaged stretch of input ends the
// reading; the pairs read before it are still written.
void Run::alignAll() {
    const AlignParameters& params = params_;
    const ScoreLookup& lookup = lookup_.emplace(matrix_->lookup());
    unknown_.emplace(*matrix_, params.maskChar);
    const PairSettings& settings = settings_.emplace(PairSettings{lookup, params, strand_, strand_ != Strand::kPlus});
    PairScheduler& pool = pool_.emplace(params.threads, settings, MemoryBudget::process());
    progress_.emplace(!args_->quiet, pool);
    RunOutputs& outputs = *outputs_;
    // Pictures, views and report text are made beside the alignment, on the
    // worker threads: made by the one thread that writes in order, they held
    // every worker up behind it.
    std::function<void(long, Job&, PairOutcome&)> render;
    if (outputs.rendersViews()) {
        const long firstPair = args_->firstPair;
        render = [&outputs, firstPair](long index, Job& job, PairOutcome& outcome) {
            if (const PairAlignment* pair = std::get_if<PairAlignment>(&outcome)) {
                job.made = outputs.render(*pair, static_cast<std::size_t>(firstPair + index),
                                          static_cast<std::size_t>(index), job.readNotes);
            }
        };
    }
    onSignal_.emplace(name_, SignalCleanup{outputs.partialRenames(), outputs.temporaryFiles(), outputs.madeFolders()},
                      pairsWritten_, args_->firstPair - 1);
    signalsHeld_->release();
    try {
        pool.run<std::optional<RenderedPair>>([this](Job& job) { return readPair(job); }, render,
                                              [this](Job& job, PairOutcome& outcome) { return deliver(job, outcome); },
                                              [this] { progress_->draw(); });
    } catch (...) {
        // The message about it comes from the program entry, after the one
        // saying where the outputs are.
        failure_ = std::current_exception();
    }
    progress_->clear();
}

// What the end of the input had to say: the reader's last warnings, a record
// left without a partner, an input with nothing in it.
void Run::sayEndOfInput() {
    MessageSink::emit(reader_->takeNotes());
    if (got_ == 1) {
        MessageSink::err(recordWarning(2 * args_->firstPair - 1 + 2 * pool_->pairsDone(), names_[0], kNoPartner));
    }
    if (inputError_.empty() && reader_->recordsStarted() == 0) {
        MessageSink::err("warning: " + inputSubject(args_->inSeqFile) +
                         " is empty or holds only blank lines: there is nothing to align");
    }
    if (const std::string note = reader_->streamWarning(); !note.empty()) MessageSink::err("warning: " + note);
}

// The files take their names only after a whole run; otherwise what was
// written is kept as partial files.
RunStatus Run::finish() {
    RunOutputs& outputs = *outputs_;
    if (writable_ && !failure_) sayEndOfInput();
    signalsHeld_->hold();
    if (!outputs.close()) writable_ = false;
    MessageSink::emit(statusText(outputs.takeProblems()));
    if (!inputError_.empty()) MessageSink::err(inputError_);
    if (!writable_ || !inputError_.empty() || failure_) return stoppedMidway();
    const bool committed = outputs.commit();
    MessageSink::emit(statusText(outputs.takeProblems()));
    signalsHeld_->dropFromNow();
    onSignal_.reset();
    return stopWith(!committed     ? RunStatus::Kind::kNotCommitted
                    : someSkipped_ ? RunStatus::Kind::kSomePairsSkipped
                                   : RunStatus::Kind::kAllWritten);
}

// With no pair written there is nothing worth keeping.
RunStatus Run::stoppedMidway() {
    onSignal_.reset();
    signalsHeld_->dropFromNow();
    RunStatus status = stopWith(RunStatus::Kind::kStopped);
    RunStatus::Stop& stop = status.stop;
    stop.pairsWritten = pairsWritten_.load();
    stop.anyWritten = stop.pairsWritten > args_->firstPair - 1;
    stop.writeFailed = !writable_;
    stop.lastPair = lastPair_;
    if (stop.anyWritten) {
        stop.kept = outputs_->keepPartial();
    } else {
        outputs_->discard();
    }
    return status;
}

// The steps in order; the first that does not go on ends the run, its
// status said to the user.
int run(int argc, char** argv, GappedAnchorRealign gappedAnchor) {
    Run run(argc, argv, gappedAnchor);
    for (RunStatus (Run::*step)() : {&Run::parseOptions, &Run::checkKernels, &Run::loadMatrix, &Run::checkStrand,
                                     &Run::openInput, &Run::openOutputs}) {
        const RunStatus status = (run.*step)();
        if (status.goesOn()) continue;
        MessageSink::emit(statusText(status));
        return exitStatus(status);
    }
    run.alignAll();
    const RunStatus status = run.finish();
    MessageSink::emit(statusText(status));
    if (run.failure()) std::rethrow_exception(run.failure());
    return exitStatus(status);
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
    RunStatus ended;
    try {
        return finishProgram(run(argc, argv, gappedAnchor));
    } catch (const OutOfMemory& oom) {
        ended = stopWith(RunStatus::Kind::kOutOfMemory, std::to_string(oom.bytesNeeded));
    } catch (const std::bad_alloc&) {
        ended = stopWith(RunStatus::Kind::kOutOfMemory);
    } catch (const std::exception& e) {
        // The system refused something the run needed (a thread, say): a
        // message and a failure status rather than an abort.
        ended = stopWith(RunStatus::Kind::kSystemRefused, e.what());
    }
    MessageSink::emit(statusText(ended));
    return finishProgram(exitStatus(ended));
}

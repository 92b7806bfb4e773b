#include "cli/StatusText.hpp"

#include "cli/MatrixByName.hpp"

namespace {

// The status of a run that wrote every pair it could but skipped some: its
// files are committed (the other pairs are valid), and scripts can tell it
// from a failed run (1).
constexpr int kSomePairsSkipped = 2;

Messages matrixNotOpened(const RunStatus& s) {
    Messages lines{verbatimOutLine("can not open score matrix: " + s.path)};
    if (!s.detail.empty()) lines.push_back(errLine(s.path + ": " + s.detail));
    if (s.listNames) {
        std::string names;
        for (const std::string& name : knownMatrixNames()) names += " " + name;
        lines.push_back(errLine("matrices known by name:" + names));
    }
    return lines;
}

Messages matrixNotParsed(const RunStatus& s) {
    Messages lines;
    if (!s.firstLine.empty()) lines.push_back(verbatimOutLine(s.firstLine));
    if (!s.detail.empty()) lines.push_back(errLine("matrix file " + s.path + ", " + s.detail));
    return lines;
}

// A failed write stops the run at the pair being written.
std::string stoppedText(const RunStatus::Stop& stop) {
    const bool written = !stop.writeFailed;
    const std::string where = !stop.anyWritten ? std::string("before the first pair")
                              : (written ? "after pair " : "at pair ") + std::to_string(stop.pairsWritten) +
                                    " (" + stop.lastPair + ")" + (written ? "" : ", where a write failed");
    std::string text = "the run stopped " + where;
    if (!stop.kept.empty()) {
        text += "; the output so far is in ";
        for (std::size_t k = 0; k < stop.kept.size(); ++k) text += (k ? ", " : "") + stop.kept[k];
        text += ", and files of the same names without .partial are as they were";
    }
    return text;
}

Messages outputProblem(const OutputProblem& p) {
    using Kind = OutputProblem::Kind;
    const bool named = !p.path.empty();
    switch (p.kind) {
        case Kind::kNotOpened: {
            Messages lines{verbatimOutLine("can not open output file: " + p.path)};
            if (!p.reason.empty()) lines.push_back(errLine(p.path + ": " + p.reason));
            return lines;
        }
        case Kind::kNotWritten: {
            if (!named) {
                return {errLine("can not write output file: standard output" +
                                (p.reason.empty() ? std::string() : ": " + p.reason))};
            }
            Messages lines{outLine("can not write output file: " + p.path)};
            if (!p.reason.empty()) lines.push_back(errLine(p.path + ": " + p.reason));
            return lines;
        }
        case Kind::kReaderGone:
            break;
    }
    return {errLine("warning: " + (named ? p.path : std::string("standard output")) +
                    " was closed before the run ended (its reader went away); the run goes on and its files are written")};
}

}  // namespace

Messages statusText(const RunStatus& s) {
    using Kind = RunStatus::Kind;
    switch (s.kind) {
        case Kind::kGoOn:
        case Kind::kOptionsDone:
        case Kind::kBadOptions:
        case Kind::kAllWritten:
        case Kind::kSomePairsSkipped:
        case Kind::kNotCommitted:
            return {};
        case Kind::kKernelUnavailable:
        case Kind::kSystemRefused:
            return {errLine(s.detail)};
        case Kind::kMatrixNotOpened:
            return matrixNotOpened(s);
        case Kind::kMatrixNotParsed:
            return matrixNotParsed(s);
        case Kind::kNoOtherStrand:
            return {errLine("--strand " + s.value + ": protein has no other strand (" + s.detail +
                            "); only DNA is aligned on the minus strand")};
        case Kind::kInputNotOpened:
            return {s.verbatim ? verbatimErrLine(s.detail) : errLine(s.detail)};
        case Kind::kOutputUnsafe:
            return {verbatimOutLine("can not open output file: " + s.path), errLine(s.path + ": " + s.detail)};
        case Kind::kOutputNotOpened:
            return outputProblem({OutputProblem::Kind::kNotOpened, s.path, s.detail});
        case Kind::kStopped:
            return {errLine(stoppedText(s.stop))};
        case Kind::kOutOfMemory:
            return {outLine(s.detail.empty() ? std::string("not enough memory")
                                             : "not enough memory: " + s.detail + " bytes needed")};
    }
    return {};
}

Messages statusText(const OutputProblems& problems) {
    Messages lines;
    for (const OutputProblem& p : problems)
        for (Message& line : outputProblem(p)) lines.push_back(std::move(line));
    return lines;
}

Message statusText(const PairError& error) {
    const std::string pair = "skipped pair " + shownName(error.name1) + " (" + std::to_string(error.length1) +
                             ") and " + shownName(error.name2) + " (" + std::to_string(error.length2) + "): ";
    switch (error.kind) {
        case PairError::Kind::kScoreRange:
            return errLine(pair + "its scores could pass the 32-bit range with this matrix and these gap costs");
        case PairError::Kind::kOutOfMemory:
            break;
    }
    return errLine(pair + "it needs " +
                   (error.bytesNeeded ? std::to_string(error.bytesNeeded) + " bytes of memory"
                                      : std::string("more memory")) +
                   ", more than the " + std::to_string(error.bytesAvailable) +
                   " bytes available even with the pair alone on one thread");
}

int exitStatus(const RunStatus& status) {
    switch (status.kind) {
        case RunStatus::Kind::kGoOn:
        case RunStatus::Kind::kOptionsDone:
        case RunStatus::Kind::kAllWritten:
            return 0;
        case RunStatus::Kind::kSomePairsSkipped:
            return kSomePairsSkipped;
        default:
            return 1;
    }
}

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>

#include "align/Cigar.hpp"
#include "api/MatrixImpl.hpp"
#include "api/Settings.hpp"
#include "common/CpuCount.hpp"
#include "common/MemoryBudget.hpp"
#include "common/StopRequest.hpp"
#include "common/WorkArena.hpp"
#include "pair/PairEngine.hpp"
#include "pair/PairScheduler.hpp"
#include "pair/RunSettings.hpp"

namespace torva {

namespace {

std::string text(const std::vector<char>& row) { return std::string(row.begin(), row.end()); }

std::vector<std::string> lines(const Messages& messages) {
    std::vector<std::string> out;
    for (const Message& m : messages) out.push_back(m.text);
    return out;
}

Anchor anchor(const AnchorRecord& r) {
    Anchor a;
    a.begin1 = r.begin1;
    a.end1 = r.end1;
    a.begin2 = r.begin2;
    a.end2 = r.end2;
    a.score = r.score;
    a.row1 = text(r.row1);
    a.row2 = text(r.row2);
    a.listed = r.listed;
    a.used = r.used;
    return a;
}

// The memory a call may take: the process's budget, or one of its own with
// the caller's ceiling inside it.
class CallBudget {
public:
    explicit CallBudget(unsigned long long limit) {
        if (limit > 0) own_.emplace(limit, MemoryBudget::process());
    }
    MemoryBudget& get() { return own_ ? *own_ : MemoryBudget::process(); }

private:
    std::optional<MemoryBudget> own_;
};

// The public exception for a pair the pair layer did not align.
[[noreturn]] void raise(const PairError& error) {
    const std::string pair = "a pair of " + std::to_string(error.length1) + " and " +
                             std::to_string(error.length2) + " residues";
    switch (error.kind) {
        case PairError::Kind::kScoreRange:
            throw std::invalid_argument(pair + " could reach scores beyond the 32-bit range with "
                                               "this matrix and these gap costs");
        case PairError::Kind::kOutOfMemory:
            break;
    }
    throw OutOfMemoryError(pair + " needs " +
                               (error.bytesNeeded ? std::to_string(error.bytesNeeded) +
                                                        " bytes of memory"
                                                  : std::string("more memory")) +
                               ", more than is available",
                           error.bytesNeeded, error.bytesAvailable);
}

PairAlignment aligned(::PairOutcome outcome) {
    if (const PairError* error = std::get_if<PairError>(&outcome)) raise(*error);
    return std::move(std::get<PairAlignment>(outcome));
}

PairInput input(std::string_view seq1, std::string_view seq2) {
    return PairInput{"seq1", "seq2", std::string(seq1), std::string(seq2)};
}

PairAlignment alignOne(std::string_view seq1, std::string_view seq2, const Options& options,
                       bool localOnly) {
    const Settings settings = resolveSettings(options, localOnly);
    CallBudget budget(options.memoryLimit);
    WorkArena arena(budget.get());
    const StopScope stoppable(options.stop);
    try {
        return aligned(alignPair(input(seq1, seq2),
                                 settings.pairSettings(),
                                 arena));
    } catch (const StopRequested&) {
        throw Stopped();
    }
}

Result result(PairAlignment pair) {
    Result r;
    r.row1 = text(pair.row1);
    r.row2 = text(pair.row2);
    r.score = pair.score;
    r.anchorScore = pair.anchorScore;
    for (const AnchorRecord& a : pair.anchors) r.anchors.push_back(anchor(a));
    r.cigar = makeCigar(pair.row1, pair.row2).text;
    r.warnings = lines(pair.messages);
    r.strand = pair.minusStrand ? Strand::minus : Strand::plus;
    return r;
}

}  // namespace

const char* version() { return TORVA_VERSION; }

std::string reverseComplement(std::string_view sequence) { return ::reverseComplement(sequence); }

std::string cigar(std::string_view row1, std::string_view row2) {
    if (row1.size() != row2.size())
        throw std::invalid_argument("aligned rows differ in length");
    return makeCigar(row1, row2).text;
}

Result align(std::string_view seq1, std::string_view seq2, const Options& options) {
    return result(alignOne(seq1, seq2, options, false));
}

Listing listLocal(std::string_view seq1, std::string_view seq2, const Options& options) {
    PairAlignment pair = alignOne(seq1, seq2, options, true);
    Listing l;
    l.anchorScore = pair.anchorScore;
    for (const AnchorRecord& a : pair.anchors) l.anchors.push_back(anchor(a));
    l.warnings = lines(pair.messages);
    return l;
}

namespace {

// Aligns `pairs` as the programs do and hands each outcome, in input order,
// to `take`; stops reading pairs once `take` returns false.
void alignInOrder(const std::vector<std::pair<std::string, std::string>>& pairs,
                  const Options& options, const std::function<bool(::PairOutcome&)>& take) {
    const Settings settings = resolveSettings(options, false);
    const PairSettings pairSettings = settings.pairSettings();
    CallBudget budget(options.memoryLimit);
    // Each thread gets a worker and, on a large pair, an arena and buffers
    // of its own: a count beyond the programs' limit would only ask for them.
    if (options.threads > static_cast<unsigned>(RunLimits::kMaxThreads))
        throw std::invalid_argument("threads " + std::to_string(options.threads) + " lies outside 0.." +
                                    std::to_string(RunLimits::kMaxThreads));
    const int threads = options.threads ? static_cast<int>(options.threads) : usableCores();
    PairScheduler scheduler(threads, pairSettings, budget.get());
    const StopScope stoppable(options.stop);
    std::size_t read = 0;
    try {
        scheduler.run<bool>(
            [&](PairJob<bool>& job) {
                if (read == pairs.size()) return false;
                job.input = input(pairs[read].first, pairs[read].second);
                ++read;
                return true;
            },
            {}, [&](PairJob<bool>&, ::PairOutcome& outcome) { return take(outcome); }, [] {});
    } catch (const StopRequested&) {
        throw Stopped();
    }
}

}  // namespace

std::vector<Result> alignMany(const std::vector<std::pair<std::string, std::string>>& pairs,
                              const Options& options) {
    std::vector<Result> results;
    results.reserve(pairs.size());
    std::optional<PairError> failed;
    // Outcomes arrive in input order, so the first failure reported is the
    // first failing pair of the input, however many threads ran.
    alignInOrder(pairs, options, [&](::PairOutcome& outcome) {
        if (PairError* error = std::get_if<PairError>(&outcome)) {
            failed = std::move(*error);
            return false;
        }
        results.push_back(result(std::move(std::get<PairAlignment>(outcome))));
        return true;
    });
    if (failed) raise(*failed);
    return results;
}

std::vector<PairOutcome> alignEach(const std::vector<std::pair<std::string, std::string>>& pairs,
                                   const Options& options) {
    std::vector<PairOutcome> outcomes;
    outcomes.reserve(pairs.size());
    alignInOrder(pairs, options, [&](::PairOutcome& outcome) {
        PairOutcome& own = outcomes.emplace_back();
        if (PairError* error = std::get_if<PairError>(&outcome)) {
            try {
                raise(*error);
            } catch (...) {
                own.error = std::current_exception();
            }
        } else {
            own.result = result(std::move(std::get<PairAlignment>(outcome)));
        }
        return true;
    });
    return outcomes;
}

}  // namespace torva

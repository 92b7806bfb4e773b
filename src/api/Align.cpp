#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <exception>
#include <new>
#include <thread>

#include "api/MatrixImpl.hpp"
#include "api/Settings.hpp"
#include "pair/PairEngine.hpp"
#include "common/MemoryBudget.hpp"
#include "common/MessageSink.hpp"
#include "common/RunStop.hpp"
#include "common/WorkArena.hpp"

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
    return a;
}

// One pair through the programs' own per-pair step, with whatever it would
// print kept as values and its ways of giving up turned into exceptions.
OutOfMemoryError outOfMemory(std::size_t length1, std::size_t length2,
                             unsigned long long bytes) {
    return OutOfMemoryError("a pair of " + std::to_string(length1) + " and " +
                                std::to_string(length2) + " residues needs " +
                                (bytes ? std::to_string(bytes) + " bytes of memory"
                                       : std::string("more memory")) +
                                ", more than is available",
                            bytes);
}

// The bytes a skipped pair's message says it needs ("... it needs N bytes
// ..."), or 0 when it does not say.
unsigned long long bytesNeeded(const Messages& messages) {
    static const std::string kNeeds = "it needs ";
    for (const Message& m : messages) {
        const std::size_t at = m.text.find(kNeeds);
        if (at != std::string::npos)
            return std::strtoull(m.text.c_str() + at + kNeeds.size(), nullptr, 10);
    }
    return 0;
}

// One pair through the programs' own per-pair step, with whatever it would
// print kept as values and its ways of giving up turned into exceptions.
PairAlignment run(std::string_view seq1, std::string_view seq2, const Settings& settings,
                  WorkArena& arena) {
    MessageSink::Capture capture;
    PairAlignment pair;
    try {
        pair = alignPair("seq1", "seq2", std::string(seq1), std::string(seq2),
                         settings.matrix.impl().lookup, settings.params, arena);
    } catch (const RunStop&) {
        std::string why;
        for (const Message& m : capture.lines) why += (why.empty() ? "" : "; ") + m.text;
        throw std::runtime_error("alignment failed: " + why);
    } catch (const OutOfMemory& e) {
        throw outOfMemory(seq1.size(), seq2.size(), e.bytesNeeded);
    } catch (const std::bad_alloc&) {
        throw outOfMemory(seq1.size(), seq2.size(), 0);
    }
    if (pair.skipped) throw outOfMemory(seq1.size(), seq2.size(), bytesNeeded(pair.messages));
    pair.messages.insert(pair.messages.begin(), capture.lines.begin(), capture.lines.end());
    return pair;
}

Result result(PairAlignment pair) {
    Result r;
    r.row1 = text(pair.row1);
    r.row2 = text(pair.row2);
    r.score = pair.score;
    r.anchorScore = pair.anchorScore;
    for (const AnchorRecord& a : pair.anchors) r.anchors.push_back(anchor(a));
    r.cigar = cigar(r.row1, r.row2);
    r.warnings = lines(pair.messages);
    return r;
}

}  // namespace

const char* version() { return TORVA_VERSION; }

std::string cigar(std::string_view row1, std::string_view row2) {
    if (row1.size() != row2.size())
        throw std::invalid_argument("aligned rows differ in length");
    std::string out;
    char last = 0;
    std::size_t run = 0;
    auto flush = [&] {
        if (run > 0) out += std::to_string(run) + last;
    };
    for (std::size_t k = 0; k < row1.size(); ++k) {
        const bool gap1 = row1[k] == '-', gap2 = row2[k] == '-';
        if (gap1 && gap2) continue;
        const char op = gap2 ? 'I' : gap1 ? 'D' : (row1[k] == row2[k] ? '=' : 'X');
        if (op != last) {
            flush();
            last = op;
            run = 0;
        }
        ++run;
    }
    flush();
    return out;
}

Result align(std::string_view seq1, std::string_view seq2, const Options& options) {
    const Settings settings = resolveSettings(options, false);
    WorkArena arena;
    return result(run(seq1, seq2, settings, arena));
}

Listing listLocal(std::string_view seq1, std::string_view seq2, const Options& options) {
    const Settings settings = resolveSettings(options, true);
    WorkArena arena;
    PairAlignment pair = run(seq1, seq2, settings, arena);
    Listing l;
    l.anchorScore = pair.anchorScore;
    for (const AnchorRecord& a : pair.anchors) l.anchors.push_back(anchor(a));
    l.warnings = lines(pair.messages);
    return l;
}

std::vector<Result> alignMany(const std::vector<std::pair<std::string, std::string>>& pairs,
                              const Options& options) {
    const Settings settings = resolveSettings(options, false);
    unsigned threads = options.threads ? options.threads : std::thread::hardware_concurrency();
    threads = std::clamp<unsigned>(threads, 1, static_cast<unsigned>(std::max<std::size_t>(pairs.size(), 1)));

    std::vector<Result> results(pairs.size());
    std::vector<std::exception_ptr> errors(pairs.size());
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    // Pairs are taken in input order, so when one fails every earlier pair
    // has been started and the first failure is the same on every run.
    auto worker = [&] {
        WorkArena arena;
        for (std::size_t k; !failed.load() && (k = next.fetch_add(1)) < pairs.size();) {
            try {
                results[k] = result(run(pairs[k].first, pairs[k].second, settings, arena));
            } catch (...) {
                errors[k] = std::current_exception();
                failed.store(true);
            }
        }
    };
    if (threads == 1) {
        worker();
    } else {
        std::vector<std::jthread> pool;
        for (unsigned t = 0; t < threads; ++t) pool.emplace_back(worker);
    }
    for (const std::exception_ptr& e : errors)
        if (e) std::rethrow_exception(e);
    return results;
}

}  // namespace torva

#include "pair/PairEngine.hpp"

#include <cctype>
#include <exception>
#include <new>
#include <thread>

#include "pair/MaskRunColumns.hpp"
#include "anchor/AnchoredAligner.hpp"
#include "common/MemoryBudget.hpp"
#include "pair/MaskRuns.hpp"
#include "pair/ScoreRange.hpp"
#include "common/ThreadStart.hpp"
#include "common/WorkArena.hpp"

namespace {

// Position in the given sequence of collapsed index `index`, or -1 outside.
long long uncollapsed(const std::vector<unsigned long>& map, long long index) {
    if (index < 0 || index >= static_cast<long long>(map.size())) return -1;
    return static_cast<long long>(map[static_cast<std::size_t>(index)]);
}

// End (exclusive) in the given sequence of collapsed index `last`: past the
// whole run when that character stands for one.
long long uncollapsedEnd(const std::vector<unsigned long>& map,
                         const std::map<unsigned long, unsigned long>& runs, long long last) {
    const long long at = uncollapsed(map, last);
    if (at < 0) return at;
    const auto run = runs.find(static_cast<unsigned long>(last));
    return at + (run == runs.end() || run->second == 0 ? 1 : static_cast<long long>(run->second));
}

std::vector<std::pair<long long, long long>> runsAsGiven(
    const std::vector<unsigned long>& map, const std::map<unsigned long, unsigned long>& runs) {
    std::vector<std::pair<long long, long long>> spans;
    for (const auto& [index, length] : runs) {
        const long long begin = uncollapsed(map, static_cast<long long>(index));
        if (begin >= 0) spans.emplace_back(begin, begin + static_cast<long long>(length));
    }
    return spans;
}

AnchorRecord anchorRecord(const Segment& r, const MaskRuns* masks, int minLength) {
    AnchorRecord a;
    a.region = r.region;
    a.score = r.score;
    a.row1 = r.row1;
    a.row2 = r.row2;
    long long span;
    if (masks) {
        static const std::vector<unsigned long> kNoMap;
        static const std::map<unsigned long, unsigned long> kNoRuns;
        const auto& map1 = masks->posMap.size() > 0 ? masks->posMap[0] : kNoMap;
        const auto& map2 = masks->posMap.size() > 1 ? masks->posMap[1] : kNoMap;
        const auto& runs1 = masks->runLengths.size() > 0 ? masks->runLengths[0] : kNoRuns;
        const auto& runs2 = masks->runLengths.size() > 1 ? masks->runLengths[1] : kNoRuns;
        a.shownBegin1 = a.begin1 = uncollapsed(map1, a.region.begin.i);
        a.shownEnd1 = uncollapsed(map1, static_cast<long long>(a.region.end.i) - 1);
        a.shownBegin2 = a.begin2 = uncollapsed(map2, a.region.begin.j);
        a.shownEnd2 = uncollapsed(map2, static_cast<long long>(a.region.end.j) - 1);
        a.end1 = uncollapsedEnd(map1, runs1, static_cast<long long>(a.region.end.i) - 1);
        a.end2 = uncollapsedEnd(map2, runs2, static_cast<long long>(a.region.end.j) - 1);
        span = a.shownEnd1 - a.shownBegin1 + 1;
        a.runs1 = maskRunsInRow(a.row1, static_cast<unsigned long>(a.region.begin.i), runs1);
        a.runs2 = maskRunsInRow(a.row2, static_cast<unsigned long>(a.region.begin.j), runs2);
    } else {
        a.shownBegin1 = a.begin1 = a.region.begin.i;
        a.shownEnd1 = a.end1 = a.region.end.i;
        a.shownBegin2 = a.begin2 = a.region.begin.j;
        a.shownEnd2 = a.end2 = a.region.end.j;
        span = a.end1 - a.begin1;
    }
    a.listed = span >= minLength;
    return a;
}

// A pair aligned in the wrong mode gives a result that looks fine and means
// little: DNA scored as protein, or protein scored with the DNA matrix.
void checkMode(const PairAlignment& pair, const std::string& seq1, const std::string& seq2,
               bool protein, Messages& messages) {
    long long letters = 0, dna = 0;
    for (const std::string* s : {&seq1, &seq2}) {
        for (const char c : *s) {
            if (!std::isalpha(static_cast<unsigned char>(c))) continue;
            ++letters;
            switch (std::tolower(static_cast<unsigned char>(c))) {
                case 'a': case 'c': case 'g': case 't': case 'u': case 'n': ++dna; break;
                default: break;
            }
        }
    }
    if (letters == 0) return;
    const std::string which = "warning: pair " + shownName(pair.name1) + " and " + shownName(pair.name2);
    if (!protein && 2 * (letters - dna) > letters) {
        messages.push_back(errLine(which + " looks like protein (most of its letters are not A, C, G, T, U or N) but is aligned as DNA; use -P to align protein"));
    } else if (protein && dna == letters) {
        messages.push_back(errLine(which + " is DNA (only A, C, G, T, U and N) but is aligned as protein; leave out -P and the protein matrix to align DNA"));
    }
}

PairError pairError(PairError::Kind kind, PairAlignment& pair) {
    PairError error;
    error.kind = kind;
    error.name1 = std::move(pair.name1);
    error.name2 = std::move(pair.name2);
    error.length1 = pair.length1;
    error.length2 = pair.length2;
    error.warnings = std::move(pair.messages);
    return error;
}

PairOutcome alignPairOrThrow(const PairInput& input, const PairSettings& settings, WorkArena& arena,
                             FillProgress* progress) {
    const AlignParameters& params = settings.params;
    PairAlignment pair;
    pair.name1 = input.name1;
    pair.name2 = input.name2;
    pair.length1 = input.seq1.size();
    pair.length2 = input.seq2.size();
    pair.localOnly = params.localOnly;
    try {
        checkMode(pair, input.seq1, input.seq2, params.protein, pair.messages);
        std::vector<std::string> seqs{input.seq1, input.seq2};
        MaskRuns masks(params.maskChar);
        pair.masked = masks.collapse(seqs);
        if (!scoresFitInInt32(seqs[0].size(), seqs[1].size(), settings.lookup, params.gapOpen,
                              params.gapExt))
            return pairError(PairError::Kind::kScoreRange, pair);
        AnchoredAligner aligner(seqs[0], seqs[1], settings.lookup, params, arena, progress);
        const AnchorChain chain = aligner.selectAnchors();
        if (!params.localOnly) {
            // The header shows the anchors the global alignment used: none
            // when no local score beat the cutoff, though the listing below
            // still shows the chain.
            GlobalRows global = aligner.anchored() ? aligner.joinAnchors(chain) : aligner.alignWhole();
            pair.score = global.score;
            pair.anchorScore = aligner.anchored() ? chain.score : 0;
            std::vector<std::vector<char>> rows{std::move(global.row1), std::move(global.row2)};
            masks.restore({0, 0}, rows, pair.messages);
            pair.row1 = std::move(rows[0]);
            pair.row2 = std::move(rows[1]);
        } else {
            pair.anchorScore = chain.score;
        }
        if (pair.masked) {
            pair.maskRuns1 = runsAsGiven(masks.posMap[0], masks.runLengths[0]);
            pair.maskRuns2 = runsAsGiven(masks.posMap[1], masks.runLengths[1]);
        }
        const bool used = !params.localOnly && aligner.anchored();
        for (const Segment& r : chain.anchors) {
            pair.anchors.push_back(
                anchorRecord(r, pair.masked ? &masks : nullptr, params.tuning.listingMinLength));
            pair.anchors.back().used = used;
        }
        return pair;
    } catch (const OutOfMemory& e) {
        PairError error = pairError(PairError::Kind::kOutOfMemory, pair);
        error.bytesNeeded = e.bytesNeeded;
        error.bytesAvailable = e.bytesAvailable;
        return error;
    } catch (const std::bad_alloc&) {
        PairError error = pairError(PairError::Kind::kOutOfMemory, pair);
        error.bytesAvailable = arena.budget().available();
        return error;
    }
}

// One orientation, as given; every allocation failure is the pair's.
PairOutcome alignGuarded(const PairInput& input, const PairSettings& settings, WorkArena& arena,
                         FillProgress* progress) {
    try {
        return alignPairOrThrow(input, settings, arena, progress);
    } catch (const std::bad_alloc&) {
        // Even copying the names failed: the pair is reported without them
        // rather than ending the run.
        PairError error;
        error.kind = PairError::Kind::kOutOfMemory;
        error.length1 = input.seq1.size();
        error.length2 = input.seq2.size();
        error.bytesAvailable = arena.budget().available();
        try {
            error.name1 = input.name1;
            error.name2 = input.name2;
        } catch (const std::bad_alloc&) {
        }
        return error;
    }
}

PairOutcome alignMinus(const PairInput& input, const PairSettings& settings, WorkArena& arena,
                       FillProgress* progress) {
    PairInput minus{input.name1, input.name2, input.seq1, reverseComplement(input.seq2)};
    PairOutcome outcome = alignGuarded(minus, settings, arena, progress);
    if (PairAlignment* pair = std::get_if<PairAlignment>(&outcome)) pair->minusStrand = true;
    return outcome;
}

// Both orientations; the second on a thread of its own when the pair has
// threads to spare, each then with half of them.
PairOutcome alignBoth(const PairInput& input, const PairSettings& settings, WorkArena& arena,
                      FillProgress* progress) {
    PairOutcome plus, minus;
    bool sideBySide = false;
    if (settings.params.threads >= 2) {
        PairSettings plusSettings = settings, minusSettings = settings;
        minusSettings.params.threads = settings.params.threads / 2;
        plusSettings.params.threads = settings.params.threads - minusSettings.params.threads;
        WorkArena minusArena(arena.budget());
        std::exception_ptr failure;
        std::thread second;
        try {
            second = startThread([&] {
                try {
                    minus = alignMinus(input, minusSettings, minusArena, nullptr);
                } catch (...) {
                    failure = std::current_exception();
                }
            });
            sideBySide = true;
        } catch (const std::exception&) {
            // No thread to spare after all: one after the other.
        }
        if (sideBySide) {
            plus = alignGuarded(input, plusSettings, arena, progress);
            second.join();
            if (failure) std::rethrow_exception(failure);
        }
    }
    if (!sideBySide) {
        plus = alignGuarded(input, settings, arena, progress);
        if (std::holds_alternative<PairError>(plus)) return plus;
        minus = alignMinus(input, settings, arena, nullptr);
    }
    // A failure of either is the pair's: which is better is not known.
    if (std::holds_alternative<PairError>(plus)) return plus;
    if (std::holds_alternative<PairError>(minus)) return minus;
    const PairAlignment& p = std::get<PairAlignment>(plus);
    const PairAlignment& m = std::get<PairAlignment>(minus);
    const bool minusBetter = p.localOnly ? m.anchorScore > p.anchorScore : m.score > p.score;
    return minusBetter ? std::move(minus) : std::move(plus);
}

}  // namespace

PairOutcome alignPair(const PairInput& input, const PairSettings& settings, WorkArena& arena,
                      FillProgress* progress) {
    PairOutcome outcome;
    switch (settings.strand) {
        case Strand::kPlus:
            outcome = alignGuarded(input, settings, arena, progress);
            break;
        case Strand::kMinus:
            outcome = alignMinus(input, settings, arena, progress);
            break;
        case Strand::kBoth:
            outcome = alignBoth(input, settings, arena, progress);
            break;
    }
    if (PairAlignment* pair = std::get_if<PairAlignment>(&outcome)) pair->strandChosen = settings.strandChosen;
    return outcome;
}

// The pair layer: the scheduler's rules (retry alone, threads the system
// refuses), the engine's refusal of pairs whose scores could wrap, and the
// windows of the gapped-anchor re-alignment at their boundaries.
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <stdexcept>
#include <thread>

#include "TestSupport.hpp"
#include "anchor/AnchorSteps.hpp"
#include "anchor/GapWindows.hpp"
#include "anchor/SearchContext.hpp"
#include "cli/Driver.hpp"
#include "common/MemoryBudget.hpp"
#include "common/WorkArena.hpp"
#include "pair/PairScheduler.hpp"
#include "pair/ScoreRange.hpp"
#include "support/RefusedThreads.hpp"
#include "support/TestData.hpp"

using namespace testsupport;
using testdata::str;

using testdata::RefusedThreads;

namespace {

// Runs the named pairs (the stand-in `aligner` fails a pair when it returns
// false) and returns what was delivered, in order: the name, "!" for a failure.
std::string schedule(int workers, const std::vector<std::string>& names,
                     const std::function<bool(const std::string&)>& aligner, int* started = nullptr) {
    const ScoreLookup lookup = testdata::simpleDna();
    const PairSettings settings{lookup, AlignParameters{}};
    PairScheduler scheduler(workers, settings, MemoryBudget::process(),
                            [&](const PairInput& in, const PairSettings&, WorkArena&, FillProgress*) {
                                return aligner(in.name1) ? PairOutcome(PairAlignment{}) : PairOutcome(PairError{});
                            });
    std::size_t k = 0;
    std::string delivered;
    scheduler.run<bool>([&](PairJob<bool>& job) { return k < names.size() && (job.input.name1 = names[k++], true); },
                  {},
                  [&](PairJob<bool>& job, PairOutcome& outcome) {
                      delivered += job.input.name1 + (std::holds_alternative<PairError>(outcome) ? "! " : " ");
                      return true;
                  },
                  [] {});
    if (started) *started = scheduler.workersStarted();
    return delivered;
}

}  // namespace

// A pair that lacks memory beside others runs again once they are done, with
// nothing started beside it; one that lacks it even alone is delivered as a
// failure; outcomes keep the input order either way.
TEST(PairScheduler, PairThatFailsBesideOthersIsRetriedAlone) {
    std::atomic<int> active{0};
    std::mutex lock;
    std::map<std::string, int> attempts;
    std::atomic<int> hugeAlone{0};
    const auto aligner = [&](const std::string& name) {
        const int beside = active.fetch_add(1);
        {
            std::lock_guard<std::mutex> hold(lock);
            ++attempts[name];
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(name == "slow" ? 300 : 20));
        const bool alone = beside == 0 && active.load() == 1;
        if (name == "huge" && alone) ++hugeAlone;
        active.fetch_sub(1);
        return name == "huge" ? false : name != "big" || alone;
    };
    // "big" succeeds only alone: a retry beside others would fail it.
    EXPECT_EQ(schedule(3, {"slow", "big", "a", "huge", "b", "c"}, aligner), "slow big a huge! b c ");
    EXPECT_EQ(attempts["big"], 2);
    // A failure is final only once the pair has had the memory to itself.
    EXPECT_GE(hugeAlone, 1);
}

// However many worker threads the system lets start, none included, every
// pair is delivered once, in order, and the run ends normally.
TEST(PairScheduler, RefusedThreadsLeaveTheWorkToThoseStarted) {
    for (const int allowed : {0, 1, 2}) {
        RefusedThreads refused(allowed);
        int started = -1;
        EXPECT_EQ(schedule(4, {"a", "b", "c", "d", "e"}, [](const std::string&) { return true; }, &started),
                  "a b c d e ")
            << allowed;
        EXPECT_EQ(started, allowed);
    }
}

// The step after each pair runs once per pair, failures included, on a
// worker thread whenever one started; what it makes arrives with its own
// pair, in input order, however the pairs finish. A step that throws ends
// the run with its exception, as a failing aligner does.
TEST(PairScheduler, AfterPairStepTravelsWithItsPair) {
    const ScoreLookup lookup = testdata::simpleDna();
    const PairSettings settings{lookup, AlignParameters{}};
    struct Case {
        int allowed;    // worker threads the system lets start
        bool throwing;  // the step throws on pair "c"
    };
    for (const Case& c : std::vector<Case>{{0, false}, {1, false}, {3, false}, {3, true}, {0, true}}) {
        RefusedThreads refused(c.allowed);
        std::mt19937 rng(static_cast<unsigned>(c.allowed));
        std::vector<int> pause(8);
        for (int& ms : pause) ms = static_cast<int>(rng() % 15);
        PairScheduler scheduler(3, settings, MemoryBudget::process(),
                                [&](const PairInput& in, const PairSettings&, WorkArena&, FillProgress*) {
                                    std::this_thread::sleep_for(std::chrono::milliseconds(pause[in.name1[0] - 'a']));
                                    return in.name1 == "d" ? PairOutcome(PairError{}) : PairOutcome(PairAlignment{});
                                });
        std::atomic<int> onCaller{0};
        const std::thread::id caller = std::this_thread::get_id();
        using Job = PairJob<std::string>;
        const auto after = [&](long index, Job& job, PairOutcome& outcome) {
            if (c.throwing && job.input.name1 == "c") throw std::runtime_error("step failed");
            onCaller += std::this_thread::get_id() == caller;
            job.made = job.input.name1 + std::to_string(index) + (std::holds_alternative<PairError>(outcome) ? "!" : "");
        };
        std::string delivered;
        char next = 'a';
        try {
            scheduler.run<std::string>([&](Job& job) { return next <= 'h' && (job.input.name1 = std::string(1, next++), true); },
                          after,
                          [&](Job& job, PairOutcome&) {
                              delivered += (job.made.empty() ? job.input.name1 + "?" : job.made) + " ";
                              return true;
                          },
                          [] {});
            delivered += "end";
        } catch (const std::runtime_error& e) {
            delivered += e.what();
        }
        if (c.throwing) {
            // Pairs before the failing one may or may not have been delivered.
            const std::string failed = "step failed";
            ASSERT_GE(delivered.size(), failed.size()) << c.allowed;
            const std::string before = delivered.substr(0, delivered.size() - failed.size());
            EXPECT_EQ(std::string("a0 b1 ").substr(0, before.size()), before) << c.allowed;
            EXPECT_EQ(delivered.substr(before.size()), failed) << c.allowed;
        } else {
            EXPECT_EQ(delivered, "a0 b1 c2 d3! e4 f5 g6 h7 end") << c.allowed;
        }
        if (c.allowed > 0) {
            EXPECT_EQ(onCaller, 0) << c.allowed;
        }
    }
}

// The column strips of a large fill, and the parts of its search handed on,
// whose threads cannot all start give the alignment of one thread.
TEST(PairScheduler, RefusedStripThreadsGiveTheSameAlignment) {
    const ScoreLookup lookup = testdata::simpleDna();
    std::mt19937 rng(17);
    const std::string a = testdata::randomSeq(rng, 900, "acgt");
    const std::string b = testdata::mutate(rng, a, 0.1, "acgt");
    AlignParameters p{.gapOpen = -6, .gapExt = -1, .scoreFactor = 6, .cutLen = 20};
    WorkArena arena;
    auto aligned = [&](const AlignParameters& params) {
        PairAlignment r = std::get<PairAlignment>(alignPair(PairInput{"x", "y", a, b}, PairSettings{lookup, params}, arena));
        std::string s = str(r.row1) + str(r.row2) + std::to_string(r.score);
        for (const AnchorRecord& anchor : r.anchors) s += " " + std::to_string(anchor.begin1) + ":" + std::to_string(anchor.score);
        return s;
    };
    const std::string want = aligned(p);
    p.threads = 4;
    p.tuning.stripMinWidth = 8;
    p.tuning.parallelFillMinCells = 0;
    p.tuning.gridStep = 16;
    p.tuning.searchPartMinCells = 0;
    for (const int allowed : {0, 1, 2}) {
        RefusedThreads refused(allowed);
        EXPECT_EQ(aligned(p), want) << allowed;
    }
}

// The bound on a pair's scores: the best pair score over the shorter length,
// and gap costs over both lengths, each against the 32-bit range.
TEST(ScoreRange, PairsAreRefusedOnlyWhenABoundPassesInt32) {
    const ScoreLookup wide = testdata::lookupFrom(">w\nA C\nA 1000000 -1000000\nC -1000000 1000000\n");
    const ScoreLookup small = testdata::simpleDna();
    const std::size_t longest = 2147483647 / 1000000;  // residues of the best score that fit
    for (const auto& [lookup, length1, length2, gap, fits] : std::vector<std::tuple<const ScoreLookup*, std::size_t, std::size_t, int, bool>>{
             {&wide, longest, longest, -1, true},
             {&wide, longest + 1, longest + 1, -1, false},
             {&wide, longest + 1, 10, -1, true},  // the shorter sequence bounds the best score
             {&small, 3000, 3000, -1000000, false},
             {&small, 100, 100, -1000000, true},
             {&small, 2000000000, 300000000, -25, false}})  // gap extensions over both lengths
        EXPECT_EQ(scoresFitInInt32(length1, length2, *lookup, gap, gap), fits) << length1 << " " << gap;
}

// A pair whose scores could wrap is skipped with a message naming it, the
// pairs around it are aligned and written, and the run ends with the status
// of a run that skipped pairs (2).
TEST(ScoreRange, ProgramSkipsThePairAndGoesOn) {
    TempDir dir;
    writeFile(dir / "m", ">w\nA C\nA 1000000 -1000000\nC -1000000 1000000\n");
    std::mt19937 rng(4);
    const std::string s = testdata::randomSeq(rng, 3000, "AC");
    writeFile(dir / "in.fa", ">x\n" + s + "\n>y\n" + s + "\n>p\nACCA\n>q\nACCA\n");
    for (const std::string program : {"torva", "torva-b"}) {
        Args args({program, "-q", "-S", dir / "m", "-I", dir / "in.fa", "-O", dir / "out"});
        const Captured c = capture([&] {
            return runProgram(args.argc(), args.argv(),
                              program == "torva" ? GappedAnchorRealign::kWindows : GappedAnchorRealign::kWhole);
        });
        EXPECT_EQ(c.status, 2);
        EXPECT_EQ(c.err.rfind(program + ": skipped pair x (3000) and y (3000): ", 0), 0u) << c.err;
        EXPECT_EQ(readFile(dir / "out.score"), "p\tq\t0\t4000000\n");
    }
}

// Gap columns up to 81 apart share a window; the outer windows reach 81
// columns past their outermost gaps, cut at the ends of the rows.
TEST(GapWindows, ColumnsCloserThanTheReachShareAWindow) {
    // The second gap's column (the first is at 100), and the windows: first,
    // last and gap columns of each.
    for (const auto& [second, windows] : std::vector<std::pair<int, std::vector<std::tuple<int, int, int>>>>{
             {180, {{19, 261, 2}}},
             {181, {{19, 262, 2}}},
             {182, {{19, 100, 1}, {182, 263, 1}}},
             {399, {{19, 100, 1}, {399, 399, 1}}}}) {  // the last column ends the row
        std::vector<char> row1(400, 'a'), row2(400, 'a');
        row1[100] = row2[static_cast<std::size_t>(second)] = '-';
        std::vector<std::tuple<int, int, int>> got;
        for (const GapWindow& w : gapWindows(row1, row2)) got.emplace_back(w.first, w.last, w.gapColumns);
        EXPECT_EQ(got, windows) << second;
    }
}

namespace {

// The affine score of two aligned rows: a gap column opens a gap unless the
// column before it held a gap in the same row. None for rows where a gap in
// one row follows a gap in the other: the copied columns count such a gap
// as going on, the windows' affine aligner as a new one, so the two disagree
// there and the rows alone do not decide the score.
std::optional<int> affineScore(const std::vector<char>& row1, const std::vector<char>& row2,
                               const ScoreLookup& lookup, int gapOpen, int gapExt) {
    int score = 0;
    int gapRow = 0;  // the row holding the gap of the column before, 0 for none
    for (std::size_t c = 0; c < row1.size(); ++c) {
        const int row = row1[c] == '-' ? 1 : row2[c] == '-' ? 2 : 0;
        if (row && gapRow && row != gapRow) return std::nullopt;
        score += row ? (row == gapRow ? gapExt : gapOpen) : lookup.score(row1[c], row2[c]);
        gapRow = row;
    }
    return score;
}

}  // namespace

// The windowed re-alignment over anchors whose gaps fall in one window,
// several, at the rows' ends and in windows of gaps alone: the rows still
// hold both segments, and its score is the affine score of the rows it
// gives back, so the anchor's score and its rows never disagree.
TEST(GapWindows, ReAlignedScoreIsTheAffineScoreOfItsRows) {
    const ScoreLookup lookup = testdata::simpleDna();
    std::mt19937 rng(23);
    AlignParameters params;
    params.gapOpen = -5;
    params.gapExt = -1;
    WorkArena arena;
    int windowsSeen = 0, checked = 0;
    for (int round = 0; round < 300; ++round) {
        const int length = 50 + static_cast<int>(rng() % 400);
        std::vector<char> row1 = testdata::rowOf(testdata::randomSeq(rng, length, "acgt"));
        std::vector<char> row2 = testdata::rowOf(testdata::mutate(rng, testdata::str(row1), 0.2, "acgt"));
        row2.resize(row1.size(), 'a');
        // Clusters of gap columns, now in one row, now in the other.
        const int clusters = 1 + static_cast<int>(rng() % 5);
        for (int k = 0; k < clusters; ++k) {
            const int at = static_cast<int>(rng() % static_cast<unsigned>(length));
            const int run = 1 + static_cast<int>(rng() % 6);
            std::vector<char>& gapped = rng() % 2 ? row1 : row2;
            std::vector<char>& other = &gapped == &row1 ? row2 : row1;
            for (int c = at; c < std::min(length, at + run); ++c)
                if (other[static_cast<std::size_t>(c)] != '-') gapped[static_cast<std::size_t>(c)] = '-';
        }
        windowsSeen += static_cast<int>(gapWindows(row1, row2).size());
        const std::string seq1 = testdata::withoutGaps(row1), seq2 = testdata::withoutGaps(row2);
        const SearchContext context{seq1, seq2, lookup, params, arena};
        std::vector<char> out1 = row1, out2 = row2;
        const int score = reAlign(context, out1, out2);
        ASSERT_EQ(out1.size(), out2.size()) << round;
        EXPECT_EQ(testdata::withoutGaps(out1), seq1) << round;
        EXPECT_EQ(testdata::withoutGaps(out2), seq2) << round;
        const std::optional<int> rescored = affineScore(out1, out2, lookup, params.gapOpen, params.gapExt);
        const std::optional<int> given = affineScore(row1, row2, lookup, params.gapOpen, params.gapExt);
        if (!rescored || !given) continue;
        ++checked;
        EXPECT_EQ(score, *rescored) << round;
        EXPECT_GE(score, *given) << round;
    }
    EXPECT_GT(checked, 200);
    EXPECT_GT(windowsSeen, 300);
}

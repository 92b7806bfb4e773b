#include <algorithm>
#include <memory>
#include <stdexcept>

#include "anchor/AnchorSteps.hpp"
#include "anchor/AnchoredAligner.hpp"
#include "common/SharedWork.hpp"
#include "common/WorkArena.hpp"

namespace {

// One pending region of the anchor search. The search recurses into the
// parts before, between and after the anchors of a region; it keeps its own
// stack of these so that a long chain of anchors cannot exhaust the call stack.
struct SearchFrame {
    enum class Stage { kStart, kSingleAfterLeft, kSingleDone, kChainNext, kChainAfterPart, kChainDone };

    Region region;
    std::vector<Cell> candidates;
    int candidateValue = -1;  // their common score, when the search that found them knows it
    Stage stage = Stage::kStart;

    // One candidate: its segment, recorded between the parts before and after it.
    Segment record;

    // Several candidates: the chain that grouping kept and the walk along it.
    std::vector<Region> spans;
    std::vector<int> order;
    std::vector<int> endValues;  // score of each candidate's end cell
    std::vector<std::vector<char>> rows1, rows2;  // rows of the kept segment at each position
    std::size_t g = 0;
    Region part;
};

// The anchors one worker found in a part, in order, and where among them
// the anchors of the parts it handed on to other workers go.
struct PartAnchors {
    std::vector<Segment> anchors;
    std::vector<std::pair<std::size_t, PartAnchors*>> handedOn;  // (position in anchors, part)
};

// Moves the anchors of `whole` and of the parts handed on from it, in
// order along the sequences, to `out`. Parts handed on from parts handed on
// may nest deeply, so the walk keeps its own stack.
void collectInOrder(PartAnchors& whole, std::vector<Segment>& out) {
    struct Walk {
        PartAnchors* part;
        std::size_t next = 0, nextHandedOn = 0;
    };
    std::vector<Walk> stack{Walk{&whole}};
    while (!stack.empty()) {
        Walk& walk = stack.back();
        PartAnchors& part = *walk.part;
        if (walk.nextHandedOn < part.handedOn.size() && part.handedOn[walk.nextHandedOn].first == walk.next) {
            PartAnchors* inner = part.handedOn[walk.nextHandedOn++].second;
            stack.push_back(Walk{inner});
        } else if (walk.next < part.anchors.size()) {
            out.push_back(std::move(part.anchors[walk.next++]));
        } else {
            stack.pop_back();
        }
    }
}

// Idle workers' cores lent to one step of a worker's search: its matrix
// uses them (the strips of a large fill, a traceback's block refilled
// ahead) until the step ends. Without sharing the matrix keeps its threads.
class LentCores {
public:
    LentCores(SharedWork* sharing, LocalScoreMatrix& matrix, int wanted)
        : sharing_(sharing), matrix_(matrix), count_(sharing && wanted > 0 ? sharing->borrowIdle(wanted) : 0) {
        if (count_ > 0) matrix_.setThreads(1 + count_);
    }
    LentCores(const LentCores&) = delete;
    LentCores& operator=(const LentCores&) = delete;
    ~LentCores() {
        if (count_ == 0) return;
        matrix_.setThreads(1);
        sharing_->giveBack(count_);
    }

private:
    SharedWork* sharing_;
    LocalScoreMatrix& matrix_;
    int count_;
};

// What one worker searches with: its view of the local matrix and its context.
struct SearchWorker {
    LocalScoreMatrix& matrix;
    SearchContext context;
};

// The anchor search of one pair on one or more workers. Parts of a region
// share no row, and the only state a part's search reads besides its own
// fills is the best of each of its rows, which only its own region and its
// own search write. So parts can be searched on different workers, each in
// its own view of the matrix, with the anchors each would have found in
// turn: they are put back in the order of the one-worker search.
class AnchorSearch {
public:
    AnchorSearch(std::vector<SearchWorker>& workers, int cutoff, SharedWork* sharing, long long minCells)
        : workers_(workers),
          cutoff_(cutoff),
          sharing_(sharing),
          minCells_(minCells),
          handedOn_(workers.size()) {}

    // Appends the anchors of `region` to `out`, starting from `candidates`
    // (end cells of one score, `candidateValue`, or -1 to read it).
    void searchRegion(int worker, const Region& region, std::vector<Cell> candidates, int candidateValue,
                      PartAnchors& out);

private:
    // Searches `part` and, when it holds candidates, its region.
    void searchHandedOn(int worker, const Region& part, bool rescore, PartAnchors& out) {
        std::vector<Cell> candidates;
        int value = 0;
        if (searchPartOn(worker, part, rescore, candidates, value) > 0)
            searchRegion(worker, part, std::move(candidates), value, out);
    }
    // searchPart in the worker's view. A part wide and large enough to be
    // split into strips gets the idle workers' cores for its strips: with
    // one part much larger than the rest, they would otherwise wait for it.
    int searchPartOn(int worker, const Region& part, bool rescore, std::vector<Cell>& candidates, int& best) {
        SearchWorker& w = workers_[static_cast<std::size_t>(worker)];
        const AlignParameters& params = w.context.params;
        const long long rows = part.end.i - part.begin.i, columns = part.end.j - part.begin.j;
        const bool splits = rows * columns >= params.tuning.parallelFillMinCells &&
                            columns >= 2LL * params.tuning.stripMinWidth;
        const LentCores lent(sharing_, w.matrix, splits ? static_cast<int>(workers_.size()) - 1 : 0);
        return searchPart(w.matrix, part, rescore, cutoff_, params, candidates, best);
    }
    // Hands `part` on to an idle worker when it is worth it; its anchors
    // then go at the end of `out` as it stands.
    bool handOn(int worker, const Region& part, bool rescore, PartAnchors& out) {
        const long long rows = part.end.i - part.begin.i, columns = part.end.j - part.begin.j;
        const int cutLen = workers_[static_cast<std::size_t>(worker)].context.params.cutLen;
        if (!sharing_ || rows * columns < minCells_ || rows < cutLen || columns < cutLen) return false;
        auto inner = std::make_unique<PartAnchors>();
        PartAnchors* target = inner.get();
        if (!sharing_->offer([this, part, rescore, target](int w) { searchHandedOn(w, part, rescore, *target); }))
            return false;
        out.handedOn.emplace_back(out.anchors.size(), target);
        handedOn_[static_cast<std::size_t>(worker)].push_back(std::move(inner));
        return true;
    }

    std::vector<SearchWorker>& workers_;
    const int cutoff_;
    SharedWork* sharing_;
    const long long minCells_;
    // The parts each worker handed on, owned by that worker's list.
    std::vector<std::vector<std::unique_ptr<PartAnchors>>> handedOn_;
};

}  // namespace

void AnchorSearch::searchRegion(int worker, const Region& region, std::vector<Cell> candidates,
                                int candidateValue, PartAnchors& out) {
    LocalScoreMatrix& matrix = workers_[static_cast<std::size_t>(worker)].matrix;
    const SearchContext& context = workers_[static_cast<std::size_t>(worker)].context;
    std::vector<std::unique_ptr<SearchFrame>> stack;
    auto push = [&stack](const Region& r, std::vector<Cell>&& cands, int value) {
        auto f = std::make_unique<SearchFrame>();
        f->region = r;
        f->candidates = std::move(cands);
        f->candidateValue = value;
        stack.push_back(std::move(f));
    };
    push(region, std::move(candidates), candidateValue);

    std::vector<Cell> list;
    int listValue = 0;
    // Searches a part of a frame's region; a part that holds candidates gets
    // a frame of its own, which runs before that frame goes on. A part handed
    // on to another worker is searched there instead.
    auto searchAndPush = [&](const Region& part, bool rescore) {
        if (handOn(worker, part, rescore, out)) return;
        if (searchPartOn(worker, part, rescore, list, listValue) > 0) push(part, std::move(list), listValue);
    };
    while (!stack.empty()) {
        SearchFrame& f = *stack.back();
        switch (f.stage) {
            case SearchFrame::Stage::kStart: {
                // Candidates handed in from outside may hold any value. A cell
                // of value 0 or less is no segment at all; letting it through
                // would turn every zero cell into an empty anchor.
                std::vector<int> values;
                for (const Cell& c : f.candidates)
                    values.push_back(f.candidateValue >= 0 ? f.candidateValue : matrix.valueAt(c));
                std::size_t kept = 0;
                for (std::size_t k = 0; k < f.candidates.size(); ++k) {
                    if (values[k] <= 0) continue;
                    f.candidates[kept] = f.candidates[k];
                    values[kept++] = values[k];
                }
                f.candidates.resize(kept);
                if (f.candidates.empty()) {
                    f.stage = SearchFrame::Stage::kChainDone;
                    break;
                }
                if (f.candidates.size() == 1) {
                    const Cell end = f.candidates[0];
                    Cell start = end;
                    f.record.row1.clear();
                    f.record.row2.clear();
                    {
                        const LentCores lent(sharing_, matrix, 1);
                        matrix.traceSegment(start, values[0], f.record.row1, f.record.row2);
                    }
                    f.record.region = {start, end};
                    f.record.score = values[0];
                    f.stage = SearchFrame::Stage::kSingleAfterLeft;
                    searchAndPush(Region{f.region.begin, start}, false);
                    break;
                }
                // Grouping needs every segment's start cell but only the kept
                // segments' rows, so those are traced again once the choice is
                // made: many tied candidates would otherwise hold a copy of
                // their rows each. Nothing has changed the scores in between.
                const std::size_t n = f.candidates.size();
                f.endValues = values;
                std::vector<Cell> starts = f.candidates;
                {
                    const LentCores lent(sharing_, matrix, 1);
                    matrix.traceSegments(starts, values, nullptr, nullptr);
                }
                f.spans.clear();
                for (std::size_t k = 0; k < n; ++k) f.spans.push_back(Region{starts[k], f.candidates[k]});
                f.order.clear();
                groupSort(context, f.region, f.spans, f.order);
                std::vector<Cell> keptEnds;
                std::vector<int> keptValues;
                for (const int k : f.order) {
                    keptEnds.push_back(f.candidates[static_cast<std::size_t>(k)]);
                    keptValues.push_back(values[static_cast<std::size_t>(k)]);
                }
                f.rows1.assign(f.order.size(), {});
                f.rows2.assign(f.order.size(), {});
                {
                    const LentCores lent(sharing_, matrix, 1);
                    matrix.traceSegments(keptEnds, keptValues, &f.rows1, &f.rows2);
                }
                f.part.begin = f.region.begin;
                f.g = 0;
                f.stage = SearchFrame::Stage::kChainNext;
                break;
            }
            case SearchFrame::Stage::kSingleAfterLeft: {
                const Cell end = f.record.region.end;
                out.anchors.push_back(std::move(f.record));
                f.stage = SearchFrame::Stage::kSingleDone;
                searchAndPush(Region{end, f.region.end}, true);
                break;
            }
            case SearchFrame::Stage::kChainNext: {
                if (f.g < f.spans.size()) {
                    f.part.end = f.spans[f.g].begin;
                    f.stage = SearchFrame::Stage::kChainAfterPart;
                    // The part before the first anchor keeps its stored scores;
                    // every later part starts at an anchor's end and is re-scored.
                    searchAndPush(f.part, f.g > 0);
                } else {
                    f.part.end = f.region.end;
                    f.stage = SearchFrame::Stage::kChainDone;
                    searchAndPush(f.part, true);
                }
                break;
            }
            case SearchFrame::Stage::kChainAfterPart: {
                const Region& seg = f.spans[f.g];
                Segment record;
                record.region = seg;
                const auto kept = static_cast<std::size_t>(f.order[f.g]);
                // The kept segment's end cell lies beyond every part searched
                // so far, so its score is still the one it was traced with.
                record.score = f.endValues[kept];
                record.row1 = std::move(f.rows1[f.g]);
                record.row2 = std::move(f.rows2[f.g]);
                out.anchors.push_back(std::move(record));
                f.part.begin = seg.end;
                ++f.g;
                f.stage = SearchFrame::Stage::kChainNext;
                break;
            }
            case SearchFrame::Stage::kSingleDone:
            case SearchFrame::Stage::kChainDone:
                stack.pop_back();
                break;
        }
    }
}

AnchorChain AnchoredAligner::selectAnchors() {
    if (selected_) throw std::logic_error("AnchoredAligner::selectAnchors runs once");
    selected_ = true;
    const Region whole{Cell{0, 0}, Cell{len1_, len2_}};
    const AlignParameters& params = context_.params;
    PartAnchors found;
    AnchorChain chain;
    // maxCells_ all hold maxScore_, which spares reading their scores again.
    // A small matrix keeps its cells' choices, which parts share, and its
    // search takes little time: it runs on one worker.
    const long long cells = static_cast<long long>(len1_) * len2_;
    if (params.threads < 2 || matrix_.keepsChoices() || cells <= params.tuning.searchPartMinCells) {
        std::vector<SearchWorker> workers{SearchWorker{matrix_, context_}};
        AnchorSearch(workers, cutoff_, nullptr, 0).searchRegion(0, whole, maxCells_, maxScore_, found);
        collectInOrder(found, chain.anchors);
    } else {
        // Every worker fills its parts alone; the parts, not the strips of
        // one fill, keep the threads busy.
        AlignParameters alone = params;
        alone.threads = 1;
        std::vector<std::unique_ptr<WorkArena>> arenas;
        std::vector<std::unique_ptr<LocalScoreMatrix>> views;
        auto workerOn = [&](LocalScoreMatrix& matrix, WorkArena& arena) {
            return SearchWorker{matrix, SearchContext{context_.seq1, context_.seq2, context_.lookup, alone, arena}};
        };
        std::vector<SearchWorker> workers{workerOn(matrix_, context_.arena)};
        for (int w = 1; w < params.threads; ++w) {
            arenas.push_back(std::make_unique<WorkArena>(context_.arena.budget()));
            views.push_back(matrix_.workerView(*arenas.back()));
            workers.push_back(workerOn(*views.back(), *arenas.back()));
        }
        matrix_.setThreads(1);
        SharedWork sharing(params.threads);
        AnchorSearch search(workers, cutoff_, &sharing, params.tuning.searchPartMinCells);
        sharing.run([&](int worker) { search.searchRegion(worker, whole, maxCells_, maxScore_, found); });
        matrix_.setThreads(params.threads);
        collectInOrder(found, chain.anchors);
    }
    // Nothing is traced after the search: the joins, and the re-alignments
    // of gapped anchors left for now, reuse the grid's memory.
    matrix_.releaseTraceback();
    realignGappedAnchors(context_, chain.anchors);
    for (const Segment& anchor : chain.anchors) chain.score += anchor.score;
    return chain;
}

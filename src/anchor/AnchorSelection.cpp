#include <algorithm>
#include <memory>
#include <stdexcept>

#include "anchor/AnchorSteps.hpp"
#include "anchor/AnchoredAligner.hpp"

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

}  // namespace

void AnchoredAligner::searchAnchors(const Region& region, std::vector<Cell> candidates,
                                    int candidateValue, AnchorChain& chain) {
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
    // a frame of its own, which runs before that frame goes on.
    auto searchAndPush = [&](const Region& part, bool rescore) {
        if (searchPart(matrix_, part, rescore, cutoff_, context_.params, list, listValue) > 0)
            push(part, std::move(list), listValue);
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
                    values.push_back(f.candidateValue >= 0 ? f.candidateValue : matrix_.valueAt(c));
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
                    matrix_.traceSegment(start, values[0], f.record.row1, f.record.row2);
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
                matrix_.traceSegments(starts, values, nullptr, nullptr);
                f.spans.clear();
                for (std::size_t k = 0; k < n; ++k) f.spans.push_back(Region{starts[k], f.candidates[k]});
                f.order.clear();
                groupSort(context_, f.region, f.spans, f.order);
                std::vector<Cell> keptEnds;
                std::vector<int> keptValues;
                for (const int k : f.order) {
                    keptEnds.push_back(f.candidates[static_cast<std::size_t>(k)]);
                    keptValues.push_back(values[static_cast<std::size_t>(k)]);
                }
                f.rows1.assign(f.order.size(), {});
                f.rows2.assign(f.order.size(), {});
                matrix_.traceSegments(keptEnds, keptValues, &f.rows1, &f.rows2);
                f.part.begin = f.region.begin;
                f.g = 0;
                f.stage = SearchFrame::Stage::kChainNext;
                break;
            }
            case SearchFrame::Stage::kSingleAfterLeft: {
                const Cell end = f.record.region.end;
                chain.anchors.push_back(std::move(f.record));
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
                chain.anchors.push_back(std::move(record));
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
    AnchorChain chain;
    // maxCells_ all hold maxScore_, which spares reading their scores again.
    searchAnchors(Region{Cell{0, 0}, Cell{len1_, len2_}}, maxCells_, maxScore_, chain);
    // Nothing is traced after the search: the joins, and the re-alignments
    // of gapped anchors left for now, reuse the grid's memory.
    matrix_.releaseTraceback();
    realignGappedAnchors(context_, chain.anchors);
    for (const Segment& anchor : chain.anchors) chain.score += anchor.score;
    return chain;
}

#include <algorithm>
#include <memory>

#include "anchor/BestAligner.hpp"

namespace {

// One pending region of the anchor search. The search recurses into the
// parts before, between and after the anchors of a region; it keeps its own
// stack of these so that a long chain of anchors cannot exhaust the call stack.
struct SearchFrame {
    enum Stage { kStart, kSingleAfterLeft, kSingleDone, kChainNext, kChainAfterPart, kChainDone };

    foot2 region[2];
    std::vector<foot2> candidates;
    Stage stage = kStart;
    int count = 0;

    // One candidate: its segment, recorded between the parts before and after it.
    f2pScore record;

    // Several candidates: the chain that grouping kept and the walk along it.
    std::vector<std::pair<foot2, foot2>> pairs;
    std::vector<int> order;
    std::vector<std::vector<char>> rows1, rows2;
    std::size_t g = 0;
    foot2 part[2];
};

}  // namespace

int BestAligner::getBestHSS(foot2* region, std::vector<foot2> candidates) {
    std::vector<std::unique_ptr<SearchFrame>> stack;
    auto push = [&stack](const foot2* r, std::vector<foot2>&& cands) {
        auto f = std::make_unique<SearchFrame>();
        f->region[0] = r[0];
        f->region[1] = r[1];
        f->candidates = std::move(cands);
        stack.push_back(std::move(f));
    };
    push(region, std::move(candidates));

    int total = 0;
    std::vector<foot2> list;
    while (!stack.empty()) {
        SearchFrame& f = *stack.back();
        switch (f.stage) {
            case SearchFrame::kStart: {
                // A cell of value 0 or less is no segment at all; letting it
                // through would turn every zero cell into an empty anchor.
                std::erase_if(f.candidates, [this](const foot2& c) { return D[c.i][c.j] <= 0; });
                if (f.candidates.empty()) {
                    f.stage = SearchFrame::kChainDone;
                    break;
                }
                if (f.candidates.size() == 1) {
                    const foot2 end = f.candidates[0];
                    foot2 start = end;
                    f.record.align1.clear();
                    f.record.align2.clear();
                    GetAlignSeq(start, f.record.align1, f.record.align2);
                    f.record.f2p = {start, end};
                    f.record.score = D[end.i][end.j];
                    f.stage = SearchFrame::kSingleAfterLeft;
                    foot2 left[2] = {f.region[0], start};
                    if (next_best(left, list, 0) > 0) push(left, std::move(list));
                    break;
                }
                const std::size_t n = f.candidates.size();
                f.rows1.resize(n);
                f.rows2.resize(n);
                f.pairs.clear();
                for (std::size_t k = 0; k < n; ++k) {
                    foot2 start = f.candidates[k];
                    GetAlignSeq(start, f.rows1[k], f.rows2[k]);
                    f.pairs.emplace_back(start, f.candidates[k]);
                }
                f.order.clear();
                groupSort(f.region, f.pairs, f.order);
                f.part[0] = f.region[0];
                f.g = 0;
                f.stage = SearchFrame::kChainNext;
                break;
            }
            case SearchFrame::kSingleAfterLeft: {
                f.count += 1;
                realignGappedAnchor(f.record);
                hssScore += f.record.score;
                const foot2 end = f.record.f2p.second;
                hssList.push_back(std::move(f.record));
                f.stage = SearchFrame::kSingleDone;
                foot2 right[2] = {end, f.region[1]};
                if (next_best(right, list, 1) > 0) push(right, std::move(list));
                break;
            }
            case SearchFrame::kChainNext: {
                if (f.g < f.pairs.size()) {
                    f.count += 1;
                    f.part[1] = f.pairs[f.g].first;
                    f.stage = SearchFrame::kChainAfterPart;
                    // The part before the first anchor keeps its stored scores;
                    // every later part starts at an anchor's end and is re-scored.
                    if (next_best(f.part, list, static_cast<int>(f.g)) > 0) push(f.part, std::move(list));
                } else {
                    f.part[1] = f.region[1];
                    f.stage = SearchFrame::kChainDone;
                    if (next_best(f.part, list, 1) > 0) push(f.part, std::move(list));
                }
                break;
            }
            case SearchFrame::kChainAfterPart: {
                const auto& seg = f.pairs[f.g];
                f2pScore record;
                record.f2p = seg;
                record.score = D[seg.second.i][seg.second.j];
                const auto kept = static_cast<std::size_t>(f.order[f.g]);
                record.align1 = std::move(f.rows1[kept]);
                record.align2 = std::move(f.rows2[kept]);
                realignGappedAnchor(record);
                hssScore += record.score;
                hssList.push_back(std::move(record));
                f.part[0] = seg.second;
                ++f.g;
                f.stage = SearchFrame::kChainNext;
                break;
            }
            case SearchFrame::kSingleDone:
            case SearchFrame::kChainDone: {
                const int count = f.count;
                stack.pop_back();
                if (stack.empty()) {
                    total = count;
                } else {
                    stack.back()->count += count;
                }
                break;
            }
        }
    }
    return total;
}

int BestAligner::next_best(foot2* region, std::vector<foot2>& candidates, int refill) {
    candidates.clear();
    if (region[1].i - region[0].i < cutLen || region[1].j - region[0].j < cutLen) return 0;
    if (refill) {
        rescore(region, candidates);
    } else {
        int best = cutoff;
        for (int i = region[0].i; i <= region[1].i; ++i) {
            const int* row = D[i];
            for (int j = region[0].j; j <= region[1].j; ++j) {
                const int v = row[j];
                if (v < best || v <= 0) continue;
                if (v > best) {
                    best = v;
                    candidates.clear();
                }
                candidates.push_back(foot2{i, j});
            }
        }
    }
    return static_cast<int>(candidates.size());
}

// Re-scores a region from a zero boundary at its first row and column,
// touching only the cells whose values change: each row is computed up to one
// column past the last change in the row above, and further only while the
// new values still differ from the stored ones. Every cell past the boundary
// is offered as a candidate, in row-major order, with its final value.
void BestAligner::rescore(foot2* region, std::vector<foot2>& candidates) {
    const int top = region[0].i, bottom = region[1].i;
    const int first = region[0].j, lastCol = region[1].j;
    const int open = gapOpen;
    int best = cutoff;
    auto offer = [&](int i, int j, int v) {
        if (v < best || v <= 0) return;
        if (v > best) {
            best = v;
            candidates.clear();
        }
        candidates.push_back(foot2{i, j});
    };

    for (int i = top; i <= bottom; ++i) D[i][first] = 0;
    int last = first;
    int* topRow = D[top];
    for (int j = first; j <= lastCol; ++j) {
        if (topRow[j] != 0) {
            topRow[j] = 0;
            last = j;
        }
    }
    int limit = std::min(last + 1, lastCol);

    for (int i = top + 1; i <= bottom; ++i) {
        const int* prev = D[i - 1];
        int* cur = D[i];
        const int* srow = lookup.row(codes1_[i - 1]);
        const ScoreLookup::Code* b = codes2_.data();
        auto value = [&](int j) {
            int v = prev[j - 1] + srow[b[j - 1]];
            const int up = prev[j] + open;
            if (up > v) v = up;
            const int side = cur[j - 1] + open;
            if (side > v) v = side;
            return v < 0 ? 0 : v;
        };
        last = first + 1;
        int j = first + 1;
        for (; j <= limit; ++j) {
            const int v = value(j);
            if (v != cur[j]) {
                cur[j] = v;
                last = j;
            }
            offer(i, j, cur[j]);
        }
        int rest = limit + 1;
        if (last == limit) {
            for (j = limit + 1; j <= lastCol; ++j) {
                const int v = value(j);
                if (v == cur[j]) break;
                cur[j] = v;
                last = j;
                offer(i, j, v);
            }
            rest = last + 1;
        }
        for (j = rest; j <= lastCol; ++j) offer(i, j, cur[j]);
        limit = std::min(last + 1, lastCol);
    }
}

void BestAligner::selectAnchors() {
    if (selected_ || !hssList.empty()) return;
    selected_ = true;
    foot2 whole[2] = {foot2{0, 0}, foot2{len1, len2}};
    getBestHSS(whole, maxCells);
}

#include <set>
#include <string_view>

#include "align/GotohAligner.hpp"
#include "anchor/AnchorSteps.hpp"
#include "common/SideBySide.hpp"

namespace {

// Two segments (or a group's box and a segment) conflict unless one starts at
// or strictly after the other's end cell.
bool conflicts(const Region& box, const Region& seg) {
    const CellOrder a = compareCells(seg.begin, box.end);
    const CellOrder b = compareCells(box.begin, seg.end);
    const auto atOrAfter = [](CellOrder o) { return o == CellOrder::kSame || o == CellOrder::kAfter; };
    return !(atOrAfter(a) || atOrAfter(b));
}

// A stretch of a sequence between two cells; a negative length (boxes of
// different groups overlapping) runs to the end of the sequence.
std::string_view stretch(std::string_view s, int from, int to) {
    const auto start = static_cast<std::size_t>(std::clamp(from, 0, static_cast<int>(s.size())));
    if (to - from < 0) return s.substr(start);
    return s.substr(start, static_cast<std::size_t>(to - from));
}

}  // namespace

int groupSort(const SearchContext& context, const Region& region, std::vector<Region>& spans,
              std::vector<int>& order) {
    const int n = static_cast<int>(spans.size());

    // Grouping: a group takes every segment that conflicts with its box, the
    // box widening as members join, until no ungrouped segment conflicts.
    std::set<int> ungrouped;
    for (int k = 0; k < n; ++k) ungrouped.insert(k);
    std::vector<std::set<int>> groups;
    std::vector<Region> boxes;
    while (!ungrouped.empty()) {
        const int k = *ungrouped.begin();
        ungrouped.erase(ungrouped.begin());
        std::set<int> group{k};
        Region box = spans[k];
        for (auto it = ungrouped.begin(); it != ungrouped.end();) {
            const int m = *it;
            if (!conflicts(box, spans[m])) {
                ++it;
                continue;
            }
            group.insert(m);
            box.begin.i = std::min(box.begin.i, spans[m].begin.i);
            box.begin.j = std::min(box.begin.j, spans[m].begin.j);
            box.end.i = std::max(box.end.i, spans[m].end.i);
            box.end.j = std::max(box.end.j, spans[m].end.j);
            ungrouped.erase(it);
            it = ungrouped.begin();
        }
        groups.push_back(std::move(group));
        boxes.push_back(box);
    }

    // Ordering by the start row of each box: a selection sort, which is not
    // stable; groups with equal start rows end up as it leaves them.
    const int count = static_cast<int>(groups.size());
    for (int p = 0; p < count; ++p) {
        int minAt = p;
        for (int q = p + 1; q < count; ++q)
            if (boxes[q].begin.i < boxes[minAt].begin.i) minAt = q;
        if (minAt != p) {
            std::swap(groups[p], groups[minAt]);
            std::swap(boxes[p], boxes[minAt]);
        }
    }

    // Choice: of a group's members keep the one whose flanks, up to the
    // neighbouring kept segment or box (or the region's corners), align best.
    for (int g = 0; g < count; ++g) {
        if (groups[g].size() == 1) {
            order.push_back(*groups[g].begin());
            continue;
        }
        Cell flankBegin, flankEnd;
        if (count == 1) {
            flankBegin = region.begin;
            flankEnd = region.end;
        } else if (g == 0) {
            flankBegin = region.begin;
            flankEnd = boxes[1].begin;
        } else if (g == count - 1) {
            flankBegin = boxes[g - 1].end;
            flankEnd = region.end;
        } else {
            flankBegin = boxes[g - 1].end;
            flankEnd = boxes[g + 1].begin;
        }
        // Each member's flanks align on their own: side by side when the
        // pair has threads to itself, then compared in member order.
        const std::vector<int> members(groups[g].begin(), groups[g].end());
        std::vector<int> sums(members.size());
        runSideBySide(static_cast<int>(members.size()), context.params.threads, [&](int task, int) {
            const Region& seg = spans[members[static_cast<std::size_t>(task)]];
            const int left = GotohAligner::globalScore(
                stretch(context.seq1, flankBegin.i, seg.begin.i), stretch(context.seq2, flankBegin.j, seg.begin.j),
                context.lookup, context.params.gapOpen, context.params.gapExt);
            const int right = GotohAligner::globalScore(
                stretch(context.seq1, seg.end.i, flankEnd.i), stretch(context.seq2, seg.end.j, flankEnd.j),
                context.lookup, context.params.gapOpen, context.params.gapExt);
            sums[static_cast<std::size_t>(task)] = left + right;
        });
        int best = -999999999;
        // Starting from the group's own first member keeps the kept segment
        // inside the group even when every flank sum is below the start value.
        int chosen = members.front();
        for (std::size_t t = 0; t < members.size(); ++t) {
            if (sums[t] >= best) {
                best = sums[t];
                chosen = members[t];
            }
        }
        groups[g] = {chosen};
        boxes[g] = spans[chosen];
        order.push_back(chosen);
    }

    spans = std::move(boxes);
    return count;
}

#include <algorithm>
#include <vector>

#include "anchor/BestAligner.hpp"
#include "anchor/ScoreCells.hpp"

namespace {

bool rowSkippingAllowed = true;

// Keeps every cell of the highest value seen so far, provided that value is
// positive and reaches the starting best (the cutoff).
class BestCells {
public:
    BestCells(std::vector<foot2>& cells, int& best)
        : cells_(cells), best_(best), floor_(best > 1 ? best : 1) {}
    // Whether a value can still be kept.
    bool reaches(int v) const { return v >= floor_; }
    void offer(int i, int j, int v) {
        if (v < floor_) [[likely]] return;
        if (v > best_) {
            best_ = floor_ = v;
            cells_.clear();
        }
        cells_.push_back(foot2{i, j});
    }

private:
    std::vector<foot2>& cells_;
    int& best_;
    int floor_;  // lowest value that can still be kept
};

}  // namespace

void BestAligner::allowRowSkipping(bool allowed) { rowSkippingAllowed = allowed; }

int BestAligner::next_best(foot2* region, std::vector<foot2>& candidates, int refill, int zeroColumn) {
    int best = 0;
    return searchPart(region, candidates, refill, zeroColumn, best);
}

int BestAligner::searchPart(foot2* region, std::vector<foot2>& candidates, int refill,
                            int zeroColumn, int& best) {
    candidates.clear();
    if (region[1].i - region[0].i < cutLen || region[1].j - region[0].j < cutLen) return 0;
    best = cutoff;
    if (refill) {
        if (packed_) {
            rescorePart<PackedCells>(region, candidates, zeroColumn, best);
        } else {
            rescorePart<WholeCells>(region, candidates, zeroColumn, best);
        }
    } else if (packed_) {
        scanPart<PackedCells>(region, candidates, best);
    } else {
        scanPart<WholeCells>(region, candidates, best);
    }
    return static_cast<int>(candidates.size());
}

// A part that keeps its stored scores: its first column is the zero column of
// the scores its cells hold, so each row is read from there.
template <class Layout>
void BestAligner::scanPart(const foot2* region, std::vector<foot2>& candidates, int& best) {
    BestCells found(candidates, best);
    for (int i = region[0].i; i <= region[1].i; ++i) {
        if (rowSkippingAllowed && !found.reaches(rowBest_[static_cast<std::size_t>(i)])) continue;
        const auto row = rowOf<Layout>(i);
        int v = Layout::decode(row.get(static_cast<std::size_t>(region[0].j)), 0);
        found.offer(i, region[0].j, v);
        for (int j = region[0].j + 1; j <= region[1].j; ++j) {
            v = Layout::next(row, static_cast<std::size_t>(j), v);
            found.offer(i, j, v);
        }
    }
}

// Re-scores a part from a zero boundary at its first row and column,
// touching only the cells whose values change: each row is computed up to one
// column past the last change in the row above, and further only while the
// new values still differ from the stored ones. Every cell past the boundary
// is offered as a candidate, in row-major order, with its final value.
//
// The old scores are read relative to `zeroColumn`, the first column of the
// region the part lies in; the new ones are followed in two rolling rows.
template <class Layout>
void BestAligner::rescorePart(const foot2* region, std::vector<foot2>& candidates, int zeroColumn,
                              int& best) {
    const int top = region[0].i, bottom = region[1].i;
    const int first = region[0].j, lastCol = region[1].j;
    const int open = gapOpen;
    BestCells found(candidates, best);
    auto column = [](int j) { return static_cast<std::size_t>(j); };

    // Old scores down the first column, read before it is cleared.
    const int rows = bottom - top + 1;
    std::vector<int> oldFirst(static_cast<std::size_t>(rows));
    oldFirst[0] = valueAt(foot2{top, first}, zeroColumn);
    for (int k = 1; k < rows; ++k)
        oldFirst[k] = Layout::decode(rowOf<Layout>(top + k).get(column(first)), oldFirst[k - 1]);
    for (int i = top; i <= bottom; ++i) rowOf<Layout>(i).set(column(first), 0);

    // Rolling rows of the new scores; entry k stands for column first + k.
    const std::size_t span = static_cast<std::size_t>(lastCol - first) + 1;
    std::vector<int> rollingRows(2 * span, 0);
    int* prev = rollingRows.data();
    int* cur = prev + span;

    int last = first;
    int old = oldFirst[0];
    const auto topRow = rowOf<Layout>(top);
    for (int j = first + 1; j <= lastCol; ++j) {
        old = Layout::decode(topRow.get(column(j)), old);
        if (old != 0) {
            topRow.set(column(j), 0);
            last = j;
        }
    }
    int limit = std::min(last + 1, lastCol);
    rowBest_[static_cast<std::size_t>(top)] = 0;

    for (int i = top + 1; i <= bottom; ++i) {
        const auto row = rowOf<Layout>(i);
        const int* srow = lookup.row(codes1_[i - 1]);
        const ScoreLookup::Code* b = codes2_.data();
        auto value = [&](int j) {
            const int k = j - first;
            int v = prev[k - 1] + srow[b[j - 1]];
            const int up = prev[k] + open;
            if (up > v) v = up;
            const int side = cur[k - 1] + open;
            if (side > v) v = side;
            return v < 0 ? 0 : v;
        };
        cur[0] = 0;
        int oldLeft = oldFirst[static_cast<std::size_t>(i - top)];
        last = first + 1;
        int j = first + 1;
        for (; j <= limit; ++j) {
            const int was = Layout::decode(row.get(column(j)), oldLeft);
            const int v = value(j);
            if (v != was) {
                row.set(column(j), v);
                last = j;
            }
            cur[j - first] = v;
            oldLeft = was;
            found.offer(i, j, v);
        }
        int rest = limit + 1;
        if (last == limit) {
            for (j = limit + 1; j <= lastCol; ++j) {
                const int was = Layout::decode(row.get(column(j)), oldLeft);
                const int v = value(j);
                if (v == was) break;
                row.set(column(j), v);
                cur[j - first] = v;
                last = j;
                oldLeft = was;
                found.offer(i, j, v);
            }
            rest = last + 1;
        }
        // Unchanged cells follow the new score on their left; that cell's
        // stored form is current too (new, cleared, or itself unchanged).
        for (j = rest; j <= lastCol; ++j) {
            const int k = j - first;
            cur[k] = Layout::next(row, column(j), cur[k - 1]);
            found.offer(i, j, cur[k]);
        }
        rowBest_[static_cast<std::size_t>(i)] = *std::max_element(cur, cur + span);
        limit = std::min(last + 1, lastCol);
        std::swap(prev, cur);
    }
}

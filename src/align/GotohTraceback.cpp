#include "align/GotohTraceback.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>

#include "align/OptimalPathBound.hpp"
#include "common/MemoryBudget.hpp"
#include "common/StopRequest.hpp"

namespace {

// Below this many bytes of choices the whole matrix is one block: it is
// recorded during the fill and nothing is computed twice.
constexpr long long kSingleBlockBytes = 4LL << 20;

// The tile borders of an n x m fill and the threads that fill them: as many
// as the fill's strips. With the default tile width, a tile's two rows of
// states and its pair scores (28 bytes a column) stay in a core's
// second-level cache (512 KiB here) from one row to the next; narrower tiles
// cost more in hand-offs than they save.
std::vector<int> fillTileEdges(int m, int n, const StripPolicy& strips, int& threads) {
    std::vector<int> edges = columnStripEdges(m, n, strips);
    threads = static_cast<int>(edges.size()) - 1;
    const int tiles = m / std::max(strips.tileColumns, 1);
    if (tiles <= threads || static_cast<long long>(n) * m < strips.minCells) return edges;
    return columnStripEdges(m, n, StripPolicy{tiles, 1, 0});
}

int blocksOf(int n, int k) { return n == 0 ? 0 : (n + k - 1) / k; }

// Where D, P and Q of kept column j (a multiple of the step) in row i are
// kept, for an n x m fill.
std::size_t keptSlot(const GotohFill& f, int m, int i, int j) {
    const auto perRow = static_cast<std::size_t>(m / f.keptColumnStep);
    return ((static_cast<std::size_t>(i) - 1) * perRow + static_cast<std::size_t>(j / f.keptColumnStep) - 1) * 3;
}

// The row of `state`'s matrix.
const int* stateRow(const GotohRowStates& row, GotohState state) {
    switch (state) {
        case GotohState::kPair: return row.d;
        case GotohState::kGapIn2: return row.p;
        case GotohState::kGapIn1: break;
    }
    return row.q;
}

int cornerValue(const GotohCorner& corner, GotohState state) {
    switch (state) {
        case GotohState::kPair: return corner.d;
        case GotohState::kGapIn2: return corner.p;
        case GotohState::kGapIn1: break;
    }
    return corner.q;
}

// The pair scores of every residue code against the columns, when the rows
// to fill outnumber the codes: then a row's scores are a pointer into it
// rather than a gather per cell. Shared, read only, by every strip.
struct ScoreProfile {
    std::vector<int> table;
    std::size_t width = 0;

    ScoreProfile(const GotohProblem& p, std::size_t w, long long rows) : width(w) {
        const std::size_t codes = p.lookup.codes();
        if (w < 2 || rows <= static_cast<long long>(codes)) return;
        table.assign(codes * w, 0);
        for (std::size_t c = 0; c < codes; ++c) {
            const int* srow = p.lookup.row(static_cast<ScoreLookup::Code>(c));
            for (std::size_t j = 1; j < w; ++j) table[c * w + j] = srow[p.b[j - 1]];
        }
    }
};

// The three states of one row, `width` entries each, over columns 0..width-1.
struct FullRow {
    std::vector<int> buf;
    GotohRowStates row{};

    explicit FullRow(std::size_t w) : buf(3 * w) {
        row = {buf.data(), buf.data() + w, buf.data() + 2 * w};
    }
};

// A strip's two state rows and its pair scores; column 0 of the window is
// the strip's first column.
struct StripRows {
    std::vector<int> buf;
    GotohRowStates prev{}, cur{};
    int* scores = nullptr;

    // The seven arrays start 576 bytes apart within a 4 KiB page: with
    // rows of a tile's width they would otherwise start at nearly the same
    // offset, and the kernel's loads and stores at one column would compete
    // for the same few cache sets.
    void size(std::size_t w) {
        const std::size_t stride = (w + 1023) / 1024 * 1024 + 144;
        if (buf.size() < 7 * stride) buf.resize(7 * stride);
        int* a = buf.data();
        prev = {a, a + stride, a + 2 * stride};
        cur = {a + 3 * stride, a + 4 * stride, a + 5 * stride};
        scores = a + 6 * stride;
    }
};

void firstRow(GotohRowStates r, int w, int gapOpen, int gapExt) {
    r.d[0] = r.p[0] = r.q[0] = 0;
    for (int j = 1; j < w; ++j) {
        r.d[j] = r.p[j] = kImpossible;
        r.q[j] = gapOpen + (j - 1) * gapExt;
    }
}

// Rows top+1..bottom of the recurrence from the states of row top
// (`start`), split into strips at `edges`.
struct Band {
    const GotohProblem& p;
    const ScoreProfile& profile;
    GotohRowFn fillRow;
    int top, bottom;
    GotohRowStates start;
    const std::vector<int>& edges;
    // Cells no optimal path can reach are left impossible (none by default).
    const OptimalPathBound* bound = nullptr;

    int strips() const { return static_cast<int>(edges.size()) - 1; }
};

// Sets columns lo..hi of a row's three states impossible.
void clearColumns(GotohRowStates r, int lo, int hi) {
    for (int j = lo; j <= hi; ++j) r.d[j] = r.p[j] = r.q[j] = kImpossible;
}

int bestState(const GotohRowStates& r, int j) { return std::max({r.d[j], r.p[j], r.q[j]}); }

// The columns of one strip row that may lie on an optimal path, lo..hi of
// the strip's own (1..width), and whether its column 0, the one handed on
// from the left, may. Every other state of the row is impossible.
struct KeptColumns {
    int lo = 1, hi = 0;
    bool left = false;
};

// Which columns of a strip's rows a fill bounded by a known score computes.
// A row is computed only where an optimal path may run and everything else
// of it is impossible, so that neither the next row nor any reader sees a
// value from a path the bound rules out. A cell of an optimal path is
// entered from the kept cells of the row above (at most one column further
// right) or along its row, through a gap: up to the far corner's diagonal
// that costs nothing against the bound, so the window reaches it, and
// beyond it the row is extended while its last cell may still be on a path.
// Only cells on the bound's diagonals are ever computed, and a strip waits
// for, and hands on, exactly the rows whose edge column is on them, so the
// strips need not know what the others kept.
class BoundedRows {
public:
    BoundedRows(const OptimalPathBound& bound, int c0, int width) : bound_(bound), c0_(c0), width_(width) {}

    // Keeps what may lie on an optimal path of the row the strip starts from.
    void start(GotohRowStates row, int i) {
        above_ = keep(row, i, 1, width_);
        above_.left = mayHold(row, i, 0);
        if (!above_.left) clearColumns(row, 0, 0);
    }

    // The columns lo..hi of row i to compute, once `cur` holds its column 0;
    // clears what `cur` held outside them.
    std::pair<int, int> window(GotohRowStates cur, int i) {
        left_ = mayHold(cur, i, 0);
        if (!left_) clearColumns(cur, 0, 0);
        const bool fromLeft = left_ || above_.left;
        const bool fromAbove = above_.lo <= above_.hi;
        long long lo = fromLeft ? 1 : above_.lo;
        long long hi = fromAbove ? above_.hi + 1 : (fromLeft ? 1 : 0);
        if (fromLeft || fromAbove) hi = std::max(hi, i + bound_.cornerDiagonal - c0_);
        lo = std::max(lo, static_cast<long long>(i) + bound_.diagonals.lowest - c0_);
        hi = std::min(hi, lastOnDiagonals(i));
        const int l = static_cast<int>(lo), h = static_cast<int>(hi);
        clearColumns(cur, held_.lo, std::min(held_.hi, l - 1));
        clearColumns(cur, std::max(held_.lo, h + 1), held_.hi);
        return {l, h};
    }

    // After columns lo..hi of row i are computed: extends the row to the
    // right (fillNext(j) computes column j from column j - 1) and keeps what
    // may lie on an optimal path. `cur` becomes the row above.
    template <class FillNext>
    void finish(GotohRowStates cur, int i, int lo, int hi, FillNext fillNext) {
        held_ = KeptColumns{};
        if (lo <= hi) {
            const long long end = lastOnDiagonals(i);
            while (hi < end && mayHold(cur, i, hi)) fillNext(++hi);
            held_ = keep(cur, i, lo, hi);
        }
        held_.left = left_;
        std::swap(above_, held_);
    }

    bool handsOn(int i, int column) const { return bound_.diagonals.holds(i, c0_ + column); }

private:
    bool mayHold(const GotohRowStates& r, int i, int j) const {
        return bound_.mayHold(i, c0_ + j, bestState(r, j));
    }
    long long lastOnDiagonals(int i) const {
        return std::min(static_cast<long long>(width_), static_cast<long long>(i) + bound_.diagonals.highest - c0_);
    }
    // Narrows columns lo..hi to those that may lie on an optimal path, from
    // both ends: keeping the reachable cells between costs less than asking
    // each.
    KeptColumns keep(GotohRowStates r, int i, int lo, int hi) const {
        while (lo <= hi && !mayHold(r, i, lo)) clearColumns(r, lo, lo), ++lo;
        while (hi >= lo && !mayHold(r, i, hi)) clearColumns(r, hi, hi), --hi;
        return KeptColumns{lo, hi, false};
    }

    const OptimalPathBound& bound_;
    int c0_, width_;
    KeptColumns above_;                 // of the row above
    KeptColumns held_{1, width_, true};  // what the other row may still hold
    bool left_ = false;                 // whether this row's column 0 is kept
};

// Fills strip s of the band. movesOf(i) is row i's move bytes (indexed by
// column) or null; onRow(i, cur, c0, c1) sees each row's states of columns
// c0..c1 (cur.x[0] is column c0). Leaves the band's last row in rows.prev.
template <class MovesOf, class OnRow>
void fillStrip(const Band& band, int s, StripRows& rows, StripHandOff* in, StripHandOff* out,
               MovesOf movesOf, OnRow onRow) {
    const GotohProblem& p = band.p;
    const int c0 = band.edges[static_cast<std::size_t>(s)];
    const int c1 = band.edges[static_cast<std::size_t>(s) + 1];
    const int n = c1 - c0;
    const std::size_t w = static_cast<std::size_t>(n) + 1;
    rows.size(w);
    std::copy_n(band.start.d + c0, w, rows.prev.d);
    std::copy_n(band.start.p + c0, w, rows.prev.p);
    std::copy_n(band.start.q + c0, w, rows.prev.q);
    std::optional<BoundedRows> bounded;
    if (band.bound) {
        bounded.emplace(*band.bound, c0, n);
        bounded->start(rows.prev, band.top);
    }
    for (int i = band.top + 1; i <= band.bottom; ++i) {
        stopPoint();
        GotohRowStates& cur = rows.cur;
        const int k = i - band.top - 1;
        if (!in) {
            cur.d[0] = cur.q[0] = kImpossible;
            cur.p[0] = p.gapOpen + (i - 1) * p.gapExt;
        } else if (!bounded || bounded->handsOn(i, 0)) {
            const int* left = in->await(k);
            cur.d[0] = left[0];
            cur.p[0] = left[1];
            cur.q[0] = left[2];
        } else {
            cur.d[0] = cur.p[0] = cur.q[0] = kImpossible;  // the strip on the left hands nothing on
        }
        const auto [lo, hi] = bounded ? bounded->window(cur, i) : std::pair<int, int>{1, n};
        const int* srow = p.lookup.row(p.a[i - 1]);
        const int* scores = rows.scores;
        if (!band.profile.table.empty()) {
            scores = band.profile.table.data() + p.a[i - 1] * band.profile.width + c0;
        } else {
            for (int j = lo; j <= hi; ++j) rows.scores[j] = srow[p.b[c0 + j - 1]];
        }
        std::uint8_t* moves = movesOf(i);
        // Columns first..last, the window's column 0 being first - 1.
        const auto fill = [&](GotohRowFn kernel, int first, int last) {
            const std::size_t o = static_cast<std::size_t>(first - 1);
            const GotohRowStates above{rows.prev.d + o, rows.prev.p + o, rows.prev.q + o};
            const GotohRowStates here{cur.d + o, cur.p + o, cur.q + o};
            kernel(scores + o, last - first + 1, p.gapOpen, p.gapExt, above, here,
                   moves ? moves + c0 + o : nullptr);
        };
        if (lo <= hi) fill(band.fillRow, lo, hi);
        if (bounded) {
            bounded->finish(cur, i, lo, hi, [&](int j) {
                if (band.profile.table.empty()) rows.scores[j] = srow[p.b[c0 + j - 1]];
                fill(gotohFillRowScalar, j, j);
            });
        }
        if (out && (!bounded || bounded->handsOn(i, n))) {
            const int last[3] = {cur.d[n], cur.p[n], cur.q[n]};
            out->publish(k, last);
        }
        onRow(i, static_cast<const GotohRowStates&>(cur), c0, c1);
        std::swap(rows.prev, rows.cur);
    }
}

// Q of an inner row from its D and P. Q is a maximum along the row, so this
// gives the kernel's values whatever its order of comparisons; the
// arithmetic is the scalar kernel's, for the inputs that use it because
// their values may wrap.
void rebuildQ(GotohRowStates r, int w, int gapOpen, int gapExt) {
    r.q[0] = kImpossible;
    int qLeft = kImpossible;
    for (int j = 1; j < w; ++j) {
        const int qd = r.d[j - 1] + gapOpen, qp = r.p[j - 1] + gapOpen;
        int qv = qd >= qp ? qd : qp;
        const int qe = qLeft + gapExt;
        if (qe >= qv) qv = qe;
        qLeft = qv;
        r.q[j] = qv;
    }
}

// Keeps columns c0+1..c1 of one state row of a checkpoint as steps (v[0] is
// column c0); false when a step needs more than 16 bits. Column 1 is kept
// whole, in `first`.
bool packColumns(const int* v, int c0, int c1, std::int16_t* steps, int& first) {
    for (int j = c0 + 1; j <= c1; ++j) {
        if (j == 1) {
            first = v[1];
            continue;
        }
        const long long step = static_cast<long long>(v[j - c0]) - v[j - c0 - 1];
        if (step < std::numeric_limits<std::int16_t>::min() ||
            step > std::numeric_limits<std::int16_t>::max())
            return false;
        steps[j] = static_cast<std::int16_t>(step);
    }
    return true;
}

void unpackColumns(const std::int16_t* steps, int first, int lo, int hi, int* v) {
    for (int j = lo; j <= hi; ++j) v[j] = j == 1 ? first : v[j - 1] + steps[j];
}

// Keeps the columns strip s owns of checkpoint row c*k; `row` holds columns
// c0..c1 of that row.
void saveCheckpoint(GotohFill& f, int c, int s, const GotohRowStates& row, int c0, int c1,
                    int m) {
    const std::size_t width = static_cast<std::size_t>(m) + 1;
    const std::size_t slot = static_cast<std::size_t>(c - 1) * 2;
    std::int16_t* steps = f.checkpointSteps.data() + slot * width;
    if (packColumns(row.d, c0, c1, steps, f.checkpointFirst[slot]) &&
        packColumns(row.p, c0, c1, steps + width, f.checkpointFirst[slot + 1]))
        return;
    const std::size_t strips = f.checkpointEdges.size() - 1;
    std::vector<int>& wide =
        f.wideCheckpoints[static_cast<std::size_t>(c - 1) * strips + static_cast<std::size_t>(s)];
    wide.assign(row.d + 1, row.d + 1 + (c1 - c0));
    wide.insert(wide.end(), row.p + 1, row.p + 1 + (c1 - c0));
}

// D and P of checkpoint row c*k over columns 0..w-1, and Q rebuilt from them.
void loadCheckpoint(const GotohProblem& p, const GotohFill& f, int c, int w,
                    GotohRowStates row) {
    const std::size_t width = static_cast<std::size_t>(p.m) + 1;
    const std::size_t slot = static_cast<std::size_t>(c - 1) * 2;
    const std::int16_t* steps = f.checkpointSteps.data() + slot * width;
    const int top = c * f.blockRows;
    row.d[0] = kImpossible;
    row.p[0] = p.gapOpen + (top - 1) * p.gapExt;
    const std::size_t strips = f.checkpointEdges.size() - 1;
    for (std::size_t s = 0; s < strips; ++s) {
        const int lo = f.checkpointEdges[s] + 1;
        const int hi = std::min(f.checkpointEdges[s + 1], w - 1);
        if (lo > hi) break;
        const std::vector<int>& wide = f.wideCheckpoints[static_cast<std::size_t>(c - 1) * strips + s];
        if (!wide.empty()) {
            const std::size_t owned = static_cast<std::size_t>(f.checkpointEdges[s + 1] - lo + 1);
            std::copy_n(wide.data(), hi - lo + 1, row.d + lo);
            std::copy_n(wide.data() + owned, hi - lo + 1, row.p + lo);
        } else {
            unpackColumns(steps, f.checkpointFirst[slot], lo, hi, row.d);
            unpackColumns(steps + width, f.checkpointFirst[slot + 1], lo, hi, row.p);
        }
    }
    rebuildQ(row, w, p.gapOpen, p.gapExt);
}

struct Capture {
    GotohCell cell;
    int value = 0;
};

// What the traceback's block recomputations share.
struct BlockBuffers {
    ScoreProfile profile;
    FullRow start;
    std::vector<StripRows> strips;

    BlockBuffers(const GotohProblem& p, std::size_t w, long long rows)
        : profile(p, w, rows), start(w) {}
};

// Recomputes rows top+1 .. lastRow of block c over columns firstColumn .. w-1
// from its checkpoint (and, past column 0, from the kept column
// firstColumn), recording their choices in fill.moves.
void loadBlock(const GotohProblem& p, GotohFill& f, BlockBuffers& bb, int c, int firstColumn,
               int lastRow, int w, Capture* capture) {
    const int k = f.blockRows;
    const int top = c * k;
    const int rows = lastRow - top;
    const std::size_t stride = static_cast<std::size_t>(w);
    if (top == 0) {
        firstRow(bb.start.row, w, p.gapOpen, p.gapExt);
    } else {
        loadCheckpoint(p, f, c, w, bb.start.row);
    }
    f.moves.reset(static_cast<std::size_t>(k) * stride);
    // A block is a slice of a fill: it is split, by its width alone, when
    // the fill was. A block has fewer cells than the fill's threshold
    // wants but still far more than starting a thread costs.
    StripPolicy policy = f.strips;
    if (columnStripEdges(p.m, p.n, f.strips).size() > 2) {
        policy.minCells = 0;
    } else {
        policy.threads = 1;
    }
    std::vector<int> edges = columnStripEdges(w - 1 - firstColumn, rows, policy);
    for (int& edge : edges) edge += firstColumn;
    // The kept column's states, row by row, enter the first strip as a
    // strip on its left would hand them on.
    StripHandOff keptColumn(firstColumn > 0 ? static_cast<std::size_t>(rows) : 0, 3);
    if (firstColumn > 0) {
        for (int i = top + 1; i <= lastRow; ++i)
            keptColumn.publish(i - top - 1, f.keptColumns.data() + keptSlot(f, p.m, i, firstColumn));
    }
    const Band band{p, bb.profile, gotohRowFor(p.n, p.m, p.lookup, p.gapOpen, p.gapExt),
                    top, lastRow, bb.start.row, edges};
    if (bb.strips.size() < edges.size() - 1) bb.strips.resize(edges.size() - 1);
    std::uint8_t* moves = f.moves.data();
    runColumnStrips(band.strips(), static_cast<std::size_t>(rows), 3,
                    [&](int s, StripHandOff* in, StripHandOff* out) {
        const auto movesOf = [&](int i) {
            return moves + static_cast<std::size_t>(i - top - 1) * stride;
        };
        const auto onRow = [&](int i, const GotohRowStates& cur, int c0, int c1) {
            if (!capture || i != capture->cell.i) return;
            const int j = capture->cell.j;
            if (j > c1 || (j <= c0 && s > 0)) return;
            capture->value = stateRow(cur, capture->cell.state)[j - c0];
        };
        StripHandOff* left = s == 0 && firstColumn > 0 ? &keptColumn : in;
        fillStrip(band, s, bb.strips[static_cast<std::size_t>(s)], left, out, movesOf, onRow);
    });
    f.movesBlock = c;
    f.movesWidth = w;
    f.movesFirstColumn = firstColumn;
    f.movesLastRow = lastRow;
}

// The column a recomputation for the path at `cur` in block c starts from:
// the kept column left of where a diagonal path would leave the block, or,
// when the path has just left the loaded columns to the left, the kept
// column left of it.
int firstColumnFor(const GotohFill& f, int c, const GotohCell& cur) {
    const int step = f.keptColumnStep;
    if (step == 0) return 0;
    const bool leftLoaded = f.movesBlock == c && cur.i <= f.movesLastRow && cur.j <= f.movesFirstColumn;
    const int guess = leftLoaded ? cur.j - 1 : cur.j - (cur.i - c * f.blockRows);
    return guess <= 0 ? 0 : guess / step * step;
}

// The start value when the fill kept it or the boundary fixes it.
bool knownValue(const GotohProblem& p, const GotohFill& f, GotohCell s, int& value) {
    if (s.i == p.n && s.j == p.m) {
        value = cornerValue(f.corner, s.state);
    } else if (s.state == GotohState::kPair && s.i == p.n) {
        value = f.lastRow[static_cast<std::size_t>(s.j)];
    } else if (s.state == GotohState::kPair && s.j == p.m) {
        value = f.lastCol[static_cast<std::size_t>(s.i)];
    } else if (s.i == 0 && s.j == 0) {
        value = 0;
    } else if (s.i == 0) {
        value = s.state == GotohState::kGapIn1 ? p.gapOpen + (s.j - 1) * p.gapExt : kImpossible;
    } else if (s.j == 0) {
        value = s.state == GotohState::kGapIn2 ? p.gapOpen + (s.i - 1) * p.gapExt : kImpossible;
    } else {
        return false;
    }
    return true;
}

// Walks the path through the loaded block until it leaves it upwards or
// reaches its first column (column 0, or a kept one), appending the columns
// in reverse.
void walkBlock(const GotohFill& f, GotohCell& cur, std::string_view seq1, std::string_view seq2,
               std::vector<char>& row1, std::vector<char>& row2) {
    const int top = f.movesBlock * f.blockRows;
    const std::size_t stride = static_cast<std::size_t>(f.movesWidth);
    const std::uint8_t* moves = f.moves.data();
    while (cur.i > top && cur.j > f.movesFirstColumn) {
        const std::uint8_t m = moves[static_cast<std::size_t>(cur.i - top - 1) * stride +
                                     static_cast<std::size_t>(cur.j)];
        const GotohState state = cur.state;
        cur.state = previousState(m, state);
        switch (state) {
            case GotohState::kPair:
                row1.push_back(seq1[static_cast<std::size_t>(cur.i - 1)]);
                row2.push_back(seq2[static_cast<std::size_t>(cur.j - 1)]);
                --cur.i;
                --cur.j;
                break;
            case GotohState::kGapIn2:
                row1.push_back(seq1[static_cast<std::size_t>(cur.i - 1)]);
                row2.push_back('-');
                --cur.i;
                break;
            case GotohState::kGapIn1:
                row1.push_back('-');
                row2.push_back(seq2[static_cast<std::size_t>(cur.j - 1)]);
                --cur.j;
                break;
        }
    }
}

}  // namespace

int gotohBlockRows(int n, int m) {
    if (n <= 1) return 1;
    if (static_cast<long long>(n) * (m + 1) <= kSingleBlockBytes) return n;
    // Checkpoints cost 4 bytes a column each, n / k of them; the block k.
    const int k = static_cast<int>(std::ceil(std::sqrt(4.0 * n)));
    return std::clamp(k, 1, n);
}

int gotohKeptColumnStep(int n, int m, int k) {
    if (k >= n) return 0;
    const int step = std::max(4096, 4 * k);
    return m >= 2 * step ? step : 0;
}

GotohFill fillGotohCheckpointed(const GotohProblem& p, int blockRows, WorkArena* arena,
                                const StripPolicy& strips, int keptColumnStep,
                                const std::optional<OptimalPathBound>& bound) {
    const int n = p.n, m = p.m;
    const std::size_t width = static_cast<std::size_t>(m) + 1;
    GotohFill f(arena);
    f.strips = strips;
    f.blockRows = blockRows > 0 ? std::min(blockRows, std::max(n, 1)) : gotohBlockRows(n, m);
    const int k = f.blockRows;
    const int blocks = blocksOf(n, k);
    const int bottomTop = blocks > 0 ? (blocks - 1) * k : 0;

    const ScoreProfile profile(p, width, n);
    FullRow start(width);
    firstRow(start.row, static_cast<int>(width), p.gapOpen, p.gapExt);
    f.lastCol.assign(static_cast<std::size_t>(n) + 1, 0);
    f.lastCol[0] = start.row.d[m];
    f.lastRow.assign(width, 0);
    int threads = 1;
    f.checkpointEdges = fillTileEdges(m, n, strips, threads);
    const std::size_t stripCount = f.checkpointEdges.size() - 1;
    if (blocks > 1) {
        const std::size_t saved = static_cast<std::size_t>(blocks - 1);
        f.checkpointSteps.reset(saved * 2 * width);
        f.checkpointFirst.assign(saved * 2, 0);
        f.wideCheckpoints.resize(saved * stripCount);
    }
    if (blocks > 0) {
        f.moves.reset(static_cast<std::size_t>(k) * width);
        f.movesBlock = blocks - 1;
        f.movesWidth = static_cast<int>(width);
        f.movesLastRow = n;
    }
    f.keptColumnStep = keptColumnStep == 0 ? gotohKeptColumnStep(n, m, k) : std::max(keptColumnStep, 0);
    if (blocks <= 1 || f.keptColumnStep > m) f.keptColumnStep = 0;
    // The kept columns only save time: a fill that has no memory left for
    // them goes without, as it would have before there were any.
    if (f.keptColumnStep > 0) {
        try {
            f.keptColumns.reset(static_cast<std::size_t>(n) * static_cast<std::size_t>(m / f.keptColumnStep) * 3);
        } catch (const OutOfMemory&) {
            f.keptColumnStep = 0;
        }
    }
    const int step = f.keptColumnStep;
    Band band{p, profile, gotohRowFor(n, m, p.lookup, p.gapOpen, p.gapExt), 0, n, start.row,
              f.checkpointEdges};
    if (bound) band.bound = &*bound;
    std::uint8_t* moves = f.moves.data();
    std::vector<StripRows> rows(stripCount);
    runColumnTiles(band.strips(), threads, static_cast<std::size_t>(n), 3,
                   [&](int s, StripHandOff* in, StripHandOff* out) {
        const bool last = static_cast<std::size_t>(s) + 1 == stripCount;
        const auto movesOf = [&](int i) -> std::uint8_t* {
            return i > bottomTop ? moves + static_cast<std::size_t>(i - bottomTop - 1) * width
                                 : nullptr;
        };
        // Kept columns in this strip's own columns, c0 + 1 .. c1 (or from 1).
        const int c0 = band.edges[static_cast<std::size_t>(s)];
        const int c1 = band.edges[static_cast<std::size_t>(s) + 1];
        const int firstKept = step > 0 ? (c0 / step + 1) * step : c1 + 1;
        const auto onRow = [&](int i, const GotohRowStates& cur, int, int) {
            if (last) f.lastCol[static_cast<std::size_t>(i)] = cur.d[c1 - c0];
            if (i % k == 0 && i <= bottomTop) saveCheckpoint(f, i / k, s, cur, c0, c1, m);
            for (int j = firstKept; j <= c1; j += step) {
                int* kept = f.keptColumns.data() + keptSlot(f, m, i, j);
                kept[0] = cur.d[j - c0];
                kept[1] = cur.p[j - c0];
                kept[2] = cur.q[j - c0];
            }
        };
        StripRows& strip = rows[static_cast<std::size_t>(s)];
        fillStrip(band, s, strip, in, out, movesOf, onRow);
        const int own = s > 0 ? 1 : 0;
        std::copy(strip.prev.d + own, strip.prev.d + (c1 - c0) + 1, f.lastRow.begin() + c0 + own);
        if (last) f.corner = GotohCorner{strip.prev.d[c1 - c0], strip.prev.p[c1 - c0], strip.prev.q[c1 - c0]};
    });
    return f;
}

int traceGotoh(const GotohProblem& p, GotohFill& f, GotohCell start, std::string_view seq1,
               std::string_view seq2, std::vector<char>& row1, std::vector<char>& row2) {
    const std::size_t from1 = row1.size();
    const std::size_t from2 = row2.size();
    GotohCell cur = start;
    // The path never goes right of its start, so no block needs more columns.
    BlockBuffers bb(p, cur.i > 0 && cur.j > 0 ? static_cast<std::size_t>(cur.j) + 1 : 0, cur.i);
    int result = 0;
    if (!knownValue(p, f, start, result)) {
        Capture capture{start};
        const int c = (start.i - 1) / f.blockRows;
        loadBlock(p, f, bb, c, firstColumnFor(f, c, start), start.i, start.j + 1, &capture);
        result = capture.value;
    }
    while (cur.i > 0 && cur.j > 0) {
        const int c = (cur.i - 1) / f.blockRows;
        if (f.movesBlock != c || f.movesWidth < cur.j + 1 || cur.i > f.movesLastRow ||
            cur.j <= f.movesFirstColumn)
            loadBlock(p, f, bb, c, firstColumnFor(f, c, cur), cur.i, cur.j + 1, nullptr);
        walkBlock(f, cur, seq1, seq2, row1, row2);
    }
    // Leading end gaps: their cost is already part of the path's score.
    while (cur.i > 0) {
        --cur.i;
        row1.push_back(seq1[static_cast<std::size_t>(cur.i)]);
        row2.push_back('-');
    }
    while (cur.j > 0) {
        --cur.j;
        row1.push_back('-');
        row2.push_back(seq2[static_cast<std::size_t>(cur.j)]);
    }
    std::reverse(row1.begin() + static_cast<std::ptrdiff_t>(from1), row1.end());
    std::reverse(row2.begin() + static_cast<std::ptrdiff_t>(from2), row2.end());
    return result;
}

GotohCell gotohGlobalStart(const GotohFill& f, int n, int m) {
    const int best = std::max({f.corner.d, f.corner.p, f.corner.q});
    const GotohState state = best == f.corner.d   ? GotohState::kPair
                             : best == f.corner.p ? GotohState::kGapIn2
                                                  : GotohState::kGapIn1;
    return GotohCell{state, n, m};
}

GotohCell gotohRightStart(const GotohFill& f, int n, int m) {
    int bi = n, bj = m;
    int best = f.lastRow[static_cast<std::size_t>(m)];
    if (m < n) {
        for (int i = n - 1; i >= 0; --i)
            if (f.lastCol[static_cast<std::size_t>(i)] >= best) {
                best = f.lastCol[static_cast<std::size_t>(i)];
                bi = i;
            }
    } else {
        for (int j = m - 1; j >= 0; --j)
            if (f.lastRow[static_cast<std::size_t>(j)] >= best) {
                best = f.lastRow[static_cast<std::size_t>(j)];
                bj = j;
            }
    }
    return GotohCell{GotohState::kPair, bi, bj};
}

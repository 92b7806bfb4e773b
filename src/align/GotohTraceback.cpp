#include "align/GotohTraceback.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {

// Below this many bytes of choices the whole matrix is one block: it is
// recorded during the fill and nothing is computed twice.
constexpr long long kSingleBlockBytes = 4LL << 20;

int blocksOf(int n, int k) { return n == 0 ? 0 : (n + k - 1) / k; }

// Three state rows and the pair scores of one row, `width` entries each.
struct RowBuffers {
    std::vector<int> buf;
    GotohRowStates prev{}, cur{};
    int* scores = nullptr;
    // The pair scores of every residue code against the columns, when the
    // rows to fill outnumber the codes: then a row's scores are a pointer
    // into it rather than a gather per cell.
    std::vector<int> profile;
    std::size_t width = 0;

    RowBuffers(std::size_t w, const GotohProblem& p, long long rows) : buf(7 * w), width(w) {
        prev = {buf.data(), buf.data() + w, buf.data() + 2 * w};
        cur = {buf.data() + 3 * w, buf.data() + 4 * w, buf.data() + 5 * w};
        scores = buf.data() + 6 * w;
        const std::size_t codes = p.lookup.codes();
        if (w < 2 || rows <= static_cast<long long>(codes)) return;
        profile.assign(codes * w, 0);
        for (std::size_t c = 0; c < codes; ++c) {
            const int* srow = p.lookup.row(static_cast<ScoreLookup::Code>(c));
            for (std::size_t j = 1; j < w; ++j) profile[c * w + j] = srow[p.b[j - 1]];
        }
    }
};

void firstRow(GotohRowStates r, int w, int gapOpen, int gapExt) {
    r.d[0] = r.p[0] = r.q[0] = 0;
    for (int j = 1; j < w; ++j) {
        r.d[j] = r.p[j] = kImpossible;
        r.q[j] = gapOpen + (j - 1) * gapExt;
    }
}

// Prepares row i (i >= 1) for the kernel: its column 0 and its pair scores.
// Sets column 0 of row i and returns the row's pair scores.
const int* startRow(const GotohProblem& p, RowBuffers& rb, int i, int w) {
    rb.cur.d[0] = rb.cur.q[0] = kImpossible;
    rb.cur.p[0] = p.gapOpen + (i - 1) * p.gapExt;
    if (!rb.profile.empty()) return rb.profile.data() + p.a[i - 1] * rb.width;
    const int* srow = p.lookup.row(p.a[i - 1]);
    for (int j = 1; j < w; ++j) rb.scores[j] = srow[p.b[j - 1]];
    return rb.scores;
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

// Keeps one state row of a checkpoint as steps; false when a step needs more
// than 16 bits.
bool packRow(const int* v, int m, std::int16_t* steps, int& first) {
    if (m >= 1) first = v[1];
    for (int j = 2; j <= m; ++j) {
        const long long step = static_cast<long long>(v[j]) - v[j - 1];
        if (step < std::numeric_limits<std::int16_t>::min() ||
            step > std::numeric_limits<std::int16_t>::max())
            return false;
        steps[j] = static_cast<std::int16_t>(step);
    }
    return true;
}

void unpackRow(const std::int16_t* steps, int column0, int first, int w, int* v) {
    v[0] = column0;
    if (w > 1) v[1] = first;
    for (int j = 2; j < w; ++j) v[j] = v[j - 1] + steps[j];
}

void saveCheckpoint(GotohFill& f, int c, const GotohRowStates& row, int m) {
    const std::size_t width = static_cast<std::size_t>(m) + 1;
    const std::size_t slot = static_cast<std::size_t>(c - 1) * 2;
    std::int16_t* steps = f.checkpointSteps.data() + slot * width;
    if (packRow(row.d, m, steps, f.checkpointFirst[slot]) &&
        packRow(row.p, m, steps + width, f.checkpointFirst[slot + 1]))
        return;
    std::vector<int>& wide = f.wideCheckpoints[static_cast<std::size_t>(c - 1)];
    wide.assign(row.d, row.d + width);
    wide.insert(wide.end(), row.p, row.p + width);
}

// D and P of checkpoint row c*k over columns 0..w-1, and Q rebuilt from them.
void loadCheckpoint(const GotohProblem& p, const GotohFill& f, int c, int w,
                    GotohRowStates row) {
    const std::size_t width = static_cast<std::size_t>(p.m) + 1;
    const std::vector<int>& wide = f.wideCheckpoints[static_cast<std::size_t>(c - 1)];
    if (!wide.empty()) {
        std::copy_n(wide.data(), w, row.d);
        std::copy_n(wide.data() + width, w, row.p);
    } else {
        const std::size_t slot = static_cast<std::size_t>(c - 1) * 2;
        const std::int16_t* steps = f.checkpointSteps.data() + slot * width;
        const int top = c * f.blockRows;
        unpackRow(steps, kImpossible, f.checkpointFirst[slot], w, row.d);
        unpackRow(steps + width, p.gapOpen + (top - 1) * p.gapExt, f.checkpointFirst[slot + 1],
                  w, row.p);
    }
    rebuildQ(row, w, p.gapOpen, p.gapExt);
}

struct Capture {
    GotohCell cell;
    int value = 0;
};

// Recomputes block c over columns 0..w-1 from its checkpoint, recording its
// choices in fill.moves.
void loadBlock(const GotohProblem& p, GotohFill& f, RowBuffers& rb, int c, int w,
               Capture* capture) {
    const int k = f.blockRows;
    const int top = c * k;
    const int rows = std::min(k, p.n - top);
    const std::size_t stride = static_cast<std::size_t>(w);
    if (top == 0) {
        firstRow(rb.prev, w, p.gapOpen, p.gapExt);
    } else {
        loadCheckpoint(p, f, c, w, rb.prev);
    }
    f.moves.reset(static_cast<std::size_t>(k) * stride);
    const GotohRowFn fillRow = gotohRowFor(p.n, p.m, p.lookup, p.gapOpen, p.gapExt);
    for (int r = top + 1; r <= top + rows; ++r) {
        const int* scores = startRow(p, rb, r, w);
        fillRow(scores, w - 1, p.gapOpen, p.gapExt, rb.prev, rb.cur,
                f.moves.data() + static_cast<std::size_t>(r - top - 1) * stride);
        if (capture && r == capture->cell.i) {
            const int* values = capture->cell.state == 0   ? rb.cur.d
                                : capture->cell.state == 1 ? rb.cur.p
                                                           : rb.cur.q;
            capture->value = values[capture->cell.j];
        }
        std::swap(rb.prev, rb.cur);
    }
    f.movesBlock = c;
    f.movesWidth = w;
}

// The start value when the fill kept it or the boundary fixes it.
bool knownValue(const GotohProblem& p, const GotohFill& f, GotohCell s, int& value) {
    if (s.i == p.n && s.j == p.m) {
        value = s.state == 0 ? f.corner.d : s.state == 1 ? f.corner.p : f.corner.q;
    } else if (s.state == 0 && s.i == p.n) {
        value = f.lastRow[static_cast<std::size_t>(s.j)];
    } else if (s.state == 0 && s.j == p.m) {
        value = f.lastCol[static_cast<std::size_t>(s.i)];
    } else if (s.i == 0 && s.j == 0) {
        value = 0;
    } else if (s.i == 0) {
        value = s.state == 2 ? p.gapOpen + (s.j - 1) * p.gapExt : kImpossible;
    } else if (s.j == 0) {
        value = s.state == 1 ? p.gapOpen + (s.i - 1) * p.gapExt : kImpossible;
    } else {
        return false;
    }
    return true;
}

// Walks the path through the loaded block until it leaves it upwards or
// reaches column 0, appending the columns in reverse.
void walkBlock(const GotohFill& f, GotohCell& cur, std::string_view seq1, std::string_view seq2,
               std::vector<char>& row1, std::vector<char>& row2) {
    const int top = f.movesBlock * f.blockRows;
    const std::size_t stride = static_cast<std::size_t>(f.movesWidth);
    const std::uint8_t* moves = f.moves.data();
    while (cur.i > top && cur.j > 0) {
        const std::uint8_t m = moves[static_cast<std::size_t>(cur.i - top - 1) * stride +
                                     static_cast<std::size_t>(cur.j)];
        switch (cur.state) {
            case 0:
                row1.push_back(seq1[static_cast<std::size_t>(cur.i - 1)]);
                row2.push_back(seq2[static_cast<std::size_t>(cur.j - 1)]);
                cur.state = m & 3;
                --cur.i;
                --cur.j;
                break;
            case 1:
                row1.push_back(seq1[static_cast<std::size_t>(cur.i - 1)]);
                row2.push_back('-');
                cur.state = (m >> 2) & 3;
                --cur.i;
                break;
            default:
                row1.push_back('-');
                row2.push_back(seq2[static_cast<std::size_t>(cur.j - 1)]);
                cur.state = (m >> 4) & 3;
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

GotohFill fillGotohCheckpointed(const GotohProblem& p, int blockRows, WorkArena* arena) {
    const int n = p.n, m = p.m;
    const std::size_t width = static_cast<std::size_t>(m) + 1;
    GotohFill f(arena);
    f.blockRows = blockRows > 0 ? std::min(blockRows, std::max(n, 1)) : gotohBlockRows(n, m);
    const int k = f.blockRows;
    const int blocks = blocksOf(n, k);
    const int bottomTop = blocks > 0 ? (blocks - 1) * k : 0;

    RowBuffers rb(width, p, n);
    const GotohRowFn fillRow = gotohRowFor(n, m, p.lookup, p.gapOpen, p.gapExt);
    firstRow(rb.prev, static_cast<int>(width), p.gapOpen, p.gapExt);
    f.lastCol.assign(static_cast<std::size_t>(n) + 1, 0);
    f.lastCol[0] = rb.prev.d[m];
    if (blocks > 1) {
        const std::size_t saved = static_cast<std::size_t>(blocks - 1);
        f.checkpointSteps.reset(saved * 2 * width);
        f.checkpointFirst.assign(saved * 2, 0);
        f.wideCheckpoints.resize(saved);
    }
    if (blocks > 0) {
        f.moves.reset(static_cast<std::size_t>(k) * width);
        f.movesBlock = blocks - 1;
        f.movesWidth = static_cast<int>(width);
    }
    for (int i = 1; i <= n; ++i) {
        const int* scores = startRow(p, rb, i, static_cast<int>(width));
        std::uint8_t* moves =
            i > bottomTop ? f.moves.data() + static_cast<std::size_t>(i - bottomTop - 1) * width
                          : nullptr;
        fillRow(scores, m, p.gapOpen, p.gapExt, rb.prev, rb.cur, moves);
        f.lastCol[static_cast<std::size_t>(i)] = rb.cur.d[m];
        if (i % k == 0 && i <= bottomTop) saveCheckpoint(f, i / k, rb.cur, m);
        std::swap(rb.prev, rb.cur);
    }
    f.lastRow.assign(rb.prev.d, rb.prev.d + width);
    f.corner = GotohCorner{rb.prev.d[m], rb.prev.p[m], rb.prev.q[m]};
    return f;
}

int traceGotoh(const GotohProblem& p, GotohFill& f, GotohCell start, std::string_view seq1,
               std::string_view seq2, std::vector<char>& row1, std::vector<char>& row2) {
    const std::size_t from1 = row1.size();
    const std::size_t from2 = row2.size();
    GotohCell cur = start;
    // The path never goes right of its start, so no block needs more columns.
    RowBuffers rb(cur.i > 0 && cur.j > 0 ? static_cast<std::size_t>(cur.j) + 1 : 0, p, cur.i);
    int result = 0;
    if (!knownValue(p, f, start, result)) {
        Capture capture{start};
        loadBlock(p, f, rb, (start.i - 1) / f.blockRows, start.j + 1, &capture);
        result = capture.value;
    }
    while (cur.i > 0 && cur.j > 0) {
        const int c = (cur.i - 1) / f.blockRows;
        if (f.movesBlock != c || f.movesWidth < cur.j + 1)
            loadBlock(p, f, rb, c, cur.j + 1, nullptr);
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
    const int state = best == f.corner.d ? 0 : best == f.corner.p ? 1 : 2;
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
    return GotohCell{0, bi, bj};
}

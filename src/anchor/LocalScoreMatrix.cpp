#include "anchor/LocalScoreMatrix.hpp"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <system_error>

#include "anchor/ChoiceCells.hpp"
#include "anchor/RowCandidates.hpp"
#include "common/StopRequest.hpp"
#include "common/ThreadStart.hpp"

namespace {

// Up to this many cells a matrix keeps every cell's choice (16 MiB of them)
// instead of a grid.
constexpr long long kChoiceCellsMax = 1LL << 26;

bool keepsEveryChoice(long long len1, long long len2, int gridStep) {
    return gridStep <= 0 && (len1 + 1) * (len2 + 1) <= kChoiceCellsMax;
}

bool inside(const Region& r, Cell c) {
    return c.i >= r.begin.i && c.i <= r.end.i && c.j >= r.begin.j && c.j <= r.end.j;
}

}  // namespace

LocalScoreMatrix::LocalScoreMatrix(std::string_view seq1, std::string_view seq2,
                                   const ScoreLookup& lookup, int gap,
                                   const LocalFillOptions& options, WorkArena& arena)
    : seq1_(seq1),
      seq2_(seq2),
      lookup_(lookup),
      gap_(gap),
      len1_(static_cast<int>(seq1.size())),
      len2_(static_cast<int>(seq2.size())),
      bestPairScore_(lookup.bestScore()),
      fillRow_(localRowKernel(len1_, len2_, lookup.bestScore())),
      fillRow16_(activeKernels().localRow16),
      findEqual_(activeKernels().findEqual),
      pack_(activeKernels().packChoices),
      options_(options),
      arena_(arena),
      keepsChoices_(keepsEveryChoice(len1_, len2_, options.gridStep)),
      choices_(&arena),
      grid_(arena),
      block_(&arena),
      ahead_(&arena),
      rowBest_(std::make_shared<std::vector<int>>()) {
    width_ = static_cast<std::size_t>(len2_) + 1;
    auto profile = std::make_shared<ScoreProfile>();
    profile->codes1 = lookup.encode(seq1);
    const auto codes2 = lookup.encode(seq2);
    const std::size_t codeCount = lookup.codes();
    std::vector<int>& scores = profile->scores;
    scores.assign(codeCount * width_, 0);
    for (std::size_t c = 0; c < codeCount; ++c) {
        const int* srow = lookup.row(static_cast<ScoreLookup::Code>(c));
        for (int j = 1; j <= len2_; ++j) scores[c * width_ + j] = srow[codes2[j - 1]];
    }
    // Only rows that localRowFits16 admits read it, and those need pair
    // scores of at most INT16_MAX; lower ones may saturate.
    profile->scores16.resize(scores.size());
    for (std::size_t k = 0; k < scores.size(); ++k)
        profile->scores16[k] = static_cast<std::int16_t>(std::clamp(scores[k], INT16_MIN, INT16_MAX));
    profile_ = std::move(profile);
    // Every cell is written by fill(), so the storage is not cleared first.
    if (keepsChoices_)
        choices_.resizeUninitialized(len1_ + 1, static_cast<int>(ChoiceCells::rowBytes(width_)));
}

LocalScoreMatrix::LocalScoreMatrix(const LocalScoreMatrix& viewed, WorkArena& arena)
    : seq1_(viewed.seq1_),
      seq2_(viewed.seq2_),
      lookup_(viewed.lookup_),
      gap_(viewed.gap_),
      len1_(viewed.len1_),
      len2_(viewed.len2_),
      profile_(viewed.profile_),
      bestPairScore_(viewed.bestPairScore_),
      fillRow_(viewed.fillRow_),
      fillRow16_(viewed.fillRow16_),
      findEqual_(viewed.findEqual_),
      pack_(viewed.pack_),
      options_(viewed.options_),
      arena_(arena),
      width_(viewed.width_),
      keepsChoices_(false),
      choices_(&arena),
      grid_(arena),
      block_(&arena),
      ahead_(&arena),
      rowBest_(viewed.rowBest_) {
    options_.threads = 1;
}

std::unique_ptr<LocalScoreMatrix> LocalScoreMatrix::workerView(WorkArena& arena) const {
    if (keepsChoices_) throw std::logic_error("LocalScoreMatrix::workerView: the matrix keeps no grid");
    return std::unique_ptr<LocalScoreMatrix>(new LocalScoreMatrix(*this, arena));
}

std::uint64_t LocalScoreMatrix::tracebackBytes(long long len1, long long len2) {
    if (keepsEveryChoice(len1, len2, 0))
        return static_cast<std::uint64_t>(len1 + 1) *
               ChoiceCells::rowBytes(static_cast<std::size_t>(len2) + 1);
    const int step = CheckpointGrid::stepFor(len1, len2);
    const auto blockBytes = static_cast<std::uint64_t>(std::min<long long>(step, len1)) *
                            blockStride(step);
    // The block a traceback walks and the one refilled ahead of it.
    return CheckpointGrid::bytesFor(len1, len2, step) + 2 * blockBytes;
}

int LocalScoreMatrix::fill(std::vector<Cell>& maxCells, FillProgress* progress) {
    maxCells.clear();
    rowBest_->assign(static_cast<std::size_t>(len1_) + 1, 0);
    int best = 0;
    if (progress) {
        progress->rows.store(len1_, std::memory_order_relaxed);
        progress->rowsDone.store(0, std::memory_order_relaxed);
    }
    fillPart(Region{Cell{0, 0}, Cell{len1_, len2_}}, maxCells, best, true, true, progress);
    return best;
}

void LocalScoreMatrix::releaseTraceback() {
    choices_.clear();
    grid_.release();
    block_.choices.release();
    ahead_.choices.release();
    forgetBlocks();
}

template <class RowFn>
void LocalScoreMatrix::refillBlock(int r0, int c0, int lastRow, int lastColumn,
                                   std::uint8_t* choices, std::size_t stride, RowFn&& row) {
    const Region& region = grid_.region();
    const int n = lastColumn - c0;
    std::vector<int> rolling(2 * (static_cast<std::size_t>(n) + 1), 0);
    int* prev = rolling.data();
    int* cur = prev + n + 1;
    if (r0 > region.begin.i) {
        const int* kept = grid_.row(r0) + (c0 - region.begin.j);
        std::copy(kept, kept + n + 1, prev);
    }
    const int keptColumn = (c0 - region.begin.j) / grid_.step() - 1;
    // A byte a cell from the kernel, four cells a byte in the block: the
    // cells past n stay 0.
    std::vector<std::uint8_t> rowChoices(choices ? 4 * stride : 0, 0);
    for (int i = r0 + 1; i <= lastRow; ++i) {
        stopPoint();
        cur[0] = keptColumn >= 0 ? grid_.columnsOfRow(i)[keptColumn] : 0;
        fillRow_(prev, cur, profileRow(code1(i - 1)) + c0, n, gap_,
                 choices ? rowChoices.data() : nullptr);
        if (choices) pack_(rowChoices.data(), stride, choices + static_cast<std::size_t>(i - r0 - 1) * stride);
        row(i, cur);
        std::swap(prev, cur);
    }
}

void LocalScoreMatrix::placeBlock(Block& block, Cell cell) {
    const Region& region = grid_.region();
    const int step = grid_.step();
    block.r0 = region.begin.i + (cell.i - region.begin.i - 1) / step * step;
    block.c0 = region.begin.j + (cell.j - region.begin.j - 1) / step * step;
    block.rows = std::min(step, region.end.i - block.r0);
    block.columns = std::min(step, region.end.j - block.c0);
    block.choices.reset(static_cast<std::size_t>(block.rows) * blockStride(step));
}

void LocalScoreMatrix::refillChoices(Block& block) {
    refillBlock(block.r0, block.c0, block.r0 + block.rows, block.c0 + block.columns,
                block.choices.data(), blockStride(grid_.step()), [](int, const int*) {});
}

const LocalScoreMatrix::Block& LocalScoreMatrix::blockHolding(Cell cell) {
    if (block_.holds(cell)) return block_;
    placeBlock(block_, cell);
    refillChoices(block_);
    return block_;
}

std::thread LocalScoreMatrix::refillAhead(Cell cell, int left, std::atomic<bool>& lost) {
    if (options_.threads < 2) return {};
    const Region& region = grid_.region();
    const int step = grid_.step();
    // The bottom-right cell of the block diagonally above and left.
    const Cell diagonal{region.begin.i + (cell.i - region.begin.i - 1) / step * step,
                        region.begin.j + (cell.j - region.begin.j - 1) / step * step};
    if (diagonal.i <= region.begin.i || diagonal.j <= region.begin.j) return {};
    // A step takes at most the best pair score off what is left, so a path
    // with too little left ends before it can get there.
    const long long steps = std::max(cell.i - diagonal.i, cell.j - diagonal.j);
    if (static_cast<long long>(left) < steps * bestPairScore_) return {};
    if (ahead_.holds(diagonal) || block_.holds(diagonal)) return {};
    placeBlock(ahead_, diagonal);
    try {
        // A stop request ends the refill; the block is then dropped when
        // the thread is joined, and the caller stops at its own next row.
        lost = false;
        return startThread([this, &lost] {
            try {
                refillChoices(ahead_);
            } catch (...) {
                lost = true;
            }
        });
    } catch (const std::system_error&) {
        ahead_.rows = 0;
        return {};
    }
}

int LocalScoreMatrix::valueAt(Cell cell) {
    if (keepsChoices_) {
        // The sum of the steps of the cell's traceback.
        std::vector<char> row1, row2;
        int value = 0;
        while (cell.i > 0 && cell.j > 0 &&
               stepBack(ChoiceCells::get(choiceRow(cell.i), static_cast<std::size_t>(cell.j)), cell,
                        value, row1, row2)) {}
        return -value;
    }
    const Region& region = grid_.region();
    if (!inside(region, cell) || cell.i == region.begin.i || cell.j == region.begin.j) return 0;
    const int step = grid_.step();
    const int r0 = region.begin.i + (cell.i - region.begin.i - 1) / step * step;
    const int c0 = region.begin.j + (cell.j - region.begin.j - 1) / step * step;
    int value = 0;
    refillBlock(r0, c0, cell.i, cell.j, nullptr, 0,
                [&](int i, const int* values) { if (i == cell.i) value = values[cell.j - c0]; });
    return value;
}

bool LocalScoreMatrix::stepBack(LocalChoice choice, Cell& cur, int& value, std::vector<char>& row1,
                                std::vector<char>& row2) const {
    const char a = seq1_[cur.i - 1];
    const char b = seq2_[cur.j - 1];
    switch (choice) {
        case LocalChoice::kDiagonal:
            row1.push_back(a);
            row2.push_back(b);
            value -= lookup_.score(a, b);
            --cur.i;
            --cur.j;
            return true;
        case LocalChoice::kAbove:
            row1.push_back(a);
            row2.push_back('-');
            value -= gap_;
            --cur.i;
            return true;
        case LocalChoice::kLeft:
            row1.push_back('-');
            row2.push_back(b);
            value -= gap_;
            --cur.j;
            return true;
        case LocalChoice::kStart:
            break;
    }
    return false;
}

int LocalScoreMatrix::traceSegment(Cell& cell, int score, std::vector<char>& row1,
                                   std::vector<char>& row2) {
    std::vector<Cell> cells{cell};
    std::vector<std::vector<char>> rows1(1), rows2(1);
    traceSegments(cells, {score}, &rows1, &rows2);
    cell = cells[0];
    row1.insert(row1.end(), rows1[0].begin(), rows1[0].end());
    row2.insert(row2.end(), rows2[0].begin(), rows2[0].end());
    return score;
}

void LocalScoreMatrix::traceSegments(std::vector<Cell>& cells, const std::vector<int>& values,
                                     std::vector<std::vector<char>>* rows1,
                                     std::vector<std::vector<char>>* rows2) {
    if (!keepsChoices_) {
        traceThroughBlocks(cells, values, rows1, rows2);
    } else {
        std::vector<char> scratch1, scratch2;
        for (std::size_t h = 0; h < cells.size(); ++h) {
            std::vector<char>& row1 = rows1 ? (*rows1)[h] : scratch1;
            std::vector<char>& row2 = rows2 ? (*rows2)[h] : scratch2;
            Cell& cell = cells[h];
            int value = values[h];
            while (cell.i > 0 && cell.j > 0 && value != 0 &&
                   stepBack(ChoiceCells::get(choiceRow(cell.i), static_cast<std::size_t>(cell.j)),
                            cell, value, row1, row2)) {}
            scratch1.clear();
            scratch2.clear();
        }
    }
    if (!rows1) return;
    for (std::size_t h = 0; h < cells.size(); ++h) {
        std::reverse((*rows1)[h].begin(), (*rows1)[h].end());
        std::reverse((*rows2)[h].begin(), (*rows2)[h].end());
    }
}

// The blocks are taken from the last one in row-major order to the first:
// a path only ever leaves a block for one above or left of it, so once a
// block is done no trace comes back to it.
void LocalScoreMatrix::traceThroughBlocks(std::vector<Cell>& cells, const std::vector<int>& values,
                                          std::vector<std::vector<char>>* rows1,
                                          std::vector<std::vector<char>>* rows2) {
    const Region& region = grid_.region();
    for (const Cell& cell : cells)
        if (!inside(region, cell))
            throw std::logic_error("LocalScoreMatrix::traceSegment: cell " + std::to_string(cell.i) +
                                   "," + std::to_string(cell.j) +
                                   " lies outside the last region filled");
    const int step = grid_.step();
    const std::size_t stride = blockStride(step);
    std::vector<int> left(values);  // the score each trace has yet to walk back
    std::vector<char> ended(cells.size(), 0);
    std::vector<char> scratch1, scratch2;
    auto going = [&](std::size_t h) {
        return !ended[h] && cells[h].i > region.begin.i && cells[h].j > region.begin.j && left[h] != 0;
    };
    auto blockKey = [&](Cell c) {
        return std::pair{(c.i - region.begin.i - 1) / step, (c.j - region.begin.j - 1) / step};
    };
    std::thread ahead;
    std::atomic<bool> aheadLost{false};
    auto waitAhead = [&] {
        if (!ahead.joinable()) return;
        ahead.join();
        if (aheadLost) ahead_.rows = 0;
    };
    // Whatever ends the walk, the thread refilling ahead is waited for.
    struct Joined {
        decltype(waitAhead)& wait;
        ~Joined() { wait(); }
    } joined{waitAhead};
    for (;;) {
        std::size_t next = cells.size();
        for (std::size_t h = 0; h < cells.size(); ++h)
            if (going(h) && (next == cells.size() || blockKey(cells[h]) > blockKey(cells[next]))) next = h;
        if (next == cells.size()) break;
        // The block refilled ahead becomes the current one when the path
        // reaches it. The next one is refilled beside the blocks this thread
        // refills until then, once none is ahead of the path.
        const Cell cell = cells[next];
        if (!block_.holds(cell) && ahead_.holds(cell)) {
            waitAhead();
            if (ahead_.rows > 0) std::swap(block_, ahead_);
        }
        if (!ahead.joinable() && !(ahead_.rows > 0 && blockKey(Cell{ahead_.r0 + 1, ahead_.c0 + 1}) < blockKey(cell)))
            ahead = refillAhead(cell, left[next], aheadLost);
        const Block& block = blockHolding(cell);
        for (std::size_t h = 0; h < cells.size(); ++h) {
            std::vector<char>& row1 = rows1 ? (*rows1)[h] : scratch1;
            std::vector<char>& row2 = rows2 ? (*rows2)[h] : scratch2;
            while (going(h) && block.holds(cells[h]))
                if (!stepBack(block.choice(cells[h], stride), cells[h], left[h], row1, row2)) ended[h] = 1;
            scratch1.clear();
            scratch2.clear();
        }
    }
}

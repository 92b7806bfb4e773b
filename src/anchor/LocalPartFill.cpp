#include <algorithm>
#include <vector>

#include "anchor/ChoiceCells.hpp"
#include "anchor/LocalScoreMatrix.hpp"
#include "anchor/RowCandidates.hpp"
#include "common/ColumnStrips.hpp"
#include "common/StopRequest.hpp"

namespace {

// A row goes through the kernels in chunks of this many columns, each in 16-
// or 32-bit lanes as its inputs allow. Along the diagonal of a similar pair
// the scores soon outgrow 16 bits, but only in a band around it: chunks keep
// the rest of the row in 16 bits, and are wide enough that starting a kernel
// call costs little beside its cells.
constexpr int kLaneChunk = 2048;

}  // namespace

// Chunks whose inputs leave room go through the 16-bit kernel, twice the
// cells an instruction, and the rest through the 32-bit one; a chunk that
// changes width from the row above converts that row's part first. Both
// kernels give every cell the same value and choice, so what follows reads
// whichever form a chunk was filled in.
void LocalScoreMatrix::fillStrip(int top, int bottom, int c0, int c1, StripHandOff* in,
                                 StripHandOff* out, bool storeChoices, std::vector<Cell>& cells,
                                 int& best, int* rowMaxOut, FillProgress* progress) {
    const int n = c1 - c0;
    const auto span = static_cast<std::size_t>(n) + 1;
    std::vector<int> rollingRows(2 * span, 0);
    std::vector<std::int16_t> rollingNarrow(2 * span, 0);
    std::vector<int> bestPositions(span);
    int* prev = rollingRows.data();
    int* cur = prev + span;
    std::int16_t* prev16 = rollingNarrow.data();
    std::int16_t* cur16 = prev16 + span;
    // Chunk ch holds columns ch * kLaneChunk + 1 .. (ch + 1) * kLaneChunk of
    // the window, and column 0 goes with chunk 0. Per chunk, for the row
    // above and this one: whether it is in 16 bits, and its largest value.
    const std::size_t chunks = (static_cast<std::size_t>(n) + kLaneChunk - 1) / kLaneChunk;
    std::vector<char> prevNarrow(chunks, 1), curNarrow(chunks);  // the zero row is in both forms
    std::vector<int> prevChunkMax(chunks, 0), curChunkMax(chunks);
    int prevLeft = 0;
    // Column c0 belongs to the strip on the left when there is one.
    const int own = in ? 1 : 0;
    // With every cell's choice kept: one byte a cell, rounded up to whole
    // bytes of choices for the packing.
    std::vector<std::uint8_t> choices(storeChoices ? span + 4 : 0, 0);
    const auto firstOwned = static_cast<std::size_t>(c0 + own);
    if (storeChoices)
        ChoiceCells::storeRange(choiceRow(top), firstOwned, choices.data() + own, span - own, pack_);
    // With a grid: the strip keeps its own columns' scores at the kept
    // columns of every row, and its part of every kept row.
    const bool keepsGrid = !keepsChoices_;
    const int first = grid_.region().begin.j;
    const int step = grid_.step();
    const int ownFrom = std::max(c0 + own - first, 1);
    const int firstKept = first + (ownFrom + step - 1) / step * step;
    const int zero = 0;
    if (out) out->publish(0, &zero);
    for (int i = top + 1; i <= bottom; ++i) {
        stopPoint();
        const int k = i - top;
        const int left = in ? *in->await(k) : 0;
        const int* scores = profileRow(code1(i - 1)) + c0;
        const std::int16_t* scores16 = profile16Row(code1(i - 1)) + c0;
        int rowMax = 0;
        int carry = left;  // this row's value in the column before the chunk
        for (std::size_t ch = 0; ch < chunks; ++ch) {
            const int a = static_cast<int>(ch) * kLaneChunk + 1;
            const int b = std::min(a + kLaneChunk - 1, n);
            // The chunk reads the row above from column a - 1 on, which
            // belongs to the chunk before (or is column 0).
            const std::size_t edge = ch > 0 ? ch - 1 : 0;
            const int edgeMax = ch > 0 ? prevChunkMax[edge] : prevLeft;
            const bool narrow =
                localRowFits16(std::max({prevChunkMax[ch], edgeMax, carry}), bestPairScore_);
            std::uint8_t* chunkChoices = storeChoices ? choices.data() + a - 1 : nullptr;
            int chunkMax;
            if (narrow) {
                if (!prevNarrow[ch]) std::copy(prev + a, prev + b + 1, prev16 + a);
                if (!prevNarrow[edge]) prev16[a - 1] = static_cast<std::int16_t>(prev[a - 1]);
                cur16[a - 1] = static_cast<std::int16_t>(carry);
                chunkMax = fillRow16_(prev16 + a - 1, cur16 + a - 1, scores16 + a - 1, b - a + 1, gap_,
                                      chunkChoices);
                carry = cur16[b];
            } else {
                if (prevNarrow[ch]) std::copy(prev16 + a, prev16 + b + 1, prev + a);
                if (prevNarrow[edge]) prev[a - 1] = prev16[a - 1];
                cur[a - 1] = carry;
                chunkMax = fillRow_(prev + a - 1, cur + a - 1, scores + a - 1, b - a + 1, gap_, chunkChoices);
                carry = cur[b];
            }
            curNarrow[ch] = narrow;
            curChunkMax[ch] = chunkMax;
            rowMax = std::max(rowMax, chunkMax);
        }
        const auto value = [&](int c) {
            if (c == 0) return left;
            return curNarrow[static_cast<std::size_t>(c - 1) / kLaneChunk] ? int{cur16[c]} : cur[c];
        };
        if (out) {
            const int last = value(n);
            out->publish(k, &last);
        }
        if (storeChoices) {
            choices[0] = 0;
            ChoiceCells::storeRange(choiceRow(i), firstOwned, choices.data() + own, span - own, pack_);
        }
        if (keepsGrid) {
            if (grid_.keepsRow(i)) {
                int* keptRow = grid_.row(i) + (c0 - first);  // column c0 + c at keptRow[c]
                for (int c = own; c <= n; ++c) keptRow[c] = value(c);
            }
            int* kept = grid_.columnsOfRow(i);
            for (int c = firstKept; c <= c1; c += step) kept[(c - first) / step - 1] = value(c - c0);
        }
        // Only the chunks that reach the best hold cells to keep: rarely
        // more than one, and in most rows none. (Column 0 of the window
        // holds 0 or belongs to the strip on the left.)
        if (beginOffer(cells, best, rowMax)) {
            for (std::size_t ch = 0; ch < chunks; ++ch) {
                if (curChunkMax[ch] < best) continue;
                const int a = static_cast<int>(ch) * kLaneChunk + 1;
                const int b = std::min(a + kLaneChunk - 1, n);
                if (curNarrow[ch]) std::copy(cur16 + a, cur16 + b + 1, cur + a);
                appendEqual(cells, best, i, c0 + a, cur + a, b - a + 1, findEqual_, bestPositions.data());
            }
        }
        if (rowMaxOut) rowMaxOut[k] = rowMax;
        if (progress && !in) progress->rowsDone.store(k, std::memory_order_relaxed);
        std::swap(prev, cur);
        std::swap(prev16, cur16);
        prevNarrow.swap(curNarrow);
        prevChunkMax.swap(curChunkMax);
        prevLeft = left;
    }
}

// Wide parts are split into strips of columns, one thread a strip; a strip
// computes a row once the strip on its left has handed on that row's last
// column. Results do not depend on the number of strips: each cell gets the
// same value, and the best cells are merged back into row-major order.
void LocalScoreMatrix::fillPart(const Region& region, std::vector<Cell>& cells, int& best,
                                bool recordRowBest, bool storeChoices, FillProgress* progress) {
    const int top = region.begin.i, bottom = region.end.i;
    const int first = region.begin.j, last = region.end.j;
    storeChoices = storeChoices && keepsChoices_;
    if (!keepsChoices_) {
        grid_.reset(region, options_.gridStep > 0 ? options_.gridStep
                                                  : CheckpointGrid::stepFor(bottom - top, last - first));
        forgetBlocks();
    }
    // Strip edges fall where a byte of choices begins, so that no two
    // threads write one byte.
    const StripPolicy policy{options_.threads, std::max(options_.stripMinWidth, 4),
                             options_.parallelFillMinCells};
    std::vector<int> edges{first};
    const std::vector<int> split = columnStripEdges(last - first, bottom - top, policy);
    for (std::size_t s = 1; s + 1 < split.size(); ++s) {
        int edge = first + split[s];
        edge -= (edge + 1) & 3;
        if (edge > edges.back() && edge < last) edges.push_back(edge);
    }
    edges.push_back(last);
    const int strips = static_cast<int>(edges.size()) - 1;
    // Each strip's row bests, entry k for row top + k; a row's best is the
    // highest of its strips'.
    const auto rows = static_cast<std::size_t>(bottom - top) + 1;
    std::vector<std::vector<int>> rowMax(static_cast<std::size_t>(strips), std::vector<int>(rows, 0));
    auto keepRowBest = [&] {
        if (!recordRowBest) return;
        for (std::size_t k = 0; k < rows; ++k) {
            int m = 0;
            for (const auto& strip : rowMax) m = std::max(m, strip[k]);
            (*rowBest_)[static_cast<std::size_t>(top) + k] = m;
        }
    };
    if (strips == 1) {
        fillStrip(top, bottom, first, last, nullptr, nullptr, storeChoices, cells, best,
                  rowMax[0].data(), progress);
        keepRowBest();
        return;
    }
    std::vector<std::vector<Cell>> found(static_cast<std::size_t>(strips));
    std::vector<int> bests(static_cast<std::size_t>(strips), best);
    runColumnStrips(strips, rows, 1, [&](int s, StripHandOff* in, StripHandOff* out) {
        const auto k = static_cast<std::size_t>(s);
        fillStrip(top, bottom, edges[k], edges[k + 1], in, out, storeChoices, found[k], bests[k],
                  rowMax[k].data(), progress);
    });
    keepRowBest();

    // The caller hands in no cells: each strip kept those of its own best.
    const int topBest = *std::max_element(bests.begin(), bests.end());
    cells.clear();
    for (int s = 0; s < strips; ++s)
        if (bests[static_cast<std::size_t>(s)] == topBest)
            cells.insert(cells.end(), found[static_cast<std::size_t>(s)].begin(),
                         found[static_cast<std::size_t>(s)].end());
    std::sort(cells.begin(), cells.end(),
              [](const Cell& a, const Cell& b) { return a.i != b.i ? a.i < b.i : a.j < b.j; });
    best = topBest;
}

int LocalScoreMatrix::lastReachingRow(const Region& region, int best) const {
    const int floor = best > 1 ? best : 1;
    for (int i = region.end.i; i > region.begin.i; --i)
        if ((*rowBest_)[static_cast<std::size_t>(i)] >= floor) return i;
    return -1;
}

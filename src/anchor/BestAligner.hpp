#pragma once

#include <ostream>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "align/Alignment.hpp"
#include "align/Records.hpp"
#include "anchor/ScoreCells.hpp"

class ScoreMatrix;
class seqAssemble;

// The anchored aligner of one sequence pair. Construction fills the local
// score matrix over the whole pair; anchor selection then picks a chain of
// high-scoring segments (anchors) that global_align joins with affine-gap
// global alignments of the stretches between them.
class BestAligner : private Alignment {
public:
    BestAligner(std::string& seq1, std::string& seq2, const ScoreMatrix& sm, int gapOpen,
                int gapExt, int scoreFactor, int cutLen);

    void get_cutoff_score();
    int fill_matrix();

    // Traces the segment ending at `cell` of the matrix as filled back to its
    // start (left in `cell`), appends its aligned rows and returns its score.
    int GetAlignSeq(foot2& cell, std::vector<char>& row1, std::vector<char>& row2);
    // One step of that traceback; `value` is the score of `cur` and follows it.
    int trace2(foot2& cur, int& value, std::vector<char>& row1, std::vector<char>& row2);

    // Records the anchors of `region` (two inclusive corner cells) in hssList,
    // starting from `candidates` (end cells of one equal score).
    int getBestHSS(foot2* region, std::vector<foot2> candidates);
    // The cells of the highest value (at least cutoff) in `region`; with
    // `refill` the region is first re-scored from a zero boundary.
    // `zeroColumn` is the first column of the region whose scores the cells of
    // `region` currently hold (0 for the matrix as filled).
    int next_best(foot2* region, std::vector<foot2>& candidates, int refill, int zeroColumn = 0);
    // Groups conflicting segments, keeps one per group, orders the kept ones
    // along the sequences; order[g] is the input index kept at position g.
    int groupSort(foot2* region, std::vector<std::pair<foot2, foot2>>& pairs,
                  std::vector<int>& order);
    // The one global alignment of the pair; returns its score.
    int global_align(std::vector<char>& row1, std::vector<char>& row2);

    // Lists the anchors as local alignments (running the selection first if
    // nothing has selected them yet); the second form reports positions in
    // the sequences before mask runs were collapsed.
    void getLA_order(int minLen, std::ostream& out);
    void getLA_order(int minLen, std::ostream& out, seqAssemble& masks);

    // Runs the anchor selection over the whole matrix once, if nothing has.
    void selectAnchors();

    // Replaces a gapped anchor's rows and score; the two programs differ here.
    void realignGappedAnchor(f2pScore& record);
    // Windowed re-alignment of a gapped anchor's rows; returns the new score.
    int reAlign(std::vector<char>& align1, std::vector<char>& align2);

    // Score of `cell`, whose row holds the scores of a region starting at
    // column `zeroColumn` (0 for the matrix as filled).
    int valueAt(foot2 cell, int zeroColumn) const;
    // The cell as stored, for checking which cells an operation changed.
    long long storedCell(int i, int j) const;
    bool packedCells() const { return packed_; }
    // Lets tests force whole 32-bit cells, and reading every row of a search.
    static void allowPackedCells(bool allowed);
    static void allowRowSkipping(bool allowed);
    using Alignment::cmp_f2;
    using Alignment::len1;
    using Alignment::len2;

    std::int32_t cutoff = 0;
    std::int32_t cutLen;
    std::int32_t scoreFactor;
    std::vector<f2pScore> hssList;
    std::int32_t hssScore = 0;
    std::int32_t alignScore = 0;
    std::int32_t maxScore = 0;
    // Every cell holding maxScore, row-major. Left empty when no cell is
    // positive: such cells never start an anchor.
    std::vector<foot2> maxCells;

private:
    void listAnchors(int minLen, std::ostream& out, const seqAssemble* masks);
    // getBestHSS for candidates whose common score is known (-1: read them).
    int searchAnchors(foot2* region, std::vector<foot2> candidates, int candidateValue);
    // Traceback of a segment whose end cell's score is known.
    int traceSegment(foot2& cell, int value, std::vector<char>& row1, std::vector<char>& row2);
    int searchPart(foot2* region, std::vector<foot2>& candidates, int refill, int zeroColumn,
                   int& bestValue);

    // Row i of the local score matrix in the given cell layout.
    template <class Layout>
    typename Layout::Row rowOf(int i) const {
        const std::size_t row = static_cast<std::size_t>(i);
        if constexpr (std::is_same_v<Layout, WholeCells>) {
            return {const_cast<int*>(D.data()) + row * width_};
        } else {
            return {const_cast<std::uint8_t*>(packedD_.data()) + row * packedRowBytes_};
        }
    }
    template <class Layout> int fillCells();
    template <class Layout> int traceStep(foot2& cur, int& value, std::vector<char>& row1,
                                          std::vector<char>& row2);
    template <class Layout> int valueAtCells(foot2 cell, int zeroColumn) const;
    template <class Layout> void scanPart(const foot2* region, std::vector<foot2>& candidates,
                                          int& best);
    template <class Layout> void rescorePart(const foot2* region, std::vector<foot2>& candidates,
                                             int zeroColumn, int& best);

    std::vector<ScoreLookup::Code> codes1_, codes2_;
    bool packed_ = false;            // PackedCells in packedD_, else WholeCells in D
    matrix<std::uint8_t> packedD_;
    std::size_t width_ = 0;          // cells in a row: len2 + 1
    std::size_t packedRowBytes_ = 0;
    // rowBest_[i]: the highest score in row i over the columns of the region
    // that last scored that row (the whole matrix, or a re-scored part). A
    // search of a part that keeps its scores lies within that region, so rows
    // whose bound is below the best value found so far need not be read.
    std::vector<int> rowBest_;
    bool selected_ = false;
};

#pragma once

#include <string_view>
#include <utility>
#include <vector>

#include "align/Records.hpp"
#include "scoring/ScoreLookup.hpp"
#include "anchor/AlignParameters.hpp"
#include "anchor/LocalScoreMatrix.hpp"

class WorkArena;
struct FillProgress;

// The anchored aligner of one sequence pair. Construction fills the local
// score matrix over the whole pair; anchor selection then picks a chain of
// high-scoring segments (anchors) that globalAlign joins with affine-gap
// global alignments of the stretches between them.
//
// Use: globalAlign() for the global alignment (it selects the anchors it
// needs), or selectAnchors() alone for the anchors; hssList() then holds them.
class AnchoredAligner {
public:
    // `progress`, when given, follows the fill of the local matrix.
    AnchoredAligner(std::string_view seq1, std::string_view seq2, const ScoreLookup& lookup,
                const AlignParameters& params, WorkArena& arena, FillProgress* progress = nullptr);

    // The one global alignment of the pair; appends its rows and returns its
    // score: the sum of the anchors and of the stretches between them.
    int globalAlign(std::vector<char>& row1, std::vector<char>& row2);
    // Runs the anchor selection over the whole matrix once, if nothing has.
    void selectAnchors();

    // Records the anchors of `region` (two inclusive corner cells) in hssList,
    // starting from `candidates` (end cells of one equal score).
    int getBestHSS(Cell* region, std::vector<Cell> candidates);
    // The cells of the highest value (at least cutoff) in `region`; with
    // `refill` the region is first re-scored from a zero boundary.
    // `zeroColumn` is the first column of the region whose scores the cells of
    // `region` currently hold (0 for the matrix as filled).
    int nextBest(Cell* region, std::vector<Cell>& candidates, int refill, int zeroColumn = 0);
    // Groups conflicting segments, keeps one per group, orders the kept ones
    // along the sequences; order[g] is the input index kept at position g.
    int groupSort(Cell* region, std::vector<std::pair<Cell, Cell>>& pairs,
                  std::vector<int>& order);
    // Replaces a gapped anchor's rows and score; the two programs differ here.
    void realignGappedAnchor(Segment& record);
    // Windowed re-alignment of a gapped anchor's rows; returns the new score.
    int reAlign(std::vector<char>& align1, std::vector<char>& align2);

    int cutoff() const { return cutoff_; }
    int maxScore() const { return maxScore_; }
    // Every cell holding maxScore, row-major; empty when no cell is positive.
    const std::vector<Cell>& maxCells() const { return maxCells_; }
    const std::vector<Segment>& hssList() const { return hssList_; }
    int hssScore() const { return hssScore_; }
    int alignScore() const { return alignScore_; }
    int len1() const { return len1_; }
    int len2() const { return len2_; }
    const LocalScoreMatrix& localMatrix() const { return matrix_; }

    // The cutoff a local score must exceed to start the anchoring: a quarter
    // of the factor times the identity scores of a, c, g and t, rounded up.
    static int cutoffScore(const ScoreLookup& lookup, int scoreFactor);

private:
    // getBestHSS for candidates whose common score is known (-1: read them).
    int searchAnchors(Cell* region, std::vector<Cell> candidates, int candidateValue);
    int searchPart(Cell* region, std::vector<Cell>& candidates, int refill, int zeroColumn,
                   int& bestValue);

    std::string_view seq1_, seq2_;
    const ScoreLookup& lookup_;
    const AlignParameters& params_;
    WorkArena& arena_;
    int len1_, len2_;
    LocalScoreMatrix matrix_;
    int cutoff_ = 0;
    int maxScore_ = 0;
    std::vector<Cell> maxCells_;
    std::vector<Segment> hssList_;
    int hssScore_ = 0;
    int alignScore_ = 0;
    bool selected_ = false;
};

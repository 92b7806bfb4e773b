#pragma once

#include <string_view>
#include <vector>

#include "align/Cell.hpp"
#include "align/Segment.hpp"
#include "anchor/AlignParameters.hpp"
#include "anchor/LocalScoreMatrix.hpp"
#include "anchor/SearchContext.hpp"
#include "scoring/ScoreLookup.hpp"

class WorkArena;
struct FillProgress;

// The anchors of a pair, in order along both sequences, and their score sum.
struct AnchorChain {
    std::vector<Segment> anchors;
    int score = 0;
};

// A global alignment: its rows ('-' for a gap) and score.
struct GlobalRows {
    std::vector<char> row1, row2;
    int score = 0;
};

// The anchored aligner of one sequence pair. Construction fills the local
// score matrix over the whole pair; selectAnchors() then picks the chain of
// high-scoring segments (anchors), and joinAnchors() joins a chain with
// affine-gap global alignments of the stretches between its anchors.
class AnchoredAligner {
public:
    // `progress`, when given, follows the fill of the local matrix.
    AnchoredAligner(std::string_view seq1, std::string_view seq2, const ScoreLookup& lookup,
                    const AlignParameters& params, WorkArena& arena, FillProgress* progress = nullptr);

    // The anchor search over the whole pair. It re-scores parts of the local
    // matrix in place, so it runs once (a second call throws std::logic_error).
    AnchorChain selectAnchors();

    // Whether some local score beats the cutoff: only then is the global
    // alignment built on anchors; otherwise it is alignWhole().
    bool anchored() const { return maxScore_ > cutoff_; }
    // The global alignment through the anchors of `chain`; the stretch before
    // the first anchor has a free leading overhang, the one after the last a
    // free trailing one.
    GlobalRows joinAnchors(const AnchorChain& chain) const;
    // One affine-gap global alignment of the whole pair.
    GlobalRows alignWhole() const;

    // The cutoff a local score must exceed to start the anchoring: a quarter
    // of the factor times the identity scores of a, c, g and t, rounded up.
    static int cutoffScore(const ScoreLookup& lookup, int scoreFactor);

private:
    SearchContext context_;
    int len1_, len2_;
    LocalScoreMatrix matrix_;
    int cutoff_ = 0;
    int maxScore_ = 0;
    // Every cell holding maxScore_, row-major; empty when no cell is positive.
    std::vector<Cell> maxCells_;
    bool selected_ = false;
};

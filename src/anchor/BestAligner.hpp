#pragma once

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "align/Alignment.hpp"
#include "align/Records.hpp"

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

    // Traces the segment ending at `cell` back to its start (left in `cell`),
    // appends its aligned rows and returns its score.
    int GetAlignSeq(foot2& cell, std::vector<char>& row1, std::vector<char>& row2);

    // Records the anchors of `region` (two inclusive corner cells) in hssList,
    // starting from `candidates` (end cells of one equal score).
    int getBestHSS(foot2* region, std::vector<foot2> candidates);
    // The cells of the highest value (at least cutoff) in `region`; with
    // `refill` the region is first re-scored from a zero boundary.
    int next_best(foot2* region, std::vector<foot2>& candidates, int refill);
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

    const matrix<int>& localScores() const { return D; }
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
    void rescore(foot2* region, std::vector<foot2>& candidates);

    std::vector<ScoreLookup::Code> codes1_, codes2_;
    bool selected_ = false;
};

#include "anchor/AnchoredAligner.hpp"

#include <cmath>

AnchoredAligner::AnchoredAligner(std::string_view seq1, std::string_view seq2, const ScoreLookup& lookup,
                         const AlignParameters& params, WorkArena& arena,
                         FillProgress* progress)
    : seq1_(seq1),
      seq2_(seq2),
      lookup_(lookup),
      params_(params),
      arena_(arena),
      len1_(static_cast<int>(seq1.size())),
      len2_(static_cast<int>(seq2.size())),
      matrix_(seq1, seq2, lookup, params.gapOpen,
              LocalFillOptions{params.localCells, params.threads, params.stripMinWidth,
                               params.parallelFillMinCells},
              arena),
      cutoff_(cutoffScore(lookup, params.scoreFactor)) {
    maxScore_ = matrix_.fill(maxCells_, progress);
}

int AnchoredAligner::cutoffScore(const ScoreLookup& lookup, int scoreFactor) {
    const int identity = lookup.score('a', 'a') + lookup.score('c', 'c') +
                         lookup.score('g', 'g') + lookup.score('t', 't');
    const int product = identity * scoreFactor;
    return static_cast<int>(std::ceil(static_cast<double>(product) * 0.25));
}

int AnchoredAligner::nextBest(Cell* region, std::vector<Cell>& candidates, int refill,
                           int zeroColumn) {
    int best = 0;
    return searchPart(region, candidates, refill, zeroColumn, best);
}

int AnchoredAligner::searchPart(Cell* region, std::vector<Cell>& candidates, int refill,
                            int zeroColumn, int& best) {
    candidates.clear();
    if (region[1].i - region[0].i < params_.cutLen || region[1].j - region[0].j < params_.cutLen)
        return 0;
    best = cutoff_;
    if (refill) {
        (void)zeroColumn;  // a re-scored part overwrites its cells whole
        matrix_.rescorePart(region, candidates, best, params_.allowRowSkipping);
    } else {
        matrix_.scanPart(region, candidates, best, params_.allowRowSkipping);
    }
    return static_cast<int>(candidates.size());
}

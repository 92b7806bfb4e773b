#include "anchor/AnchoredAligner.hpp"

#include <algorithm>
#include <climits>

#include "anchor/AnchorSteps.hpp"

AnchoredAligner::AnchoredAligner(std::string_view seq1, std::string_view seq2,
                                 const ScoreLookup& lookup, const AlignParameters& params,
                                 WorkArena& arena, FillProgress* progress)
    : context_{seq1, seq2, lookup, params, arena},
      len1_(static_cast<int>(seq1.size())),
      len2_(static_cast<int>(seq2.size())),
      matrix_(seq1, seq2, lookup, params.gapOpen,
              LocalFillOptions{params.threads, params.tuning.stripMinWidth,
                               params.tuning.parallelFillMinCells, params.tuning.gridStep},
              arena),
      cutoff_(cutoffScore(lookup, params.scoreFactor)) {
    maxScore_ = matrix_.fill(maxCells_, progress);
}

int AnchoredAligner::cutoffScore(const ScoreLookup& lookup, int scoreFactor) {
    const int identity = lookup.score('a', 'a') + lookup.score('c', 'c') +
                         lookup.score('g', 'g') + lookup.score('t', 't');
    // In 64 bits: a matrix of large scores with a large -T passes the 32-bit
    // range, and a wrapped cutoff would anchor again. A cutoff beyond the
    // range is one no local score can beat.
    const long long product = static_cast<long long>(identity) * scoreFactor;
    const long long cutoff = (product + (product > 0 ? 3 : 0)) / 4;
    return static_cast<int>(std::clamp<long long>(cutoff, INT_MIN, INT_MAX));
}

int searchPart(LocalScoreMatrix& matrix, const Region& part, bool rescore, int cutoff,
               const AlignParameters& params, std::vector<Cell>& candidates, int& best) {
    candidates.clear();
    if (part.end.i - part.begin.i < params.cutLen || part.end.j - part.begin.j < params.cutLen)
        return 0;
    best = cutoff;
    if (rescore) {
        matrix.rescorePart(part, candidates, best, params.tuning.allowRowSkipping);
    } else {
        matrix.scanPart(part, candidates, best, params.tuning.allowRowSkipping);
    }
    return static_cast<int>(candidates.size());
}

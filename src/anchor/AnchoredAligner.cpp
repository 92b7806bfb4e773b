#include "anchor/AnchoredAligner.hpp"

#include <cmath>

#include "anchor/AnchorSteps.hpp"

AnchoredAligner::AnchoredAligner(std::string_view seq1, std::string_view seq2,
                                 const ScoreLookup& lookup, const AlignParameters& params,
                                 WorkArena& arena, FillProgress* progress)
    : context_{seq1, seq2, lookup, params, arena},
      len1_(static_cast<int>(seq1.size())),
      len2_(static_cast<int>(seq2.size())),
      matrix_(seq1, seq2, lookup, params.gapOpen,
              LocalFillOptions{params.threads, params.stripMinWidth, params.parallelFillMinCells,
                               params.gridStep},
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

int searchPart(LocalScoreMatrix& matrix, const Region& part, bool rescore, int cutoff,
               const AlignParameters& params, std::vector<Cell>& candidates, int& best) {
    candidates.clear();
    if (part.end.i - part.begin.i < params.cutLen || part.end.j - part.begin.j < params.cutLen)
        return 0;
    best = cutoff;
    if (rescore) {
        matrix.rescorePart(part, candidates, best, params.allowRowSkipping);
    } else {
        matrix.scanPart(part, candidates, best, params.allowRowSkipping);
    }
    return static_cast<int>(candidates.size());
}

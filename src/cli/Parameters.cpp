#include "cli/Parameters.hpp"

#include <cstdlib>

#include "cli/ArgParse.hpp"
#include "common/CpuCount.hpp"
#include "input/ScoreMatrix.hpp"

AlignParameters resolveParameters(const argParse& args, const ScoreMatrix& scoreMatrix,
                                  GappedAnchorRealign gappedAnchor) {
    AlignParameters p;
    p.gapOpen = args.gapOpen;
    p.gapExt = args.gapExt;
    p.scoreFactor = args.scoreFactor;
    p.cutLen = args.cutLen;
    p.localOnly = args.localOnly != 0;
    p.gappedAnchor = gappedAnchor;
    p.threads = args.threads > 0 ? args.threads : usableCores();
    if (scoreMatrix.alphabet.size() > 20 || args.isProtein) {
        p.protein = true;
        p.maskChar = '*';
        if (!args.gapOpenGiven) p.gapOpen = -15;
        if (!args.gapExtGiven) p.gapExt = -2;
        if (!args.cutLenGiven) p.cutLen = 50;
    }
    p.gapOpen = -std::abs(p.gapOpen);
    p.gapExt = -std::abs(p.gapExt);
    return p;
}

#include "cli/Parameters.hpp"

#include "cli/CommandLine.hpp"
#include "common/CpuCount.hpp"
#include "scoring/ScoreMatrix.hpp"

AlignParameters resolveParameters(const CommandLine& args, const ScoreMatrix& scoreMatrix,
                                  GappedAnchorRealign gappedAnchor) {
    RequestedValues asked;
    if (args.gapOpenGiven) asked.gapOpen = args.gapOpen;
    if (args.gapExtGiven) asked.gapExt = args.gapExt;
    if (args.cutLenGiven) asked.cutLen = args.cutLen;
    asked.scoreFactor = args.scoreFactor;
    asked.protein = args.isProtein != 0;
    asked.localOnly = args.localOnly != 0;
    asked.threads = args.threads > 0 ? args.threads : usableCores();
    return resolveAlignParameters(asked, scoreMatrix.alphabet.size(), gappedAnchor);
}

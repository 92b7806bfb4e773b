#include "cli/Parameters.hpp"

#include "cli/CommandLine.hpp"
#include "common/CpuCount.hpp"
#include "scoring/ScoreMatrix.hpp"

AlignParameters resolveParameters(const CommandLine& args, const ScoreMatrix& scoreMatrix,
                                  GappedAnchorRealign gappedAnchor) {
    RequestedValues asked;
    asked.gapOpen = args.gapOpen;
    asked.gapExt = args.gapExt;
    asked.cutLen = args.cutLen;
    asked.scoreFactor = args.scoreFactor;
    asked.protein = args.isProtein;
    asked.localOnly = args.localOnly;
    asked.threads = args.threads > 0 ? args.threads : usableCores();
    return resolveAlignParameters(asked, scoreMatrix.alphabet.size(), gappedAnchor);
}

// Option parser on arbitrary argument vectors: the bytes split at NUL into
// at most 32 arguments after the program name.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <sstream>

#include "cli/CommandLine.hpp"
#include "cli/Parameters.hpp"
#include "scoring/ScoreMatrix.hpp"
#include "cli/RunStop.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args{"torva"};
    std::string current;
    for (std::size_t i = 0; i < size && args.size() < 33; ++i) {
        if (data[i] == 0) {
            args.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    if (!current.empty() && args.size() < 33) args.push_back(current);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int argc = static_cast<int>(args.size());
    try {
        CommandLine parsed(argc, argv.data());
        if (parsed.inSeqFile.empty() || parsed.outFile.empty() || parsed.matrixFile.empty()) std::abort();
        if (argc < 0 || argc > static_cast<int>(args.size())) std::abort();
        // The values a run is aligned with: penalties, a factor of at least 6.
        static const ScoreMatrix dna = [] {
            std::istringstream text(">m\nA C\nA 1 -1\nC -1 1\n");
            return ScoreMatrix(text);
        }();
        const AlignParameters p = resolveParameters(parsed, dna, GappedAnchorRealign::kWindows);
        if (p.gapOpen > 0 || p.gapExt > 0 || p.scoreFactor < 6 || p.cutLen < 0 || p.threads < 1) std::abort();
    } catch (const RunStop& stop) {
        if (stop.status != 0 && stop.status != 1) std::abort();
    }
    return 0;
}

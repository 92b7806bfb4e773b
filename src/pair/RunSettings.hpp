#pragma once

#include <cstddef>
#include <optional>

#include "anchor/AlignParameters.hpp"

// The defaults of one kind of sequence, written once: the command line, its
// help text, the library's options and the Python keywords all take them
// from here, and a test holds the manual page to them.
struct Preset {
    const char* matrixFile;  // the default matrix file, looked for beside the program
    int gapOpen;             // costs, as the help states them (without their sign)
    int gapExtend;
    int scoreFactor;         // -T
    int minLength;           // -C
    char maskChar;           // runs of it align as one character
};

inline constexpr Preset kDnaPreset{"dnaMatrix", 500, 25, 10, 100, 'n'};
inline constexpr Preset kProteinPreset{"BLOSUM", 15, 2, 10, 50, '*'};

constexpr const Preset& presetFor(bool protein) { return protein ? kProteinPreset : kDnaPreset; }

// The bounds every front end holds a run to.
struct RunLimits {
    // A lower factor would anchor on local scores barely above chance.
    static constexpr int kMinScoreFactor = 6;
    // More threads than this are a typo, and each costs a stack.
    static constexpr int kMaxThreads = 256;
    // A matrix of more letters than this is a protein matrix.
    static constexpr std::size_t kMaxDnaLetters = 20;
};

// The factor a run uses for the one asked: values below the minimum count
// as the minimum. The only place the floor is applied.
int clampScoreFactor(int asked);

// The values a caller asked for; those left unset take the preset of the
// mode (DNA or protein).
struct RequestedValues {
    std::optional<int> gapOpen, gapExt, cutLen;  // costs with either sign
    std::optional<int> scoreFactor;
    bool protein = false;  // -P
    bool localOnly = false;
    int threads = 1;
};

// Decides every value once: protein mode with `protein` or a matrix of more
// than kMaxDnaLetters letters (then the protein preset for the values not
// given), gap costs made non-positive, the factor clamped, at least one
// thread. Test tuning keeps its defaults.
AlignParameters resolveAlignParameters(const RequestedValues& asked, std::size_t matrixLetters,
                                       GappedAnchorRealign gappedAnchor);

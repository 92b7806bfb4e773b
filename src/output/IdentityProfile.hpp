#pragma once

#include <cstddef>
#include <span>
#include <utility>
#include <vector>

// Percent identity of a global alignment in a window sliding along its
// columns, placed on sequence 1, and the stretches it calls conserved.
struct IdentityProfile {
    struct Point {
        double position1;  // sequence 1 position (0-based) of the window's middle column
        double identity;   // identical columns / columns in the window, 0..1
    };
    std::size_t window = 0;      // columns per window (fewer when the alignment is shorter)
    double minIdentity = 0;      // a window at or above it counts as conserved
    long long minLength = 0;     // a conserved stretch covers at least this much of sequence 1
    std::vector<Point> points;   // in column order, at most the number asked for
    // Sequence 1 spans, 0-based [begin, end), of the runs of columns whose
    // window is at or above minIdentity, where a run covers at least
    // minLength positions.
    std::vector<std::pair<long long, long long>> conserved;

    long long conservedLength() const;
};

// Defaults: 100-column windows, conserved at 70% identity over 100 positions.
struct ProfileSettings {
    std::size_t window = 100;
    double minIdentity = 0.7;
    long long minLength = 100;
    std::size_t maxPoints = 1000;  // pictures need no more; long alignments are sampled
};

IdentityProfile identityProfile(std::span<const char> row1, std::span<const char> row2,
                                const ProfileSettings& settings = {});

#include "output/IdentityProfile.hpp"

#include <algorithm>

#include "align/Cigar.hpp"

long long IdentityProfile::conservedLength() const {
    long long total = 0;
    for (const auto& [begin, end] : conserved) total += end - begin;
    return total;
}

IdentityProfile identityProfile(std::span<const char> row1, std::span<const char> row2,
                                const ProfileSettings& settings) {
    IdentityProfile profile;
    profile.minIdentity = settings.minIdentity;
    profile.minLength = settings.minLength;
    const std::size_t n = std::min(row1.size(), row2.size());
    if (n == 0 || settings.window == 0) return profile;
    const std::size_t w = std::min(settings.window, n);
    profile.window = w;

    // One pass: the window of column c starts w/2 before it, shifted to stay
    // inside, so it moves by at most a column at a time and its count of
    // identical columns follows it.
    auto identical = [&](std::size_t c) {
        return row1[c] != '-' && row2[c] != '-' && sameResidue(row1[c], row2[c]) ? 1 : 0;
    };
    auto windowStart = [&](std::size_t c) { return std::min(c - std::min(c, w / 2), n - w); };
    long long inWindow = 0;
    for (std::size_t c = 0; c < w; ++c) inWindow += identical(c);
    std::size_t lo = 0;

    const std::size_t step = std::max<std::size_t>(1, (n + settings.maxPoints - 1) / std::max<std::size_t>(settings.maxPoints, 1));
    std::size_t toPoint = 0;  // columns left before the next point
    long long at1 = 0;        // sequence 1 residues before column c
    // Stretches of columns whose own window reaches the threshold, on sequence 1.
    bool inStretch = false;
    long long stretchBegin = 0;
    for (std::size_t c = 0; c < n; ++c) {
        for (const std::size_t to = windowStart(c); lo < to; ++lo) inWindow += identical(lo + w) - identical(lo);
        const double identity = static_cast<double>(inWindow) / static_cast<double>(w);
        if (toPoint-- == 0) {
            profile.points.push_back({static_cast<double>(at1), identity});
            toPoint = step - 1;
        }
        const bool conserved = identity + 1e-12 >= settings.minIdentity;
        if (conserved && !inStretch) {
            inStretch = true;
            stretchBegin = at1;
        } else if (!conserved && inStretch) {
            inStretch = false;
            if (at1 - stretchBegin >= settings.minLength) profile.conserved.emplace_back(stretchBegin, at1);
        }
        at1 += row1[c] != '-';
    }
    if (inStretch && at1 - stretchBegin >= settings.minLength) profile.conserved.emplace_back(stretchBegin, at1);
    return profile;
}

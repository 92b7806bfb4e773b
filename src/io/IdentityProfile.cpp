#include "io/IdentityProfile.hpp"

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

    // same[c]: identical columns before column c; at1[c]: sequence 1 residues before it.
    std::vector<long long> same(n + 1, 0), at1(n + 1, 0);
    for (std::size_t c = 0; c < n; ++c) {
        const bool paired = row1[c] != '-' && row2[c] != '-';
        same[c + 1] = same[c] + (paired && sameResidue(row1[c], row2[c]));
        at1[c + 1] = at1[c] + (row1[c] != '-');
    }
    // The window of column c starts w/2 before it, shifted to stay inside.
    auto windowStart = [&](std::size_t c) { return std::min(c - std::min(c, w / 2), n - w); };
    auto identityAt = [&](std::size_t c) {
        const std::size_t lo = windowStart(c);
        return static_cast<double>(same[lo + w] - same[lo]) / static_cast<double>(w);
    };

    const std::size_t step = std::max<std::size_t>(1, (n + settings.maxPoints - 1) / std::max<std::size_t>(settings.maxPoints, 1));
    for (std::size_t c = 0; c < n; c += step)
        profile.points.push_back({static_cast<double>(at1[c]), identityAt(c)});

    // Stretches of columns whose own window reaches the threshold, on sequence 1.
    std::size_t c = 0;
    while (c < n) {
        if (identityAt(c) + 1e-12 < settings.minIdentity) {
            ++c;
            continue;
        }
        const std::size_t first = c;
        while (c < n && identityAt(c) + 1e-12 >= settings.minIdentity) ++c;
        const long long begin = at1[first], end = at1[c];
        if (end - begin >= settings.minLength) profile.conserved.emplace_back(begin, end);
    }
    return profile;
}

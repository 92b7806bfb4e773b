#include "anchor/GapWindows.hpp"

#include <algorithm>

std::vector<GapWindow> gapWindows(const std::vector<char>& a1, const std::vector<char>& a2) {
    const int length = static_cast<int>(std::min(a1.size(), a2.size()));
    std::vector<GapWindow> windows;
    int previous = 0;
    for (int c = 0; c < length; ++c) {
        if (!isGapColumn(a1, a2, c)) continue;
        if (windows.empty() || c - previous > kWindowReach) {
            windows.push_back(GapWindow{c, c, 1});
        } else {
            windows.back().last = c;
            ++windows.back().gapColumns;
        }
        previous = c;
    }
    if (!windows.empty()) {
        windows.front().first = std::max(windows.front().first - kWindowReach, 0);
        windows.back().last = std::min(windows.back().last + kWindowReach, length - 1);
    }
    return windows;
}

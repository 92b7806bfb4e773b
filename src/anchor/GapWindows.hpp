#pragma once

#include <vector>

// A stretch of an anchor's columns around a cluster of gap columns, which the
// windowed re-alignment aligns again; columns are inclusive.
struct GapWindow {
    int first;
    int last;
    int gapColumns;
};

// Gap columns closer than this stay in one window; the outer windows also
// reach this far beyond their outermost gap columns.
inline constexpr int kWindowReach = 81;

inline bool isGapColumn(const std::vector<char>& a1, const std::vector<char>& a2, int c) {
    return a1[c] == '-' || a2[c] == '-';
}

// The windows of two aligned rows, in column order.
std::vector<GapWindow> gapWindows(const std::vector<char>& a1, const std::vector<char>& a2);

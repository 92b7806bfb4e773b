#pragma once

// The largest magnitude of a score in a matrix and of a number given for an
// option (gap costs, the factor, the minimum length). It keeps a step of the
// recurrences far from the 32-bit range; whole pairs are checked against it
// separately (pair/ScoreRange.hpp).
inline constexpr int kMaxAbsValue = 1000000;

#pragma once

#include <array>
#include <string>
#include <string_view>

#include "scoring/ScoreMatrix.hpp"

// What the user is told about a letter that the matrix scores as 0 (an IUPAC
// code in DNA, say): per sequence, how many and which. The programs and the
// Python module both word it this way.
class UnknownLetters {
public:
    // Letters of the matrix's letter line that have a row, the mask
    // character and `ownWarning` (characters that have a warning of their
    // own: digits and blanks) count as known, in either case.
    UnknownLetters(std::string_view lettersWithRows, char maskChar,
                   std::string_view ownWarning = kDigitsAndBlanks);
    UnknownLetters(const ScoreMatrix& matrix, char maskChar);

    // "N letters that the matrix has no row for (B, R, 0x0d); they score 0",
    // or "" when every letter has a row.
    std::string describe(std::string_view seq) const;

    static constexpr std::string_view kDigitsAndBlanks = "0123456789 \t";

private:
    void mark(char letter);
    std::array<bool, 256> known_;
};

#pragma once

#include <istream>
#include <map>
#include <stdexcept>
#include <string>

#include "scoring/ScoreLookup.hpp"
#include "common/Grid.hpp"

// The substitution scores of one alphabet, read once from a matrix file:
//
//   any lines not beginning with '>'   (ignored)
//   >title
//   letter line                        (every non-blank character is a letter)
//   one row per letter                 (row letter, then one integer per letter)
//
// Letters are stored lower-case.

// A matrix that cannot be used; what() is the line the programs show.
struct MatrixError : std::runtime_error {
    enum class Kind {
        kUnreadable,   // the stream was not readable to begin with
        kNoMatrix,     // no header, or no letters after it
        kBadRowLetter, // a row begins with a letter not on the letter line
        kShortRow,     // a row with fewer usable numbers than letters
        // Refused since: each would give scores other than those written.
        kTooLarge,        // more than kMaxMatrixFileBytes: not a matrix file
        kRepeatedLetter,  // a letter twice on the letter line
        kRepeatedRow,     // two rows for one letter
        kBadNumber,       // a score with characters after it ("5.9", "5x")
    };
    // `text` is the error's first line; `detail`, where known, the line of the
    // file and what was expected there.
    MatrixError(Kind kind, const std::string& text, std::string detail = "")
        : std::runtime_error(text), kind(kind), detail(std::move(detail)) {}
    Kind kind;
    std::string detail;
    // Whether what() is a line the programs have printed since the first
    // release (kept as it was); the newer errors say it all in `detail`.
    bool sinceFirstRelease() const { return kind <= Kind::kShortRow; }
};

// The largest matrix file read: a real one is a few kilobytes, and a path
// that leads to a device (/dev/zero) must not be read without end.
inline constexpr std::size_t kMaxMatrixFileBytes = std::size_t{1} << 20;

// All of `in`, at most kMaxMatrixFileBytes; throws MatrixError (kTooLarge)
// beyond that, having read one byte more.
std::string readMatrixText(std::istream& in);

class ScoreMatrix {
public:
    std::map<char, unsigned long> alphabet;  // lower-case letter -> row/column index
    Grid<int> scores;                      // size x size, scores[r][c]
    std::string title;                       // text after '>' of the header line
    int size = 0;                            // letters on the letter line
    std::string missingRows;                 // letters of the letter line without a row (they score 0)

    // Reads the table from `in` (through readMatrixText); throws MatrixError.
    explicit ScoreMatrix(std::istream& in);

    // The scores as the aligners read them.
    ScoreLookup lookup() const;
};

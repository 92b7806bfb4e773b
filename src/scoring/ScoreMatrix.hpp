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
    };
    // `text` is the error's first line; `detail`, where known, the line of the
    // file and what was expected there.
    MatrixError(Kind kind, const std::string& text, std::string detail = "")
        : std::runtime_error(text), kind(kind), detail(std::move(detail)) {}
    Kind kind;
    std::string detail;
};

class ScoreMatrix {
public:
    std::map<char, unsigned long> alphabet;  // lower-case letter -> row/column index
    Grid<int> scores;                      // size x size, scores[r][c]
    std::string title;                       // text after '>' of the header line
    int size = 0;                            // letters on the letter line
    std::string missingRows;                 // letters of the letter line without a row (they score 0)

    // Reads the table from `in`; throws MatrixError.
    explicit ScoreMatrix(std::istream& in);

    // The scores as the aligners read them.
    ScoreLookup lookup() const;
};

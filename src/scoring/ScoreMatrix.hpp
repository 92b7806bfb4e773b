#pragma once

#include <istream>
#include <map>
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
// Letters are stored lower-case. After a format error `size` is 0 and the
// messages have been printed to standard output; the driver then stops.
class ScoreMatrix {
public:
    std::map<char, unsigned long> alphabet;  // lower-case letter -> row/column index
    Grid<int> scores;                      // size x size, scores[r][c]
    std::string title;                       // text after '>' of the header line
    int size = 0;                            // letters on the letter line, 0 after an error
    std::string missingRows;                 // letters of the letter line without a row (they score 0)
    std::string problem;                     // after an error: the line and what was expected there

    // Reads the table from `in`. A stream that is not good to begin with gets
    // "unable to read the file" and stops the run (RunStop{1}).
    explicit ScoreMatrix(std::istream& in);

    // Parses the format above; returns the letter count, or 0 after an error.
    unsigned int read_in(std::istream& in);

    // The scores as the aligners read them.
    ScoreLookup lookup() const;

    // The largest score magnitude a matrix file may hold.
    static constexpr long long kMaxAbsScore = 1000000;
};

#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "scoring/UnknownLetters.hpp"
#include "torva/torva.hpp"

// What the programs warn about in the sequences they read, for sequences that
// come from Python: an empty one, digits or blanks (a pasted GenBank block)
// and, since a Python string may hold them where a file's lines do not, line
// ends; and letters the matrix has no row for (IUPAC codes in DNA, say).
class InputChecks {
public:
    explicit InputChecks(const torva::Options& options);

    // The warnings about `seq`, each beginning with `subject` ("seq1").
    std::vector<std::string> warnings(const std::string& subject, std::string_view seq) const;

    // Only the letters the matrix has no row for, worded as the programs
    // word them for a record read from a file ("record 3 (NAME) has ...").
    std::string unknownLetters(std::string_view seq) const { return unknown_.describe(seq); }

private:
    UnknownLetters unknown_;
};

#pragma once

#include <map>
#include <string>
#include <vector>

#include "common/Message.hpp"

// Runs of the mask character carry no alignable signal but would dominate
// the score matrix, so each run is aligned as a single character and the
// full run is put back into the aligned rows afterwards. Sequence i of the
// current pair has its own entry in both tables.
class MaskRuns {
public:
    // posMap[i][k]: position in the original sequence i of character k of the
    // collapsed sequence i (for a run's stand-in, the run's first position).
    std::vector<std::vector<unsigned long>> posMap;
    // runLengths[i]: collapsed index of a run's stand-in -> original run length.
    std::vector<std::map<unsigned long, unsigned long>> runLengths;
    // Compared with lower-cased residues, so it should itself be lower case.
    char maskChar;

    MaskRuns();
    explicit MaskRuns(char c);

    // Lower-cases every sequence and collapses each maximal run of maskChar to
    // one maskChar, rebuilding both tables for the sequences given. Returns
    // true when any sequence held at least one maskChar.
    bool collapse(std::vector<std::string>& seqs);

    // Puts the collapsed runs back into aligned rows: rows[s] is the aligned
    // row of sequence s and offsets[s] the collapsed index of its first
    // residue. Each run's extra characters are set against gaps in every
    // other row. A stand-in without a recorded run is reported in `messages`
    // (a line for standard output) and left as it is.
    void restore(std::vector<unsigned long> offsets, std::vector<std::vector<char>>& rows,
                   Messages& messages);

    // Forgets the current pair.
    void clear();
};

#pragma once

#include <set>
#include <string>

#include "cli/PairStep.hpp"

class argParse;
class ScoreMatrix;

// The program entry: start-up (options, matrix, input, output files), the
// loop over pairs and the closing of the files. Returns the exit status:
// 0 on success (and after -H/-V), 1 after any failure.
int runProgram(int argc, char** argv);

// The values every pair is aligned with: the options, then the protein
// switch (a matrix of more than 20 distinct letters, or -P, selects the mask
// character '*' and the protein defaults for the values not given).
PairSettings pairSettings(const argParse& args, const ScoreMatrix& scoreMatrix);

// The name up to its first '|' (the whole name when there is none).
std::string cutName(const std::string& name);

// True when both paths name one existing file (same device and inode), or,
// when `path` does not exist, when its resolved form equals that of `other`.
bool sameFile(const std::string& path, const std::string& other);

// Watches the three output streams of a run for failed writes and closes.
// Each failing file is reported once, with its path, on standard output:
// "can not write output file: PATH".
class OutputGuard {
public:
    explicit OutputGuard(OutputFiles& files);
    // Reports streams that have failed; false when any has.
    bool check();
    // Closes every open stream, then reports as check() does.
    bool close();

private:
    OutputFiles& files_;
    std::set<std::string> reported_;
};

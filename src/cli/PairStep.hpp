#pragma once

#include <fstream>
#include <string>
#include <vector>

class ScoreMatrix;

// The three output files of a run, opened by the driver.
struct OutputFiles {
    std::string alignPath, locPath, scorePath;
    std::ofstream align, loc, score;
};

// The values that every pair of a run is aligned with, fixed at start-up
// (after the protein switch).
struct PairSettings {
    int gapOpen = -500;
    int gapExt = -25;
    int scoreFactor = 10;
    int cutLen = 100;
    bool localOnly = false;
    char maskChar = 'n';
};

// Aligns one pair of records and writes its lines to the three files.
// Returns false when the pair had to be abandoned (its matrices would not fit
// in memory); a message has then been printed and nothing written for it.
bool alignPair(std::vector<std::string>& names, std::vector<std::string>& seqs,
               const ScoreMatrix& matrix, const PairSettings& settings, OutputFiles& out);

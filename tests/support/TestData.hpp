#pragma once

#include <random>
#include <sstream>

#include "scoring/ScoreLookup.hpp"
#include "scoring/ScoreMatrix.hpp"

// Scoring tables and sequences shared by the aligner tests.
namespace testdata {

inline ScoreLookup lookupFrom(const std::string& matrixText) {
    std::istringstream in(matrixText);
    return ScoreMatrix(in).lookup();
}

// +5 for identities, -4 otherwise.
// A scoring for the affine aligners' tests: the letters to draw sequences
// from and the gap costs.
struct Scoring {
    ScoreLookup lookup;
    std::string letters;
    int open, ext;
};

inline ScoreLookup simpleDna() {
    return lookupFrom(">simple\nA C G T\nA 5 -4 -4 -4\nC -4 5 -4 -4\nG -4 -4 5 -4\nT -4 -4 -4 5\n");
}

// The default DNA scores: large values, far apart.
inline ScoreLookup hoxd70() {
    return lookupFrom(">HOXD70\nA C G T\nA 91 -114 -31 -123\nC -114 100 -125 -31\n"
                      "G -31 -125 100 -114\nT -123 -31 -114 91\n");
}

// Two letters, +1/-1: scores tie very often, which exercises every tie-break.
inline ScoreLookup binary() { return lookupFrom(">binary\nA C\nA 1 -1\nC -1 1\n"); }

inline std::string randomSeq(std::mt19937& rng, int length, const std::string& letters) {
    std::uniform_int_distribution<std::size_t> pick(0, letters.size() - 1);
    std::string s(static_cast<std::size_t>(length), ' ');
    for (char& c : s) c = letters[pick(rng)];
    return s;
}

// A copy of `s` with random substitutions and one-residue insertions and
// deletions, in the proportions 3 : 1 : 1 of `rate`.
inline std::string mutate(std::mt19937& rng, const std::string& s, double rate, const std::string& letters) {
    std::uniform_real_distribution<double> u(0, 1);
    std::string out;
    for (char c : s) {
        const double r = u(rng) / rate;
        const char other = letters[rng() % letters.size()];
        if (r >= 0.8) out.push_back(c);  // kept, or with an insertion after it
        if (r < 0.6 || (r >= 0.8 && r < 1)) out.push_back(other);
    }
    return out;
}

inline std::string withoutGaps(const std::vector<char>& row) {
    std::string s;
    for (char c : row)
        if (c != '-') s.push_back(c);
    return s;
}

inline std::string str(const std::vector<char>& row) { return std::string(row.begin(), row.end()); }
inline std::vector<char> rowOf(const std::string& s) { return std::vector<char>(s.begin(), s.end()); }

}  // namespace testdata

#pragma once
// Temporary stand-in; replaced by the full parser from the foundation branch.
#include <istream>
#include <map>
#include <string>

#include "common/Matrix.hpp"

class ScoreMatrix {
public:
    std::map<char, unsigned long> alphabet;
    matrix<int> scores;
    std::string title;
    int size = 0;
    explicit ScoreMatrix(std::istream& in) { size = static_cast<int>(read_in(in)); }
    unsigned int read_in(std::istream& in);
};

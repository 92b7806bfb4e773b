#pragma once

#include <string>
#include <vector>

#include "scoring/ScoreLookup.hpp"
#include "torva/torva.hpp"

// What a torva::Matrix shares between its copies: the aligners' lookup table
// and the plain table behind the accessors.
struct torva::Matrix::Impl {
    std::string letters;      // distinct, lower case, ascending
    std::vector<int> scores;  // letters.size() squared, row-major
    std::string title;
    ScoreLookup lookup;

    Impl(std::string letters, std::vector<int> scores, std::string title);
};

#pragma once

#include <string>
#include <utility>
#include <vector>

#include "anchor/AlignParameters.hpp"

// What the view and the report say about the run as a whole: what ran, when,
// and how every pair was aligned.
struct RunDescription {
    std::string command;  // the command line as typed
    std::string program;  // name and version
    std::string date;     // when the run started
    std::string matrix;   // the matrix as named on the command line (its file's name)
    AlignParameters params;
};

// The settings as (field, value), under needle's field names where it has
// one (Matrix, Gap_penalty, Extend_penalty), so that readers of its format
// find them; gap costs as the options take them, without a sign.
std::vector<std::pair<std::string, std::string>> settingFields(const RunDescription& run);

#pragma once

#include <fstream>
#include <set>
#include <string>

#include "align/PairAlignment.hpp"

// The three files of a run: the alignment file, its ".loc" and its ".score"
// companions. Each failing file is reported once, with its path, on standard
// output: "can not write output file: PATH".
class RunOutputs {
public:
    explicit RunOutputs(const std::string& alignPath);

    const std::string& alignPath() const { return alignPath_; }
    const std::string& locPath() const { return locPath_; }
    const std::string& scorePath() const { return scorePath_; }

    // Creates (truncates) the three files; on failure returns the path that
    // could not be opened, else "".
    std::string open();
    // Writes one pair's records (nothing for a skipped pair) and flushes them.
    void write(const PairAlignment& pair);
    // Reports streams that have failed; false when any has.
    bool check();
    // Closes every open stream, then reports as check() does.
    bool close();

private:
    std::string alignPath_, locPath_, scorePath_;
    std::ofstream align_, loc_, score_;
    std::set<std::string> reported_;
};

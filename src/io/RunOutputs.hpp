#pragma once

#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "align/PairAlignment.hpp"
#include "io/HtmlReport.hpp"
#include "io/PositivePairs.hpp"

// The files of a run: the alignment file, its ".loc" and its ".score"
// companions, and on request a PAF file and a folder of SVG pictures. Each
// failing file is reported once, with its path, on standard output:
// "can not write output file: PATH".
class RunOutputs {
public:
    // With `localOnly` there is no alignment file: its path is never opened,
    // so a file already there stays as it was.
    // `pafPath` ("-": standard output) and `plotDir` are optional ("").
    RunOutputs(const std::string& alignPath, bool localOnly, const std::string& pafPath = "",
               const std::string& plotDir = "");
    // Also a readable view of each pair (`viewPath`, "-": standard output)
    // and an HTML report of the run (`reportPath`); either may be "". Call
    // before open().
    void addViews(const std::string& viewPath, const std::string& reportPath, RunDescription run,
                  const PositivePairs& positive);
    // The paths the run writes.
    std::vector<const std::string*> paths() const;

    const std::string& alignPath() const { return alignPath_; }
    const std::string& locPath() const { return locPath_; }
    const std::string& scorePath() const { return scorePath_; }

    // Creates (truncates) the files and the picture folder; on failure
    // returns the path that could not be opened, else "".
    std::string open();
    // The system's reason for the last failed open ("" when it gave none).
    const std::string& openFailureReason() const { return reason_; }
    // Writes one pair's records (nothing for a skipped pair) and flushes
    // them; `pairNumber` counts the pairs of the run from 1.
    void write(const PairAlignment& pair, std::size_t pairNumber);
    // Reports streams that have failed; false when any has.
    bool check();
    // Closes every open stream, then reports as check() does.
    bool close();

private:
    std::vector<std::pair<std::ofstream*, const std::string*>> files();

    bool localOnly_;
    void writePicture(const PairAlignment& pair, std::size_t pairNumber, const std::string& picture);
    void writeViews(const PairAlignment& pair, std::size_t pairNumber, const std::string& picture,
                    const PairFigures& figures);

    std::string alignPath_, locPath_, scorePath_, pafPath_, plotDir_, viewPath_;
    std::ofstream align_, loc_, score_, paf_, view_;
    std::unique_ptr<HtmlReport> report_;
    RunDescription run_;
    PositivePairs positive_;
    std::set<std::string> reported_;
    std::string reason_;
    bool picturesFailed_ = false;
};

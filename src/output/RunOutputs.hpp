#pragma once

#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "align/PairAlignment.hpp"
#include "output/HtmlReport.hpp"
#include "output/OutputProblem.hpp"
#include "output/PositivePairs.hpp"

struct OutputFile;
class PictureFolder;

// What a run's pictures, view and report show of one pair, as finished text;
// each part "" when the run does not write it.
struct RenderedPair {
    std::string pictureName;  // the picture's file name in the picture folder
    std::string picture;      // without the XML declaration
    std::string view;
    ReportEntry report;
};

// The files of a run: the alignment file, its ".loc" and its ".score"
// companions, and on request a PAF file, a view, a report and a folder of SVG
// pictures. What goes wrong is kept as OutputProblem values for the caller to
// take and say; each failing file gives one, with its path and the system's
// reason.
//
// A file is written under a temporary name beside it ("PATH.partial-XXXXXX",
// the name cut when it would not fit) and takes its own name only when the
// run ends well (commit()); the pictures are written into a temporary folder
// inside the picture folder and moved to their names at the same time. A run
// that fails midway leaves whatever was there as it was and its own output in
// "PATH.partial" (keepPartial()); one that fails before its first pair leaves
// nothing new, folders included (discard()).
//
// A stream is written directly and never renamed over: "-" (standard output),
// a path that names a descriptor of the process (/dev/stdout, /dev/stderr,
// /dev/fd/N, /proc/self/fd/N, which keep the descriptor's place and append
// mode), any other path under /dev or /proc, a character device, a FIFO. When
// the reader of such a stream goes away (EPIPE), that stream ends with one
// kReaderGone problem and the run goes on. A symbolic link, dangling or not, is written
// through: the temporary file is made beside the file it leads to.
class RunOutputs {
public:
    // With `localOnly` there is no alignment file: its path is never opened,
    // so a file already there stays as it was.
    // `pafPath` ("-": standard output) and `plotDir` are optional ("").
    // What goes to "-" is written to `standardOutput`, the process's own.
    RunOutputs(std::ostream& standardOutput, const std::string& alignPath, bool localOnly,
               const std::string& pafPath = "", const std::string& plotDir = "");
    ~RunOutputs();
    // Also a readable view of each pair (`viewPath`, "-": standard output)
    // and an HTML report of the run (`reportPath`); either may be "". Call
    // before open().
    void addViews(const std::string& viewPath, const std::string& reportPath, RunDescription run,
                  const PositivePairs& positive);
    // Also a MAF block per pair (`path`, "-": standard output). Call before open().
    void addMaf(const std::string& path);
    RunOutputs(const RunOutputs&) = delete;
    RunOutputs& operator=(const RunOutputs&) = delete;

    // The paths the run writes (standard output not included).
    std::vector<const std::string*> paths() const;

    // Creates the temporary files (or opens the devices) and the picture
    // folder, touching no existing file; on failure removes what it made and
    // returns false, with a kNotOpened problem to take.
    bool open();
    // The problems met since the last call, in the order met.
    OutputProblems takeProblems() { return std::exchange(problems_, {}); }
    // Writes one pair's records (nothing for a skipped pair) and flushes
    // them; `pairNumber` counts the pairs of the run from 1 (or from the
    // first pair's number, for a chunk of a larger input).
    void write(const PairAlignment& pair, std::size_t pairNumber);
    // The same with the pictures, the view and the report's part made
    // beforehand by render().
    void write(const PairAlignment& pair, RenderedPair rendered);
    // Makes the text of a pair's pictures, view and report part. It reads
    // only what open() left settled and writes nothing, so after open() it
    // may run on any thread, for several pairs at once. `pairsBefore` counts
    // the pairs of the run before this one; the report lists `readNotes`
    // with the pair.
    RenderedPair render(const PairAlignment& pair, std::size_t pairNumber, std::size_t pairsBefore,
                        const Messages& readNotes = {}) const;
    // Whether render() has anything to make.
    bool rendersViews() const { return !plotDir_.empty() || view_ || viewToStdout_ || report_; }
    // Notes a problem for each stream that has failed; false when any has.
    bool check();
    // Closes every open stream (standard output is flushed), then reports as
    // check() does.
    bool close();
    // After close(): each temporary file takes its path's place, and each
    // picture its name, while the run holds a lock on the folder of the
    // .loc file, so that two runs on one -O never leave a mixed set. A
    // "PATH.partial" of an earlier run stays: it may not be ours. False,
    // with a problem noted, when a rename fails.
    bool commit();
    // The run failed: each temporary file becomes "PATH.partial". Returns
    // those paths.
    std::vector<std::string> keepPartial();
    // The run failed before it wrote anything: the temporary files go.
    void discard();

    // The renames keepPartial() would make, as (temporary, "PATH.partial"),
    // for a signal handler that has to make them itself.
    std::vector<std::pair<std::string, std::string>> partialRenames() const;
    // What discard() removes, for the same handler: files, then folders in
    // the order they can go.
    std::vector<std::string> temporaryFiles() const;
    std::vector<std::string> madeFolders() const;

    // Whether an output other than "-" writes to the process's standard
    // output (--paf /dev/stdout): messages must then keep off it.
    bool writesStandardOutput() const;

private:
    using File = OutputFile;
    std::vector<File*> files();
    std::vector<const File*> files() const;
    void report(const std::string& path, int error);
    bool failedToOpen(const std::string& path, std::string reason);
    void closeReportScratch();
    void flushStandardOutput();
    void flushDirect(File& file);

    std::ostream& stdout_;
    bool localOnly_;
    std::string alignPath_, locPath_, scorePath_, pafPath_, plotDir_;
    // The report is written by HtmlReport into the file reportFile_ made.
    std::unique_ptr<File> align_, loc_, score_, paf_, view_, reportFile_, maf_;
    std::unique_ptr<HtmlReport> report_;
    RunDescription run_;
    PositivePairs positive_;
    bool pafToStdout_ = false;
    bool viewToStdout_ = false;
    bool mafToStdout_ = false;
    bool mafHeaderWritten_ = false;
    bool stdoutReported_ = false;
    std::set<std::string> reported_;
    OutputProblems problems_;
    std::unique_ptr<PictureFolder> pictures_;
    bool picturesFailed_ = false;
    int reportScratch_ = -1;                // an unnamed file holding a report meant for a stream
    bool stdoutClosed_ = false;
};

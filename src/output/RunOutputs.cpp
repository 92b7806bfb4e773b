#include "output/RunOutputs.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <string_view>

#include "output/AlignmentWriter.hpp"
#include "output/DescriptorBuf.hpp"
#include "output/OutputFile.hpp"
#include "output/PictureFolder.hpp"
#include "output/LocWriter.hpp"
#include "output/MafWriter.hpp"
#include "output/PafWriter.hpp"
#include "output/SvgWriter.hpp"
#include "output/ScoreWriter.hpp"
#include "output/ViewWriter.hpp"

namespace {

// The standard output of the process now writes nowhere, without failing.
void silenceStandardOutput() {
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null < 0) return;
    ::dup2(null, STDOUT_FILENO);
    ::close(null);
}

std::string systemReason(int error) { return error != 0 ? std::strerror(error) : ""; }

}  // namespace

RunOutputs::RunOutputs(std::ostream& standardOutput, const std::string& alignPath, bool localOnly,
                       const std::string& pafPath, const std::string& plotDir)
    : stdout_(standardOutput),
      localOnly_(localOnly),
      alignPath_(alignPath),
      locPath_(alignPath + ".loc"),
      scorePath_(alignPath + ".score"),
      pafPath_(pafPath),
      plotDir_(plotDir),
      pafToStdout_(pafPath == "-") {
    auto make = [](const std::string& path) {
        auto file = std::make_unique<File>();
        file->path = path;
        return file;
    };
    if (!localOnly_) align_ = make(alignPath_);
    loc_ = make(locPath_);
    score_ = make(scorePath_);
    if (!pafPath_.empty() && !pafToStdout_) paf_ = make(pafPath_);
    if (!plotDir_.empty()) pictures_ = std::make_unique<PictureFolder>(plotDir_);
}

void RunOutputs::addViews(const std::string& viewPath, const std::string& reportPath,
                          RunDescription run, const PositivePairs& positive) {
    viewToStdout_ = viewPath == "-";
    if (!viewPath.empty() && !viewToStdout_) {
        view_ = std::make_unique<File>();
        view_->path = viewPath;
    }
    if (!reportPath.empty()) {
        reportFile_ = std::make_unique<File>();
        reportFile_->path = reportPath;
    }
    run_ = std::move(run);
    positive_ = positive;
}

void RunOutputs::addMaf(const std::string& path) {
    mafToStdout_ = path == "-";
    if (!path.empty() && !mafToStdout_) {
        maf_ = std::make_unique<File>();
        maf_->path = path;
    }
}

RunOutputs::~RunOutputs() {
    // Left by an exception: whatever was written is kept as partial output.
    keepPartial();
    closeReportScratch();
}

void RunOutputs::closeReportScratch() {
    if (reportScratch_ >= 0) ::close(reportScratch_);
    reportScratch_ = -1;
}

std::vector<RunOutputs::File*> RunOutputs::files() {
    std::vector<File*> all;
    for (auto* file : {&align_, &loc_, &score_, &paf_, &view_, &reportFile_, &maf_})
        if (*file) all.push_back(file->get());
    return all;
}

std::vector<const RunOutputs::File*> RunOutputs::files() const {
    std::vector<const File*> all;
    for (auto* file : {&align_, &loc_, &score_, &paf_, &view_, &reportFile_, &maf_})
        if (*file) all.push_back(file->get());
    return all;
}

std::vector<const std::string*> RunOutputs::paths() const {
    std::vector<const std::string*> all;
    for (const File* file : files()) all.push_back(&file->path);
    return all;
}

bool RunOutputs::writesStandardOutput() const {
    for (const File* file : files())
        if (file->handed == STDOUT_FILENO) return true;
    return false;
}

bool RunOutputs::open() {
    const mode_t mode = newFileMode();
    for (File* file : files()) {
        errno = 0;
        if (!file->open(mode)) return failedToOpen(file->path, systemReason(errno));
    }
    if (pictures_ && !pictures_->open(mode)) return failedToOpen(plotDir_, systemReason(errno));
    if (reportFile_) {
        // The page is written by the report itself, by name: into the
        // temporary file, or, for a stream, into a scratch file without a
        // name (nothing to leave behind, whatever ends the run) that close()
        // copies to the stream.
        std::string page = reportFile_->temp;
        if (page.empty()) {
            std::error_code noTemp;
            std::filesystem::path dir = std::filesystem::temp_directory_path(noTemp);
            if (noTemp) dir = "/tmp";
            std::string scratch = (dir / "torva-report-XXXXXX").string();
            reportScratch_ = ::mkostemp(scratch.data(), O_CLOEXEC);
            if (reportScratch_ < 0) return failedToOpen(reportFile_->path, systemReason(errno));
            ::unlink(scratch.c_str());
            page = "/proc/self/fd/" + std::to_string(reportScratch_);
        }
        report_ = std::make_unique<HtmlReport>(page);
        if (std::string why; !report_->open(why)) return failedToOpen(reportFile_->path, why);
    }
    return true;
}

// Whatever open() made so far goes, so that a run that cannot start leaves
// nothing new.
bool RunOutputs::failedToOpen(const std::string& path, std::string reason) {
    problems_.push_back({OutputProblem::Kind::kNotOpened, path, std::move(reason)});
    discard();
    closeReportScratch();
    return false;
}

void RunOutputs::write(const PairAlignment& pair, std::size_t pairNumber) {
    write(pair, render(pair, pairNumber, report_ ? report_->pairs() : 0));
}

RenderedPair RunOutputs::render(const PairAlignment& pair, std::size_t pairNumber, std::size_t pairsBefore,
                                const Messages& readNotes) const {
    RenderedPair made;
    const bool views = view_ || viewToStdout_ || report_;
    if (plotDir_.empty() && !views) return made;
    // Worked out once for the picture, the view and the report; one
    // drawing serves both the picture file and the report.
    const PairFigures figures = pairFigures(pair, positive_);
    if (!plotDir_.empty() || report_) made.picture = svgText(pair, SvgOptions{false, &figures});
    if (!plotDir_.empty()) made.pictureName = svgFileName(pairNumber, pair.name1, pair.name2);
    if (views) made.view = viewText(pair, pairNumber, run_, positive_, figures.tally);
    if (report_) {
        made.report = HtmlReport::entry(pair, pairNumber, made.view, made.picture, figures,
                                        pairsBefore < HtmlReport::kThumbnailLimit, readNotes);
    }
    return made;
}

void RunOutputs::write(const PairAlignment& pair, RenderedPair rendered) {
    if (pafToStdout_) {
        if (!stdoutClosed_) writePaf(stdout_, pair);
        flushStandardOutput();
    } else if (paf_) {
        writePaf(paf_->stream, pair);
        flushDirect(*paf_);
    }
    if (mafToStdout_ || maf_) {
        std::ostream& out = mafToStdout_ ? stdout_ : maf_->stream;
        if (!mafToStdout_ || !stdoutClosed_) {
            if (!mafHeaderWritten_) writeMafHeader(out);
            writeMaf(out, pair);
        }
        mafHeaderWritten_ = true;
        if (mafToStdout_) {
            flushStandardOutput();
        } else {
            flushDirect(*maf_);
        }
    }
    if (pictures_ && !pictures_->write(rendered.pictureName, {kXmlDeclaration, rendered.picture})) {
        report((std::filesystem::path(plotDir_) / rendered.pictureName).string(), errno);
        picturesFailed_ = true;
    }
    if (viewToStdout_) {
        if (!stdoutClosed_) stdout_ << rendered.view;
        flushStandardOutput();
    } else if (view_) {
        view_->stream << rendered.view;
        flushDirect(*view_);
    }
    if (report_) report_->add(pair, std::move(rendered.report));
    if (!pair.localOnly && align_) {
        writeAlignmentRecord(align_->stream, pair);
        flushDirect(*align_);
    }
    writeLocRecord(loc_->stream, pair);
    writeScoreLine(score_->stream, pair);
    flushDirect(*score_);
    flushDirect(*loc_);
}

// A reader that went away (`--paf - | head -1`) ends that stream only: the
// run goes on and its files are written.
void RunOutputs::flushStandardOutput() {
    if (stdoutClosed_) return;
    errno = 0;
    stdout_.flush();
    if (!stdout_.fail() || errno != EPIPE) return;
    stdoutClosed_ = true;
    silenceStandardOutput();
    stdout_.clear();
    problems_.push_back({OutputProblem::Kind::kReaderGone, "", ""});
}

void RunOutputs::flushDirect(File& file) {
    file.stream.flush();
    if (file.temp.empty() && !file.closedEarly && file.buf.error() == EPIPE) {
        file.closedEarly = true;
        file.buf.discard();
        file.stream.clear();
        problems_.push_back({OutputProblem::Kind::kReaderGone, file.path, ""});
    }
}

void RunOutputs::report(const std::string& path, int error) {
    if (!reported_.insert(path).second) return;
    problems_.push_back({OutputProblem::Kind::kNotWritten, path, systemReason(error)});
}

bool RunOutputs::check() {
    bool ok = !picturesFailed_;
    if (report_ && report_->failed()) {
        ok = false;
        report(reportFile_->path, errno);
    }
    for (File* file : files()) {
        if (!file->stream.fail()) continue;
        ok = false;
        report(file->path, file->buf.error() != 0 ? file->buf.error() : errno);
    }
    if ((pafToStdout_ || viewToStdout_ || mafToStdout_) && stdout_.fail()) {
        ok = false;
        if (!stdoutReported_) {
            stdoutReported_ = true;
            problems_.push_back({OutputProblem::Kind::kNotWritten, "", systemReason(errno)});
        }
    }
    return ok;
}

bool RunOutputs::close() {
    // A run without pairs still leaves a MAF file that says what it is.
    if (!mafHeaderWritten_ && (maf_ || (mafToStdout_ && !stdoutClosed_))) {
        writeMafHeader(mafToStdout_ ? stdout_ : maf_->stream);
        mafHeaderWritten_ = true;
    }
    const bool ok = check();
    if (report_) {
        report_->finish(run_);
        if (reportScratch_ >= 0 && !report_->failed() && reportFile_->isOpen()) {
            reportFile_->stream.flush();
            if (!copyAll(reportScratch_, reportFile_->fd)) {
                const int error = errno;
                reportFile_->stream.setstate(std::ios::badbit);
                report(reportFile_->path, error);
            }
        }
        closeReportScratch();
    }
    bool closed = true;
    for (File* file : files()) {
        if (!file->close() && !file->closedEarly) {
            closed = false;
            report(file->path, errno);
        }
    }
    if (pafToStdout_ || viewToStdout_ || mafToStdout_) flushStandardOutput();
    return check() && ok && closed;
}

namespace {
// Holds an exclusive lock on a folder while it lives (none when the folder
// does not open: the renames go ahead all the same).
class FolderLock {
public:
    explicit FolderLock(const std::string& dir) : fd_(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (fd_ >= 0) {
            while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
        }
    }
    ~FolderLock() {
        if (fd_ >= 0) ::close(fd_);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int fd_;
};
}  // namespace

bool RunOutputs::commit() {
    bool ok = true;
    const FolderLock lock(directoryOf(loc_->target));
    for (File* file : files()) {
        if (!file->commit()) {
            ok = false;
            report(file->path, errno);
        }
    }
    if (pictures_) {
        for (const auto& [picture, error] : pictures_->commit()) {
            ok = false;
            report(picture, error);
        }
    }
    return ok;
}

std::vector<std::string> RunOutputs::keepPartial() {
    std::vector<std::string> kept;
    for (File* file : files())
        if (std::string at = file->keepPartial(); !at.empty()) kept.push_back(std::move(at));
    if (pictures_)
        if (std::string at = pictures_->keepPartial(); !at.empty()) kept.push_back(std::move(at));
    return kept;
}

void RunOutputs::discard() {
    for (File* file : files()) file->discard();
    if (pictures_) pictures_->discard();
}

std::vector<std::pair<std::string, std::string>> RunOutputs::partialRenames() const {
    std::vector<std::pair<std::string, std::string>> all;
    for (const File* file : files())
        if (!file->temp.empty()) all.emplace_back(file->temp, file->partial());
    if (pictures_)
        for (auto& rename : pictures_->partialRenames()) all.push_back(std::move(rename));
    return all;
}

std::vector<std::string> RunOutputs::temporaryFiles() const {
    std::vector<std::string> all;
    for (const File* file : files())
        if (!file->temp.empty()) all.push_back(file->temp);
    return all;
}

std::vector<std::string> RunOutputs::madeFolders() const {
    return pictures_ ? pictures_->madeFolders() : std::vector<std::string>{};
}

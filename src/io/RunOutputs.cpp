#include "io/RunOutputs.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <iostream>
#include <string_view>

#include "common/MessageSink.hpp"
#include "io/AlignmentWriter.hpp"
#include "io/LocWriter.hpp"
#include "io/PafWriter.hpp"
#include "io/SvgWriter.hpp"
#include "io/ScoreWriter.hpp"
#include "io/ViewWriter.hpp"

namespace {

bool underSystemDirectory(const std::string& path) {
    for (const char* top : {"/dev/", "/proc/"})
        if (path.rfind(top, 0) == 0) return true;
    return false;
}

// The permissions a new file gets from the process's umask.
mode_t newFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// A new, empty file "BASE.partial-XXXXXX" beside `base`, with `mode`; its
// name, or "" with errno set. The name says what it holds even if the process
// is killed before it can be cleaned up.
std::string createTemporary(const std::string& base, mode_t mode) {
    std::string name = base + ".partial-XXXXXX";
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return "";
    ::fchmod(fd, mode);
    ::close(fd);
    return name;
}

// Writes `pieces` to `fd` whole; false with errno set.
bool writeAll(int fd, std::initializer_list<std::string_view> pieces) {
    for (std::string_view piece : pieces) {
        while (!piece.empty()) {
            const ssize_t wrote = ::write(fd, piece.data(), piece.size());
            if (wrote < 0 && errno == EINTR) continue;
            if (wrote <= 0) {
                if (wrote == 0) errno = EIO;
                return false;
            }
            piece.remove_prefix(static_cast<std::size_t>(wrote));
        }
    }
    return true;
}

}  // namespace

// One output file: where its data end up and how they get there.
struct RunOutputs::File {
    std::string path;     // as given
    std::string target;   // the file that gets the data (a link's destination)
    std::string temp;     // the temporary file, "" when written directly
    std::ofstream stream;

    // Opens the temporary file, or the device itself; false with errno set.
    bool open() {
        struct stat st;
        const bool there = ::stat(path.c_str(), &st) == 0;
        target = path;
        struct stat link;
        if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
            char buf[PATH_MAX];
            if (there && ::realpath(path.c_str(), buf) != nullptr) target = buf;
        }
        if ((there && !S_ISREG(st.st_mode)) || underSystemDirectory(target)) {
            if (there && S_ISDIR(st.st_mode)) {
                errno = EISDIR;
                return false;
            }
            errno = 0;
            stream.open(path, std::ios::out | std::ios::trunc);
            return stream.is_open();
        }
        // A file the user may not write is not replaced behind their back.
        if (there && ::access(target.c_str(), W_OK) != 0) return false;
        temp = createTemporary(target, there ? (st.st_mode & 07777) : newFileMode());
        if (temp.empty()) return false;
        errno = 0;
        stream.open(temp, std::ios::out | std::ios::trunc);
        return stream.is_open();
    }
    std::string partial() const { return target + ".partial"; }
};

RunOutputs::RunOutputs(const std::string& alignPath, bool localOnly, const std::string& pafPath,
                       const std::string& plotDir)
    : localOnly_(localOnly),
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

RunOutputs::~RunOutputs() {
    // Left by an exception: whatever was written is kept as partial output.
    keepPartial();
}

std::vector<RunOutputs::File*> RunOutputs::files() {
    std::vector<File*> all;
    for (auto* file : {&align_, &loc_, &score_, &paf_, &view_, &reportFile_})
        if (*file) all.push_back(file->get());
    return all;
}

std::vector<const std::string*> RunOutputs::paths() const {
    std::vector<const std::string*> all;
    for (auto* file : {&align_, &loc_, &score_, &paf_, &view_, &reportFile_})
        if (*file) all.push_back(&(*file)->path);
    return all;
}

std::string RunOutputs::open() {
    for (File* file : files()) {
        if (!file->open()) {
            reason_ = errno != 0 ? std::strerror(errno) : "";
            const std::string failed = file->path;
            for (File* made : files()) {
                if (made->stream.is_open()) made->stream.close();
                if (!made->temp.empty()) ::unlink(made->temp.c_str());
                made->temp.clear();
            }
            return failed;
        }
    }
    if (!plotDir_.empty()) {
        pictureMode_ = newFileMode();
        std::error_code error;
        std::filesystem::create_directories(plotDir_, error);
        if (error || !std::filesystem::is_directory(plotDir_)) {
            reason_ = error ? error.message() : std::strerror(ENOTDIR);
            for (File* made : files()) {
                if (made->stream.is_open()) made->stream.close();
                if (!made->temp.empty()) ::unlink(made->temp.c_str());
                made->temp.clear();
            }
            return plotDir_;
        }
    }
    if (reportFile_) {
        // The page is written by the report itself, into the file made for it.
        reportFile_->stream.close();
        report_ = std::make_unique<HtmlReport>(reportFile_->temp.empty() ? reportFile_->path
                                                                         : reportFile_->temp);
        if (!report_->open(reason_)) {
            for (File* made : files()) {
                if (made->stream.is_open()) made->stream.close();
                if (!made->temp.empty()) ::unlink(made->temp.c_str());
                made->temp.clear();
            }
            return reportFile_->path;
        }
    }
    return "";
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
        writePaf(std::cout, pair);
        std::cout.flush();
    } else if (paf_) {
        writePaf(paf_->stream, pair);
        paf_->stream.flush();
    }
    if (!plotDir_.empty()) writePicture(rendered.pictureName, rendered.picture);
    if (viewToStdout_) {
        std::cout << rendered.view;
        std::cout.flush();
    } else if (view_) {
        view_->stream << rendered.view;
        view_->stream.flush();
    }
    if (report_) report_->add(pair, std::move(rendered.report));
    if (!pair.localOnly && align_) {
        writeAlignmentRecord(align_->stream, pair);
        align_->stream.flush();
    }
    writeLocRecord(loc_->stream, pair);
    writeScoreLine(score_->stream, pair);
    score_->stream.flush();
    loc_->stream.flush();
}

void RunOutputs::report(const std::string& path, int error) {
    if (!reported_.insert(path).second) return;
    MessageSink::out("can not write output file: " + path);
    if (error != 0) MessageSink::err(path + ": " + std::strerror(error));
}

bool RunOutputs::check() {
    const int error = errno;
    bool ok = !picturesFailed_;
    if (report_ && report_->failed()) {
        ok = false;
        report(reportFile_->path, error);
    }
    for (File* file : files()) {
        if (!file->stream.fail()) continue;
        ok = false;
        report(file->path, error);
    }
    if ((pafToStdout_ || viewToStdout_) && std::cout.fail()) {
        ok = false;
        if (!stdoutReported_) {
            stdoutReported_ = true;
            // The line about it can only go to standard error.
            MessageSink::err("can not write output file: standard output" +
                             (error != 0 ? std::string(": ") + std::strerror(error) : std::string()));
        }
    }
    return ok;
}

bool RunOutputs::close() {
    const bool ok = check();
    if (report_) report_->finish(run_);
    for (File* file : files())
        if (file->stream.is_open()) file->stream.close();
    if (pafToStdout_ || viewToStdout_) std::cout.flush();
    return check() && ok;
}

bool RunOutputs::commit() {
    bool ok = true;
    for (File* file : files()) {
        if (file->temp.empty()) continue;
        if (::rename(file->temp.c_str(), file->target.c_str()) != 0) {
            ok = false;
            report(file->path, errno);
            ::rename(file->temp.c_str(), file->partial().c_str());
        } else {
            ::unlink(file->partial().c_str());
        }
        file->temp.clear();
    }
    return ok;
}

std::vector<std::string> RunOutputs::keepPartial() {
    std::vector<std::string> kept;
    for (File* file : files()) {
        if (file->temp.empty()) continue;
        if (file->stream.is_open()) file->stream.close();
        if (::rename(file->temp.c_str(), file->partial().c_str()) == 0) {
            kept.push_back(file->partial());
        } else {
            kept.push_back(file->temp);
        }
        file->temp.clear();
    }
    return kept;
}

void RunOutputs::discard() {
    for (File* file : files()) {
        if (file->temp.empty()) continue;
        if (file->stream.is_open()) file->stream.close();
        ::unlink(file->temp.c_str());
        file->temp.clear();
    }
}

std::vector<std::pair<std::string, std::string>> RunOutputs::partialRenames() const {
    std::vector<std::pair<std::string, std::string>> all;
    for (auto* file : {&align_, &loc_, &score_, &paf_, &view_, &reportFile_})
        if (*file && !(*file)->temp.empty()) all.emplace_back((*file)->temp, (*file)->partial());
    return all;
}

// A picture goes to a temporary file first and takes its name by rename, so
// a symbolic link already under that name is replaced, never followed. It is
// written through the descriptor that made it: opened again to be truncated,
// the file would be flushed to disk on closing, which for hundreds of small
// pictures costs more than drawing them.
void RunOutputs::writePicture(const std::string& name, const std::string& picture) {
    const std::string path = (std::filesystem::path(plotDir_) / name).string();
    std::string temp = path + ".partial-XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    int error = 0;
    if (fd < 0) {
        error = errno;
    } else {
        ::fchmod(fd, pictureMode_);
        const bool wrote = writeAll(fd, {kXmlDeclaration, picture});
        error = wrote ? 0 : errno;
        if (::close(fd) != 0 && error == 0) error = errno != 0 ? errno : EIO;
        if (error == 0 && ::rename(temp.c_str(), path.c_str()) == 0) return;
        if (error == 0) error = errno;
        ::unlink(temp.c_str());
    }
    report(path, error);
    picturesFailed_ = true;
}

#include "io/RunOutputs.hpp"

#include <fcntl.h>
#include <sys/file.h>
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
#include "io/DescriptorBuf.hpp"
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

// The descriptor a path names when it is one of the process's own:
// /dev/stdout, /dev/stderr, /dev/fd/N, /proc/self/fd/N, /proc/PID/fd/N (this
// process); -1 otherwise.
int descriptorNamed(const std::string& path) {
    if (path == "/dev/stdout") return STDOUT_FILENO;
    if (path == "/dev/stderr") return STDERR_FILENO;
    const std::string own = "/proc/" + std::to_string(::getpid()) + "/fd/";
    for (const std::string& dir : {std::string("/dev/fd/"), std::string("/proc/self/fd/"), own}) {
        if (path.compare(0, dir.size(), dir) != 0 || path.size() == dir.size()) continue;
        const std::string digits = path.substr(dir.size());
        if (digits.size() > 6 || digits.find_first_not_of("0123456789") != std::string::npos) return -1;
        return std::stoi(digits);
    }
    return -1;
}

std::string directoryOf(const std::string& path) {
    const std::size_t sep = path.rfind('/');
    if (sep == std::string::npos) return ".";
    return sep == 0 ? "/" : path.substr(0, sep);
}

std::string baseOf(const std::string& path) {
    const std::size_t sep = path.rfind('/');
    return sep == std::string::npos ? path : path.substr(sep + 1);
}

// The longest file name the folder of `path` takes.
std::size_t nameLimit(const std::string& path) {
    const long limit = ::pathconf(directoryOf(path).c_str(), _PC_NAME_MAX);
    return limit > 0 ? static_cast<std::size_t>(limit) : 255;
}

// `path` with `suffix` appended, its file name cut so that it fits the
// folder: a name that fits the file system must not fail for want of room
// for the suffix.
std::string withSuffix(const std::string& path, const std::string& suffix) {
    const std::string base = baseOf(path);
    const std::size_t limit = nameLimit(path);
    if (base.size() + suffix.size() <= limit) return path + suffix;
    const std::string dir = path.size() > base.size() ? path.substr(0, path.size() - base.size()) : "";
    const std::size_t keep = limit > suffix.size() ? limit - suffix.size() : 0;
    return dir + base.substr(0, keep) + suffix;
}

// The permissions a new file gets from the process's umask.
mode_t newFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// A new, empty file "BASE.partial-XXXXXX" beside `base`, with `mode`, open
// for writing; its descriptor (-1 with errno set) and its name. The name says
// what it holds even if the process is killed before it can be cleaned up.
int createTemporary(const std::string& base, mode_t mode, std::string& name) {
    name = withSuffix(base, ".partial-XXXXXX");
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        name.clear();
        return -1;
    }
    ::fchmod(fd, mode);
    return fd;
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

// Copies what `from` holds, from its start, to `to`; false with errno set.
bool copyAll(int from, int to) {
    if (::lseek(from, 0, SEEK_SET) != 0) return false;
    char buf[1 << 16];
    for (;;) {
        const ssize_t got = ::read(from, buf, sizeof buf);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) return true;
        if (!writeAll(to, {std::string_view(buf, static_cast<std::size_t>(got))})) return false;
    }
}

// The standard output of the process now writes nowhere, without failing.
void silenceStandardOutput() {
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null < 0) return;
    ::dup2(null, STDOUT_FILENO);
    ::close(null);
}

const char* const kClosedEarly =
    "warning: %s was closed before the run ended (its reader went away); the run goes on "
    "and its files are written";

}  // namespace

// One output file: where its data end up and how they get there.
struct RunOutputs::File {
    std::string path;     // as given
    std::string target;   // the file that gets the data (where links lead)
    std::string temp;     // the temporary file, "" when written directly
    int fd = -1;
    int handed = -1;      // the process's descriptor it writes to, or -1
    bool closedEarly = false;
    DescriptorBuf buf;
    std::ostream stream{&buf};

    bool isOpen() const { return fd >= 0; }

    // Follows links one step at a time, as the system would, to the file
    // that gets the data, noting on the way whether it is a stream.
    bool resolve(bool& isStream) {
        std::string name = path;
        isStream = false;
        for (int hop = 0; hop < 40; ++hop) {
            if ((handed = descriptorNamed(name)) >= 0 || underSystemDirectory(name)) {
                isStream = true;
                break;
            }
            struct stat link;
            if (::lstat(name.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) break;
            char buf[PATH_MAX];
            const ssize_t len = ::readlink(name.c_str(), buf, sizeof buf - 1);
            if (len <= 0) break;
            const std::string to(buf, static_cast<std::size_t>(len));
            name = to[0] == '/' ? to : directoryOf(name) + "/" + to;
        }
        target = name;
        char real[PATH_MAX];
        if (!isStream && ::realpath(path.c_str(), real) != nullptr) target = real;
        return true;
    }

    // Opens the temporary file, or the stream itself; false with errno set.
    bool open(mode_t newMode) {
        bool isStream = false;
        resolve(isStream);
        struct stat st;
        const bool there = ::stat(path.c_str(), &st) == 0;
        if (there && S_ISDIR(st.st_mode)) {
            errno = EISDIR;
            return false;
        }
        if (isStream || (there && !S_ISREG(st.st_mode))) return openStream(there && S_ISREG(st.st_mode));
        handed = -1;
        if (baseOf(target).size() > nameLimit(target)) {
            errno = ENAMETOOLONG;
            return false;
        }
        // A file the user may not write is not replaced behind their back.
        if (there && ::access(target.c_str(), W_OK) != 0) return false;
        fd = createTemporary(target, there ? (st.st_mode & 07777) : newMode, temp);
        if (fd < 0) return false;
        buf.reset(fd);
        return true;
    }

    bool openStream(bool regular) {
        if (handed >= 0) {
            // The descriptor itself, so that `>> log` keeps appending and
            // nothing before the run is cut away.
            const int flags = ::fcntl(handed, F_GETFL);
            if (flags < 0) return false;
            if ((flags & O_ACCMODE) == O_RDONLY) {
                errno = EBADF;
                return false;
            }
            fd = ::fcntl(handed, F_DUPFD_CLOEXEC, 3);
        } else {
            fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (regular ? O_TRUNC : 0), 0666);
        }
        if (fd < 0) return false;
        buf.reset(fd);
        return true;
    }

    // Flushes and closes; false with errno set when either fails.
    bool close() {
        if (fd < 0) return true;
        stream.flush();
        int error = buf.error();
        if (::close(fd) != 0 && error == 0 && errno != EINTR) error = errno;
        fd = -1;
        buf.reset(-1);
        if (error != 0) {
            stream.setstate(std::ios::badbit);
            errno = error;
        }
        return error == 0;
    }

    std::string partial() const {
        const std::string name = withSuffix(target, ".partial");
        // Cut to fit, the name could be another file's: the temporary one
        // then stays as it is.
        return name == target + ".partial" ? name : temp;
    }
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
    if (reportScratch_ >= 0) ::close(reportScratch_);
}

std::vector<RunOutputs::File*> RunOutputs::files() {
    std::vector<File*> all;
    for (auto* file : {&align_, &loc_, &score_, &paf_, &view_, &reportFile_})
        if (*file) all.push_back(file->get());
    return all;
}

std::vector<const RunOutputs::File*> RunOutputs::files() const {
    std::vector<const File*> all;
    for (auto* file : {&align_, &loc_, &score_, &paf_, &view_, &reportFile_})
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

std::string RunOutputs::open() {
    const mode_t mode = newFileMode();
    auto undo = [&](const std::string& failed) {
        const int error = errno;
        reason_ = error != 0 ? std::strerror(error) : "";
        for (File* made : files()) {
            made->close();
            if (!made->temp.empty()) ::unlink(made->temp.c_str());
            made->temp.clear();
        }
        if (reportScratch_ >= 0) ::close(reportScratch_);
        reportScratch_ = -1;
        if (!pictureTemp_.empty()) ::rmdir(pictureTemp_.c_str());
        pictureTemp_.clear();
        removeMadeFolders();
        return failed;
    };
    for (File* file : files()) {
        errno = 0;
        if (!file->open(mode)) return undo(file->path);
    }
    if (!plotDir_.empty()) {
        pictureMode_ = mode;
        if (!openPictureFolder()) return undo(plotDir_);
    }
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
            if (reportScratch_ < 0) return undo(reportFile_->path);
            ::unlink(scratch.c_str());
            page = "/proc/self/fd/" + std::to_string(reportScratch_);
        }
        report_ = std::make_unique<HtmlReport>(page);
        if (!report_->open(reason_)) {
            const std::string why = reason_;
            undo(reportFile_->path);
            reason_ = why;
            return reportFile_->path;
        }
    }
    return "";
}

// Makes the picture folder (noting each folder made, so that a run that fails
// before its first pair can take them away again) and the temporary folder
// inside it; false with errno set.
bool RunOutputs::openPictureFolder() {
    std::vector<std::string> missing;
    for (std::string dir = plotDir_; !dir.empty() && dir != "/" && dir != ".";) {
        struct stat st;
        if (::stat(dir.c_str(), &st) == 0) break;
        if (errno != ENOENT) return false;
        missing.push_back(dir);
        const std::string up = directoryOf(dir);
        if (up == dir) break;
        dir = up;
    }
    for (auto dir = missing.rbegin(); dir != missing.rend(); ++dir) {
        if (::mkdir(dir->c_str(), 0777) != 0 && errno != EEXIST) return false;
        if (errno != EEXIST) madeFolders_.push_back(*dir);
        errno = 0;
    }
    struct stat st;
    if (::stat(plotDir_.c_str(), &st) != 0) return false;
    if (!S_ISDIR(st.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    pictureTemp_ = (std::filesystem::path(plotDir_) / "pictures.partial-XXXXXX").string();
    if (::mkdtemp(pictureTemp_.data()) == nullptr) {
        pictureTemp_.clear();
        return false;
    }
    return true;
}

void RunOutputs::removeMadeFolders() {
    for (auto dir = madeFolders_.rbegin(); dir != madeFolders_.rend(); ++dir) ::rmdir(dir->c_str());
    madeFolders_.clear();
}

void RunOutputs::write(const PairAlignment& pair, std::size_t pairNumber) {
    write(pair, render(pair, pairNumber, report_ ? report_->pairs() : 0));
}

RenderedPair RunOutputs::render(const PairAlignment& pair, std::size_t pairNumber, std::size_t pairsBefore) const {
    RenderedPair made;
    const bool views = view_ || viewToStdout_ || report_;
    if (plotDir_.empty() && !views) return made;
    // Worked out once for the picture, the view and the report; one
    // drawing serves both the picture file and the report.
    const PairFigures figures = pairFigures(pair, positive_);
    if (!plotDir_.empty() || report_) made.picture = svgText(pair, SvgOptions{false, &figures});
    if (!plotDir_.empty()) made.pictureName = svgFileName(pairNumber, pair.name1, pair.name2);
    if (views) made.view = viewText(pair, pairNumber, run_.command, positive_, figures.tally);
    if (report_) {
        made.report = HtmlReport::entry(pair, pairNumber, made.view, made.picture, figures,
                                        pairsBefore < HtmlReport::kThumbnailLimit);
    }
    return made;
}

void RunOutputs::write(const PairAlignment& pair, RenderedPair rendered) {
    if (pafToStdout_) {
        if (!stdoutClosed_) writePaf(std::cout, pair);
        flushStandardOutput();
    } else if (paf_) {
        writePaf(paf_->stream, pair);
        flushDirect(*paf_);
    }
    if (!plotDir_.empty()) writePicture(rendered.pictureName, rendered.picture);
    if (viewToStdout_) {
        if (!stdoutClosed_) std::cout << rendered.view;
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
    std::cout.flush();
    if (!std::cout.fail() || errno != EPIPE) return;
    stdoutClosed_ = true;
    silenceStandardOutput();
    std::cout.clear();
    char line[256];
    std::snprintf(line, sizeof line, kClosedEarly, "standard output");
    MessageSink::err(line);
}

void RunOutputs::flushDirect(File& file) {
    file.stream.flush();
    if (file.temp.empty() && !file.closedEarly && file.buf.error() == EPIPE) {
        file.closedEarly = true;
        file.buf.discard();
        file.stream.clear();
        MessageSink::err(std::string(kClosedEarly).replace(std::string(kClosedEarly).find("%s"), 2, file.path));
    }
}

void RunOutputs::report(const std::string& path, int error) {
    if (!reported_.insert(path).second) return;
    MessageSink::out("can not write output file: " + path);
    if (error != 0) MessageSink::err(path + ": " + std::strerror(error));
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
    if ((pafToStdout_ || viewToStdout_) && std::cout.fail()) {
        ok = false;
        if (!stdoutReported_) {
            stdoutReported_ = true;
            const int error = errno;
            MessageSink::err("can not write output file: standard output" +
                             (error != 0 ? std::string(": ") + std::strerror(error) : std::string()));
        }
    }
    return ok;
}

bool RunOutputs::close() {
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
        if (reportScratch_ >= 0) ::close(reportScratch_);
        reportScratch_ = -1;
    }
    bool closed = true;
    for (File* file : files()) {
        if (!file->close() && !file->closedEarly) {
            closed = false;
            report(file->path, errno);
        }
    }
    if (pafToStdout_ || viewToStdout_) flushStandardOutput();
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
        if (file->temp.empty()) continue;
        if (::rename(file->temp.c_str(), file->target.c_str()) != 0) {
            ok = false;
            report(file->path, errno);
            ::rename(file->temp.c_str(), file->partial().c_str());
        }
        file->temp.clear();
    }
    if (!pictureTemp_.empty()) {
        for (const std::string& name : pictures_) {
            const std::string from = pictureTemp_ + "/" + name;
            const std::string to = (std::filesystem::path(plotDir_) / name).string();
            if (::rename(from.c_str(), to.c_str()) != 0) {
                ok = false;
                report(to, errno);
            }
        }
        if (::rmdir(pictureTemp_.c_str()) == 0) pictureTemp_.clear();
        pictures_.clear();
    }
    madeFolders_.clear();
    return ok;
}

std::vector<std::string> RunOutputs::keepPartial() {
    std::vector<std::string> kept;
    for (File* file : files()) {
        if (file->temp.empty()) continue;
        file->close();
        const std::string partial = file->partial();
        if (partial != file->temp && ::rename(file->temp.c_str(), partial.c_str()) == 0) {
            kept.push_back(partial);
        } else {
            kept.push_back(file->temp);
        }
        file->temp.clear();
    }
    if (!pictureTemp_.empty()) {
        if (pictures_.empty()) {
            ::rmdir(pictureTemp_.c_str());
        } else {
            // An earlier run's folder of the same name is replaced only
            // when it is empty.
            const std::string partial = (std::filesystem::path(plotDir_) / "pictures.partial").string();
            kept.push_back(::rename(pictureTemp_.c_str(), partial.c_str()) == 0 ? partial : pictureTemp_);
        }
        pictureTemp_.clear();
        pictures_.clear();
    }
    return kept;
}

void RunOutputs::discard() {
    for (File* file : files()) {
        if (file->temp.empty()) continue;
        file->close();
        ::unlink(file->temp.c_str());
        file->temp.clear();
    }
    if (!pictureTemp_.empty()) {
        for (const std::string& name : pictures_) ::unlink((pictureTemp_ + "/" + name).c_str());
        ::rmdir(pictureTemp_.c_str());
        pictureTemp_.clear();
        pictures_.clear();
    }
    removeMadeFolders();
}

std::vector<std::pair<std::string, std::string>> RunOutputs::partialRenames() const {
    std::vector<std::pair<std::string, std::string>> all;
    for (const File* file : files())
        if (!file->temp.empty()) all.emplace_back(file->temp, file->partial());
    if (!pictureTemp_.empty())
        all.emplace_back(pictureTemp_, (std::filesystem::path(plotDir_) / "pictures.partial").string());
    return all;
}

std::vector<std::string> RunOutputs::temporaryFiles() const {
    std::vector<std::string> all;
    for (const File* file : files())
        if (!file->temp.empty()) all.push_back(file->temp);
    return all;
}

std::vector<std::string> RunOutputs::madeFolders() const {
    std::vector<std::string> all;
    if (!pictureTemp_.empty()) all.push_back(pictureTemp_);
    for (auto dir = madeFolders_.rbegin(); dir != madeFolders_.rend(); ++dir) all.push_back(*dir);
    return all;
}

// A picture waits in the run's temporary folder and takes its name at
// commit(), by rename, so a symbolic link already under that name is
// replaced, never followed, and a run that fails changes no earlier picture.
// It is written through the descriptor that made it: opened again to be
// truncated, the file would be flushed to disk on closing, which for hundreds
// of small pictures costs more than drawing them.
void RunOutputs::writePicture(const std::string& name, const std::string& picture) {
    const std::string path = pictureTemp_ + "/" + name;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, pictureMode_);
    int error = 0;
    if (fd < 0) {
        error = errno;
    } else {
        const bool wrote = writeAll(fd, {kXmlDeclaration, picture});
        error = wrote ? 0 : errno;
        if (::close(fd) != 0 && error == 0) error = errno != 0 ? errno : EIO;
        if (error == 0) {
            pictures_.push_back(name);
            return;
        }
        ::unlink(path.c_str());
    }
    report((std::filesystem::path(plotDir_) / name).string(), error);
    picturesFailed_ = true;
}

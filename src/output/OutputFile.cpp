#include "output/OutputFile.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

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

}  // namespace

std::string directoryOf(const std::string& path) {
    const std::size_t sep = path.rfind('/');
    if (sep == std::string::npos) return ".";
    return sep == 0 ? "/" : path.substr(0, sep);
}

// The permissions a new file gets from the process's umask.
mode_t newFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Follows links one step at a time, as the system would, to the file
// that gets the data, noting on the way whether it is a stream.
void OutputFile::resolve(bool& isStream) {
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
}

bool OutputFile::open(mode_t newMode) {
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

bool OutputFile::openStream(bool regular) {
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

bool OutputFile::close() {
    if (fd < 0) return true;
    stream.flush();
    // A stream whose reader went away has had its warning; it is no failure.
    int error = closedEarly ? 0 : buf.error();
    if (::close(fd) != 0 && error == 0 && errno != EINTR) error = errno;
    fd = -1;
    buf.reset(-1);
    if (error != 0) {
        stream.setstate(std::ios::badbit);
        errno = error;
    }
    return error == 0;
}

std::string OutputFile::partial() const {
    const std::string name = withSuffix(target, ".partial");
    // Cut to fit, the name could be another file's: the temporary one
    // then stays as it is.
    return name == target + ".partial" ? name : temp;
}

bool OutputFile::commit() {
    if (temp.empty()) return true;
    bool ok = ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        const int error = errno;
        ::rename(temp.c_str(), partial().c_str());
        errno = error;
    }
    temp.clear();
    return ok;
}

std::string OutputFile::keepPartial() {
    if (temp.empty()) return "";
    close();
    std::string kept = partial();
    if (kept == temp || ::rename(temp.c_str(), kept.c_str()) != 0) kept = temp;
    temp.clear();
    return kept;
}

void OutputFile::discard() {
    close();
    if (temp.empty()) return;
    ::unlink(temp.c_str());
    temp.clear();
}

#include "output/PictureFolder.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "output/DescriptorBuf.hpp"
#include "output/OutputFile.hpp"

bool PictureFolder::open(mode_t newMode) {
    mode_ = newMode;
    std::vector<std::string> missing;
    for (std::string dir = path_; !dir.empty() && dir != "/" && dir != ".";) {
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
    if (::stat(path_.c_str(), &st) != 0) return false;
    if (!S_ISDIR(st.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    temp_ = (std::filesystem::path(path_) / "pictures.partial-XXXXXX").string();
    if (::mkdtemp(temp_.data()) == nullptr) {
        temp_.clear();
        return false;
    }
    return true;
}

// Written through the descriptor that made it: opened again to be
// truncated, the file would be flushed to disk on closing, which for
// hundreds of small pictures costs more than drawing them.
bool PictureFolder::write(const std::string& name, std::initializer_list<std::string_view> pieces) {
    const std::string path = temp_ + "/" + name;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, mode_);
    if (fd < 0) return false;
    int error = writeAll(fd, pieces) ? 0 : errno;
    if (::close(fd) != 0 && error == 0) error = errno != 0 ? errno : EIO;
    if (error == 0) {
        pictures_.push_back(name);
        return true;
    }
    ::unlink(path.c_str());
    errno = error;
    return false;
}

std::vector<std::pair<std::string, int>> PictureFolder::commit() {
    std::vector<std::pair<std::string, int>> failed;
    if (!temp_.empty()) {
        for (const std::string& name : pictures_) {
            const std::string from = temp_ + "/" + name;
            const std::string to = (std::filesystem::path(path_) / name).string();
            if (::rename(from.c_str(), to.c_str()) != 0) failed.emplace_back(to, errno);
        }
        if (::rmdir(temp_.c_str()) == 0) temp_.clear();
        pictures_.clear();
    }
    madeFolders_.clear();
    return failed;
}

std::string PictureFolder::keepPartial() {
    if (temp_.empty()) return "";
    std::string kept;
    if (pictures_.empty()) {
        ::rmdir(temp_.c_str());
    } else {
        // An earlier run's folder of the same name is replaced only when it
        // is empty.
        const std::string partial = partialPath();
        kept = ::rename(temp_.c_str(), partial.c_str()) == 0 ? partial : temp_;
    }
    temp_.clear();
    pictures_.clear();
    return kept;
}

void PictureFolder::discard() {
    if (!temp_.empty()) {
        for (const std::string& name : pictures_) ::unlink((temp_ + "/" + name).c_str());
        ::rmdir(temp_.c_str());
        temp_.clear();
        pictures_.clear();
    }
    for (auto dir = madeFolders_.rbegin(); dir != madeFolders_.rend(); ++dir) ::rmdir(dir->c_str());
    madeFolders_.clear();
}

std::vector<std::pair<std::string, std::string>> PictureFolder::partialRenames() const {
    if (temp_.empty()) return {};
    return {{temp_, partialPath()}};
}

std::vector<std::string> PictureFolder::madeFolders() const {
    std::vector<std::string> all;
    if (!temp_.empty()) all.push_back(temp_);
    for (auto dir = madeFolders_.rbegin(); dir != madeFolders_.rend(); ++dir) all.push_back(*dir);
    return all;
}

std::string PictureFolder::partialPath() const {
    return (std::filesystem::path(path_) / "pictures.partial").string();
}

#include "cli/OutputSafety.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/CommandLine.hpp"
#include "output/RunOutputs.hpp"

namespace {

// The absolute form of `path` with symbolic links resolved; for a file that
// does not exist yet, its resolved directory followed by its last component,
// a dangling link followed to where it leads (a write creates that file).
std::string resolvedPath(std::string path) {
    char buf[PATH_MAX];
    if (::realpath(path.c_str(), buf) != nullptr) return buf;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat link;
        if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) break;
        const ssize_t len = ::readlink(path.c_str(), buf, sizeof buf - 1);
        if (len <= 0) break;
        const std::string to(buf, static_cast<std::size_t>(len));
        const std::size_t sep = path.rfind('/');
        path = to[0] == '/' || sep == std::string::npos ? to : path.substr(0, sep + 1) + to;
    }
    if (::realpath(path.c_str(), buf) != nullptr) return buf;
    std::size_t sep = path.rfind('/');
    std::string dir = sep == std::string::npos ? "." : (sep == 0 ? "/" : path.substr(0, sep));
    std::string base = sep == std::string::npos ? path : path.substr(sep + 1);
    if (base.empty() || base == "." || base == "..") return "";
    if (::realpath(dir.c_str(), buf) == nullptr) return "";
    std::string resolved = buf;
    if (resolved.back() != '/') resolved += '/';
    return resolved + base;
}

}  // namespace

bool sameFile(const std::string& path, const std::string& other) {
    struct stat a, b;
    if (::stat(path.c_str(), &a) == 0) {
        return ::stat(other.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
    }
    std::string resolved = resolvedPath(path);
    return !resolved.empty() && resolved == resolvedPath(other);
}

RunStatus checkOutputs(const CommandLine& args, const RunOutputs& outputs) {
    auto refuse = [&](const std::string& path, const std::string& why) {
        RunStatus status;
        status.kind = RunStatus::Kind::kOutputUnsafe;
        status.path = path;
        status.detail = why;
        return status;
    };
    if (isSystemPath(args.outFile)) {
        return refuse(args.outFile, "the alignment file (-O) and its .loc and .score companions "
                                    "can not go under /dev or /proc: give a path in a directory");
    }
    const std::vector<const std::string*> paths = outputs.paths();
    for (const std::string* path : paths) {
        if (sameFile(*path, args.inSeqFile)) return refuse(*path, "this is the input file (-I)");
        if (sameFile(*path, args.matrixFile)) return refuse(*path, "this is the matrix file (-S)");
    }
    // paths() lists the files in this order, each only when it is written.
    std::vector<std::string> roles;
    if (!args.localOnly) roles.push_back("the alignment file (-O)");
    roles.push_back("the .loc file");
    roles.push_back("the .score file");
    if (!args.pafFile.empty() && args.pafFile != "-") roles.push_back("the PAF file (--paf)");
    if (!args.viewFile.empty() && args.viewFile != "-") roles.push_back("the view (--view)");
    if (!args.reportFile.empty()) roles.push_back("the report (--report)");
    if (!args.mafFile.empty() && args.mafFile != "-") roles.push_back("the MAF file (--maf)");
    auto role = [&](std::size_t index) { return index < roles.size() ? roles[index] : std::string("an output"); };
    for (std::size_t i = 0; i < paths.size(); ++i)
        for (std::size_t j = i + 1; j < paths.size(); ++j)
            if (sameFile(*paths[j], *paths[i]))
                return refuse(*paths[j], role(j) + " is the same file as " + role(i) +
                                             " (" + *paths[i] + "): each output needs its own");
    // The pictures' names are known only once their pairs are read, so no
    // other output may take a picture's place in their folder.
    if (!args.plotDir.empty()) {
        const std::string folder = resolvedPath(args.plotDir);
        for (std::size_t i = 0; i < paths.size(); ++i) {
            const std::string resolved = resolvedPath(*paths[i]);
            const std::size_t sep = resolved.rfind('/');
            const std::string base = sep == std::string::npos ? resolved : resolved.substr(sep + 1);
            if (!folder.empty() && sep != std::string::npos && resolved.substr(0, sep == 0 ? 1 : sep) == folder &&
                base.size() > 4 && base.compare(base.size() - 4, 4, ".svg") == 0)
                return refuse(*paths[i], role(i) + " would be in the picture folder (--plot " + args.plotDir +
                                             ") under a picture's name: give it another name or folder");
        }
    }
    return {};
}

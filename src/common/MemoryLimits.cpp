#include "common/MemoryLimits.hpp"

#include <sys/resource.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace memlimits {

namespace {

constexpr std::uint64_t kUnlimitedFrom = std::uint64_t{1} << 62;

std::optional<std::uint64_t> digits(const std::string& text, std::size_t& at) {
    if (at >= text.size() || text[at] < '0' || text[at] > '9') return std::nullopt;
    std::uint64_t value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        std::uint64_t digit = static_cast<std::uint64_t>(text[at] - '0');
        if (value > (UINT64_MAX - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

}  // namespace

std::optional<std::uint64_t> kibField(const std::string& text, const std::string& name) {
    std::istringstream lines(text);
    std::string line;
    const std::string key = name + ":";
    while (std::getline(lines, line)) {
        if (line.compare(0, key.size(), key) != 0) continue;
        std::size_t at = line.find_first_not_of(" \t", key.size());
        if (at == std::string::npos) return std::nullopt;
        std::optional<std::uint64_t> kib = digits(line, at);
        if (!kib || *kib > UINT64_MAX / 1024) return std::nullopt;
        return *kib * 1024;
    }
    return std::nullopt;
}

std::optional<std::uint64_t> parseBytes(const std::string& text) {
    std::size_t at = 0;
    std::optional<std::uint64_t> value = digits(text, at);
    if (!value || text.find_first_not_of(" \t\r\n", at) != std::string::npos) return std::nullopt;
    if (*value >= kUnlimitedFrom) return std::nullopt;
    return value;
}

CgroupPaths parseCgroupPaths(const std::string& text) {
    CgroupPaths paths;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        // ID:CONTROLLERS:PATH; the path itself may hold ':'.
        std::size_t first = line.find(':');
        std::size_t second = first == std::string::npos ? first : line.find(':', first + 1);
        if (second == std::string::npos) continue;
        const std::string id = line.substr(0, first);
        const std::string controllers = line.substr(first + 1, second - first - 1);
        std::string path = line.substr(second + 1);
        if (id == "0" && controllers.empty()) {
            paths.unified = path;
            continue;
        }
        std::istringstream names(controllers);
        std::string controller;
        while (std::getline(names, controller, ',')) {
            if (controller == "memory") paths.memoryV1 = path;
        }
    }
    return paths;
}

}  // namespace memlimits

namespace {

using memlimits::parseBytes;

void keepSmaller(std::optional<std::uint64_t>& tightest, std::uint64_t value) {
    tightest = tightest ? std::min(*tightest, value) : value;
}

// Limit minus usage in `dir` and each parent up to `root`, the tightest of
// them: a parent's limit holds for all its children together. Where the
// process's own directory is not visible (a namespaced mount), the walk
// starts at the nearest one that is.
std::optional<std::uint64_t> cgroupHeadroom(const MemorySources& sources, const std::string& root,
                                            std::string path, const char* limitFile,
                                            const char* usageFile) {
    std::optional<std::uint64_t> tightest;
    for (;;) {
        while (path.size() > 1 && path.back() == '/') path.pop_back();
        const std::string dir = root + (path == "/" ? "" : path);
        std::optional<std::string> limitText = sources.readFile(dir + "/" + limitFile);
        std::optional<std::string> usageText = sources.readFile(dir + "/" + usageFile);
        std::optional<std::uint64_t> limit = limitText ? parseBytes(*limitText) : std::nullopt;
        std::optional<std::uint64_t> usage = usageText ? parseBytes(*usageText) : std::nullopt;
        if (limit && usage) keepSmaller(tightest, *limit > *usage ? *limit - *usage : 0);
        if (path.empty() || path == "/") break;
        std::size_t sep = path.rfind('/');
        path = sep == std::string::npos || sep == 0 ? "/" : path.substr(0, sep);
    }
    return tightest;
}

std::optional<std::string> readWholeFile(const std::string& path) {
    std::ifstream in(path);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return text.str();
}

}  // namespace

std::uint64_t MemoryLimits::smallest() const {
    std::uint64_t result = UINT64_MAX;
    for (const auto& figure : {available, cgroup, addressSpace}) {
        if (figure) result = std::min(result, *figure);
    }
    return result;
}

MemoryLimits memoryLimits(const MemorySources& sources) {
    MemoryLimits limits;
    limits.available = memlimits::kibField(sources.meminfo, "MemAvailable");

    const memlimits::CgroupPaths paths = memlimits::parseCgroupPaths(sources.selfCgroup);
    if (paths.unified) {
        // Unified alone at /sys/fs/cgroup, or beside the v1 ones in "unified".
        for (const char* root : {"/sys/fs/cgroup", "/sys/fs/cgroup/unified"}) {
            if (!sources.readFile(std::string(root) + "/cgroup.controllers")) continue;
            if (auto room = cgroupHeadroom(sources, root, *paths.unified, "memory.max", "memory.current")) {
                keepSmaller(limits.cgroup, *room);
            }
            break;
        }
    }
    if (paths.memoryV1) {
        if (auto room = cgroupHeadroom(sources, "/sys/fs/cgroup/memory", *paths.memoryV1,
                                       "memory.limit_in_bytes", "memory.usage_in_bytes")) {
            keepSmaller(limits.cgroup, *room);
        }
    }

    if (sources.rlimitAs) {
        std::uint64_t inUse = memlimits::kibField(sources.selfStatus, "VmSize").value_or(0);
        limits.addressSpace = *sources.rlimitAs > inUse ? *sources.rlimitAs - inUse : 0;
    }
    return limits;
}

MemoryLimits currentMemoryLimits() {
    MemorySources sources;
    sources.meminfo = readWholeFile("/proc/meminfo").value_or("");
    sources.selfCgroup = readWholeFile("/proc/self/cgroup").value_or("");
    sources.selfStatus = readWholeFile("/proc/self/status").value_or("");
    struct rlimit limit;
    if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        sources.rlimitAs = static_cast<std::uint64_t>(limit.rlim_cur);
    }
    sources.readFile = readWholeFile;
    return memoryLimits(sources);
}

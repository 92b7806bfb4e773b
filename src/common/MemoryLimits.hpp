#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// The memory a job can really still take: the machine may have plenty
// available while the job's cgroup or its address-space limit stops it much
// earlier (with the OOM killer or a failing allocation). Each figure is what
// is left under that limit right now; a missing figure means no such limit
// (or none that could be read).
struct MemoryLimits {
    std::optional<std::uint64_t> available;     // MemAvailable of /proc/meminfo
    std::optional<std::uint64_t> cgroup;        // limit minus usage, tightest of the cgroup and its parents
    std::optional<std::uint64_t> addressSpace;  // RLIMIT_AS minus the address space in use (VmSize)

    // The smallest figure; UINT64_MAX when none is known.
    std::uint64_t smallest() const;
};

// What the limits are computed from; file contents are passed as text so the
// rules can be checked without the real files.
struct MemorySources {
    std::string meminfo;                     // /proc/meminfo
    std::string selfCgroup;                  // /proc/self/cgroup
    std::string selfStatus;                  // /proc/self/status
    std::optional<std::uint64_t> rlimitAs;   // soft RLIMIT_AS; none when unlimited
    // Reads a cgroup control file by absolute path; none when it is absent.
    std::function<std::optional<std::string>(const std::string&)> readFile;
};

MemoryLimits memoryLimits(const MemorySources& sources);

// The limits of the running process.
MemoryLimits currentMemoryLimits();

namespace memlimits {

// A "Name:   N kB" line (as in /proc/meminfo and /proc/self/status), in bytes.
std::optional<std::uint64_t> kibField(const std::string& text, const std::string& name);

// A cgroup limit or usage file: bytes, or none for "max" and anything that is
// not a plain number. Limits from 2^62 bytes up mean "unlimited" in cgroup v1.
std::optional<std::uint64_t> parseBytes(const std::string& text);

// The paths in /proc/self/cgroup: of the unified (v2) hierarchy, "0::PATH",
// and of the v1 hierarchy that holds the memory controller, "N:...memory...:PATH".
struct CgroupPaths {
    std::optional<std::string> unified, memoryV1;
};
CgroupPaths parseCgroupPaths(const std::string& text);

}  // namespace memlimits

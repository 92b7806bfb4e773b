#include "common/CpuCount.hpp"

#include <sched.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string readText(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The cgroup v2 path of this process ("0::/path"), or "" under cgroup v1.
std::string cgroupV2Path() {
    std::istringstream lines(readText("/proc/self/cgroup"));
    std::string line;
    while (std::getline(lines, line))
        if (line.rfind("0::", 0) == 0) return line.substr(3);
    return "";
}

int ceilDiv(long long quota, long long period) {
    if (quota <= 0 || period <= 0) return 0;
    return static_cast<int>((quota + period - 1) / period);
}

int cgroupCores() {
    const std::string v2 = cgroupV2Path();
    if (!v2.empty()) {
        const std::string text = readText("/sys/fs/cgroup" + (v2 == "/" ? std::string() : v2) + "/cpu.max");
        if (const int cores = coresOfCpuMax(text.c_str())) return cores;
    }
    long long quota = 0, period = 0;
    std::istringstream(readText("/sys/fs/cgroup/cpu/cpu.cfs_quota_us")) >> quota;
    std::istringstream(readText("/sys/fs/cgroup/cpu/cpu.cfs_period_us")) >> period;
    return ceilDiv(quota, period);
}

}  // namespace

int coresOfCpuMax(const char* text) {
    long long quota = 0, period = 0;
    if (std::sscanf(text, "%lld %lld", &quota, &period) != 2) return 0;
    return ceilDiv(quota, period);
}

int usableCores() {
    int cores = 1;
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) cores = CPU_COUNT(&set);
    const int quota = cgroupCores();
    if (quota > 0 && quota < cores) cores = quota;
    return cores < 1 ? 1 : cores;
}

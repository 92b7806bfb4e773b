#include "common/MemoryLimits.hpp"

#include <sys/resource.h>

#include <map>

#include "TestSupport.hpp"

namespace {

using Files = std::map<std::string, std::string>;
using Opt = std::optional<std::uint64_t>;

MemoryLimits limitsOf(const std::string& cgroup, const Files& files, Opt rlimit = std::nullopt) {
    MemorySources s;
    s.meminfo = "MemTotal:       24000000 kB\nMemFree:  100 kB\nMemAvailable:   20000000 kB\n";
    s.selfCgroup = cgroup;
    s.selfStatus = "Name:\ttorva\nVmPeak:\t  9000 kB\nVmSize:\t    4000 kB\n";
    s.rlimitAs = rlimit;
    s.readFile = [files](const std::string& path) -> std::optional<std::string> {
        auto it = files.find(path);
        if (it == files.end()) return std::nullopt;
        return it->second;
    };
    return memoryLimits(s);
}

}  // namespace

TEST(MemoryLimits, Parsing) {
    using memlimits::kibField;
    using memlimits::parseBytes;
    EXPECT_EQ(kibField("MemFree: 5 kB\nMemAvailable:   12 kB\n", "MemAvailable"), Opt(12 * 1024));
    EXPECT_EQ(kibField("VmSize:\t 7 kB\n", "VmSize"), Opt(7 * 1024));
    EXPECT_EQ(kibField("MemAvailableX: 3 kB\nMemAvailable: x kB\n", "MemAvailable"), Opt());
    EXPECT_EQ(kibField("", "MemAvailable"), Opt());
    EXPECT_EQ(kibField("VmSize: 99999999999999999999 kB\n", "VmSize"), Opt());

    EXPECT_EQ(parseBytes("1073741824\n"), Opt(1073741824));
    EXPECT_EQ(parseBytes("0"), Opt(0));
    for (const char* none : {"max\n", "", "\n", "12k", "-1", "9223372036854771712\n", "99999999999999999999999"}) {
        EXPECT_EQ(parseBytes(none), Opt()) << none;
    }

    auto paths = memlimits::parseCgroupPaths("12:cpu,cpuacct:/a\n4:blkio,memory:/job/x:y\n0::/user.slice/s\n");
    EXPECT_EQ(paths.unified, std::optional<std::string>("/user.slice/s"));
    EXPECT_EQ(paths.memoryV1, std::optional<std::string>("/job/x:y"));
    paths = memlimits::parseCgroupPaths("garbage\n1:name=systemd:/\n");
    EXPECT_FALSE(paths.unified);
    EXPECT_FALSE(paths.memoryV1);
}

TEST(MemoryLimits, SmallestOfTheLimits) {
    const std::uint64_t avail = 20000000ull * 1024;
    const std::string v2 = "0::/jobs/j1\n";
    const std::string v2Root = "/sys/fs/cgroup";
    struct Case {
        const char* what;
        std::string cgroup;
        Files files;
        Opt rlimit;
        Opt cgroupRoom, addressRoom;
    };
    for (const Case& c : std::vector<Case>{
             {"no limits", v2, {{v2Root + "/cgroup.controllers", "memory"}}, {}, {}, {}},
             {"v2 limit", v2,
              {{v2Root + "/cgroup.controllers", ""}, {v2Root + "/jobs/j1/memory.max", "1000\n"},
               {v2Root + "/jobs/j1/memory.current", "300\n"}},
              {}, Opt(700), {}},
             {"v2 parent tighter", v2,
              {{v2Root + "/cgroup.controllers", ""}, {v2Root + "/jobs/j1/memory.max", "max\n"},
               {v2Root + "/jobs/j1/memory.current", "300\n"}, {v2Root + "/jobs/memory.max", "500\n"},
               {v2Root + "/jobs/memory.current", "450\n"}},
              {}, Opt(50), {}},
             {"v2 over the limit", v2,
              {{v2Root + "/cgroup.controllers", ""}, {v2Root + "/jobs/j1/memory.max", "100\n"},
               {v2Root + "/jobs/j1/memory.current", "300\n"}},
              {}, Opt(0), {}},
             {"v2 namespaced: own directory not visible", "0::/\n",
              {{v2Root + "/cgroup.controllers", ""}, {v2Root + "/memory.max", "8192\n"},
               {v2Root + "/memory.current", "4096\n"}},
              {}, Opt(4096), {}},
             {"hybrid: v1 memory, unified without it", "4:memory:/pa/x\n0::/\n",
              {{v2Root + "/unified/cgroup.controllers", ""},
               {v2Root + "/memory/pa/x/memory.limit_in_bytes", "9223372036854771712\n"},
               {v2Root + "/memory/pa/x/memory.usage_in_bytes", "100\n"},
               {v2Root + "/memory/pa/memory.limit_in_bytes", "2000\n"},
               {v2Root + "/memory/pa/memory.usage_in_bytes", "1500\n"}},
              {}, Opt(500), {}},
             {"rlimit", v2, {}, Opt(1u << 30), {}, Opt((1u << 30) - 4000 * 1024)},
             {"rlimit below what is mapped", v2, {}, Opt(1024), {}, Opt(0)},
         }) {
        MemoryLimits m = limitsOf(c.cgroup, c.files, c.rlimit);
        EXPECT_EQ(m.available, Opt(avail)) << c.what;
        EXPECT_EQ(m.cgroup, c.cgroupRoom) << c.what;
        EXPECT_EQ(m.addressSpace, c.addressRoom) << c.what;
        std::uint64_t smallest = std::min({avail, c.cgroupRoom.value_or(UINT64_MAX), c.addressRoom.value_or(UINT64_MAX)});
        EXPECT_EQ(m.smallest(), smallest) << c.what;
    }
    EXPECT_EQ(MemoryLimits{}.smallest(), UINT64_MAX);
}

TEST(MemoryLimits, ThisProcessUnderAnAddressSpaceLimit) {
    struct rlimit saved;
    ASSERT_EQ(::getrlimit(RLIMIT_AS, &saved), 0);
    struct rlimit lowered = saved;
    lowered.rlim_cur = std::uint64_t{64} << 40;  // far above what the test maps
    if (saved.rlim_max != RLIM_INFINITY && saved.rlim_max < lowered.rlim_cur) GTEST_SKIP();
    ASSERT_EQ(::setrlimit(RLIMIT_AS, &lowered), 0);
    MemoryLimits m = currentMemoryLimits();
    ::setrlimit(RLIMIT_AS, &saved);
    ASSERT_TRUE(m.addressSpace);
    EXPECT_LT(*m.addressSpace, lowered.rlim_cur);
    EXPECT_GT(*m.addressSpace, lowered.rlim_cur / 2);
    EXPECT_TRUE(m.available);
    EXPECT_LE(m.smallest(), *m.available);
}

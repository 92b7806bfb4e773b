#include "common/MemoryLimits.hpp"

#include <sys/resource.h>

#include <map>

#include "TestSupport.hpp"

using Opt = std::optional<std::uint64_t>;

// Anything but a plain number is no figure at all; so are v1's "unlimited"
// (from 2^62 up) and a kB count whose bytes overflow.
TEST(MemoryLimits, TextThatIsNoFigure) {
    for (const char* text : {"max\n", "", "\n", "12k", "-1", "9223372036854771712\n", "99999999999999999999999"}) {
        EXPECT_EQ(memlimits::parseBytes(text), Opt()) << text;
    }
    for (const char* text :
         {"MemAvailableX: 3 kB\nMemAvailable: x kB\n", "MemAvailable:", "MemAvailable: 99999999999999999 kB"}) {
        EXPECT_EQ(memlimits::kibField(text, "MemAvailable"), Opt()) << text;
    }
}

TEST(MemoryLimits, SmallestOfTheLimits) {
    const std::uint64_t avail = 20000000ull * 1024;
    const std::string v2 = "0::/jobs/j1\n", root = "/sys/fs/cgroup", j1 = root + "/jobs/j1/", jobs = root + "/jobs/";
    struct Case {
        const char* what;
        std::string cgroup;
        std::map<std::string, std::string> files;
        Opt rlimit, cgroupRoom, addressRoom;
    };
    for (const Case& c : std::vector<Case>{
             {"no limits", v2, {{root + "/cgroup.controllers", "memory"}}, {}, {}, {}},
             {"v2 over its limit, parent roomier", v2,
              {{root + "/cgroup.controllers", ""}, {j1 + "memory.max", "100\n"}, {j1 + "memory.current", "300\n"},
               {jobs + "memory.max", "1000\n"}, {jobs + "memory.current", "300\n"}},
              {}, Opt(0), {}},
             {"v2 parent tighter", v2,
              {{root + "/cgroup.controllers", ""}, {j1 + "memory.max", "1000\n"}, {j1 + "memory.current", "300\n"},
               {jobs + "memory.max", "500\n"}, {jobs + "memory.current", "450\n"}},
              {}, Opt(50), {}},
             {"v2 namespaced: own directory not visible", "0::/\n",
              {{root + "/cgroup.controllers", ""}, {root + "/memory.max", "8192\n"},
               {root + "/memory.current", "4096\n"}},
              {}, Opt(4096), {}},
             {"hybrid: v1 memory among others, ':' in its path, unified without it",
              "garbage\n1:name=systemd:/\n12:cpu,cpuacct:/a\n4:blkio,memory:/pa/x:y\n0::/\n",
              {{root + "/unified/cgroup.controllers", ""},
               {root + "/memory/pa/x:y/memory.limit_in_bytes", "9223372036854771712\n"},
               {root + "/memory/pa/x:y/memory.usage_in_bytes", "100\n"},
               {root + "/memory/pa/memory.limit_in_bytes", "2000\n"},
               {root + "/memory/pa/memory.usage_in_bytes", "1500\n"}},
              {}, Opt(500), {}},
             {"rlimit", v2, {}, Opt(1u << 30), {}, Opt((1u << 30) - 4000 * 1024)},
             {"rlimit below what is mapped", v2, {}, Opt(1024), {}, Opt(0)},
         }) {
        MemorySources s;
        s.meminfo = "MemTotal:       24000000 kB\nMemFree:  100 kB\nMemAvailable:   20000000 kB\n";
        s.selfCgroup = c.cgroup;
        s.selfStatus = "Name:\ttorva\nVmPeak:\t  9000 kB\nVmSize:\t    4000 kB\n";
        s.rlimitAs = c.rlimit;
        s.readFile = [&c](const std::string& path) -> std::optional<std::string> {
            auto it = c.files.find(path);
            return it == c.files.end() ? std::nullopt : std::optional(it->second);
        };
        const MemoryLimits m = memoryLimits(s);
        EXPECT_EQ(m.cgroup, c.cgroupRoom) << c.what;
        EXPECT_EQ(m.addressSpace, c.addressRoom) << c.what;
        EXPECT_EQ(m.smallest(), std::min({avail, c.cgroupRoom.value_or(avail), c.addressRoom.value_or(avail)}));
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
}

#if defined(__SANITIZE_ADDRESS__)
#define TORVA_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TORVA_UNDER_ASAN 1
#endif
#endif

// Under an address-space limit the pairs aligned, and their files, do not
// depend on the threads asked for: idle threads' stacks and heaps once took
// the room of pairs that fit alone (skipped at many threads, aligned at one),
// and an allocation failure outside the pairs ended the whole run.
TEST(MemoryLimits, ThreadsDoNotDecideWhichPairsFitUnderALimit) {
#ifdef TORVA_UNDER_ASAN
    GTEST_SKIP() << "the sanitizer's shadow memory does not fit under the limit";
#else
    testsupport::TempDir dir;
    std::string pairs;
    const std::string data = std::string(TORVA_SOURCE_DIR) + "/bench/data/";
    for (int k = 0; k < 20; ++k)
        for (const char* pair : {"dna_1k_yeast_cct4.fa", "dna_2k_hbd_hbb.fa", "dna_5k_hbg2_hbg1.fa"})
            pairs += testsupport::readFile(data + pair);
    testsupport::writeFile(dir / "pairs.fa", pairs);
    std::string first;
    for (const int threads : {1, 2, 64, 256}) {
        const std::string out = dir / ("t" + std::to_string(threads));
        const int status = testsupport::shell("ulimit -v 200000 && " + std::string(TORVA_BIN_DIR) + "/torva -q -t " +
                                              std::to_string(threads) + " -I " + (dir / "pairs.fa") + " -O " + out +
                                              " 2>" + out + ".err");
        EXPECT_EQ(status, 0) << threads << ": " << testsupport::readFile(out + ".err");
        const std::string files = testsupport::readFile(out) + testsupport::readFile(out + ".score");
        if (first.empty()) first = files;
        EXPECT_EQ(files, first) << threads;
        EXPECT_NE(files.find(">"), std::string::npos);
    }
#endif
}

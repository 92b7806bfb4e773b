#include "common/ThreadStart.hpp"

#include <malloc.h>
#include <pthread.h>
#include <sys/resource.h>

#include "common/StopRequest.hpp"

#include <mutex>
#include <utility>

namespace {

std::mutex& starterLock() {
    static std::mutex lock;
    return lock;
}

ThreadStarter& currentStarter() {
    static ThreadStarter starter;
    return starter;
}

}  // namespace

std::thread startThread(std::function<void()> work) {
    // The new thread works for the same call, so the same request stops it.
    work = [flag = currentStopFlag(), inner = std::move(work)] {
        const StopScope scope(flag);
        inner();
    };
    ThreadStarter starter;
    {
        std::lock_guard<std::mutex> hold(starterLock());
        starter = currentStarter();
    }
    if (starter) return starter(std::move(work));
    return std::thread(std::move(work));
}

ThreadStarter replaceThreadStarter(ThreadStarter starter) {
    std::lock_guard<std::mutex> hold(starterLock());
    return std::exchange(currentStarter(), std::move(starter));
}

std::uint64_t threadStackCost() {
    struct rlimit limit;
    if (::getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return 0;
    pthread_attr_t attributes;
    std::size_t bytes = 8u << 20;
    if (::pthread_getattr_default_np(&attributes) == 0) {
        ::pthread_attr_getstacksize(&attributes, &bytes);
        ::pthread_attr_destroy(&attributes);
    }
    return bytes;
}

void shareOneHeapUnderAddressLimit() {
#ifdef M_ARENA_MAX
    if (threadStackCost() > 0) ::mallopt(M_ARENA_MAX, 1);
#endif
}

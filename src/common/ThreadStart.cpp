#include "common/ThreadStart.hpp"

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

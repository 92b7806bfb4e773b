#pragma once

#include <atomic>
#include <cerrno>
#include <functional>
#include <system_error>
#include <thread>

#include "common/ThreadStart.hpp"

namespace testdata {

// While it lives, the system starts only the first `allowed` threads asked
// for and refuses the rest, as it does when out of memory or tasks.
struct RefusedThreads {
    explicit RefusedThreads(int allowed)
        : previous(replaceThreadStarter([this, allowed](std::function<void()> work) {
              if (started.fetch_add(1) >= allowed) throw std::system_error(EAGAIN, std::generic_category());
              return std::thread(std::move(work));
          })) {}
    RefusedThreads(const RefusedThreads&) = delete;
    RefusedThreads& operator=(const RefusedThreads&) = delete;
    ~RefusedThreads() { replaceThreadStarter(previous); }
    std::atomic<int> started{0};
    ThreadStarter previous;
};

}  // namespace testdata

#include "common/MessageSink.hpp"

#include <iostream>
#include <mutex>

namespace {
std::mutex& sinkLock() {
    static std::mutex lock;
    return lock;
}
bool statusShown = false;  // guarded by sinkLock()

void clearStatusLocked() {
    if (!statusShown) return;
    std::cerr << "\r\x1b[K" << std::flush;
    statusShown = false;
}
}  // namespace

void MessageSink::showStatus(std::string_view text) {
    std::lock_guard<std::mutex> hold(sinkLock());
    std::cerr << "\r\x1b[K" << text << std::flush;
    statusShown = true;
}

void MessageSink::clearStatus() {
    std::lock_guard<std::mutex> hold(sinkLock());
    clearStatusLocked();
}

void MessageSink::emit(const Message& message) {
    std::lock_guard<std::mutex> hold(sinkLock());
    clearStatusLocked();
    if (message.stream == Message::Stream::kOut) {
        std::cout << message.text << std::endl;
    } else {
        // What went to standard output before belongs before this line.
        std::cout.flush();
        std::cerr << message.text << std::endl;
    }
}

void MessageSink::emit(const Messages& messages) {
    for (const Message& m : messages) emit(m);
}

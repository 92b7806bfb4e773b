#include "cli/MessageSink.hpp"

#include <iostream>
#include <mutex>

namespace {
std::mutex& sinkLock() {
    static std::mutex lock;
    return lock;
}
bool statusShown = false;    // guarded by sinkLock()
std::string program;         // guarded by sinkLock()
bool dataOnStdout = false;   // guarded by sinkLock()

void clearStatusLocked() {
    if (!statusShown) return;
    std::cerr << "\r\x1b[K" << std::flush;
    statusShown = false;
}

std::string withProgram(const Message& message) {
    if (message.verbatim || program.empty()) return message.text;
    const std::string prefix = program + ": ";
    if (message.text.compare(0, prefix.size(), prefix) == 0) return message.text;
    return prefix + message.text;
}
}  // namespace

void MessageSink::setProgram(const std::string& name) {
    std::lock_guard<std::mutex> hold(sinkLock());
    program = name;
}

void MessageSink::setDataOnStandardOutput(bool data) {
    std::lock_guard<std::mutex> hold(sinkLock());
    dataOnStdout = data;
}

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
    const std::string text = withProgram(message);
    if (message.stream == Message::Stream::kOut && !dataOnStdout) {
        std::cout << text << std::endl;
    } else {
        // What went to standard output before belongs before this line.
        std::cout.flush();
        std::cerr << text << std::endl;
    }
}

void MessageSink::emit(const Messages& messages) {
    for (const Message& m : messages) emit(m);
}

#include "cli/SignalStop.hpp"

#include <signal.h>
#include <unistd.h>

#include <cstring>

namespace {

// Everything the handler needs, made before it can run: it may not allocate.
struct Plan {
    std::string program;
    SignalCleanup cleanup;
    const std::atomic<long>* pairsDone = nullptr;
    long pairsBefore = 0;
};
Plan* gPlan = nullptr;
struct sigaction gOldInt, gOldTerm;

void put(const char* text) {
    std::size_t left = std::strlen(text);
    while (left > 0) {
        const ssize_t put = ::write(STDERR_FILENO, text, left);
        if (put <= 0) return;
        text += put;
        left -= static_cast<std::size_t>(put);
    }
}

void putNumber(long value) {
    char digits[24];
    char* p = digits + sizeof digits;
    *--p = '\0';
    do {
        *--p = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0 && p > digits);
    put(p);
}

extern "C" void stopOnSignal(int signal) {
    const Plan* plan = gPlan;
    if (plan != nullptr) {
        const long done = plan->pairsDone != nullptr ? plan->pairsDone->load() : plan->pairsBefore;
        put(plan->program.c_str());
        put(": stopped by signal ");
        putNumber(signal);
        if (done <= plan->pairsBefore) {
            for (const std::string& file : plan->cleanup.files) ::unlink(file.c_str());
            for (const std::string& folder : plan->cleanup.folders) ::rmdir(folder.c_str());
            put(" before the first pair\n");
            ::_exit(1);
        }
        put(" after pair ");
        putNumber(done);
        bool first = true;
        for (const auto& [temp, partial] : plan->cleanup.renames) {
            const bool moved = ::rename(temp.c_str(), partial.c_str()) == 0;
            put(first ? "; the output so far is in " : ", ");
            put(moved ? partial.c_str() : temp.c_str());
            first = false;
        }
        if (!first) put(", and files of the same names without .partial are as they were");
        put("\n");
    }
    ::_exit(1);
}

}  // namespace

SignalStop::SignalStop(const std::string& programName, SignalCleanup cleanup, const std::atomic<long>& pairsDone,
                       long pairsBefore) {
    gPlan = new Plan{programName, std::move(cleanup), &pairsDone, pairsBefore};
    struct sigaction action {};
    action.sa_handler = stopOnSignal;
    sigemptyset(&action.sa_mask);
    // Either signal, once caught, holds off the other while the files move.
    sigaddset(&action.sa_mask, SIGINT);
    sigaddset(&action.sa_mask, SIGTERM);
    ::sigaction(SIGINT, &action, &gOldInt);
    ::sigaction(SIGTERM, &action, &gOldTerm);
}

SignalStop::~SignalStop() {
    ::sigaction(SIGINT, &gOldInt, nullptr);
    ::sigaction(SIGTERM, &gOldTerm, nullptr);
    delete gPlan;
    gPlan = nullptr;
}

namespace {
sigset_t stopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}
}  // namespace

SignalHold::SignalHold() {
    const sigset_t set = stopSignals();
    ::pthread_sigmask(SIG_BLOCK, &set, &before_);
    ::sigaction(SIGINT, nullptr, &oldInt_);
    ::sigaction(SIGTERM, nullptr, &oldTerm_);
}

SignalHold::~SignalHold() {
    if (dropped_) dropFromNow();  // again: handlers restored meanwhile would let one through
    ::pthread_sigmask(SIG_SETMASK, &before_, nullptr);
    if (dropped_) {
        ::sigaction(SIGINT, &oldInt_, nullptr);
        ::sigaction(SIGTERM, &oldTerm_, nullptr);
    }
}

void SignalHold::hold() {
    const sigset_t set = stopSignals();
    ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void SignalHold::release() { ::pthread_sigmask(SIG_SETMASK, &before_, nullptr); }

void SignalHold::dropFromNow() {
    // Ignoring a signal also discards it where it is pending.
    dropped_ = true;
    ::signal(SIGINT, SIG_IGN);
    ::signal(SIGTERM, SIG_IGN);
}

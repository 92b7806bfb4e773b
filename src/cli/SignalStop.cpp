#include "cli/SignalStop.hpp"

#include <signal.h>
#include <unistd.h>

#include <cstring>

namespace {

// Everything the handler needs, made before it can run: it may not allocate.
struct Plan {
    std::string program;
    std::vector<std::pair<std::string, std::string>> renames;
    std::string kept;  // ", "-separated partial paths
    const std::atomic<long>* pairsDone = nullptr;
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
        for (const auto& [temp, partial] : plan->renames) ::rename(temp.c_str(), partial.c_str());
        put(plan->program.c_str());
        put(": stopped by signal ");
        putNumber(signal);
        put(" after pair ");
        putNumber(plan->pairsDone != nullptr ? plan->pairsDone->load() : 0);
        if (!plan->kept.empty()) {
            put("; the output so far is in ");
            put(plan->kept.c_str());
            put(", and files of the same names without .partial are as they were");
        }
        put("\n");
    }
    ::_exit(1);
}

}  // namespace

SignalStop::SignalStop(const std::string& programName,
                       const std::vector<std::pair<std::string, std::string>>& renames,
                       const std::atomic<long>& pairsDone) {
    auto* plan = new Plan{programName, renames, "", &pairsDone};
    for (const auto& rename : renames) plan->kept += (plan->kept.empty() ? "" : ", ") + rename.second;
    gPlan = plan;
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
}

SignalHold::~SignalHold() { ::pthread_sigmask(SIG_SETMASK, &before_, nullptr); }

void SignalHold::hold() {
    const sigset_t set = stopSignals();
    ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void SignalHold::release() { ::pthread_sigmask(SIG_SETMASK, &before_, nullptr); }

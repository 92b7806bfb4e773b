#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#include <pybind11/pybind11.h>

// Python runs its signal handlers (Ctrl-C's KeyboardInterrupt among them) on
// the main thread only, and only when that thread runs Python code or calls
// PyErr_CheckSignals. A long alignment on the calling thread would hold
// Ctrl-C back until it returned. So the work runs on a thread of its own
// while the calling thread, the GIL released, looks for signals every 50 ms;
// when a handler raises, the work's stop flag is raised (the engine gives up
// within a row of its fills), and that exception is raised here once the
// work has ended.
//
// `work(stop)` must not touch Python objects. Work too small to be worth a
// thread (`small`) runs here, the GIL released, with no flag.
// Needs the GIL; returns what `work` returns or rethrows what it throws.
template <class Work>
auto runInterruptibly(bool small, Work work) -> decltype(work(nullptr)) {
    using Out = decltype(work(nullptr));
    if (small) {
        pybind11::gil_scoped_release unlocked;
        return work(nullptr);
    }
    std::atomic<bool> stop{false};
    std::optional<Out> out;
    std::exception_ptr failure;
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
    auto run = [&] {
        try {
            out.emplace(work(&stop));
        } catch (...) {
            failure = std::current_exception();
        }
        std::lock_guard<std::mutex> hold(lock);
        done = true;
        finished.notify_all();
    };
    std::thread worker;
    try {
        worker = std::thread(run);
    } catch (const std::system_error&) {
        // No thread to spare: the work runs here, and Ctrl-C waits for it.
        pybind11::gil_scoped_release unlocked;
        return work(nullptr);
    }
    bool interrupted = false;
    {
        PyThreadState* saved = PyEval_SaveThread();
        std::unique_lock<std::mutex> held(lock);
        while (!finished.wait_for(held, std::chrono::milliseconds(50), [&] { return done; })) {
            held.unlock();
            PyEval_RestoreThread(saved);
            interrupted = PyErr_CheckSignals() != 0;
            saved = PyEval_SaveThread();
            held.lock();
            if (interrupted) {
                stop.store(true, std::memory_order_relaxed);
                finished.wait(held, [&] { return done; });
                break;
            }
        }
        held.unlock();
        worker.join();
        PyEval_RestoreThread(saved);
    }
    if (interrupted) throw pybind11::error_already_set();
    if (failure) std::rethrow_exception(failure);
    return std::move(*out);
}

// Below this many cells (a few milliseconds of work) a call runs on the
// calling thread: starting a thread would cost more than the wait for Ctrl-C.
inline constexpr long long kInterruptibleCells = 1LL << 22;

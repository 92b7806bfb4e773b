#pragma once

#include <cstdint>
#include <functional>
#include <thread>

// Starts a thread running `work`, with the stop flag of the calling thread
// (common/StopRequest.hpp) installed. Throws std::system_error when the system
// cannot start one (no memory for its stack, a task limit): callers go on
// with the threads they have.
std::thread startThread(std::function<void()> work);

// What startThread() uses; a test replaces it to make starts fail. Returns
// the one it replaces. An empty function restores the system's.
using ThreadStarter = std::function<std::thread(std::function<void()>)>;
ThreadStarter replaceThreadStarter(ThreadStarter starter);

// Address space a thread's stack takes where it counts: under an
// address-space limit (ulimit -v) the whole stack, touched or not; 0 without
// one, where only the pages a thread touches take memory.
std::uint64_t threadStackCost();

// Under an address-space limit, keeps the C library from giving each thread
// a heap of its own: each reserves 64 MB of address space, which the run's
// pairs would lack. Called once, before any thread starts, by the programs.
void shareOneHeapUnderAddressLimit();

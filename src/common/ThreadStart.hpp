#pragma once

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

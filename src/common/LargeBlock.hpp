#pragma once

#include <cstddef>

// Uninitialised memory for work buffers. Blocks of a few megabytes or more are
// aligned to and, while memory is plentiful, marked for huge pages where the
// system offers them: first touching a huge page costs a fraction of touching
// the same memory in small pages. Returns nullptr when the memory cannot be had.
void* allocateLargeBlock(std::size_t bytes);
void releaseLargeBlock(void* block);

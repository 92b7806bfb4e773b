#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/Message.hpp"

// Why a pair was not aligned, with its numbers as fields: the command line
// words it, the library throws the matching exception.
struct PairError {
    enum class Kind {
        kOutOfMemory,  // its buffers do not fit in the memory left
        kScoreRange,   // its scores could leave the 32-bit range
    };
    Kind kind = Kind::kOutOfMemory;
    std::string name1, name2;
    std::size_t length1 = 0, length2 = 0;  // as given
    std::uint64_t bytesNeeded = 0;         // kOutOfMemory; 0 when not known
    std::uint64_t bytesAvailable = 0;      // kOutOfMemory: what the budget still had
    Messages warnings;                     // what the pair had to say before it failed
};

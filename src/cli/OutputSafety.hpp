#pragma once

#include <string>

#include "cli/RunStatus.hpp"

class CommandLine;
class RunOutputs;

// True when both paths name one existing file (same device and inode), or,
// when `path` does not exist, when its resolved form equals that of `other`.
bool sameFile(const std::string& path, const std::string& other);

// Refuses outputs that would overwrite the input, the matrix or one another,
// a picture's place in the picture folder, and an alignment file under /dev
// or /proc (kOutputUnsafe, naming the file and why); kGoOn when all is well.
RunStatus checkOutputs(const CommandLine& args, const RunOutputs& outputs);

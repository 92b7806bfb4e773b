#pragma once

#include <string>
#include <vector>

// The matrices installed with the programs (data/ in the source tree), by
// the names CMake lists for them.
std::vector<std::string> knownMatrixNames();

// The file -S `given` stands for. A path to a file, or anything with a '/',
// is itself. Otherwise it is looked for as a name where the default matrices
// are (beside the program, in share/torva beside its bin directory, in the
// installed data directory), as given and then as the known name it matches
// in any case ("blosum62" -> BLOSUM62). `given` itself when nothing is found.
std::string matrixFileFor(const std::string& given, const std::string& programPath);

// Whether `given` is a bare name (no '/') that is no file and no known name,
// so that the error can list the names there are.
bool isUnknownMatrixName(const std::string& given);

#pragma once

#include <string_view>

// The texts of data/dnaMatrix and data/BLOSUM, compiled in at build time so
// that the library needs no files beside it.
std::string_view builtinDnaMatrixText();
std::string_view builtinProteinMatrixText();

#pragma once

#include <span>
#include <string_view>

// The texts of data/dnaMatrix and data/BLOSUM, compiled in at build time so
// that the library needs no files beside it.
std::string_view builtinDnaMatrixText();
std::string_view builtinProteinMatrixText();

// The matrices known by name (the files data/NAME installed in share/torva),
// compiled in for the same reason, in the order CMake lists them.
struct NamedMatrixText {
    std::string_view name;
    std::string_view text;
};
std::span<const NamedMatrixText> builtinNamedMatrices();

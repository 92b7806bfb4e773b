#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <utility>

// What the tabular formats (PAF, MAF) share about a pair's columns.

// A name as those formats' single-word name columns take it: up to its first
// blank, "*" when empty (an empty column would shift every column after it).
std::string_view firstWord(const std::string& name);

// The aligned span of two global rows: from the first to the last column in
// which both hold a residue, as [first, last); the columns outside it are
// overhangs (one sequence against nothing). first == last when no column
// pairs two residues.
std::pair<std::size_t, std::size_t> pairedColumns(std::span<const char> row1, std::span<const char> row2);

// Residues (non-gap characters) of row[from, to).
long long residuesIn(std::span<const char> row, std::size_t from, std::size_t to);

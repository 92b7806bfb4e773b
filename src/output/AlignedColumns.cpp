#include "output/AlignedColumns.hpp"

#include <algorithm>

std::string_view firstWord(const std::string& name) {
    const std::string_view word = std::string_view(name).substr(0, name.find_first_of(" \t"));
    return word.empty() ? std::string_view("*") : word;
}

std::pair<std::size_t, std::size_t> pairedColumns(std::span<const char> row1, std::span<const char> row2) {
    const std::size_t n = std::min(row1.size(), row2.size());
    std::size_t first = 0;
    while (first < n && (row1[first] == '-' || row2[first] == '-')) ++first;
    std::size_t last = n;
    while (last > first && (row1[last - 1] == '-' || row2[last - 1] == '-')) --last;
    return {first, last};
}

long long residuesIn(std::span<const char> row, std::size_t from, std::size_t to) {
    long long n = 0;
    for (std::size_t c = from; c < to; ++c) n += row[c] != '-';
    return n;
}

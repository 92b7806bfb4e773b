#include "pair/ReverseComplement.hpp"

#include <array>

namespace {

constexpr std::array<char, 256> complementTable() {
    std::array<char, 256> table{};
    for (int c = 0; c < 256; ++c) table[static_cast<std::size_t>(c)] = static_cast<char>(c);
    constexpr const char* kPairs[] = {"AT", "TA", "UA", "CG", "GC", "RY", "YR", "KM", "MK",
                                      "BV", "VB", "DH", "HD", "SS", "WW", "NN"};
    for (const char* pair : kPairs) {
        table[static_cast<unsigned char>(pair[0])] = pair[1];
        table[static_cast<unsigned char>(pair[0] - 'A' + 'a')] = static_cast<char>(pair[1] - 'A' + 'a');
    }
    return table;
}

constexpr std::array<char, 256> kComplement = complementTable();

}  // namespace

std::string reverseComplement(std::string_view sequence) {
    std::string out(sequence.size(), '\0');
    for (std::size_t k = 0; k < sequence.size(); ++k)
        out[sequence.size() - 1 - k] = kComplement[static_cast<unsigned char>(sequence[k])];
    return out;
}

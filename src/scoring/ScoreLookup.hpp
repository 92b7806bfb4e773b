#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Residue-pair scores as a small flat table. Every character is mapped once
// to a dense code (letters of the matrix's alphabet first, one shared code for
// everything else), so a score is two array reads in the hot loops.
class ScoreLookup {
public:
    using Code = std::uint8_t;

    // `letters[k]` is the letter of row and column k of the square table
    // `scores` (row-major); letters outside it score 0 against everything.
    ScoreLookup(const std::string& letters, const std::vector<int>& scores);

    Code code(char c) const { return codeOf_[static_cast<unsigned char>(c)]; }
    // The scores of the residue with code `a` against every code.
    const int* row(Code a) const { return table_.data() + static_cast<std::size_t>(a) * stride_; }
    // Score of two characters; 0 when either is not in the alphabet.
    int score(char a, char b) const { return row(code(a))[code(b)]; }

    std::vector<Code> encode(std::string_view s) const;
    // Number of codes, the "not in the alphabet" code included.
    std::size_t codes() const { return stride_; }
    // Highest score in the table (0 when no score is positive).
    int bestScore() const;
    // Lowest score in the table (0 when no score is negative).
    int worstScore() const;

private:
    std::array<Code, 256> codeOf_{};
    std::size_t stride_ = 1;
    std::vector<int> table_;
};

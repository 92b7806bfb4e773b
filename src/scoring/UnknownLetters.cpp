#include "scoring/UnknownLetters.hpp"

#include <cctype>
#include <cstdio>

namespace {

std::string lettersWithRows(const ScoreMatrix& matrix) {
    std::string letters;
    for (const auto& [letter, index] : matrix.alphabet)
        if (matrix.missingRows.find(letter) == std::string::npos) letters += letter;
    return letters;
}

}  // namespace

UnknownLetters::UnknownLetters(std::string_view letters, char maskChar, std::string_view ownWarning) {
    known_.fill(false);
    for (char letter : letters) mark(letter);
    mark(maskChar);
    for (char c : ownWarning) known_[static_cast<unsigned char>(c)] = true;
}

UnknownLetters::UnknownLetters(const ScoreMatrix& matrix, char maskChar)
    : UnknownLetters(lettersWithRows(matrix), maskChar) {}

std::string UnknownLetters::describe(std::string_view seq) const {
    std::array<long, 256> counts{};
    long total = 0;
    for (char c : seq) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (known_[u]) continue;
        ++counts[u];
        ++total;
    }
    if (total == 0) return "";
    std::string letters;
    for (int u = 0; u < 256; ++u) {
        if (counts[static_cast<std::size_t>(u)] == 0) continue;
        if (!letters.empty()) letters += ", ";
        if (u >= 0x21 && u < 0x7f) {
            letters += static_cast<char>(u);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02x", u);
            letters += hex;
        }
    }
    return std::to_string(total) + (total == 1 ? " letter" : " letters") +
           " that the matrix has no row for (" + letters + "); they score 0";
}

void UnknownLetters::mark(char letter) {
    known_[static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(letter)))] = true;
    known_[static_cast<unsigned char>(std::toupper(static_cast<unsigned char>(letter)))] = true;
}

#include "output/WordMatches.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace {

constexpr int kNoCode = -1;

// Letter codes: 2 bits for DNA, 5 for protein; a word of up to 31 or 12
// letters fits in 62 or 60 bits, so that every code is a non-negative long
// long and -1 can stand for no word.
struct Alphabet {
    std::array<int, 256> code;
    std::array<int, 256> complement;  // DNA: the code of the paired base
    int bits;

    explicit Alphabet(bool protein) : bits(protein ? 5 : 2) {
        code.fill(kNoCode);
        complement.fill(kNoCode);
        const std::string_view letters = protein ? "acdefghiklmnpqrstvwy" : "acgt";
        for (std::size_t k = 0; k < letters.size(); ++k) {
            const int c = static_cast<int>(k);
            code[static_cast<unsigned char>(letters[k])] = c;
            code[static_cast<unsigned char>(letters[k] - 'a' + 'A')] = c;
        }
        if (!protein) {
            for (char u : {'u', 'U'}) code[static_cast<unsigned char>(u)] = 3;
            for (int c = 0; c < 256; ++c)
                if (code[static_cast<std::size_t>(c)] != kNoCode) complement[static_cast<std::size_t>(c)] = 3 - code[static_cast<std::size_t>(c)];
        }
    }
};

// Each word's code, or -1 where a letter outside the alphabet is in it;
// with `reverseComplement`, the code of the reverse complement of the word
// that starts there.
std::vector<long long> wordCodes(std::string_view seq, const Alphabet& alphabet, int k, bool reverseComplement) {
    std::vector<long long> codes;
    if (seq.size() < static_cast<std::size_t>(k)) return codes;
    codes.assign(seq.size() - static_cast<std::size_t>(k) + 1, -1);
    const unsigned long long mask = (1ULL << (alphabet.bits * k)) - 1;
    const int top = alphabet.bits * (k - 1);
    unsigned long long word = 0;
    int valid = 0;  // letters of the alphabet ending here
    for (std::size_t p = 0; p < seq.size(); ++p) {
        const auto letter = static_cast<unsigned char>(seq[p]);
        const int c = reverseComplement ? alphabet.complement[letter] : alphabet.code[letter];
        if (c == kNoCode) {
            valid = 0;
            word = 0;
            continue;
        }
        // The reverse complement reads backwards: each new letter goes in front.
        word = reverseComplement ? (word >> alphabet.bits) | (static_cast<unsigned long long>(c) << top)
                                 : ((word << alphabet.bits) | static_cast<unsigned long long>(c)) & mask;
        if (++valid >= k) codes[p + 1 - static_cast<std::size_t>(k)] = static_cast<long long>(word);
    }
    return codes;
}

std::size_t cellOf(std::size_t position, int k, std::size_t length, std::size_t cells) {
    const std::size_t middle = std::min(position + static_cast<std::size_t>(k) / 2, length - 1);
    return std::min(cells - 1, static_cast<std::size_t>(static_cast<unsigned long long>(middle) * cells / length));
}

// Marks in `grid` every cell where a word of seq1 meets one of seq2 with the
// same code: (code, row) of seq2 sorted once, looked up for each word of
// seq1, and a word repeated within a column looked up once.
void mark(WordMatchGrid& grid, const std::vector<long long>& codes1, std::size_t length1,
          const std::vector<long long>& codes2, std::size_t length2, std::uint8_t bit) {
    std::vector<std::pair<long long, std::uint32_t>> index;
    index.reserve(codes2.size());
    for (std::size_t j = 0; j < codes2.size(); ++j)
        if (codes2[j] >= 0)
            index.emplace_back(codes2[j], static_cast<std::uint32_t>(cellOf(j, grid.wordSize, length2, grid.rows)));
    std::sort(index.begin(), index.end());
    index.erase(std::unique(index.begin(), index.end()), index.end());
    long long lastCode = -1;
    std::size_t lastColumn = grid.columns;
    for (std::size_t i = 0; i < codes1.size(); ++i) {
        if (codes1[i] < 0) continue;
        const std::size_t column = cellOf(i, grid.wordSize, length1, grid.columns);
        if (codes1[i] == lastCode && column == lastColumn) continue;
        lastCode = codes1[i], lastColumn = column;
        auto at = std::lower_bound(index.begin(), index.end(), std::pair<long long, std::uint32_t>(codes1[i], 0));
        for (; at != index.end() && at->first == codes1[i]; ++at) grid.cells[at->second * grid.columns + column] |= bit;
    }
}

// Two by two cells into one, along both sequences.
void halve(WordMatchGrid& grid) {
    const std::size_t columns = (grid.columns + 1) / 2, rows = (grid.rows + 1) / 2;
    std::vector<std::uint8_t> cells(columns * rows, 0);
    for (std::size_t r = 0; r < grid.rows; ++r)
        for (std::size_t c = 0; c < grid.columns; ++c) cells[(r / 2) * columns + c / 2] |= grid.at(c, r);
    grid.columns = columns, grid.rows = rows;
    grid.cells = std::move(cells);
}

}  // namespace

std::size_t WordMatchGrid::marked() const {
    return static_cast<std::size_t>(std::count_if(cells.begin(), cells.end(), [](std::uint8_t c) { return c != 0; }));
}

int wordSizeFor(std::size_t length1, std::size_t length2, bool protein) {
    const double alphabet = protein ? 20 : 4;
    const double expected = static_cast<double>(std::max<std::size_t>(length1, 1)) *
                            static_cast<double>(std::max<std::size_t>(length2, 1)) / 50.0;
    const int k = static_cast<int>(std::ceil(std::log(std::max(expected, 1.0)) / std::log(alphabet)));
    return protein ? std::clamp(k, 3, 12) : std::clamp(k, 6, 31);
}

bool looksLikeProtein(std::string_view seq1, std::string_view seq2) {
    long long letters = 0, dna = 0;
    for (std::string_view s : {seq1, seq2})
        for (char c : s) {
            if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) continue;
            ++letters;
            switch (c | 0x20) {
                case 'a': case 'c': case 'g': case 't': case 'u': case 'n': ++dna; break;
                default: break;
            }
        }
    return 4 * (letters - dna) > letters;
}

WordMatchGrid wordMatches(std::string_view seq1, std::string_view seq2, bool protein, int wordSize,
                          std::size_t columns, std::size_t rows, std::size_t maxMarked) {
    WordMatchGrid grid;
    grid.wordSize = std::clamp(wordSize, 1, protein ? 12 : 31);
    grid.bothStrands = !protein;
    grid.columns = std::max<std::size_t>(columns, 1);
    grid.rows = std::max<std::size_t>(rows, 1);
    grid.cells.assign(grid.columns * grid.rows, 0);
    const Alphabet alphabet(protein);
    const std::vector<long long> codes1 = wordCodes(seq1, alphabet, grid.wordSize, false);
    if (codes1.empty()) return grid;
    mark(grid, codes1, seq1.size(), wordCodes(seq2, alphabet, grid.wordSize, false), seq2.size(),
         WordMatchGrid::kSameStrand);
    if (grid.bothStrands)
        mark(grid, codes1, seq1.size(), wordCodes(seq2, alphabet, grid.wordSize, true), seq2.size(),
             WordMatchGrid::kOppositeStrand);
    while (grid.marked() > maxMarked && (grid.columns > 1 || grid.rows > 1)) halve(grid);
    return grid;
}

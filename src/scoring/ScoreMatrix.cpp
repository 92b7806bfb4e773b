#include "scoring/ScoreMatrix.hpp"

#include <cctype>
#include <sstream>
#include <vector>

#include "scoring/ValueLimits.hpp"

namespace {

bool isBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// A line read from a file saved with Windows line ends keeps its '\r'.
void dropCarriageReturn(std::string& line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
}

bool onlyBlanks(const std::string& line) {
    for (char c : line)
        if (!isBlank(c)) return false;
    return true;
}

MatrixError noMatrix() {
    return MatrixError(MatrixError::Kind::kNoMatrix,
                       "No Matrix found in inputfile or format is not right");
}

}  // namespace

ScoreMatrix::ScoreMatrix(std::istream& in) {
    if (!in.good()) throw MatrixError(MatrixError::Kind::kUnreadable, "unable to read the file");
    std::string line;
    bool header = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] == '>') {
            header = true;
            break;
        }
    }
    if (!header) throw noMatrix();
    dropCarriageReturn(line);
    title = line.substr(1);

    // The letter line; a header that ends the file leaves it empty.
    if (!std::getline(in, line)) line.clear();
    unsigned long n = 0;
    for (char c : line) {
        if (isBlank(c)) continue;
        alphabet[lower(c)] = n;
        ++n;
    }
    if (n == 0) throw noMatrix();
    scores.assign(static_cast<int>(n), static_cast<int>(n));

    std::vector<bool> rowSeen(n, false);
    unsigned long rowsRead = 0;
    while (rowsRead < n && std::getline(in, line)) {
        if (onlyBlanks(line)) continue;  // empty, blanks only, or a lone '\r'
        std::size_t first = 0;
        while (isBlank(line[first])) ++first;
        auto found = alphabet.find(lower(line[first]));
        if (found == alphabet.end())
            throw MatrixError(MatrixError::Kind::kBadRowLetter, "first letter of Score Matrix is char");
        int* row = scores[found->second];
        rowSeen[found->second] = true;
        std::istringstream numbers(line.substr(first + 1));
        unsigned long count = 0;
        long long value = 0;
        while (count < n && numbers >> value) {
            if (value > kMaxAbsValue || value < -kMaxAbsValue) break;  // ends the row
            row[count] = static_cast<int>(value);
            ++count;
        }
        if (count < n)
            throw MatrixError(MatrixError::Kind::kShortRow,
                              std::to_string(count) + " " + std::to_string(n) + "wrong fromat of matrix");
        ++rowsRead;
    }
    missingRows.clear();
    for (const auto& [letter, index] : alphabet)
        if (!rowSeen[index]) missingRows.push_back(letter);
    size = static_cast<int>(n);
}

ScoreLookup ScoreMatrix::lookup() const {
    std::string letters;
    std::vector<int> table;
    for (const auto& [letter, index] : alphabet) letters.push_back(letter);
    const std::size_t n = letters.size();
    table.assign(n * n, 0);
    std::size_t a = 0;
    for (const auto& [la, ia] : alphabet) {
        std::size_t b = 0;
        for (const auto& [lb, ib] : alphabet) {
            table[a * n + b] = scores[ia][ib];
            ++b;
        }
        ++a;
    }
    return ScoreLookup(letters, table);
}

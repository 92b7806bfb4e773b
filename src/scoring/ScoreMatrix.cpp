#include "scoring/ScoreMatrix.hpp"

#include <algorithm>
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

MatrixError noMatrix(const std::string& detail) {
    return MatrixError(MatrixError::Kind::kNoMatrix,
                       "No Matrix found in inputfile or format is not right", detail);
}

MatrixError newer(MatrixError::Kind kind, const std::string& detail) { return MatrixError(kind, detail, detail); }

std::string position(long line, std::size_t column) {
    return "line " + std::to_string(line) + ", column " + std::to_string(column) + ": ";
}

}  // namespace

std::string readMatrixText(std::istream& in) {
    // In pieces: a matrix file is small, and reading it should cost as much.
    std::string text;
    char piece[1 << 12];
    while (text.size() <= kMaxMatrixFileBytes && in.read(piece, sizeof piece).gcount() > 0)
        text.append(piece, static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxMatrixFileBytes)
        throw newer(MatrixError::Kind::kTooLarge, "it is larger than " + std::to_string(kMaxMatrixFileBytes) +
                                                      " bytes, which no matrix file is");
    return text;
}

ScoreMatrix::ScoreMatrix(std::istream& stream) {
    if (!stream.good()) throw MatrixError(MatrixError::Kind::kUnreadable, "unable to read the file");
    std::istringstream in(readMatrixText(stream));
    std::string line;
    bool header = false;
    long lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (!line.empty() && line[0] == '>') {
            header = true;
            break;
        }
    }
    if (!header)
        throw noMatrix("no line begins with '>' (a title line, then a line of letters and a row per letter)");
    dropCarriageReturn(line);
    title = line.substr(1);

    // The letter line; a header that ends the file leaves it empty.
    if (!std::getline(in, line)) line.clear();
    const long letterLine = ++lineNumber;
    unsigned long n = 0;
    for (std::size_t k = 0; k < line.size(); ++k) {
        const char c = line[k];
        if (isBlank(c)) continue;
        if (!alphabet.emplace(lower(c), n).second)
            throw newer(MatrixError::Kind::kRepeatedLetter,
                        position(letterLine, k + 1) + "the letter '" + std::string(1, c) +
                            "' is on the letter line twice; each letter needs one column of its own");
        ++n;
    }
    if (n == 0)
        throw noMatrix("line " + std::to_string(letterLine) +
                       ": expected the letters of the matrix after its title line");
    scores.assign(static_cast<int>(n), static_cast<int>(n));

    std::vector<bool> rowSeen(n, false);
    unsigned long rowsRead = 0;
    while (rowsRead < n && std::getline(in, line)) {
        ++lineNumber;
        if (onlyBlanks(line)) continue;  // empty, blanks only, or a lone '\r'
        std::size_t first = 0;
        while (isBlank(line[first])) ++first;
        auto found = alphabet.find(lower(line[first]));
        if (found == alphabet.end())
            throw MatrixError(MatrixError::Kind::kBadRowLetter, "first letter of Score Matrix is char",
                              "line " + std::to_string(lineNumber) +
                                  ": expected a row beginning with a letter of line " +
                                  std::to_string(letterLine) + ", found '" +
                                  std::string(1, line[first]) + "'");
        int* row = scores[found->second];
        if (rowSeen[found->second])
            throw newer(MatrixError::Kind::kRepeatedRow,
                        position(lineNumber, first + 1) + "a second row for '" + std::string(1, line[first]) +
                            "'; each letter needs one row");
        rowSeen[found->second] = true;
        std::istringstream numbers(line.substr(first + 1));
        unsigned long count = 0;
        long long value = 0;
        bool outOfRange = false;
        while (count < n && numbers >> value) {
            if (value > kMaxAbsValue || value < -kMaxAbsValue) {  // ends the row
                outOfRange = true;
                break;
            }
            // A number ends at a blank, the line's end or the sign of the
            // next one ("-114-125", as fixed-width files have it); "5.9"
            // and "5x" are no whole numbers.
            const int next = numbers.peek();
            if (next != std::char_traits<char>::eof() && !isBlank(static_cast<char>(next)) && next != '-' &&
                next != '+') {
                const std::size_t end = first + 1 + static_cast<std::size_t>(numbers.tellg());
                std::size_t start = end;
                while (start > first + 1 && !isBlank(line[start - 1])) --start;
                std::size_t stop = end;
                while (stop < line.size() && !isBlank(line[stop])) ++stop;
                throw newer(MatrixError::Kind::kBadNumber,
                            position(lineNumber, start + 1) + "'" + line.substr(start, std::min<std::size_t>(stop - start, 20)) +
                                "' is not a whole number");
            }
            row[count] = static_cast<int>(value);
            ++count;
        }
        if (count < n) {
            const std::string where = "line " + std::to_string(lineNumber) + ": ";
            std::string problem;
            if (outOfRange) {
                problem = where + "the score " + std::to_string(value) + " is out of range (-" +
                          std::to_string(kMaxAbsValue) + " to " + std::to_string(kMaxAbsValue) + ")";
            } else {
                numbers.clear();
                std::string found;
                numbers >> found;
                problem = where + "expected " + std::to_string(n) + " whole-number scores after '" +
                          std::string(1, line[first]) + "', one per letter of line " + std::to_string(letterLine) +
                          "; found " + std::to_string(count) +
                          (found.empty() ? std::string() : " and then '" + found.substr(0, 20) + "'");
            }
            throw MatrixError(MatrixError::Kind::kShortRow,
                              std::to_string(count) + " " + std::to_string(n) + "wrong fromat of matrix",
                              problem);
        }
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

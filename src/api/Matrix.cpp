#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include "api/BuiltinMatrices.hpp"
#include "api/MatrixImpl.hpp"
#include "pair/RunSettings.hpp"
#include "scoring/ScoreMatrix.hpp"
#include "scoring/ValueLimits.hpp"

namespace torva {

namespace {

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

}  // namespace

Matrix::Impl::Impl(std::string letters_, std::vector<int> scores_, std::string title_)
    : letters(std::move(letters_)), scores(std::move(scores_)), title(std::move(title_)),
      lookup(letters, scores) {}

Matrix Matrix::fromText(std::string_view text) {
    std::istringstream in{std::string(text)};
    std::optional<ScoreMatrix> read;
    try {
        read.emplace(in);
    } catch (const MatrixError& e) {
        throw std::invalid_argument(std::string("not a score matrix: ") + e.what());
    }
    const ScoreMatrix& parsed = *read;
    const ScoreLookup lookup = parsed.lookup();
    std::string letters;
    for (const auto& [letter, index] : parsed.alphabet) letters.push_back(letter);
    std::vector<int> scores;
    scores.reserve(letters.size() * letters.size());
    for (char a : letters)
        for (char b : letters) scores.push_back(lookup.score(a, b));
    return Matrix(std::make_shared<const Impl>(std::move(letters), std::move(scores),
                                               parsed.title));
}

Matrix Matrix::fromFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) {
        const int error = errno;
        throw FileError("cannot open score matrix " + path + ": " + std::strerror(error), path,
                        error);
    }
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        throw FileError("cannot read score matrix " + path + ": " + std::strerror(EISDIR), path,
                        EISDIR);
    std::string text;
    try {
        text = readMatrixText(in);
    } catch (const MatrixError& e) {
        throw std::invalid_argument(path + ": not a score matrix: " + e.what());
    }
    if (in.bad()) {
        const int error = errno;
        throw FileError("cannot read score matrix " + path + ": " + std::strerror(error), path,
                        error);
    }
    try {
        return fromText(text);
    } catch (const std::invalid_argument& e) {
        throw std::invalid_argument(path + ": " + e.what());
    }
}

Matrix Matrix::dna() {
    static const Matrix builtin = fromText(builtinDnaMatrixText());
    return builtin;
}

Matrix Matrix::protein() {
    static const Matrix builtin = fromText(builtinProteinMatrixText());
    return builtin;
}

Matrix::Matrix(std::string_view letters, const std::vector<int>& scores, std::string title) {
    const std::size_t n = letters.size();
    if (n == 0) throw std::invalid_argument("a score matrix needs at least one letter");
    if (scores.size() != n * n)
        throw std::invalid_argument("a score matrix over " + std::to_string(n) + " letters needs " +
                                    std::to_string(n * n) + " scores, not " +
                                    std::to_string(scores.size()));
    std::map<char, std::size_t> column;  // lower-case letter -> its row and column
    for (std::size_t k = 0; k < n; ++k) {
        const char c = letters[k];
        if (std::isspace(static_cast<unsigned char>(c)) || c == '\0')
            throw std::invalid_argument("score matrix letters must not be blank");
        if (!column.emplace(lower(c), k).second)
            throw std::invalid_argument(std::string("score matrix letter '") + c +
                                        "' appears twice");
    }
    for (int s : scores)
        if (s > kMaxAbsValue || s < -kMaxAbsValue)
            throw std::invalid_argument("score " + std::to_string(s) + " lies outside -" +
                                        std::to_string(kMaxAbsValue) + ".." +
                                        std::to_string(kMaxAbsValue));
    // Kept in ascending letter order, like a matrix read from a file.
    std::string sorted;
    std::vector<int> table;
    table.reserve(n * n);
    for (const auto& [a, row] : column) {
        sorted.push_back(a);
        for (const auto& [b, col] : column) table.push_back(scores[row * n + col]);
    }
    impl_ = std::make_shared<const Impl>(std::move(sorted), std::move(table), std::move(title));
}

const std::string& Matrix::letters() const { return impl_->letters; }

const std::string& Matrix::title() const { return impl_->title; }

int Matrix::score(char a, char b) const { return impl_->lookup.score(lower(a), lower(b)); }

bool Matrix::isProtein() const { return impl_->letters.size() > RunLimits::kMaxDnaLetters; }

}  // namespace torva

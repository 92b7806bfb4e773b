#include "align/ScoreLookup.hpp"

#include <algorithm>

#include "input/ScoreMatrix.hpp"

ScoreLookup::ScoreLookup(const ScoreMatrix& sm) {
    // Keys are lower-cased letters, so there are fewer than 256 of them and
    // the code after the last one is free to stand for "not in the alphabet".
    std::vector<unsigned long> indexOfCode;
    for (const auto& [letter, index] : sm.alphabet) {
        codeOf_[static_cast<unsigned char>(letter)] = static_cast<Code>(indexOfCode.size());
        indexOfCode.push_back(index);
    }
    const Code unknown = static_cast<Code>(indexOfCode.size());
    for (int c = 0; c < 256; ++c)
        if (sm.alphabet.find(static_cast<char>(c)) == sm.alphabet.end()) codeOf_[c] = unknown;

    stride_ = indexOfCode.size() + 1;
    table_.assign(stride_ * stride_, 0);
    const std::size_t rows = sm.scores.size();
    const std::size_t cols = sm.scores.cols();
    for (std::size_t a = 0; a < indexOfCode.size(); ++a) {
        for (std::size_t b = 0; b < indexOfCode.size(); ++b) {
            // A matrix that failed to parse may be smaller than its alphabet;
            // missing cells score 0 like any unknown pair.
            if (indexOfCode[a] < rows && indexOfCode[b] < cols)
                table_[a * stride_ + b] = sm.scores[indexOfCode[a]][indexOfCode[b]];
        }
    }
}

std::vector<ScoreLookup::Code> ScoreLookup::encode(const std::string& s) const {
    std::vector<Code> out(s.size());
    for (std::size_t k = 0; k < s.size(); ++k) out[k] = code(s[k]);
    return out;
}

int ScoreLookup::bestScore() const {
    int best = 0;
    for (const int v : table_) best = std::max(best, v);
    return best;
}

int ScoreLookup::worstScore() const {
    int worst = 0;
    for (const int v : table_) worst = std::min(worst, v);
    return worst;
}

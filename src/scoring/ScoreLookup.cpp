#include "scoring/ScoreLookup.hpp"

#include <algorithm>


ScoreLookup::ScoreLookup(const std::string& letters, const std::vector<int>& scores) {
    // Letters are distinct, so there are fewer than 256 of them and the code
    // after the last one is free to stand for "not in the alphabet".
    const std::size_t n = letters.size();
    const Code unknown = static_cast<Code>(n);
    codeOf_.fill(unknown);
    for (std::size_t k = 0; k < n; ++k) codeOf_[static_cast<unsigned char>(letters[k])] = static_cast<Code>(k);
    stride_ = n + 1;
    table_.assign(stride_ * stride_, 0);
    for (std::size_t a = 0; a < n; ++a)
        for (std::size_t b = 0; b < n; ++b)
            if (a * n + b < scores.size()) table_[a * stride_ + b] = scores[a * n + b];
}

std::vector<ScoreLookup::Code> ScoreLookup::encode(std::string_view s) const {
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

#pragma once

#include <array>
#include <bitset>

// Which residue pairs the run's scoring counts as alike (a positive
// substitution score). The views mark such pairs and count them as similar;
// the table is taken once from the scores so that writers need no scoring code.
class PositivePairs {
public:
    // No pair is positive: the views then mark identities only.
    PositivePairs() = default;
    // `score(a, b)` gives the substitution score of two characters.
    template <class ScoreOf>
    explicit PositivePairs(ScoreOf score) {
        for (int a = 0; a < 256; ++a)
            for (int b = 0; b < 256; ++b)
                positive_[a][b] = score(static_cast<char>(a), static_cast<char>(b)) > 0;
    }
    bool operator()(char a, char b) const {
        return positive_[static_cast<unsigned char>(a)][static_cast<unsigned char>(b)];
    }

private:
    std::array<std::bitset<256>, 256> positive_{};
};

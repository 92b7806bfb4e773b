#include "align/Cigar.hpp"

#include <algorithm>

void CigarBuilder::add(char op, long long count) {
    if (count <= 0) return;
    if (op != op_) {
        flush();
        op_ = op;
        if (op == 'I') ++cigar_.insertionRuns;
        if (op == 'D') ++cigar_.deletionRuns;
    }
    count_ += count;
    cigar_.columns += count;
    switch (op) {
        case '=':
            cigar_.matches += count;
            break;
        case 'X':
            cigar_.mismatches += count;
            break;
        case 'I':
            cigar_.insertedBases += count;
            break;
        case 'D':
            cigar_.deletedBases += count;
            break;
        default:
            break;
    }
}

void CigarBuilder::addColumn(char a, char b) {
    const bool gapA = a == '-';
    const bool gapB = b == '-';
    if (gapA && gapB) return;
    if (gapB) {
        add('I', 1);
    } else if (gapA) {
        add('D', 1);
    } else {
        add(sameResidue(a, b) ? '=' : 'X', 1);
    }
}

void CigarBuilder::flush() {
    if (count_ > 0) {
        cigar_.text += std::to_string(count_);
        cigar_.text += op_;
    }
    count_ = 0;
}

Cigar CigarBuilder::finish() {
    flush();
    op_ = 0;
    Cigar done = std::move(cigar_);
    cigar_ = Cigar{};
    return done;
}

Cigar makeCigar(std::span<const char> row1, std::span<const char> row2) {
    CigarBuilder builder;
    // A row shorter than the other is read as ending in gaps, so that every
    // residue of both rows is still accounted for.
    const std::size_t n = std::max(row1.size(), row2.size());
    for (std::size_t c = 0; c < n; ++c)
        builder.addColumn(c < row1.size() ? row1[c] : '-', c < row2.size() ? row2[c] : '-');
    return builder.finish();
}

std::string reversedCigarText(const std::string& text) {
    std::string reversed;
    reversed.reserve(text.size());
    std::size_t end = text.size();
    while (end > 0) {
        // Each operation is its count's digits followed by its letter.
        std::size_t begin = end - 1;
        while (begin > 0 && text[begin - 1] >= '0' && text[begin - 1] <= '9') --begin;
        reversed.append(text, begin, end - begin);
        end = begin;
    }
    return reversed;
}

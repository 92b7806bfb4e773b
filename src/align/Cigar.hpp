#pragma once

#include <span>
#include <string>

// A CIGAR with the counts that tabular alignment formats print next to it.
// Operations: '=' same residue, 'X' different residues, 'I' residue of the
// first row (the query) against a gap, 'D' gap in the first row against a
// residue of the second.
struct Cigar {
    std::string text;
    long long matches = 0;
    long long mismatches = 0;
    long long insertedBases = 0;  // total length of the I operations
    long long insertionRuns = 0;  // number of I operations
    long long deletedBases = 0;
    long long deletionRuns = 0;
    long long columns = 0;  // alignment block length

    long long queryBases() const { return matches + mismatches + insertedBases; }
    long long targetBases() const { return matches + mismatches + deletedBases; }
    long long gapRuns() const { return insertionRuns + deletionRuns; }
};

// Builds a Cigar one operation at a time, merging neighbouring operations of
// the same kind, so that callers expanding collapsed stretches can add whole
// runs at once.
class CigarBuilder {
public:
    void add(char op, long long count);
    // The operation of one aligned column; a column with a gap in both rows
    // aligns nothing and is skipped.
    void addColumn(char a, char b);
    Cigar finish();

private:
    void flush();
    Cigar cigar_;
    char op_ = 0;
    long long count_ = 0;
};

// The CIGAR of two aligned rows of equal length, '-' marking a gap; residues
// are compared without regard to case.
Cigar makeCigar(std::span<const char> row1, std::span<const char> row2);

// The same operations read from the other end: the CIGAR of an alignment
// against a reverse complement, read along the other sequence's forward strand.
std::string reversedCigarText(const std::string& text);

// Whether two residues match, ignoring ASCII case (without tolower's locale
// lookup: rows are long).
inline bool sameResidue(char a, char b) {
    auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; };
    return fold(a) == fold(b);
}

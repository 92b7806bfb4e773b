#pragma once

#include <string>
#include <string_view>

// Which strands of sequence 2 a pair is aligned on: as given, its reverse
// complement, or both, keeping the better.
enum class Strand { kPlus, kMinus, kBoth };

// The reverse complement of a DNA sequence: IUPAC codes complemented (R<->Y,
// K<->M, B<->V, D<->H; S, W and N are their own), U read as T, case kept;
// any other character (the protein mask '*', digits) stays as it is.
std::string reverseComplement(std::string_view sequence);

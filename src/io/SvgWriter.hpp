#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>

#include "align/PairAlignment.hpp"

// Draws a pair as a dot plot: sequence 1 along the horizontal axis, sequence
// 2 downwards, every anchor as a segment shaded by its score (darker is
// higher), the global alignment as a thin path, and a caption with the names,
// lengths, score and identity. Plain SVG 1.1 without scripts.
void writeSvg(std::ostream& out, const PairAlignment& pair);

// The file name of a pair's picture: the pair number (from 1, at least four
// digits) and both names, with every character outside [A-Za-z0-9._-]
// replaced by '_' and each name cut to 80 characters to stay within file-name
// limits, e.g. "0001_HBA_vs_HBB.svg".
std::string svgFileName(std::size_t pairNumber, const std::string& name1, const std::string& name2);

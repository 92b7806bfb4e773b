#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "align/PairAlignment.hpp"
#include "output/PairFigures.hpp"

// Draws a pair as a dot plot a reader can take in without the manual:
// sequence 1 along the top, sequence 2 downwards, each axis titled with its
// sequence's name and length; mask runs as grey bands across both axes; the
// global alignment as a thin red path; every listed anchor along its own
// gapped path, coloured by score and drawn over the path; a legend; below, the
// percent identity of the global alignment in windows along sequence 1 with
// its conserved stretches; and captions that say what each count counts.
// Elements carry the classes axis, mask, path, anchor (one per anchor),
// identity and legend. Beyond a few thousand anchors the weakest are drawn
// together as one element of class anchor-rest, so that pictures stay small.
// Plain SVG 1.1, no scripts and no ids, so that several can share one page.
inline constexpr std::string_view kXmlDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
struct SvgOptions {
    bool standalone = true;  // with the XML declaration, for a file of its own
    const PairFigures* figures = nullptr;  // worked out here when not given
};
std::string svgText(const PairAlignment& pair, const SvgOptions& options = {});

// The file name of a pair's picture: the pair number (from 1, at least four
// digits) and both names, with every character outside [A-Za-z0-9._-]
// replaced by '_' and each name cut to kMaxNameInFileName characters, so that
// a listing stays readable, e.g. "0001_HBA_vs_HBB.svg". The number alone
// keeps the names of a run's pictures apart.
inline constexpr std::size_t kMaxNameInFileName = 40;
std::string svgFileName(std::size_t pairNumber, const std::string& name1, const std::string& name2);

// The maximum number of anchors drawn one by one.
inline constexpr std::size_t kMaxAnchorsDrawn = 3000;

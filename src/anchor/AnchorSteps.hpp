#pragma once

#include <vector>

#include "align/Cell.hpp"
#include "align/Segment.hpp"
#include "anchor/SearchContext.hpp"

class LocalScoreMatrix;

// The cells of the highest value (at least `cutoff`, which `best` receives)
// in `part`, row-major, into `candidates`; returns how many. A part shorter
// than the minimum length in either sequence is not searched. With `rescore`
// the part is first re-scored from a zero boundary; without, its cells must
// hold the scores of the region it shares its first row and column with.
int searchPart(LocalScoreMatrix& matrix, const Region& part, bool rescore, int cutoff,
               const AlignParameters& params, std::vector<Cell>& candidates, int& best);

// Groups conflicting segments, keeps one per group (the one whose flanks,
// up to the neighbouring groups or the region's corners, align best) and
// orders the kept ones along the sequences: `spans` becomes the kept
// segments, order[g] the input index kept at position g. Returns their count.
int groupSort(const SearchContext& context, const Region& region, std::vector<Region>& spans,
              std::vector<int>& order);

// An anchor whose two rows each hold at least three gap characters: only
// such anchors are re-aligned with affine gap costs.
bool isGappedAnchor(const Segment& anchor);

// Replaces a gapped anchor's rows and score; the two programs differ here.
void realignGappedAnchor(const SearchContext& context, Segment& anchor);

// realignGappedAnchor for every gapped anchor, side by side where the
// threads allow; the results are those of one anchor at a time.
void realignGappedAnchors(const SearchContext& context, std::vector<Segment>& anchors);

// The windowed re-alignment of an anchor's rows (torva): the stretches
// around its gap columns are aligned again with affine gaps, the rest kept.
// Returns the new score.
int reAlign(const SearchContext& context, std::vector<char>& row1, std::vector<char>& row2);

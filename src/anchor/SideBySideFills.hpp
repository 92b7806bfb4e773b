#pragma once

#include <functional>
#include <vector>

#include "anchor/SearchContext.hpp"

// Affine alignments of one pair that do not depend on one another (the
// stretches between anchors, the re-alignments of gapped anchors). Large ones
// go one at a time with every thread on their fills; the small ones, which a
// fill does not split, go side by side, a thread and an arena each. A small
// one that finds no memory beside the others is aligned again alone at the
// end: side by side must never fail a pair that fits one task at a time.
//
// align(task, context) aligns task `task` with `context` (its arena and its
// thread count); when it throws OutOfMemory it must leave the task as it
// found it, to be aligned again. `cells[task]` is the size of its fill.
using IndependentFill = std::function<void(int task, const SearchContext& context)>;
void alignIndependentFills(const SearchContext& context, const std::vector<long long>& cells,
                           const IndependentFill& align);

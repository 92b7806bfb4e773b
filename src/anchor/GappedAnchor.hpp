#pragma once

#include "align/Records.hpp"

// An anchor counts as gapped when each of its two rows holds at least three
// gap characters; only such anchors are re-aligned with affine gap costs.
inline bool isGappedAnchor(const f2pScore& r) {
    const auto span1 = static_cast<std::size_t>(r.f2p.second.i - r.f2p.first.i);
    const auto span2 = static_cast<std::size_t>(r.f2p.second.j - r.f2p.first.j);
    return r.align1.size() > span1 + 2 && r.align2.size() > span2 + 2;
}

// The affine row in 16-bit lanes wherever a stretch of the row allows it:
// twice the cells per instruction of the 32-bit kernel, with the same values
// and moves. Like VectorRows.cpp, this file includes itself once per
// instruction set Highway builds; each set's narrow row falls back on that
// set's 32-bit row (or the scalar one) for stretches that do not fit.
//
// Global values are not bounded the way local ones are: they drift with the
// row and fall far below zero off the diagonal. So a stretch of up to kSpan
// columns is measured first (the row above, the column left of it, its pair
// scores), and when every value the recurrence can form there lies within
// 65536 of each other, the stretch runs relative to a base taken from that
// range. The interface stays 32-bit: the callers keep their rows, and the
// stretch converts on the way in and out, in the first-level cache.
//
// Within a stretch the horizontal gap Q[c] = max(A[c], Q[c-1] + ext) takes
// its offsets out per vector: with R_l = l * -ext for lane l,
//   Q[c+l] + R_l = max(prefix max of A[c+t] + R_t, Q[c-1] + ext),
// a plain prefix maximum and a carry that is one maximum and one add. The
// offsets may exceed the int16 range as constants; the adds wrap modulo 2^16,
// which is exact whenever the true result fits, and the measurement makes
// sure that every result does.

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/GotohRowNarrow.cpp"
// The same targets as VectorRows.cpp: each narrow row calls its set's 32-bit row.
#ifndef HWY_DISABLED_TARGETS
#define HWY_DISABLED_TARGETS \
    (HWY_SSSE3 | HWY_SVE | HWY_SVE2 | HWY_SVE_256 | HWY_SVE2_128 | HWY_RVV)
#endif
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "kernels/GotohRow.hpp"
#include "kernels/GotohRowNarrow.hpp"

HWY_BEFORE_NAMESPACE();
namespace torva_kernels {
namespace HWY_NAMESPACE {
#if HWY_TARGET == HWY_SCALAR || HWY_TARGET == HWY_EMU128

void GotohRowNarrow(const int* scores, int m, int gapOpen, int gapExt, GotohRowStates prev,
                    GotohRowStates cur, std::uint8_t* moves) {
    gotohFillRowScalar(scores, m, gapOpen, gapExt, prev, cur, moves);
}

#else

// The 32-bit row of this instruction set (VectorRows.cpp).
void GotohRow(const int* scores, int m, int gapOpen, int gapExt, GotohRowStates prev,
              GotohRowStates cur, std::uint8_t* moves);

namespace hn = hwy::HWY_NAMESPACE;
using D16 = hn::ScalableTag<std::int16_t>;
using V16 = hn::Vec<D16>;
using D32 = hn::Repartition<std::int32_t, D16>;
using V32 = hn::Vec<D32>;
constexpr int kLanes = static_cast<int>(hn::MaxLanes(D16()));
static_assert(kLanes >= 8 && kLanes <= 32, "scan written for 8 to 32 lanes");

// Columns per stretch: short enough that its range usually fits 16 bits with
// costly gaps (512 extensions of 25 span 12800), long enough that measuring
// and converting stay a small part of it.
constexpr int kSpan = 512;
static_assert(kSpan % kLanes == 0, "stretches hold whole vectors");
constexpr int kBuf = kSpan + 2 * kLanes;

inline std::int16_t wrap16(long long v) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<unsigned long long>(v)));
}

// Prefix maximum over 16-bit lanes without offsets. Steps by 1, 2 and 4
// lanes stay in each 128-bit block (a lane with nothing below keeps itself);
// whole-block steps pass each block's last lane on, and a cap of INT16_MIN
// keeps blocks with nothing below them from taking anything.
struct PlainScan16 {
    using Idx32 = decltype(hn::SetTableIndices(D32(), static_cast<const std::int32_t*>(nullptr)));
    static constexpr std::size_t kBlocks = static_cast<std::size_t>(kLanes) / 8;
    static constexpr std::size_t kBlockSteps = kBlocks == 4 ? 2 : kBlocks == 2 ? 1 : 0;
    V16 inBlock[3];
    Idx32 block[2];
    V16 cap[2];
    V16 highHalf;  // byte indices: lane 1 of the block, where a whole-block step leaves the last lane
    Idx32 last;

    PlainScan16() {
        const D16 d;
        const D32 d32;
        const hn::Repartition<std::uint8_t, D16> d8;
        constexpr std::size_t kLanes32 = static_cast<std::size_t>(kLanes) / 2;
        HWY_ALIGN std::uint8_t bytes[2 * kLanes];
        HWY_ALIGN std::int16_t caps[kLanes];
        HWY_ALIGN std::int32_t idx[kLanes32];
        for (int s = 0; s < 3; ++s) {
            const int k = 1 << s;
            for (int l = 0; l < kLanes; ++l) {
                const int r = l % 8;
                const int src = r >= k ? r - k : r;
                bytes[2 * l] = static_cast<std::uint8_t>(2 * src);
                bytes[2 * l + 1] = static_cast<std::uint8_t>(2 * src + 1);
            }
            inBlock[s] = hn::BitCast(d, hn::Load(d8, bytes));
        }
        for (int l = 0; l < kLanes; ++l) {
            bytes[2 * l] = 2;
            bytes[2 * l + 1] = 3;
        }
        highHalf = hn::BitCast(d, hn::Load(d8, bytes));
        for (std::size_t s = 0; s < 2; ++s) {
            const int shiftBlocks = 1 << s;
            for (std::size_t l = 0; l < kLanes32; ++l) {
                const int b = static_cast<int>(l / 4);
                idx[l] = s < kBlockSteps && b >= shiftBlocks ? 4 * (b - shiftBlocks) + 3 : static_cast<int>(l);
            }
            block[s] = hn::SetTableIndices(d32, idx);
            for (int l = 0; l < kLanes; ++l) caps[l] = l / 8 >= shiftBlocks ? INT16_MAX : INT16_MIN;
            cap[s] = hn::Load(d, caps);
        }
        for (std::size_t l = 0; l < kLanes32; ++l) idx[l] = static_cast<std::int32_t>(kLanes32 - 1);
        last = hn::SetTableIndices(d32, idx);
    }

    HWY_INLINE V16 fromBlocks(V16 x, Idx32 idx) const {
        const D16 d;
        const D32 d32;
        return hn::TableLookupBytes(hn::BitCast(d, hn::TableLookupLanes(hn::BitCast(d32, x), idx)), highHalf);
    }

    HWY_INLINE V16 lastLane(V16 x) const { return fromBlocks(x, last); }

    HWY_INLINE V16 prefixMax(V16 x) const {
        for (int s = 0; s < 3; ++s) x = hn::Max(x, hn::TableLookupBytes(x, inBlock[s]));
        if constexpr (kBlockSteps > 0) x = hn::Max(x, hn::Min(fromBlocks(x, block[0]), cap[0]));
        if constexpr (kBlockSteps > 1) x = hn::Max(x, hn::Min(fromBlocks(x, block[1]), cap[1]));
        return x;
    }
};

// The range of a stretch's inputs: column 0 of the window (the row above's
// and the row's own, left of the stretch) apart from columns 1..L, so that a
// stretch held back only by its left edge (column 0 of the matrix, which
// holds kImpossible) can take one column in 32 bits and go on narrow.
struct StretchRange {
    long long edgeMin, edgeMax, innerMin, innerMax, scoreMin, scoreMax;
};

StretchRange measure(const int* scores, int len, GotohRowStates prev, GotohRowStates cur) {
    const D32 d32;
    const int lanes32 = static_cast<int>(hn::Lanes(d32));
    V32 lo = hn::LoadU(d32, prev.d + 1), hi = lo;
    V32 slo = hn::LoadU(d32, scores + 1), shi = slo;
    for (int t = 1; t <= len; t += lanes32) {
        const V32 vd = hn::LoadU(d32, prev.d + t), vp = hn::LoadU(d32, prev.p + t);
        const V32 vq = hn::LoadU(d32, prev.q + t), vs = hn::LoadU(d32, scores + t);
        lo = hn::Min(lo, hn::Min(vd, hn::Min(vp, vq)));
        hi = hn::Max(hi, hn::Max(vd, hn::Max(vp, vq)));
        slo = hn::Min(slo, vs);
        shi = hn::Max(shi, vs);
    }
    const long long edgeMin = std::min({prev.d[0], prev.p[0], prev.q[0], cur.d[0], cur.p[0], cur.q[0]});
    const long long edgeMax = std::max({prev.d[0], prev.p[0], prev.q[0], cur.d[0], cur.p[0], cur.q[0]});
    return {edgeMin, edgeMax, hn::GetLane(hn::MinOfLanes(d32, lo)), hn::GetLane(hn::MaxOfLanes(d32, hi)),
            hn::GetLane(hn::MinOfLanes(d32, slo)), hn::GetLane(hn::MaxOfLanes(d32, shi))};
}

// Whether every value a stretch forms from inputs in [mn, mx] fits 16 bits
// relative to one base, and that base. Every pair, gap and carry value lies
// in [mn + min(score, 0) + 3 g, mx + max(score, 0) + lanes * -ext], g the
// costlier gap (see the stretch's steps).
bool baseFor(long long mn, long long mx, const StretchRange& r, int gapOpen, int gapExt, int& base) {
    const long long g = std::min(gapOpen, gapExt);
    const long long lo = mn + std::min(r.scoreMin, 0LL) + 3 * g;
    const long long hi = mx + std::max(r.scoreMax, 0LL) + static_cast<long long>(kLanes) * -gapExt;
    if (hi - lo > 65535 || r.scoreMin < INT16_MIN || r.scoreMax > INT16_MAX) return false;
    base = static_cast<int>(lo - INT16_MIN);
    return true;
}

// 32-bit values minus `base` into 16 bits, entries 0..count-1 (every result fits).
void narrowInto(const int* from, int count, int base, std::int16_t* to) {
    const D16 d;
    const D32 d32;
    const hn::Rebind<std::int16_t, D32> dh;
    const V32 b = hn::Set(d32, base);
    const int lanes32 = static_cast<int>(hn::Lanes(d32));
    int t = 0;
    for (; t + kLanes <= count; t += kLanes) {
        const V32 lo = hn::Sub(hn::LoadU(d32, from + t), b);
        const V32 hi = hn::Sub(hn::LoadU(d32, from + t + lanes32), b);
        hn::StoreU(hn::Combine(d, hn::DemoteTo(dh, hi), hn::DemoteTo(dh, lo)), d, to + t);
    }
    for (; t < count; ++t) to[t] = static_cast<std::int16_t>(from[t] - base);
}

// 16-bit values plus `base` back into 32 bits, one vector.
HWY_INLINE void widen(V16 v, const V32 base, int* to) {
    const D32 d32;
    const hn::Half<D16> dh;
    hn::StoreU(hn::Add(hn::PromoteTo(d32, hn::LowerHalf(dh, v)), base), d32, to);
    hn::StoreU(hn::Add(hn::PromoteTo(d32, hn::UpperHalf(dh, v)), base), d32, to + hn::Lanes(d32));
}

// Columns 1..len of the window (len a multiple of kLanes), whose values all
// fit 16 bits relative to `base`. Three sweeps, as in the 32-bit kernel: the
// pair and vertical-gap states from the row above; the horizontal gap along
// the row; then the horizontal moves, which need the finished Q of the
// column before, and the values back into 32 bits.
template <bool kTrace>
void narrowStretch(const int* scores, int len, int gapOpen, int gapExt, GotohRowStates prev,
                   GotohRowStates cur, std::uint8_t* mrow, int base, const PlainScan16& tables) {
    // A copy stays in registers; a store to the buffers below could, for all
    // the compiler knows, change the shared tables.
    const PlainScan16 scan = tables;
    const D16 d;
    const D32 d32;
    HWY_ALIGN std::int16_t pd[kBuf], pp[kBuf], pq[kBuf], sc[kBuf];
    HWY_ALIGN std::int16_t cd[kBuf], cp[kBuf], cq[kBuf], a[kBuf];
    HWY_ALIGN std::int16_t codes[kTrace ? kBuf : 1];
    narrowInto(prev.d, len + 1, base, pd);
    narrowInto(prev.p, len + 1, base, pp);
    narrowInto(prev.q, len + 1, base, pq);
    narrowInto(scores, len + 1, 0, sc);
    cd[0] = static_cast<std::int16_t>(cur.d[0] - base);
    cp[0] = static_cast<std::int16_t>(cur.p[0] - base);
    cq[0] = static_cast<std::int16_t>(cur.q[0] - base);

    const V16 openV = hn::Set(d, wrap16(gapOpen)), extV = hn::Set(d, wrap16(gapExt));
    const V16 one = hn::Set(d, std::int16_t{1}), two = hn::Set(d, std::int16_t{2});
    const V16 four = hn::Set(d, std::int16_t{4}), eight = hn::Set(d, std::int16_t{8});
    const V16 sixteen = hn::Set(d, std::int16_t{16}), thirtyTwo = hn::Set(d, std::int16_t{32});

    // A[t] = max(D, P)[t - 1] + open, the opening candidate of Q at column t.
    a[1] = static_cast<std::int16_t>(std::max(cd[0], cp[0]) + gapOpen);
    for (int t = 1; t <= len; t += kLanes) {
        const V16 d0 = hn::LoadU(d, pd + t - 1), p0 = hn::LoadU(d, pp + t - 1);
        const V16 q0 = hn::LoadU(d, pq + t - 1);
        const V16 dp = hn::Max(d0, p0);
        const V16 dv = hn::Add(hn::Max(q0, dp), hn::LoadU(d, sc + t));
        hn::StoreU(dv, d, cd + t);
        const V16 dUp = hn::LoadU(d, pd + t), qUp = hn::LoadU(d, pq + t);
        const V16 pe = hn::Add(hn::LoadU(d, pp + t), extV);
        const V16 po = hn::Add(hn::Max(dUp, qUp), openV);
        const V16 pv = hn::Max(pe, po);
        hn::StoreU(pv, d, cp + t);
        hn::StoreU(hn::Add(hn::Max(dv, pv), openV), d, a + t + 1);
        if constexpr (kTrace) {
            const V16 md = hn::IfThenElse(hn::Gt(q0, dp), two, hn::IfThenElseZero(hn::Gt(p0, d0), one));
            const V16 mp = hn::IfThenElse(hn::Gt(po, pe), hn::IfThenElseZero(hn::Gt(qUp, dUp), eight), four);
            hn::StoreU(hn::Or(md, mp), d, codes + t);
        }
    }

    HWY_ALIGN std::int16_t ramp[kLanes];
    for (int l = 0; l < kLanes; ++l) ramp[l] = wrap16(static_cast<long long>(l) * -gapExt);
    const V16 laneRamp = hn::Load(d, ramp);
    const V16 vectorExt = hn::Set(d, wrap16(static_cast<long long>(kLanes) * gapExt));
    V16 carry = hn::Set(d, static_cast<std::int16_t>(cq[0] + gapExt));  // Q before the vector, plus ext
    for (int t = 1; t <= len; t += kLanes) {
        const V16 x = scan.prefixMax(hn::Add(hn::LoadU(d, a + t), laneRamp));
        const V16 q = hn::Max(x, carry);
        hn::StoreU(hn::Sub(q, laneRamp), d, cq + t);
        carry = hn::Add(scan.lastLane(q), vectorExt);
    }

    const V32 baseV = hn::Set(d32, base);
    const hn::Rebind<std::uint8_t, D16> d8;
    for (int t = 1; t <= len; t += kLanes) {
        if constexpr (kTrace) {
            // Extending wins ties; then opening after a pair.
            const V16 qe = hn::Add(hn::LoadU(d, cq + t - 1), extV);
            const auto fromP = hn::Gt(hn::LoadU(d, cp + t - 1), hn::LoadU(d, cd + t - 1));
            const V16 mq = hn::IfThenElse(hn::Gt(hn::LoadU(d, a + t), qe), hn::IfThenElseZero(fromP, sixteen),
                                          thirtyTwo);
            hn::StoreU(hn::DemoteTo(d8, hn::Or(hn::LoadU(d, codes + t), mq)), d8, mrow + t);
        }
        widen(hn::LoadU(d, cd + t), baseV, cur.d + t);
        widen(hn::LoadU(d, cp + t), baseV, cur.p + t);
        widen(hn::LoadU(d, cq + t), baseV, cur.q + t);
    }
}

template <bool kTrace>
void narrowRow(const int* scores, int m, int gapOpen, int gapExt, GotohRowStates prev,
               GotohRowStates cur, std::uint8_t* mrow) {
    // Gap costs are costs; anything else takes the 32-bit row as it stands.
    if (gapOpen > 0 || gapExt > 0 || m < kLanes) {
        GotohRow(scores, m, gapOpen, gapExt, prev, cur, mrow);
        return;
    }
    static const PlainScan16 scan;
    const auto at = [](GotohRowStates r, int c) { return GotohRowStates{r.d + c, r.p + c, r.q + c}; };
    int j = 1;  // the first column not filled yet
    bool stepped = false;
    while (j <= m) {
        const int len = std::min(kSpan, (m - j + 1) / kLanes * kLanes);
        const GotohRowStates above = at(prev, j - 1), here = at(cur, j - 1);
        const int* s = scores + j - 1;
        std::uint8_t* mv = kTrace ? mrow + j - 1 : nullptr;
        if (len == 0) {
            GotohRow(s, m - j + 1, gapOpen, gapExt, above, here, mv);
            return;
        }
        const StretchRange r = measure(s, len, above, here);
        int base = 0;
        if (baseFor(std::min(r.edgeMin, r.innerMin), std::max(r.edgeMax, r.innerMax), r, gapOpen, gapExt, base)) {
            narrowStretch<kTrace>(s, len, gapOpen, gapExt, above, here, mv, base, scan);
            j += len;
            stepped = false;
        } else if (!stepped && baseFor(r.innerMin, r.innerMax, r, gapOpen, gapExt, base)) {
            gotohFillRowScalar(s, 1, gapOpen, gapExt, above, here, mv);
            j += 1;
            stepped = true;
        } else {
            GotohRow(s, len, gapOpen, gapExt, above, here, mv);
            j += len;
            stepped = false;
        }
    }
}

void GotohRowNarrow(const int* scores, int m, int gapOpen, int gapExt, GotohRowStates prev,
                    GotohRowStates cur, std::uint8_t* moves) {
    if (moves) {
        narrowRow<true>(scores, m, gapOpen, gapExt, prev, cur, moves);
    } else {
        narrowRow<false>(scores, m, gapOpen, gapExt, prev, cur, nullptr);
    }
}

#endif
}  // namespace HWY_NAMESPACE
}  // namespace torva_kernels
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace torva_kernels {
HWY_EXPORT(GotohRowNarrow);
}  // namespace torva_kernels

GotohRowFn gotohRowNarrowEntry(std::size_t entry) {
    return torva_kernels::HWY_DISPATCH_TABLE(GotohRowNarrow)[entry];
}
#endif

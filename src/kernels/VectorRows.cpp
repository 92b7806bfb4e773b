// Vector variants of the two row kernels, 32-bit lanes. This file includes
// itself once per instruction set Highway builds for the architecture (sse4,
// avx2, avx512 on x86-64; neon on arm64, ...) through its per-target
// attributes, so no compile flag raises the baseline and one binary runs on
// every processor of the architecture. Highway's dispatch tables hold the
// variants; its portable fallback entry is the scalar kernel.
//
// Both kernels share one idea: the only dependence along a row has the form
//   X[j] = max(A[j], X[j-1] + g)        with g <= 0,
// whose solution is X[j] = max over t <= j of A[t] + (j - t) * g. Within a
// vector that is a prefix maximum taken in log2(lanes) steps,
//   x = max(x, x shifted up by k lanes + k * g),
// and the value carried in from the previous vector only enters at the end,
// offset by (lane + 1) * g. The carry for the next vector is
// max(last lane of the in-vector scan, carry + lanes * g): two scalar-latency
// operations, so successive vectors overlap instead of waiting on a full scan.
// Lanes with nothing k lanes below them take lane 0 of their block (or keep
// themselves) instead of a shifted-in constant: the scan so far already holds
// that value plus a smaller multiple of g, so they lose without a blend and
// without a sentinel that could wrap around. The affine kernel takes the
// offsets out of the values first (see MaxScan), which leaves a plain prefix
// maximum and a carry that is one maximum.

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/VectorRows.cpp"
// SSSE3 would only duplicate sse4 under another name. Vectors whose size the
// processor decides (SVE, RISC-V V) cannot be members of the scan's tables
// below; arm64 processors with SVE run the neon set.
#ifndef HWY_DISABLED_TARGETS
#define HWY_DISABLED_TARGETS \
    (HWY_SSSE3 | HWY_SVE | HWY_SVE2 | HWY_SVE_256 | HWY_SVE2_128 | HWY_RVV)
#endif
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "kernels/GotohRow.hpp"
#include "kernels/LocalRow.hpp"

HWY_BEFORE_NAMESPACE();
namespace torva_kernels {
namespace HWY_NAMESPACE {
#if HWY_TARGET == HWY_SCALAR || HWY_TARGET == HWY_EMU128

// Targets without vector registers: the plain kernels.
int LocalRow(const int* prev, int* cur, const int* scores, int n, int gap, std::uint8_t* choices) {
    return localFillRowScalar(prev, cur, scores, n, gap, choices);
}
int LocalRow16(const std::int16_t* prev, std::int16_t* cur, const std::int16_t* scores, int n,
               int gap, std::uint8_t* choices) {
    return localFillRow16Scalar(prev, cur, scores, n, gap, choices);
}
void GotohRow(const int* scores, int m, int gapOpen, int gapExt, GotohRowStates prev,
              GotohRowStates cur, std::uint8_t* moves) {
    gotohFillRowScalar(scores, m, gapOpen, gapExt, prev, cur, moves);
}
int FindEqual(const int* values, int count, int target, int* positions) {
    return findEqualScalar(values, count, target, positions);
}
void PackChoices(const std::uint8_t* choices, std::size_t bytes, std::uint8_t* out) {
    packChoicesScalar(choices, bytes, out);
}

#else

namespace hn = hwy::HWY_NAMESPACE;
using D = hn::ScalableTag<std::int32_t>;
using V = hn::Vec<D>;
constexpr std::size_t kLanes = hn::MaxLanes(D());
static_assert(kLanes >= 4 && kLanes <= 16, "scan written for 4 to 16 lanes");

// Local values lie in [0, INT_MAX / 4]; any offset below -2^30 already makes a
// candidate negative, so it loses to the zero floor either way. Clamping keeps
// k * gap from wrapping for extreme gap costs.
constexpr long long kOffsetFloor = -(1LL << 30);

inline int clampedStep(long long k, int gap) {
    const long long v = k * gap;
    return static_cast<int>(v < kOffsetFloor ? kOffsetFloor : v);
}

// Byte indices that move each lane of a 128-bit block up by 2^s lanes, lane 0
// of the block standing in for the lanes with nothing below them.
V shiftInBlock(int s) {
    HWY_ALIGN std::int32_t idx[kLanes];
    const int k = 1 << s;
    for (std::size_t l = 0; l < kLanes; ++l) {
        const int r = static_cast<int>(l % 4);
        const int src = r >= k ? r - k : 0;
        // Little-endian bytes 4 * src .. 4 * src + 3 of the block.
        idx[l] = static_cast<std::int32_t>(0x03020100u + 0x04040404u * static_cast<unsigned>(src));
    }
    return hn::Load(D(), idx);
}

// The lane that lane l takes in whole-block step s: the last lane of the block
// 2^s blocks down, or itself when there is none.
int blockSource(std::size_t l, std::size_t s) {
    const int lane = static_cast<int>(l), b = lane / 4;
    const int shiftBlocks = 1 << s;
    return b >= shiftBlocks ? 4 * (b - shiftBlocks) + 3 : lane;
}

// Lane shifts and offsets of the prefix-maximum scan for one gap cost. The
// steps by 1 and 2 lanes stay inside each 128-bit block, where a byte shuffle
// is a single cheap instruction; whole-block steps then pass each block's last
// lane on to the next blocks, a full cross-lane permute only for those.
struct Scan {
    using Idx = decltype(hn::SetTableIndices(D(), static_cast<const std::int32_t*>(nullptr)));
    static constexpr std::size_t kBlockSteps = kLanes == 16 ? 2 : kLanes == 8 ? 1 : 0;
    V inBlock[2];     // byte indices: shift by 1, 2 lanes, lane 0 of the block repeated
    V inStep[2];      // 1, 2 times the gap
    Idx block[2];     // from the last lane of the block 1, 2 blocks down, or itself
    V blockStep[2];   // distance times the gap, 0 for lanes that keep themselves
    V carryStep;      // carry offset per lane
    V vectorStep;     // lanes times the gap
    Idx last;         // broadcasts the last lane

    // The local kernel's tables: carry offsets from one lane on, clamped.
    explicit Scan(int gap) : Scan(gap, 1, true) {}
    // carryFrom: lane l of the carry term gets (l + carryFrom) * gap.
    Scan(int gap, int carryFrom, bool clamp) {
        const D d;
        const auto times = [&](long long k) {
            return clamp ? clampedStep(k, gap) : static_cast<int>(k * gap);
        };
        HWY_ALIGN std::int32_t idx[kLanes];
        HWY_ALIGN std::int32_t off[kLanes];
        for (int s = 0; s < 2; ++s) {
            inBlock[s] = shiftInBlock(s);
            inStep[s] = hn::Set(d, times(1 << s));
        }
        for (std::size_t s = 0; s < 2; ++s) {
            for (std::size_t l = 0; l < kLanes; ++l) {
                const int src = blockSource(l, s);
                idx[l] = s < kBlockSteps ? src : 0;
                off[l] = times(static_cast<int>(l) - src);
            }
            block[s] = hn::SetTableIndices(d, idx);
            blockStep[s] = hn::Load(d, off);
        }
        for (std::size_t l = 0; l < kLanes; ++l) {
            off[l] = times(static_cast<long long>(l) + carryFrom);
            idx[l] = static_cast<std::int32_t>(kLanes - 1);
        }
        carryStep = hn::Load(d, off);
        last = hn::SetTableIndices(d, idx);
        vectorStep = hn::Set(d, times(static_cast<long long>(kLanes)));
    }

    HWY_INLINE V prefixMax(V x) const {
        x = hn::Max(x, hn::Add(hn::TableLookupBytes(x, inBlock[0]), inStep[0]));
        x = hn::Max(x, hn::Add(hn::TableLookupBytes(x, inBlock[1]), inStep[1]));
        if constexpr (kBlockSteps > 0) x = hn::Max(x, hn::Add(hn::TableLookupLanes(x, block[0]), blockStep[0]));
        if constexpr (kBlockSteps > 1) x = hn::Max(x, hn::Add(hn::TableLookupLanes(x, block[1]), blockStep[1]));
        return x;
    }
};

HWY_INLINE void storeBytes(V codes, std::uint8_t* out) {
    const hn::Rebind<std::uint8_t, D> d8;
    hn::StoreU(hn::DemoteTo(d8, codes), d8, out);
}

// Columns from..n that do not fill a vector: the scalar kernel itself, over
// the window whose column 0 is column from - 1.
int localTail(const int* prev, int* cur, const int* scores, int from, int n, int gap,
              std::uint8_t* choices, int rowMax) {
    if (from > n) return rowMax;
    const int tailMax = localFillRowScalar(prev + from - 1, cur + from - 1, scores + from - 1,
                                           n - from + 1, gap, choices ? choices + from - 1 : nullptr);
    return tailMax > rowMax ? tailMax : rowMax;
}

// The scan tables of the last gap cost this thread used: a fill calls the
// local kernels a chunk of a row at a time, always with one gap cost, and
// building the tables costs as much as a few hundred cells. Callers copy
// them: a local copy stays in registers, while a store to the row could, for
// all the compiler knows, change the thread's.
template <class Tables>
const Tables& tablesFor(int gap) {
    thread_local struct Cached {
        int gap;
        Tables tables;
    } cached{gap, Tables(gap)};
    if (cached.gap != gap) cached = Cached{gap, Tables(gap)};
    return cached.tables;
}

template <bool kChoices>
int localVector(const int* prev, int* cur, const int* scores, int n, int gap,
                std::uint8_t* choices) {
    const D d;
    const Scan scan = tablesFor<Scan>(gap);
    const V gapV = hn::Set(d, gap), zero = hn::Zero(d);
    const V one = hn::Set(d, 1), two = hn::Set(d, 2), three = hn::Set(d, 3);
    // A vector whose values, and the value carried in, are all at most -gap
    // cannot gain from the left: every horizontal candidate is <= 0 <= the
    // cell. Most of a matrix is like that when the gap is costly, and such a
    // vector skips the scan.
    const V noGain = hn::Set(d, static_cast<int>(std::min(-static_cast<long long>(gap), 2147483647LL)));
    // The column left of the stretch: 0 on a zero boundary, a neighbouring
    // strip's score otherwise.
    bool carryMayGain = static_cast<long long>(cur[0]) + gap > 0;
    V carry = hn::Set(d, cur[0]);
    V best = zero;
    int j = 1;
    for (; j + static_cast<int>(kLanes) - 1 <= n; j += static_cast<int>(kLanes)) {
        const V diag = hn::Add(hn::LoadU(d, prev + j - 1), hn::LoadU(d, scores + j));
        const V up = hn::Add(hn::LoadU(d, prev + j), gapV);
        const V t = hn::Max(hn::Max(diag, up), zero);
        V h;
        if (!carryMayGain && hn::AllFalse(d, hn::Gt(t, noGain))) {
            h = t;
            carry = hn::TableLookupLanes(t, scan.last);
        } else {
            const V x = scan.prefixMax(t);
            h = hn::Max(x, hn::Add(carry, scan.carryStep));
            carry = hn::Max(hn::TableLookupLanes(x, scan.last), hn::Add(carry, scan.vectorStep));
            carryMayGain = hn::GetLane(carry) + gap > 0;
        }
        hn::StoreU(h, d, cur + j);
        best = hn::Max(best, h);
        if constexpr (kChoices) {
            V c = hn::IfThenElse(hn::Eq(h, up), two, three);
            c = hn::IfThenElse(hn::Eq(h, diag), one, c);
            storeBytes(hn::IfThenZeroElse(hn::Eq(h, zero), c), choices + j);
        }
    }
    const int rowMax = hn::GetLane(hn::MaxOfLanes(d, best));
    return localTail(prev, cur, scores, j, n, gap, choices, rowMax);
}

int LocalRow(const int* prev, int* cur, const int* scores, int n, int gap,
             std::uint8_t* choices) {
    return choices ? localVector<true>(prev, cur, scores, n, gap, choices)
                   : localVector<false>(prev, cur, scores, n, gap, nullptr);
}

// The local row in 16-bit lanes: twice the cells of the 32-bit kernel per
// instruction, for rows whose values the caller has found to fit
// (localRowFits16). The same scan, with two differences. A block holds eight
// lanes, so the in-block steps go by 1, 2 and 4 lanes; and every offset sum
// saturates, lanes with nothing below them taking an offset of INT16_MIN. All
// values scanned are at least 0, so a candidate that saturates at the bottom
// is negative, as its exact value is, and loses to the lane's own value; at
// the top the guard leaves no room to saturate.
using D16 = hn::ScalableTag<std::int16_t>;
using V16 = hn::Vec<D16>;
using D32 = hn::Repartition<std::int32_t, D16>;
constexpr std::size_t kLanes16 = hn::MaxLanes(D16());
static_assert(kLanes16 >= 8 && kLanes16 <= 32, "16-bit scan written for 8 to 32 lanes");

inline std::int16_t saturated16(long long v) {
    return static_cast<std::int16_t>(v < INT16_MIN ? INT16_MIN : v > INT16_MAX ? INT16_MAX : v);
}

struct Scan16 {
    using Idx32 = decltype(hn::SetTableIndices(D32(), static_cast<const std::int32_t*>(nullptr)));
    static constexpr std::size_t kBlocks = kLanes16 / 8;
    static constexpr std::size_t kBlockSteps = kBlocks == 4 ? 2 : kBlocks == 2 ? 1 : 0;
    V16 inBlock[3];    // byte indices: shift by 1, 2, 4 lanes within the block
    V16 inStep[3];     // 1, 2, 4 times the gap; INT16_MIN where nothing is below
    Idx32 block[2];    // every 32-bit lane takes the block's last one 1, 2 blocks down
    V16 highHalf;      // byte indices: the upper 16 bits of the block's first 32-bit lane
    V16 blockStep[2];  // distance times the gap; INT16_MIN for blocks with none below
    V16 carryStep;     // (lane + 1) times the gap
    V16 vectorStep;    // lanes times the gap
    Idx32 last;        // broadcasts the last 32-bit lane

    explicit Scan16(int gap) {
        const D16 d;
        const D32 d32;
        const hn::Repartition<std::uint8_t, D16> d8;
        constexpr std::size_t kLanes32 = kLanes16 / 2;
        const auto times = [&](long long k) { return saturated16(k * gap); };
        HWY_ALIGN std::uint8_t bytes[2 * kLanes16];
        HWY_ALIGN std::int16_t off[kLanes16];
        HWY_ALIGN std::int32_t idx[kLanes32];
        for (int s = 0; s < 3; ++s) {
            const int k = 1 << s;
            for (std::size_t l = 0; l < kLanes16; ++l) {
                const int r = static_cast<int>(l % 8);
                const int src = r >= k ? r - k : r;
                bytes[2 * l] = static_cast<std::uint8_t>(2 * src);
                bytes[2 * l + 1] = static_cast<std::uint8_t>(2 * src + 1);
                off[l] = r >= k ? times(k) : INT16_MIN;
            }
            inBlock[s] = hn::BitCast(d, hn::Load(d8, bytes));
            inStep[s] = hn::Load(d, off);
        }
        for (std::size_t l = 0; l < kLanes16; ++l) {
            bytes[2 * l] = 2;
            bytes[2 * l + 1] = 3;
        }
        highHalf = hn::BitCast(d, hn::Load(d8, bytes));
        for (std::size_t s = 0; s < 2; ++s) {
            const int shiftBlocks = 1 << s;
            for (std::size_t l = 0; l < kLanes32; ++l) {
                const int b = static_cast<int>(l / 4);
                idx[l] = s < kBlockSteps ? (b >= shiftBlocks ? 4 * (b - shiftBlocks) + 3 : static_cast<int>(l)) : 0;
            }
            block[s] = hn::SetTableIndices(d32, idx);
            for (std::size_t l = 0; l < kLanes16; ++l) {
                const int lane = static_cast<int>(l), b = lane / 8;
                off[l] = b >= shiftBlocks ? times(lane - (8 * (b - shiftBlocks) + 7)) : INT16_MIN;
            }
            blockStep[s] = hn::Load(d, off);
        }
        for (std::size_t l = 0; l < kLanes16; ++l) off[l] = times(static_cast<long long>(l) + 1);
        carryStep = hn::Load(d, off);
        vectorStep = hn::Set(d, times(static_cast<long long>(kLanes16)));
        for (std::size_t l = 0; l < kLanes32; ++l) idx[l] = static_cast<std::int32_t>(kLanes32 - 1);
        last = hn::SetTableIndices(d32, idx);
    }

    // Every lane takes the last lane of the block `idx` picks for it.
    HWY_INLINE V16 fromBlocks(V16 x, Idx32 idx) const {
        const D16 d;
        const D32 d32;
        return hn::TableLookupBytes(hn::BitCast(d, hn::TableLookupLanes(hn::BitCast(d32, x), idx)), highHalf);
    }

    HWY_INLINE V16 lastLane(V16 x) const { return fromBlocks(x, last); }

    HWY_INLINE V16 prefixMax(V16 x) const {
        for (int s = 0; s < 3; ++s)
            x = hn::Max(x, hn::SaturatedAdd(hn::TableLookupBytes(x, inBlock[s]), inStep[s]));
        if constexpr (kBlockSteps > 0) x = hn::Max(x, hn::SaturatedAdd(fromBlocks(x, block[0]), blockStep[0]));
        if constexpr (kBlockSteps > 1) x = hn::Max(x, hn::SaturatedAdd(fromBlocks(x, block[1]), blockStep[1]));
        return x;
    }
};

template <bool kChoices>
int localVector16(const std::int16_t* prev, std::int16_t* cur, const std::int16_t* scores, int n,
                  int gap, std::uint8_t* choices) {
    const D16 d;
    const Scan16 scan = tablesFor<Scan16>(gap);
    const V16 gapV = hn::Set(d, saturated16(gap)), zero = hn::Zero(d);
    const V16 one = hn::Set(d, std::int16_t{1}), two = hn::Set(d, std::int16_t{2});
    const V16 three = hn::Set(d, std::int16_t{3});
    // As in the 32-bit kernel: a vector that cannot gain from the left skips the scan.
    const V16 noGain = hn::Set(d, saturated16(-static_cast<long long>(gap)));
    bool carryMayGain = static_cast<long long>(cur[0]) + gap > 0;
    V16 carry = hn::Set(d, cur[0]);
    V16 best = zero;
    const int lanes = static_cast<int>(kLanes16);
    int j = 1;
    for (; j + lanes - 1 <= n; j += lanes) {
        const V16 diag = hn::SaturatedAdd(hn::LoadU(d, prev + j - 1), hn::LoadU(d, scores + j));
        const V16 up = hn::SaturatedAdd(hn::LoadU(d, prev + j), gapV);
        const V16 t = hn::Max(hn::Max(diag, up), zero);
        V16 h;
        if (!carryMayGain && hn::AllFalse(d, hn::Gt(t, noGain))) {
            h = t;
            carry = scan.lastLane(t);
        } else {
            const V16 x = scan.prefixMax(t);
            h = hn::Max(x, hn::SaturatedAdd(carry, scan.carryStep));
            carry = hn::Max(scan.lastLane(x), hn::SaturatedAdd(carry, scan.vectorStep));
            carryMayGain = static_cast<long long>(hn::GetLane(carry)) + gap > 0;
        }
        hn::StoreU(h, d, cur + j);
        best = hn::Max(best, h);
        if constexpr (kChoices) {
            V16 c = hn::IfThenElse(hn::Eq(h, up), two, three);
            c = hn::IfThenElse(hn::Eq(h, diag), one, c);
            const hn::Rebind<std::uint8_t, D16> d8;
            hn::StoreU(hn::DemoteTo(d8, hn::IfThenZeroElse(hn::Eq(h, zero), c)), d8, choices + j);
        }
    }
    int rowMax = hn::GetLane(hn::MaxOfLanes(d, best));
    if (j <= n) {
        const int tailMax = localFillRow16Scalar(prev + j - 1, cur + j - 1, scores + j - 1, n - j + 1, gap,
                                                 kChoices ? choices + j - 1 : nullptr);
        rowMax = tailMax > rowMax ? tailMax : rowMax;
    }
    return rowMax;
}

int LocalRow16(const std::int16_t* prev, std::int16_t* cur, const std::int16_t* scores, int n,
               int gap, std::uint8_t* choices) {
    return choices ? localVector16<true>(prev, cur, scores, n, gap, choices)
                   : localVector16<false>(prev, cur, scores, n, gap, nullptr);
}

// Prefix maximum without offsets, for the affine kernel's horizontal gap: it
// scans B[t] = A[t] - t * gapExt, in which an extension costs nothing, and
// Q[c] = c * gapExt + max over t <= c of B[t].
struct MaxScan {
    using Idx = decltype(hn::SetTableIndices(D(), static_cast<const std::int32_t*>(nullptr)));
    static constexpr std::size_t kBlockSteps = Scan::kBlockSteps;
    V inBlock[2];
    Idx block[2];
    Idx last;

    MaxScan() {
        const D d;
        HWY_ALIGN std::int32_t idx[kLanes];
        for (int s = 0; s < 2; ++s) inBlock[s] = shiftInBlock(s);
        for (std::size_t s = 0; s < 2; ++s) {
            for (std::size_t l = 0; l < kLanes; ++l) idx[l] = s < kBlockSteps ? blockSource(l, s) : 0;
            block[s] = hn::SetTableIndices(d, idx);
        }
        for (std::size_t l = 0; l < kLanes; ++l) idx[l] = static_cast<std::int32_t>(kLanes - 1);
        last = hn::SetTableIndices(d, idx);
    }

    HWY_INLINE V prefixMax(V x) const {
        x = hn::Max(x, hn::TableLookupBytes(x, inBlock[0]));
        x = hn::Max(x, hn::TableLookupBytes(x, inBlock[1]));
        if constexpr (kBlockSteps > 0) x = hn::Max(x, hn::TableLookupLanes(x, block[0]));
        if constexpr (kBlockSteps > 1) x = hn::Max(x, hn::TableLookupLanes(x, block[1]));
        return x;
    }
};

// Move codes of four vectors (each below 256) into one vector of bytes in
// column order: the four go into the four bytes of each lane, a byte shuffle
// in each 128-bit block groups them by vector, and a lane permute puts the
// blocks' parts in order. One store per four vectors instead of a narrowing
// per vector.
struct MovePacker {
    using Idx = decltype(hn::SetTableIndices(D(), static_cast<const std::int32_t*>(nullptr)));
    static constexpr std::size_t kBlocks = kLanes / 4;
    V byVector;  // byte indices within a block
    Idx inOrder;  // lane indices

    MovePacker() {
        const D d;
        HWY_ALIGN std::int32_t idx[kLanes];
        for (std::size_t l = 0; l < kLanes; ++l) {
            const unsigned k = static_cast<unsigned>(l % 4);  // the vector whose bytes land here
            idx[l] = static_cast<std::int32_t>(k | (4 + k) << 8 | (8 + k) << 16 | (12 + k) << 24);
        }
        byVector = hn::Load(d, idx);
        for (std::size_t p = 0; p < kLanes; ++p)
            idx[p] = static_cast<std::int32_t>(4 * (p % kBlocks) + p / kBlocks);
        inOrder = hn::SetTableIndices(d, idx);
    }

    HWY_INLINE void store(V c0, V c1, V c2, V c3, std::uint8_t* out) const {
        const V lanes = hn::Or(hn::Or(c0, hn::ShiftLeft<8>(c1)),
                               hn::Or(hn::ShiftLeft<16>(c2), hn::ShiftLeft<24>(c3)));
        V bytes = hn::TableLookupBytes(lanes, byVector);
        if constexpr (kBlocks > 1) bytes = hn::TableLookupLanes(bytes, inOrder);
        const hn::Repartition<std::uint8_t, D> d8;
        hn::StoreU(hn::BitCast(d8, bytes), d8, out);
    }
};

// The row goes in chunks that stay in the first-level cache: first the pair
// and vertical-gap states of a chunk, elementwise on the row above, then the
// horizontal-gap state over what the chunk finished. The first sweep also
// leaves B (see MaxScan) and, when tracing, each column's first move bits in
// buffers of the chunk, so that the second sweep neither recomputes them nor
// narrows a move byte more than once.
constexpr int kChunk = 256;
static_assert(kChunk % (4 * kLanes) == 0, "chunks hold whole groups of four vectors");

template <bool kTrace>
void gotohVector(const int* scores, int m, int gapOpen, int gapExt, GotohRowStates prev,
                 GotohRowStates cur, std::uint8_t* mrow) {
    const D d;
    const int lanes = static_cast<int>(kLanes);
    const V openV = hn::Set(d, gapOpen), extV = hn::Set(d, gapExt);
    const V one = hn::Set(d, 1), two = hn::Set(d, 2);
    const V four = hn::Set(d, 4), eight = hn::Set(d, 8);
    const V sixteen = hn::Set(d, 16), thirtyTwo = hn::Set(d, 32);
    const MaxScan scan;
    const MovePacker packer;
    // B[c] sits at b[c - first + 2] for the chunk starting at column `first`;
    // the horizontal sweep also reads the two columns before the chunk.
    HWY_ALIGN int b[kChunk + 2 + kLanes];
    HWY_ALIGN int codes[kTrace ? kChunk : 1];
    // Per lane: c * -gapExt for the vector at column c, and for B one column on.
    HWY_ALIGN std::int32_t perLane[kLanes];
    for (std::size_t l = 0; l < kLanes; ++l) perLane[l] = static_cast<std::int32_t>(l) * -gapExt;
    const V laneRamp = hn::Load(d, perLane);
    const V rampStep = hn::Set(d, lanes * -gapExt);
    V openRamp = hn::Add(laneRamp, hn::Set(d, gapOpen - 2 * gapExt));  // B of column j + 1, j = 1
    V ramp = hn::Add(laneRamp, hn::Set(d, -gapExt));                    // column c, c = 1
    // B[0] = Q[0]; B[1] opens after column 0.
    b[1] = cur.q[0];
    b[2] = std::max(cur.d[0], cur.p[0]) + gapOpen - gapExt;
    V best = hn::Set(d, cur.q[0]);  // the maximum of B before the vector

    // Q of the vector at column c (c = first + offset), and with kTrace its
    // complete move codes.
    const auto horizontal = [&](int c, int offset) {
        const V bHere = hn::LoadU(d, b + offset + 2);
        V q;
        V code;
        if constexpr (kTrace) {
            // Through the column before each lane: whether extending wins.
            const V x = scan.prefixMax(hn::LoadU(d, b + offset + 1));
            const V before = hn::Max(x, best);
            best = hn::Max(best, hn::TableLookupLanes(x, scan.last));
            q = hn::Max(bHere, before);
            // Extending wins ties: only a strictly larger opening beats it.
            const auto fromP = hn::Gt(hn::LoadU(d, cur.p + c - 1), hn::LoadU(d, cur.d + c - 1));
            const V mq = hn::IfThenElse(hn::Gt(bHere, before), hn::IfThenElseZero(fromP, sixteen),
                                        thirtyTwo);
            code = hn::Or(hn::Load(d, codes + offset), mq);
        } else {
            const V x = scan.prefixMax(bHere);
            q = hn::Max(x, best);
            best = hn::Max(best, hn::TableLookupLanes(x, scan.last));
            code = q;
        }
        hn::StoreU(hn::Sub(q, ramp), d, cur.q + c);
        ramp = hn::Add(ramp, rampStep);
        return code;
    };

    int j = 1;  // next column of the pair and vertical-gap states
    while (j + lanes - 1 <= m) {
        const int first = j;
        const int chunkEnd = std::min(j + kChunk, m + 1 - (m + 1 - j) % lanes);
        for (; j < chunkEnd; j += lanes) {
            const V d0 = hn::LoadU(d, prev.d + j - 1), p0 = hn::LoadU(d, prev.p + j - 1);
            const V q0 = hn::LoadU(d, prev.q + j - 1);
            const V dp = hn::Max(d0, p0);
            const V dv = hn::Add(hn::Max(q0, dp), hn::LoadU(d, scores + j));
            hn::StoreU(dv, d, cur.d + j);
            // Opening after a pair or after the other gap: both cost gapOpen.
            const V dUp = hn::LoadU(d, prev.d + j), qUp = hn::LoadU(d, prev.q + j);
            const V pe = hn::Add(hn::LoadU(d, prev.p + j), extV);
            const V po = hn::Add(hn::Max(dUp, qUp), openV);
            const V pv = hn::Max(pe, po);
            hn::StoreU(pv, d, cur.p + j);
            hn::StoreU(hn::Add(hn::Max(dv, pv), openRamp), d, b + (j - first) + 3);
            openRamp = hn::Add(openRamp, rampStep);
            if constexpr (kTrace) {
                const V md = hn::IfThenElse(hn::Gt(q0, dp), two, hn::IfThenElseZero(hn::Gt(p0, d0), one));
                // Extending wins ties, then opening after a pair.
                const V mp = hn::IfThenElse(hn::Gt(po, pe), hn::IfThenElseZero(hn::Gt(qUp, dUp), eight), four);
                hn::Store(hn::Or(md, mp), d, codes + (j - first));
            }
        }
        int c = first;
        for (; c + 4 * lanes <= j; c += 4 * lanes) {
            const int o = c - first;
            const V c0 = horizontal(c, o), c1 = horizontal(c + lanes, o + lanes);
            const V c2 = horizontal(c + 2 * lanes, o + 2 * lanes), c3 = horizontal(c + 3 * lanes, o + 3 * lanes);
            if constexpr (kTrace) packer.store(c0, c1, c2, c3, mrow + c);
        }
        for (; c < j; c += lanes) {
            const V code = horizontal(c, c - first);
            if constexpr (kTrace) storeBytes(code, mrow + c);
        }
        b[1] = b[j - first + 1];
        b[2] = b[j - first + 2];
    }
    // Columns j..m that do not fill a vector: the scalar kernel itself, over
    // the window whose column 0 is column j - 1.
    if (j <= m) {
        const GotohRowStates before{prev.d + j - 1, prev.p + j - 1, prev.q + j - 1};
        const GotohRowStates here{cur.d + j - 1, cur.p + j - 1, cur.q + j - 1};
        gotohFillRowScalar(scores + j - 1, m - j + 1, gapOpen, gapExt, before, here,
                           kTrace ? mrow + j - 1 : nullptr);
    }
}

// Four one-byte choices of a 32-bit lane fold into its low byte with three
// shifts (no two cells' bits meet there), and the lanes narrow to bytes.
void PackChoices(const std::uint8_t* choices, std::size_t bytes, std::uint8_t* out) {
    // Signed lanes: the values stay far below the sign bit, and signed lanes
    // are what narrow to bytes.
    const hn::ScalableTag<std::int32_t> d32;
    const hn::Repartition<std::uint8_t, decltype(d32)> bytesIn;
    const hn::Rebind<std::uint8_t, decltype(d32)> d8;
    const std::size_t lanes = hn::Lanes(d32);
    const auto low = hn::Set(d32, 0xFF);
    std::size_t b = 0;
    for (; b + lanes <= bytes; b += lanes) {
        auto x = hn::BitCast(d32, hn::LoadU(bytesIn, choices + 4 * b));
        x = hn::Or(hn::Or(x, hn::ShiftRight<6>(x)), hn::Or(hn::ShiftRight<12>(x), hn::ShiftRight<18>(x)));
        hn::StoreU(hn::DemoteTo(d8, hn::And(x, low)), d8, out + b);
    }
    packChoicesScalar(choices + 4 * b, bytes - b, out + b);
}

// Few cells hold the target, so four vectors are compared at a time and only
// a group with a hit is looked at lane by lane.
int FindEqual(const int* values, int count, int target, int* positions) {
    const D d;
    const V t = hn::Set(d, target);
    constexpr int kGroup = 4 * static_cast<int>(kLanes);
    int found = 0;
    int k = 0;
    for (; k + kGroup <= count; k += kGroup) {
        const auto hit0 = hn::Eq(hn::LoadU(d, values + k), t);
        const auto hit1 = hn::Eq(hn::LoadU(d, values + k + kLanes), t);
        const auto hit2 = hn::Eq(hn::LoadU(d, values + k + 2 * kLanes), t);
        const auto hit3 = hn::Eq(hn::LoadU(d, values + k + 3 * kLanes), t);
        if (hn::AllFalse(d, hn::Or(hn::Or(hit0, hit1), hn::Or(hit2, hit3)))) continue;
        const int hits = findEqualScalar(values + k, kGroup, target, positions + found);
        for (int f = found; f < found + hits; ++f) positions[f] += k;
        found += hits;
    }
    const int tail = findEqualScalar(values + k, count - k, target, positions + found);
    for (int f = found; f < found + tail; ++f) positions[f] += k;
    return found + tail;
}

void GotohRow(const int* scores, int m, int gapOpen, int gapExt, GotohRowStates prev,
              GotohRowStates cur, std::uint8_t* moves) {
    if (moves) {
        gotohVector<true>(scores, m, gapOpen, gapExt, prev, cur, moves);
    } else {
        gotohVector<false>(scores, m, gapOpen, gapExt, prev, cur, nullptr);
    }
}

#endif
}  // namespace HWY_NAMESPACE
}  // namespace torva_kernels
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
#include <cctype>
#include <string>

#include "kernels/VectorRows.hpp"

namespace torva_kernels {
HWY_EXPORT(LocalRow);
HWY_EXPORT(LocalRow16);
HWY_EXPORT(GotohRow);
HWY_EXPORT(FindEqual);
HWY_EXPORT(PackChoices);
}  // namespace torva_kernels

namespace {

// The entry of this file's dispatch tables that Highway calls when it may use
// `targets`; entries of targets this file was not built for never come out.
std::size_t tableEntry(std::int64_t targets) {
#if (HWY_TARGETS & (HWY_TARGETS - 1)) == 0
    // Built for one target only: the tables hold just its entry.
    static_cast<void>(targets);
    return 0;
#else
    hwy::ChosenTarget chosen;
    chosen.Update(targets);
    return chosen.GetIndex();
#endif
}

struct TargetKernels {
    std::int64_t target;
    std::size_t entry;  // in the dispatch tables
    std::string name;
    KernelSet set;
};

// Users name a set after Highway's target in lower case, except the x86 set of
// 512-bit vectors, which goes by its instruction set.
std::string kernelName(std::int64_t target) {
    if (target == HWY_AVX3) return "avx512";
    std::string name = hwy::TargetName(target);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

// One set per vector target built, in the reverse of Highway's preference.
const std::vector<TargetKernels>& builtKernels() {
    static const std::vector<TargetKernels> built = [] {
        std::vector<TargetKernels> sets;
        for (std::int64_t targets = HWY_TARGETS; targets != 0; targets &= targets - 1) {
            const std::int64_t target = targets & -targets;  // the most preferred left
            if (target & (HWY_SCALAR | HWY_EMU128)) continue;  // the scalar set stands for these
            sets.insert(sets.begin(), TargetKernels{target, tableEntry(target), kernelName(target), {}});
        }
        // The names are in place now; the sets point into them.
        for (TargetKernels& k : sets)
            k.set = KernelSet{k.name.c_str(), torva_kernels::HWY_DISPATCH_TABLE(LocalRow)[k.entry],
                              torva_kernels::HWY_DISPATCH_TABLE(LocalRow16)[k.entry],
                              torva_kernels::HWY_DISPATCH_TABLE(GotohRow)[k.entry],
                              torva_kernels::HWY_DISPATCH_TABLE(FindEqual)[k.entry],
                              torva_kernels::HWY_DISPATCH_TABLE(PackChoices)[k.entry]};
        return sets;
    }();
    return built;
}

}  // namespace

std::vector<const KernelSet*> supportedVectorKernels() {
    const std::int64_t cpu = hwy::SupportedTargets();
    std::vector<const KernelSet*> sets;
    for (const TargetKernels& k : builtKernels())
        if (cpu & k.target) sets.push_back(&k.set);
    return sets;
}

const KernelSet* dispatchedVectorKernels() {
    const std::size_t entry = tableEntry(hwy::SupportedTargets());
    for (const TargetKernels& k : builtKernels())
        if (k.entry == entry) return &k.set;
    return nullptr;
}
#endif

// SPDX-License-Identifier: MIT
// The long division's set-up: the bounds of its passes and lazy carries, the divisor side and
// the remainder, and the estimates a pass starts from.
// A part of div.cpp, the one file that includes it: its routines have internal linkage there.
#ifndef KESTROM_WORDS_DIV_LONG_SETUP_H
#define KESTROM_WORDS_DIV_LONG_SETUP_H

#include "limbs.h"
#include "radix3.h"
#include "value.h"

namespace kestrom {
namespace words {
namespace {

// Longer mantissas: the same recurrence on limbs, several positions per pass. With S = 3^s
// the weight of the second limb from the top, X = Xh * S + Xl and d = dh * S + dl, |dl| <= S/2,
// and T = Th * S + (S - 1) / 2. Running the recurrence on Xh, dh alone, Xh := 3 * (Xh - f * dh),
// leaves an error E = X - Xh * S with E' = 3 * (E - f * dl), so |E| < (3^j * (e + 1.5) - 1.5) * S
// after j positions when |E| < e * S at the start. A selection is certain when |Xh| is at least
// m = 3^(j+1) away from Lh = dh - Th and Hh = dh + Th (the thresholds d - T and d + T lie within
// one S of Lh * S and Hh * S), which holds for e < 1.5: then it is the one the exact remainder
// makes. A selection that is not certain is made from the exact remainder, read from the top
// limbs down until it is settled. A pass of k positions leaves X := 3^k * X - 3 * D * B, B the
// pass's digits as an integer, which goes into Q at the pass's lowest position.
//
// The top two limbs hold w = n + 1 - (limbs - 2) * kLimbTrits trits of X, kLimbTrits + 1 ...
// 2 * kLimbTrits; taken to their top kEstimateTrits (S grows by 3^(w - kEstimateTrits); dh
// rounded, Xh to within 5/8, see estimateOf), Xh and dh fit a limb: dh has kLimbTrits trits, |Xh| < 3 * dh + m < 3^kEstimateTrits, and
// Th = most(kLimbTrits - 2). Passes of up to kMaxPass positions keep m below Th, so that at most
// one of the two thresholds is ever in doubt, and |B| < 3^kMaxPass keeps the update in wide
// words.
constexpr int kEstimateTrits = kLimbTrits + 1;
constexpr int kMaxPass = kLimbTrits - 3;
static_assert(kRadix3.pow3[kMaxPass] < kRadix3.most[kLimbTrits - 2], "one threshold in doubt");

// The remainder's limbs are carried lazily: after a pass each limb below the top lies in
// (-R/4, 4R/3) for R = kLimbRadix, not in the canonical range, which is enough for the bounds
// above (|Xl| < 4/3 * R^(limbs-2) * R / (R - 1), so e < 1.34) and lets the carry out of a limb's wide
// update v be one multiplication by a reciprocal: c = floor(floor(v / 2^h) * M / 2^W),
// M = 2^(W+h) / R rounded, leaves v - c * R in (-R/8, 19R/16) (the shift loses less than R/16,
// M's rounding less than R/8), and |c| < R/8 as |v| < 3^kMaxPass * (4/3 + 3/2) * R.
#if KESTROM_LIMB_BITS == 64
constexpr int kCarryShift = 56;
#else
constexpr int kCarryShift = 20;
#endif
constexpr ulimb kCarryReciprocal = static_cast<ulimb>(
    ((static_cast<uwide>(1) << (kLimbBits + kCarryShift)) + static_cast<uwide>(kLimbRadix) / 2) /
    static_cast<uwide>(kLimbRadix));
static_assert(static_cast<uwide>(kRadix3.pow3[kMaxPass]) * 3 * static_cast<uwide>(kLimbRadix) <
                  (static_cast<uwide>(1) << (kLimbBits - 2 + kCarryShift)),
              "v / 2^h stays below 2^(W-2), so M's rounding costs less than R/8");
static_assert((static_cast<uwide>(1) << kCarryShift) < static_cast<uwide>(kLimbRadix) / 16,
              "the shift loses less than R/16");
static_assert(kCarryReciprocal < (static_cast<ulimb>(1) << (kLimbBits - 1)), "M is a signed limb");

KESTROM_INLINE limb carryOf(wide v) {
    const limb t = static_cast<limb>(v >> kCarryShift);
    return static_cast<limb>((static_cast<wide>(t) * static_cast<wide>(kCarryReciprocal)) >>
                             kLimbBits);
}

// From kFusedLimbs limbs on, passes are taken in groups of up to four (140 positions with
// 64-bit limbs, 52 with 32-bit ones). Inside a group the estimates and the doubtful
// selections read only the remainder's top: the remainder after the group's earlier passes
// (a stage) is formed from the top limb down by applyPass's own rule, only as far as it is
// read. The group then changes X once: K positions in all, K = kLimbTrits * u + w, leave
// X := 3^K * X - 3 * D * B = R^u * 3^w * X - 3 * D * B, B the group's digits as one integer;
// with 3B in u + 1 balanced limbs sub[0 ... u] each limb of the new X is one wide sum of
// u + 2 products and the carry from the limb below.
constexpr int kGroupPasses = 4;
constexpr int kPad = kGroupPasses - 1;  // zero limbs below X's and D's, for limbs j - u

// The fused update's carry is carried from limb to limb: c = floor(floor(v / 2^h) * M / 2^W)
// as in carryOf, now with |v| up to V = 3^w * 4R/3 + 3^(w+1) * R/2 + u * (R/2)^2 + R (3^w * X's
// limb, sub[u] below 3^(w+1) + 1/2, the lower sub[i] balanced, the carry in below R). With
// t = floor(v / 2^h), |t| < T = V / 2^h + 1 < 2^(W-1), and M = 2^(W+h) / R + eps, v - c * R
// lies in [-R * T * |eps| / 2^W, R + 2^h + R * T * |eps| / 2^W), inside (-R/4, 4R/3) when
// 3 * T * |M * R - 2^(W+h)| + 3 * 2^(W+h) < R * 2^W (and 4 * T * |M * R - 2^(W+h)| < R * 2^W):
// the lazily carried range once more, so every bound above holds for the new X as well.
#if KESTROM_LIMB_BITS == 64
constexpr int kFusedShift = 58;
#else
constexpr int kFusedShift = 20;
#endif
constexpr uwide kFusedUnit = static_cast<uwide>(1) << (kLimbBits + kFusedShift);
constexpr ulimb kFusedReciprocal = static_cast<ulimb>(
    (kFusedUnit + static_cast<uwide>(kLimbRadix) / 2) / static_cast<uwide>(kLimbRadix));
static_assert(kFusedReciprocal < (static_cast<ulimb>(1) << (kLimbBits - 1)), "M is a signed limb");

constexpr uwide fusedBound(int u, int w) {
    const uwide r = static_cast<uwide>(kLimbRadix), half = (r - 1) / 2;
    return static_cast<uwide>(kRadix3.pow3[w]) * ((4 * r + 2) / 3) +
           static_cast<uwide>(kRadix3.pow3[w + 1]) * half + static_cast<uwide>(u) * half * half + r;
}
// Whether fusedCarryOf leaves v - c * R in (-R/4, 4R/3) for every |v| <= bound, and |c| < R - 1.
constexpr bool fusedCarryKeeps(uwide bound) {
    const uwide r = static_cast<uwide>(kLimbRadix), t = (bound >> kFusedShift) + 1;
    const uwide mr = static_cast<uwide>(kFusedReciprocal) * r;
    const uwide eps = mr > kFusedUnit ? mr - kFusedUnit : kFusedUnit - mr;
    return t < (static_cast<uwide>(1) << (kLimbBits - 1)) && bound / r + 2 < r &&
           3 * t * eps + 3 * kFusedUnit < (r << kLimbBits) && 4 * t * eps < (r << kLimbBits);
}
static_assert(fusedCarryKeeps(static_cast<uwide>(kRadix3.pow3[kMaxPass]) * kLimbRadix),
              "splitBalanced's range");

// For u = 1 ... kPad, the largest w (below kLimbTrits) up to which the fused carry takes every
// group, -1 for none.
struct FusedReach {
    int most[kGroupPasses];
    constexpr FusedReach() : most() {
        for (int u = 1; u <= kPad; ++u) {
            most[u] = -1;
            for (int w = 0; w < kLimbTrits && fusedCarryKeeps(fusedBound(u, w)); ++w) most[u] = w;
        }
    }
};
constexpr FusedReach kFusedReach{};
static_assert(kFusedReach.most[kPad] >= kGroupPasses * kMaxPass - kPad * kLimbTrits,
              "a whole group of full passes is taken");

// Whether one group may take k positions: a single pass, or passes the fused update takes.
constexpr bool groupTakes(int k) {
    const int u = k / kLimbTrits, w = k - u * kLimbTrits;
    return k <= kMaxPass || (u >= 1 && u <= kPad && w <= kFusedReach.most[u]);
}

KESTROM_INLINE limb fusedCarryOf(wide v) {
    const limb t = static_cast<limb>(v >> kFusedShift);
    return static_cast<limb>((static_cast<wide>(t) * static_cast<wide>(kFusedReciprocal)) >>
                             kLimbBits);
}

// floor(2^W / 3^k) for 0 < k <= kLimbTrits, below 2^(W-1).
struct DropReciprocals {
    ulimb m[kLimbTrits + 1];
    constexpr DropReciprocals() : m() {
        for (int k = 1; k <= kLimbTrits; ++k) m[k] = ~static_cast<ulimb>(0) / kRadix3.pow3[k];
    }
};
constexpr DropReciprocals kDropReciprocals{};

// The divisor side of the recurrence, fixed for the whole division.
struct DivisorSide {
    int limbs;
    int n;
    limb signD;
    limb padded[kPad + kMaxLimbs];  // kPad zeros, then ...
    limb* d;            // ... |D|, canonical
    int drop;           // the trits below the estimate in the top two limbs ...
    limb topScale;      // ... 3^(kLimbTrits - drop)
    limb dropReciprocal;  // ... floor(2^W / 3^drop) for drop > 0
    limb dh;            // the estimate of d
    int zeros;          // 3 * dh = 2^zeros * odd ...
    ulimb inverse;      // ... and odd * inverse = 1 modulo 2^W
};

// Where the estimate Xh of a position settles it (see estimatePass): |Xh| >= two selects 2,
// one <= |Xh| <= upper selects 1, |Xh| <= lower selects 0.
struct Bounds {
    limb two, upper, one, lower;
};

// Bounds for every position of a pass, and one that settles nothing at the pass's end.
struct PassBounds {
    Bounds at[kMaxPass + 1];
};
constexpr limb kLimbMax = static_cast<limb>(~static_cast<ulimb>(0) >> 1);
constexpr Bounds kPassStop = {kLimbMax, -kLimbMax - 1, kLimbMax, -kLimbMax - 1};

// The remainder X before the selections of the next position, in one of two buffers (the
// fused update writes the other), each with kPad zero limbs below; and Q's limbs, each summing
// the digits at positions kLimbTrits * j and up (at most two limbs' worth).
struct Remainder {
    limb buffers[2][kPad + kMaxLimbs];
    limb* r;
    wide quot[kMaxLimbs];
};

// Sets up d and the estimates of d and the thresholds from the divisor's limbs (read into d).
void prepareDivisor(DivisorSide& dv, PassBounds& bounds, int n, limb signD) {
    const int limbs = dv.limbs;
    dv.n = n;
    dv.signD = signD;
    for (int j = 0; j < limbs; ++j) dv.d[j] *= signD;
    dv.drop = n + 1 - (limbs - 2) * kLimbTrits - kEstimateTrits;
    dv.topScale = static_cast<limb>(pow3(kLimbTrits - dv.drop));
    dv.dropReciprocal = static_cast<limb>(kDropReciprocals.m[dv.drop]);
    dv.dh =
        roundDivPow3(static_cast<wide>(dv.d[limbs - 1]) * kLimbRadix + dv.d[limbs - 2], dv.drop);
    dv.zeros = 0;  // dh > 0
    while (((static_cast<ulimb>(dv.dh) >> dv.zeros) & 1) == 0) ++dv.zeros;
    const ulimb odd = static_cast<ulimb>(3 * dv.dh) >> dv.zeros;
    ulimb inverse = odd;  // right in the low 3 bits, each step doubles that
    for (int bits = 3; bits < kLimbBits; bits *= 2) inverse *= 2 - odd * inverse;
    dv.inverse = inverse;
    const limb th = static_cast<limb>(most(kLimbTrits - 2));
    const limb lh = dv.dh - th, hh = dv.dh + th;
    // Unrolled: a few instructions a position, next to the loop's own.
#pragma GCC unroll 35
    for (int j = 0; j < kMaxPass; ++j) {
        const limb m = static_cast<limb>(pow3(j + 1));
        bounds.at[j] = {hh + m, hh - m, lh + m, lh - m};
    }
    bounds.at[kMaxPass] = kPassStop;
}

// T's limb j: +1 in every position below mantLen-2.
KESTROM_INLINE limb tLimb(int n, int j) {
    const int count = n - 2 - j * kLimbTrits;
    return static_cast<limb>(most(count <= 0 ? 0 : (count > kLimbTrits ? kLimbTrits : count)));
}

// The digits b of the first k positions of a pass as an integer, from the estimate at its start
// (xh0) and after them (xh): the estimate's recurrence leaves xh = 3^k * xh0 - 3 * dh * b
// exactly, so b is an exact quotient, taken as a product with the inverse of 3 * dh's odd part.
KESTROM_INLINE limb passDigits(const DivisorSide& dv, limb xh0, limb xh, int k) {
    const wide v = static_cast<wide>(pow3(k)) * xh0 - xh;
    return static_cast<limb>(static_cast<ulimb>(v >> dv.zeros) * dv.inverse);
}

// Xh at a pass's start: the top two limbs' value, top * R + next, divided by 3^drop as
// top * 3^(kLimbTrits - drop) + next / 3^drop, the second quotient taken to within 5/8 (the
// rounded product with a reciprocal, off by |next| / 2^W < 1/8 at most). That adds less than
// 5/8 * S to |E| where drop > 0 (then |Xl| < 4/9 * S), so e < 1.34 still.
KESTROM_INLINE limb estimateOf(const limb* r, const DivisorSide& dv) {
    const int top = dv.limbs - 1;
    const limb next = dv.drop == 0 ? r[top - 1]
                                   : static_cast<limb>((static_cast<wide>(r[top - 1]) * dv.dropReciprocal +
                                                        (static_cast<wide>(1) << (kLimbBits - 1))) >>
                                                       kLimbBits);
    return r[top] * dv.topScale + next;
}

}  // namespace
}  // namespace words
}  // namespace kestrom

#endif

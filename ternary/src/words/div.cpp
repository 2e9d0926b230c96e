// SPDX-License-Identifier: MIT
#include "convert.h"
#include "div_short.h"
#include "lengths.h"
#include "limbs.h"
#include "moves.h"
#include "normalize.h"
#include "operations.h"
#include "pairs.h"
#include "value.h"

namespace kestrom {
namespace words {

#if KESTROM_WORD_LEVEL

// The trit-level recurrence as integer arithmetic. With a normalized divisor D (d = |D|) and a
// remainder R of valid trits with a zero guard, a selection looks at R's three top positions,
// which are all zero exactly when |R| <= T = (3^(mantLen-2) - 1) / 2; otherwise it subtracts
// sign(R) * d, recording sign(R) * sign(D). The two selections of one position therefore
// subtract s * sign(R) * d with
//   s = 2 when |R| > d + T,  s = 1 when d - T <= |R| <= d + T,  s = 0 below d - T
// (s = 0 includes the case where the first selection overshoots past -T and the second one
// adds d back). Starting from |R| <= (3^mantLen - 1) / 2 < 3d, every remainder stays below 3d
// before and below d after the selections, so neither a subtraction nor the shift up ever
// loses a trit past the guard: the trit strings are the integers' exact representations.
// The quotient digits sum to Q = sum of s_p * sign(R_p) * sign(D) * 3^p, which quotA + quotB
// holds, and the remainder ends as 3^(mantLen+1) * A - 3 * D * Q.

namespace {

// What the trit-level division reads beyond the mantissas: exponents with their guards (the
// exponent difference takes them in), and the parts of the scratch and quotient strings that
// it adds without writing first. e receives the exponent difference.
KESTROM_INLINE bool checkRest(int expLen, int n, const trit* expA, const trit* expB, const trit* mantA,
               const trit* mantB, const trit* quotA, const trit* quotB, const trit* mantScratch,
               const trit* expScratch, i64& e) {
    limb ea, eb;
    if (!readPair(expA, expB, expLen + 1, ea, eb) || mantA[n] != 0 || mantB[n - 1] == 0 || mantScratch[n] != 0 ||
        (quotA[n + 1] | quotA[n + 2] | quotB[n + 1] | quotB[n + 2]) != 0 ||
        !allZero(expScratch + 1, expLen))
        return false;
    e = wrap(static_cast<i64>(ea) - eb, expLen + 1);
    return true;
}

// Short mantissas: the remainder, below 3d, fits one value V (a limb, or with 32-bit limbs a
// 64-bit integer), and so does |Q|.
template <typename V>
bool divShort(trit* resExp, trit* resMant, int expLen, int n, const trit* expA, trit* mantA,
              const trit* expB, const trit* mantB, const trit* quotA, const trit* quotB,
              const trit* mantScratch, const trit* expScratch) {
    V a, b;
    i64 e;
    // A's guard is checked to be zero, so its n trits are its value.
    if (!readPair(mantA, mantB, n, a, b) ||
        !checkRest(expLen, n, expA, expB, mantA, mantB, quotA, quotB, mantScratch, expScratch, e))
        return false;

    const V d = b < 0 ? -b : b;
    const V t = mostOf<V>(n - 2);
    const bool negative = (a < 0) != (b < 0);
#if KESTROM_DIV_SHORT_WIDE
    // One division and a short scan (div_short.h). The recurrence is odd in the dividend, so
    // it runs on |A| and the remainder takes A's sign.
    using U = typename UnsignedOf<V>::type;
    V x;
    const U q = settleShort<U>(a < 0 ? 0 - static_cast<U>(a) : static_cast<U>(a), static_cast<U>(d),
                               static_cast<U>(t), static_cast<U>(kMost64.pow3[n]), n, x);
    storeQuotient<V>(resExp, resMant, expLen, n, q, negative, e);
    writeValue(mantA, n + 1, a < 0 ? -3 * x : 3 * x);
    return true;
#else
    const V low = d - t, high = d + t;
    // One position per pass: the remainder's magnitude picks s, the new remainder is
    // 3 * sign * (|R| - s*d). Q is summed modulo 2^64 (|Q| < 3^(mantLen+1) may pass 2^63).
    // Its sign is that of its first non-zero digit, as the lower digits cannot outweigh it;
    // until that digit the remainder only triples, so the digit has the sign of A times B.
    using U = typename UnsignedOf<V>::type;
    V r = a;
    U q = 0;
    for (int p = n; p >= 0; --p) {
        const V mag = r < 0 ? -r : r;
        const V x = mag > high ? mag - 2 * d : (mag >= low ? mag - d : mag);
        const V s = mag > high ? 2 : (mag >= low ? 1 : 0);
        const V digit = r < 0 ? -s : s;
        r = r < 0 ? -3 * x : 3 * x;
        q = 3 * q + static_cast<U>(digit);
    }
    if (b < 0) q = 0 - q;
    storeQuotient<V>(resExp, resMant, expLen, n, negative ? 0 - q : q, negative, e);
    writeValue(mantA, n + 1, r);
    return true;
#endif
}

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

// With 64-bit limbs, from kFusedLimbs limbs on, passes are taken in groups of up to four (140
// positions). Inside a group the estimates and the doubtful selections read only the
// remainder's top: the remainder after the group's earlier passes (a stage) is formed from the
// top limb down by applyPass's own rule, only as far as it is read. The group then changes X
// once: K positions in all, K = kLimbTrits * u + w, leave X := 3^K * X - 3 * D * B =
// R^u * 3^w * X - 3 * D * B, B the group's digits as one integer; with 3B in u + 1 balanced
// limbs sub[0 ... u] each limb of the new X is one wide sum of u + 2 products and the carry
// from the limb below.
#if KESTROM_LIMB_BITS == 64
constexpr int kGroupPasses = 4;
#else
constexpr int kGroupPasses = 1;
#endif
constexpr int kPad = kGroupPasses - 1;  // zero limbs below X's and D's, for limbs j - u

#if KESTROM_LIMB_BITS == 64
// The fused update's carry is carried from limb to limb: c = floor(floor(v / 2^h) * M / 2^W)
// as in carryOf, now with |v| up to V = 3^w * 4R/3 + 3^(w+1) * R/2 + u * (R/2)^2 + R (3^w * X's
// limb, sub[u] below 3^(w+1) + 1/2, the lower sub[i] balanced, the carry in below R). With
// t = floor(v / 2^h), |t| < T = V / 2^h + 1 < 2^(W-1), and M = 2^(W+h) / R + eps, v - c * R
// lies in [-R * T * |eps| / 2^W, R + 2^h + R * T * |eps| / 2^W), inside (-R/4, 4R/3) when
// 3 * T * |M * R - 2^(W+h)| + 3 * 2^(W+h) < R * 2^W (and 4 * T * |M * R - 2^(W+h)| < R * 2^W):
// the lazily carried range once more, so every bound above holds for the new X as well.
constexpr int kFusedShift = 58;
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
#endif

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

// The remainders a group's passes start from: stage 0 is X, stage g is stage g-1 after the
// group's pass g-1, 3^k * stage(g-1) - sub * D, in applyPass's limbs. A later stage's limbs
// low ... top are formed; `pending` holds the low word and the carry of the wide update of
// limb low-1, which forming limb low took.
struct Stage {
    limb* r;
    int low;
    limb scale, sub;
    limb pendingLow, pendingCarry;
};
struct Stages {
    const DivisorSide* dv;
    Stage at[kGroupPasses];
    limb (*formed)[kMaxLimbs];  // the later stages' limbs
};

// Stage g's limbs from st.low - 1 down to `floor` >= 0, stage g-1 being formed down to floor - 1:
// applyPass's limb j is v_j's low word less c_j * R, plus c_(j-1).
KESTROM_INLINE void formDown(Stage& st, const Stage& prev, const limb* d, int floor) {
    const limb scale = st.scale, sub = st.sub;
    const limb* from = prev.r;
    ulimb low = static_cast<ulimb>(st.pendingLow);
    limb carry = st.pendingCarry;
    for (int j = st.low - 1; j >= floor; --j) {
        ulimb nextLow = 0;
        limb nextCarry = 0;
        if (j > 0) {
            const wide v = static_cast<wide>(scale) * from[j - 1] - static_cast<wide>(sub) * d[j - 1];
            nextCarry = carryOf(v);
            nextLow = static_cast<ulimb>(v);
        }
        st.r[j] = static_cast<limb>(low - static_cast<ulimb>(carry) * kLimbRadix +
                                    static_cast<ulimb>(nextCarry));
        low = nextLow;
        carry = nextCarry;
    }
    st.low = floor;
    st.pendingLow = static_cast<limb>(low);
    st.pendingCarry = carry;
}

// Stage g (g >= 1) down to limb `i` (clamped at 0), forming what it needs of the stages
// before it first.
void formStage(Stages& s, int g, int i) {
    if (i < 0) i = 0;
    Stage& st = s.at[g];
    if (st.low <= i) return;
    if (g > 1 && s.at[g - 1].low > i - 1) formStage(s, g - 1, i - 1);
    formDown(st, s.at[g - 1], s.dv->d, i);
}

#if KESTROM_LIMB_BITS == 64
// Starts stage g after a pass of k positions with digits b on stage g-1, and forms it down to
// limb `floor` (clamped at 0), stage g-1 being formed down to floor - 1. The top limb takes the
// rest, as in applyPass: it has no carry out.
KESTROM_INLINE void startStage(Stages& s, int g, int k, limb b, int floor) {
    Stage& st = s.at[g];
    const Stage& prev = s.at[g - 1];
    const int top = s.dv->limbs - 1;
    st.r = s.formed[g - 1];
    st.low = top + 1;
    st.scale = static_cast<limb>(pow3(k));
    st.sub = 3 * b;
    st.pendingLow = static_cast<limb>(static_cast<ulimb>(st.scale) * static_cast<ulimb>(prev.r[top]) -
                                      static_cast<ulimb>(st.sub) * static_cast<ulimb>(s.dv->d[top]));
    st.pendingCarry = 0;
    formDown(st, prev, s.dv->d, floor > 0 ? floor : 0);
}
#endif

// What a pass's selections in doubt need: the stage it runs on (r, its limbs formed so far;
// the stages to form more of it) and its estimate at the pass's start, and where the pass ends.
struct PassStart {
    const limb* r;
    const DivisorSide* dv;
    Stages* stages;
    int stage;
    const Bounds* first;
    const Bounds* end;
    limb xh0;
};
constexpr limb kPassEnd = 3;
// The digit f at the position of `at` when the estimate xh leaves it in doubt, or kPassEnd at
// the pass's end. The estimate leaves only one threshold in doubt, d - T (tau = -1; s is 0 or 1) or
// d + T (tau = 1; s is 1 or 2), and the sign of X certain (|xh| > m). With j positions done and
// digits b, the sign of Z = sign * (3^j * X - 3 * b * d) - (d + tau * T) comes from the limbs'
// sum taken from the top down, until its part so far outweighs what the limbs below can add:
// each of their terms is below (3^j * (4/3 + 3/2) - 1/2) * R, so they add less than
// 3^(j+1) + 1 times the weight of the last limb taken.
// kStaged: the stage may need limbs formed.
template <bool kStaged>
__attribute__((noinline)) limb settleDoubt(const PassStart& ps, const Bounds* at, limb xh) {
    const DivisorSide& dv = *ps.dv;
    const int j = static_cast<int>(at - ps.first);
    const limb b = passDigits(dv, ps.xh0, xh, j);
    const limb sign = xh < 0 ? -1 : 1;
    const limb tau = sign * xh >= at->one ? 1 : -1;
    const limb scale = sign * static_cast<limb>(pow3(j));
    const limb sub = 3 * sign * b + 1;
    const wide bound = static_cast<wide>(pow3(j + 1)) + 1;
    wide z = 0;
    for (int i = dv.limbs - 1; i >= 0; --i) {
        if (kStaged && i < ps.stages->at[ps.stage].low) formStage(*ps.stages, ps.stage, i);
        z = z * kLimbRadix + static_cast<wide>(scale) * ps.r[i] - static_cast<wide>(sub) * dv.d[i] -
            tau * tLimb(dv.n, i);
        if (z > bound || z < -bound) break;
    }
    // |X| >= d - T, or |X| > d + T.
    const limb s = tau < 0 ? (z >= 0 ? 1 : 0) : (z > 0 ? 2 : 1);
    return sign * s;
}

// The pass's end needs no call (and no frame).
template <bool kStaged>
KESTROM_INLINE limb settle(const PassStart& ps, const Bounds* at, limb xh) {
    return at == ps.end ? kPassEnd : settleDoubt<kStaged>(ps, at, xh);
}

// Runs `room` positions on the estimate of stage `stage` (its top two limbs formed), settling
// the selections it leaves in doubt from that exact remainder; returns their digits (times
// sign(D)) as the integer b. bounds.at[room] is the one that settles nothing.
template <bool kStaged>
KESTROM_INLINE limb estimatePass(Stages& stages, int stage, const PassBounds& bounds, int room) {
    const DivisorSide& dv = *stages.dv;
    const limb xh0 = estimateOf(stages.at[stage].r, dv);
    const PassStart ps = {stages.at[stage].r, &dv, &stages, stage, bounds.at, bounds.at + room, xh0};
    const limb dh = dv.dh, dh2 = 2 * dv.dh;
    // The recurrence X := 3 * (X - f * d) on the magnitude a of the estimate, f = sign * s, so
    // that s alone picks the branch; the sign changes where a subtraction takes a below zero.
    limb sign = xh0 < 0 ? -1 : 1;
    limb a = sign * xh0;
    // One position; false at the pass's end.
    const auto step = [&](const Bounds* at) {
        if (a <= at->lower) {
            a = 3 * a;
            return true;
        }
        if (a >= at->two) {
            a -= dh2;
        } else if (a >= at->one && a <= at->upper) {
            a -= dh;
        } else {
            const limb f = settle<kStaged>(ps, at, sign * a);
            if (f == kPassEnd) return false;
            a -= sign * f * dh;
        }
        if (a < 0) {
            a = -a;
            sign = -sign;
        }
        a = 3 * a;
        return true;
    };
    // Four positions an iteration (fewer jumps), until the pass's end.
    const Bounds* at = bounds.at;
    while (step(at) && step(at + 1) && step(at + 2) && step(at + 3)) at += 4;
    const limb xh = sign * a;
    return passDigits(dv, xh0, xh, room);
}

// X := 3^k * X - 3 * b * d on every limb (scale = 3^k, sub = 3b), carried lazily.
KESTROM_INLINE void applyPass(Remainder& x, const DivisorSide& dv, limb scale, limb sub) {
    const int top = dv.limbs - 1;
    limb incoming = 0;
#pragma GCC unroll 2
    for (int j = 0; j < top; ++j) {
        const wide v = static_cast<wide>(scale) * x.r[j] - static_cast<wide>(sub) * dv.d[j];
        const limb carry = carryOf(v);
        x.r[j] = static_cast<limb>(static_cast<ulimb>(v) - static_cast<ulimb>(carry) * kLimbRadix +
                                   static_cast<ulimb>(incoming));
        incoming = carry;
    }
    // The top limb takes the rest: X stays below 3d, so it stays within a limb.
    x.r[top] = static_cast<limb>(static_cast<ulimb>(scale) * static_cast<ulimb>(x.r[top]) -
                                 static_cast<ulimb>(sub) * static_cast<ulimb>(dv.d[top]) +
                                 static_cast<ulimb>(incoming));
}

#if KESTROM_LIMB_BITS == 64
// out := R^U * scale * in - sub * D, sub = 3B in U + 1 limbs, carried from limb to limb
// (fusedCarryOf); in and D have U zero limbs below them. U = 1 ... kPad.
template <int U>
__attribute__((noinline)) void applyGroup(const limb* in, limb* out, const DivisorSide& dv,
                                          limb scale, const limb* sub) {
    const int top = dv.limbs - 1;
    const limb* d = dv.d;
    limb carry = 0;
    for (int j = 0; j < top; ++j) {
        wide v = static_cast<wide>(carry) + static_cast<wide>(scale) * in[j - U];
#pragma GCC unroll 4
        for (int i = 0; i <= U; ++i) v -= static_cast<wide>(sub[i]) * d[j - i];
        carry = fusedCarryOf(v);
        out[j] = static_cast<limb>(static_cast<ulimb>(v) - static_cast<ulimb>(carry) * kLimbRadix);
    }
    // The top limb takes the rest, the sums of its column and the U above it, modulo 2^W: the
    // new X stays below 3d, so it stays within a limb.
    ulimb rest = static_cast<ulimb>(carry), weight = 1;
    for (int m = 0; m <= U; ++m) {
        ulimb column = static_cast<ulimb>(scale) * static_cast<ulimb>(in[top + m - U]);
        for (int i = m; i <= U; ++i)
            column -= static_cast<ulimb>(sub[i]) * static_cast<ulimb>(d[top + m - i]);
        rest += weight * column;
        weight *= static_cast<ulimb>(kLimbRadix);
    }
    out[top] = static_cast<limb>(rest);
}

// v = c * R + low with |low| <= (R-1)/2, returning c; |v| below 3^kMaxPass * R, where
// fusedCarryOf leaves v - c * R in (-R/4, 4R/3).
KESTROM_INLINE limb splitBalanced(wide v, limb& low) {
    limb c = fusedCarryOf(v);
    limb l = static_cast<limb>(static_cast<ulimb>(v) - static_cast<ulimb>(c) * kLimbRadix);
    if (l > kLimbMost) {
        l -= kLimbRadix;
        ++c;
    }
    low = l;
    return c;
}

// 3B of a group in balanced limbs: sub := sub * 3^k + 3b over `count` limbs (|3b| < R/2), the
// top one taking the rest; returns the new count.
int appendDigits(limb* sub, int count, int k, limb b) {
    const wide scale = static_cast<wide>(pow3(k));
    limb carry = 3 * b;
    for (int i = 0; i < count; ++i) carry = splitBalanced(sub[i] * scale + carry, sub[i]);
    sub[count] = carry;
    return count + 1;
}
#endif

// Q += sign(D) * b * 3^lowest, the digits of a pass whose lowest position is `lowest`.
KESTROM_INLINE void addDigits(Remainder& x, const DivisorSide& dv, int lowest, limb b) {
    const int at = lowest / kLimbTrits;
    x.quot[at] += static_cast<wide>(dv.signD * b) * static_cast<wide>(pow3(lowest - at * kLimbTrits));
}

// One pass of k <= kMaxPass positions from position p down.
KESTROM_INLINE void runPass(Remainder& x, Stages& s, PassBounds& bounds, int p, int k) {
    // Passes only get shorter, so the end of an earlier one needs no restoring.
    if (k < kMaxPass) bounds.at[k] = kPassStop;
    const limb b = estimatePass<false>(s, 0, bounds, k);
    addDigits(x, *s.dv, p + 1 - k, b);
    applyPass(x, *s.dv, static_cast<limb>(pow3(k)), 3 * b);
}

#if KESTROM_LIMB_BITS == 64
// One group of k > kMaxPass positions (groupTakes(k)) from position p down: its passes' digits
// go into Q, and X takes them at once. Stage 0 is X.
KESTROM_INLINE void runGroup(Remainder& x, Stages& s, PassBounds& bounds, int p, int k) {
    const DivisorSide& dv = *s.dv;
    int rooms[kGroupPasses] = {};
    limb digits[kGroupPasses] = {};
    int passes = 0;
    const int planned = (k + kMaxPass - 1) / kMaxPass;
    for (int left = k; left > 0; ++passes) {
        const int room = left < kMaxPass ? left : kMaxPass;
        if (room < kMaxPass) bounds.at[room] = kPassStop;
        // Each stage as deep as the later ones need for their estimates (two limbs).
        if (passes > 0)
            startStage(s, passes, rooms[passes - 1], digits[passes - 1],
                       dv.limbs - 2 - (planned - 1 - passes));
        const limb b = estimatePass<true>(s, passes, bounds, room);
        rooms[passes] = room;
        digits[passes] = b;
        left -= room;
        p -= room;
        addDigits(x, dv, p + 1, b);
    }
    limb sub[kPad + 2] = {3 * digits[0]};
    int count = 1;
    for (int g = 1; g < passes; ++g) count = appendDigits(sub, count, rooms[g], digits[g]);
    // count = passes > u: the limbs above sub[u] are zero, as 3B < 3^(k+1) <= R^u * R/2.
    const int u = k / kLimbTrits;
    limb* out = x.r == x.buffers[0] + kPad ? x.buffers[1] + kPad : x.buffers[0] + kPad;
    const limb scale = static_cast<limb>(pow3(k - u * kLimbTrits));
    static_assert(kPad == 3, "one update for each u");
    if (u == 1) applyGroup<1>(x.r, out, dv, scale, sub);
    if (u == 2) applyGroup<2>(x.r, out, dv, scale, sub);
    if (u == 3) applyGroup<3>(x.r, out, dv, scale, sub);
    x.r = out;
}
#endif

// The lazily carried limbs brought into canonical form (limbs below the top lie within
// (-R/4, 4R/3), so one carry of -1 ... 1 each is enough).
void carryRemainder(limb* r, int limbs) {
    limb carry = 0;
    for (int j = 0; j + 1 < limbs; ++j) {
        const limb v = r[j] + carry;
        carry = v > kLimbMost ? 1 : (v < -kLimbMost ? -1 : 0);
        r[j] = v - carry * kLimbRadix;
    }
    r[limbs - 1] += carry;
}

// Q's limbs carried into canonical form and written as mantLen+3 trits into quotA, as
// quotA + quotB leaves it; returns Q's significant trits. A limb sums the digits of the passes
// whose lowest position lies in it, digits of distinct positions below 3^(2 * kLimbTrits - 3):
// below 3^kMaxPass * R / 3, so one carry through carryOf each leaves the limbs as lazily
// carried as the remainder's.
int storeQuotientTrits(trit* quotA, int n, const wide* quot) {
    const int top = limbsFor(n + 3) - 1;
    limb q[kMaxLimbs];
    limb carry = 0;
    for (int j = 0; j < top; ++j) {
        const wide v = quot[j] + carry;
        carry = carryOf(v);
        q[j] = static_cast<limb>(static_cast<ulimb>(v) - static_cast<ulimb>(carry) * kLimbRadix);
    }
    q[top] = static_cast<limb>(quot[top] + carry);  // Q fits its trits
    carryRemainder(q, top + 1);
    writeLimbs(quotA, n + 3, q);
    return significantTrits(q, top + 1);
}

// The recurrence from position n down to 0 one pass at a time.
KESTROM_INLINE void dividePasses(Remainder& x, Stages& s, PassBounds& bounds, int n) {
    for (int p = n; p >= 0; p -= kMaxPass)
        runPass(x, s, bounds, p, p + 1 < kMaxPass ? p + 1 : kMaxPass);
}

#if KESTROM_LIMB_BITS == 64
// Remainders of fewer limbs take one pass at a time: there the stages cost more than the fused
// update saves.
constexpr int kFusedLimbs = 20;

// The positions of the next group, at most `left`: as many as a group takes.
int groupLength(int left) {
    int k = left < kGroupPasses * kMaxPass ? left : kGroupPasses * kMaxPass;
    while (!groupTakes(k)) --k;
    return k;
}

// The recurrence from position n down to 0 in groups.
__attribute__((noinline)) void divideGroups(Remainder& x, const DivisorSide& dv, PassBounds& bounds,
                                            int n) {
    limb formed[kPad][kMaxLimbs];
    Stages s;
    s.dv = &dv;
    s.at[0].low = 0;
    s.formed = formed;
    for (int p = n; p >= 0;) {
        const int k = groupLength(p + 1);
        s.at[0].r = x.r;  // a fused update writes the other buffer
        if (k <= kMaxPass)
            runPass(x, s, bounds, p, k);
        else
            runGroup(x, s, bounds, p, k);
        p -= k;
    }
}
#endif

// The recurrence from position n down to 0 on X (read into x.r) and D (read into dv.d, of sign
// signD), leaving X lazily carried and Q's digits in x.quot.
__attribute__((noinline)) void divideLimbs(Remainder& x, DivisorSide& dv, int n, limb signD) {
    PassBounds bounds;
    prepareDivisor(dv, bounds, n, signD);
    for (int j = 0; j < limbsFor(n + 3); ++j) x.quot[j] = 0;
#if KESTROM_LIMB_BITS == 64
    if (dv.limbs >= kFusedLimbs) {
        divideGroups(x, dv, bounds, n);
        return;
    }
#endif
    Stages s;
    s.dv = &dv;
    s.at[0].r = x.r;
    s.at[0].low = 0;
    s.formed = nullptr;  // one stage only
    dividePasses(x, s, bounds, n);
}

bool divLong(trit* resExp, trit* resMant, int expLen, int n, const trit* expA, trit* mantA,
             const trit* expB, const trit* mantB, trit* quotA, const trit* quotB,
             const trit* mantScratch, const trit* expScratch) {
    DivisorSide dv;
    Remainder x;
    i64 e;
    for (int j = 0; j < kPad; ++j) dv.padded[j] = x.buffers[0][j] = x.buffers[1][j] = 0;
    dv.d = dv.padded + kPad;
    x.r = x.buffers[0] + kPad;
    dv.limbs = limbsFor(n + 1);
    dv.d[dv.limbs - 1] = 0;  // the divisor's n trits may need one limb fewer
    const bool validA = readLimbs(mantA, n + 1, x.r);
    const bool validB = readLimbs(mantB, n, dv.d);
    if (!(validA && validB) ||
        !checkRest(expLen, n, expA, expB, mantA, mantB, quotA, quotB, mantScratch, expScratch, e))
        return false;

    divideLimbs(x, dv, n, mantB[n - 1]);
    carryRemainder(x.r, dv.limbs);
    writeLimbs(mantA, n + 1, x.r);
    const int used = storeQuotientTrits(quotA, n, x.quot);
    storeQuotientFrom(resExp, resMant, expLen, n, quotA, used, e);
    return true;
}

// The paths below, chosen by length; false when the call is not theirs to take.
KESTROM_INLINE bool divPaths(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA,
                             trit* mantA, trit* expB, trit* mantB, trit* quotA, trit* quotB,
                             trit* mantScratch, trit* expScratch) {
    if (!takesLengths(expLen, mantLen, 2)) return false;
    if (isShort(mantLen))
        return divShort<limb>(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, quotA,
                              quotB, mantScratch, expScratch);
#if KESTROM_LIMB_BITS == 32
    if (isMedium(mantLen))
        return divShort<i64>(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, quotA,
                             quotB, mantScratch, expScratch);
#endif
    return divLong(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, quotA, quotB,
                   mantScratch, expScratch);
}

}  // namespace

void divWords(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA, trit* mantA,
              trit* expB, trit* mantB, trit* quotA, trit* quotB, trit* mantScratch,
              trit* expScratch, DivRoutine otherwise) {
    if (!divPaths(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, quotA, quotB,
                  mantScratch, expScratch))
        otherwise(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, quotA, quotB,
                  mantScratch, expScratch);
}

#else

void divWords(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA, trit* mantA,
              trit* expB, trit* mantB, trit* quotA, trit* quotB, trit* mantScratch,
              trit* expScratch, DivRoutine otherwise) {
    otherwise(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, quotA, quotB,
              mantScratch, expScratch);
}

#endif

}  // namespace words
}  // namespace kestrom

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
    limb d[kMaxLimbs];  // |D|, canonical
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

// The remainder X before the selections of the next position, and Q's limbs, each summing the
// digits at positions kLimbTrits * j and up (at most two limbs' worth).
struct Remainder {
    limb r[kMaxLimbs];
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

// What a pass's selections in doubt need: the remainder and its estimate at the pass's start,
// and where the pass ends.
struct PassStart {
    const Remainder* x;
    const DivisorSide* dv;
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
__attribute__((noinline)) limb settle(const PassStart& ps, const Bounds* at, limb xh) {
    if (at == ps.end) return kPassEnd;
    const DivisorSide& dv = *ps.dv;
    const int j = static_cast<int>(at - ps.first);
    const limb b = passDigits(dv, ps.xh0, xh, j);
    const limb sign = xh < 0 ? -1 : 1;
    const limb tau = sign * xh >= at->one ? 1 : -1;
    const limb scale = sign * static_cast<limb>(pow3(j));
    const limb sub = 3 * sign * b + 1;
    const wide bound = static_cast<wide>(pow3(j + 1)) + 1;
    const limb* r = ps.x->r;
    wide z = 0;
    for (int i = dv.limbs - 1; i >= 0; --i) {
        z = z * kLimbRadix + static_cast<wide>(scale) * r[i] - static_cast<wide>(sub) * dv.d[i] -
            tau * tLimb(dv.n, i);
        if (z > bound || z < -bound) break;
    }
    // |X| >= d - T, or |X| > d + T.
    const limb s = tau < 0 ? (z >= 0 ? 1 : 0) : (z > 0 ? 2 : 1);
    return sign * s;
}

// Runs `room` positions on the estimate of X, settling the selections it leaves in doubt from
// the exact remainder; returns their digits (times sign(D)) as the integer b. bounds.at[room]
// is the one that settles nothing.
__attribute__((noinline)) limb estimatePass(const Remainder& x, const DivisorSide& dv,
                                            const PassBounds& bounds, int room) {
    const limb xh0 = estimateOf(x.r, dv);
    const PassStart ps = {&x, &dv, bounds.at, bounds.at + room, xh0};
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
            const limb f = settle(ps, at, sign * a);
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
__attribute__((noinline)) void applyPass(Remainder& x, const DivisorSide& dv, limb scale,
                                         limb sub) {
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
// quotA + quotB leaves it; returns Q's significant trits. A limb sums the digits of at most
// three passes (passes of kMaxPass positions, only the last one shorter), each below
// 3^kMaxPass * R / 3, so one carry through carryOf each leaves the limbs as lazily carried as
// the remainder's.
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

bool divLong(trit* resExp, trit* resMant, int expLen, int n, const trit* expA, trit* mantA,
             const trit* expB, const trit* mantB, trit* quotA, const trit* quotB,
             const trit* mantScratch, const trit* expScratch) {
    DivisorSide dv;
    PassBounds bounds;
    Remainder x;
    i64 e;
    dv.limbs = limbsFor(n + 1);
    dv.d[dv.limbs - 1] = 0;  // the divisor's n trits may need one limb fewer
    const bool validA = readLimbs(mantA, n + 1, x.r);
    const bool validB = readLimbs(mantB, n, dv.d);
    if (!(validA && validB) ||
        !checkRest(expLen, n, expA, expB, mantA, mantB, quotA, quotB, mantScratch, expScratch, e))
        return false;

    prepareDivisor(dv, bounds, n, mantB[n - 1]);
    for (int j = 0; j < limbsFor(n + 3); ++j) x.quot[j] = 0;
    for (int p = n; p >= 0;) {
        const int room = p + 1 < kMaxPass ? p + 1 : kMaxPass;
        // Passes only get shorter, so the end of an earlier one needs no restoring.
        if (room < kMaxPass) bounds.at[room] = kPassStop;
        const limb b = estimatePass(x, dv, bounds, room);
        applyPass(x, dv, static_cast<limb>(pow3(room)), 3 * b);
        p -= room;
        const int lowest = p + 1, at = lowest / kLimbTrits;
        x.quot[at] +=
            static_cast<wide>(dv.signD * b) * static_cast<wide>(pow3(lowest - at * kLimbTrits));
    }
    carryRemainder(x.r, dv.limbs);
    writeLimbs(mantA, n + 1, x.r);
    const int used = storeQuotientTrits(quotA, n, x.quot);
    storeQuotientFrom(resExp, resMant, expLen, n, quotA, used, e);
    return true;
}

}  // namespace

bool divWords(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA, trit* mantA,
              trit* expB, trit* mantB, trit* quotA, trit* quotB, trit* mantScratch,
              trit* expScratch) {
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

#else

bool divWords(trit*, trit*, int, int, trit*, trit*, trit*, trit*, trit*, trit*, trit*, trit*) {
    return false;
}

#endif

}  // namespace words
}  // namespace kestrom

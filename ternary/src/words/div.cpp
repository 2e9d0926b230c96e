// SPDX-License-Identifier: MIT
#include "convert.h"
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
    const bool negative = (a < 0) != (b < 0);
    storeQuotient<V>(resExp, resMant, expLen, n, negative ? 0 - q : q, negative, e);
    writeValue(mantA, n + 1, r);
    return true;
}

// Lexicographic comparison of sign * r with x, both canonical: -1, 0 or +1.
int compare(const limb* r, limb sign, const limb* x, int limbs) {
    for (int j = limbs - 1; j >= 0; --j) {
        const limb v = sign * r[j] - x[j];
        if (v != 0) return v > 0 ? 1 : -1;
    }
    return 0;
}

// Longer mantissas: the same recurrence on limbs, several positions per pass. With S = 3^s
// the weight of the second limb from the top, X = Xh * S + Xl and d = dh * S + dl, where the
// low parts are below S/2 (canonical limbs), and T = Th * S + (S - 1) / 2. Running the
// recurrence on Xh, dh alone, Xh := 3 * (Xh - f * dh), leaves an error E = X - Xh * S with
// E' = 3 * (E - f * dl), so |E| < (2 * 3^j - 1.5) * S after j positions. A selection is
// certain when |Xh| is at least m = 2 * 3^j + 2 away from Lh = dh - Th and Hh = dh + Th (the
// thresholds d - T and d + T lie within one S below Lh and above Hh): then it is the one the
// exact remainder makes. The first position that is not certain ends the pass and runs on all
// limbs. A pass of k positions leaves X := 3^k * X - 3 * D * B, B the pass's digits as an
// integer, which goes into Q at the pass's lowest position.
//
// The top two limbs hold w = n + 1 - (limbs - 2) * kLimbTrits trits of X, kLimbTrits + 1 ...
// 2 * kLimbTrits; rounded to their top kEstimateTrits (S grows by 3^(w - kEstimateTrits), the
// low part still below S/2), Xh and dh fit a limb: dh has kLimbTrits trits,
// |Xh| < 3 * dh + m < 3^kEstimateTrits, and Th = most(kLimbTrits - 2). Passes of up to
// kMaxPass positions keep m below 3^kMaxPass, a few hundredths of the thresholds' scale, so a
// pass seldom stops short; and |B| < 3^kMaxPass keeps the update in wide words.
constexpr int kEstimateTrits = kLimbTrits + 1;
constexpr int kMaxPass = kLimbTrits - 3;
static_assert(4 * static_cast<uwide>(kRadix3.pow3[kMaxPass]) * static_cast<uwide>(kLimbMost) <
                  (static_cast<uwide>(1) << (2 * kLimbBits - 2)),
              "a pass's update of one limb fits a wide word");

// The divisor side of the recurrence, fixed for the whole division.
struct DivisorSide {
    int limbs;
    limb signD;
    limb d[kMaxLimbs];      // |D|
    limb low[kMaxLimbs];    // d - T
    limb high[kMaxLimbs];   // d + T
    int drop;               // the trits below the estimate in the top two limbs
    limb dh, lh, hh;        // the estimates of d, d - T, d + T
};

// The remainder X before the selections of the next position, and Q's limbs, each summing the
// digits at positions kLimbTrits * j and up (at most two limbs' worth).
struct Remainder {
    limb r[kMaxLimbs];
    wide quot[kMaxLimbs];
};

// Sets up d, the thresholds and their estimates from the divisor's limbs (read into d).
void prepareDivisor(DivisorSide& dv, int n, limb signD) {
    const int limbs = dv.limbs;
    limb t[kMaxLimbs];
    dv.signD = signD;
    for (int j = 0; j < limbs; ++j) {
        dv.d[j] *= signD;
        // T: +1 in every position below mantLen-2.
        const int count = n - 2 - j * kLimbTrits;
        t[j] = static_cast<limb>(most(count <= 0 ? 0 : (count > kLimbTrits ? kLimbTrits : count)));
    }
    addLimbs(dv.low, dv.d, -1, t, limbs);
    addLimbs(dv.high, dv.d, 1, t, limbs);
    dv.drop = n + 1 - (limbs - 2) * kLimbTrits - kEstimateTrits;
    dv.dh = roundDivPow3(static_cast<wide>(dv.d[limbs - 1]) * kLimbRadix + dv.d[limbs - 2], dv.drop);
    const limb th = static_cast<limb>(most(kLimbTrits - 2));
    dv.lh = dv.dh - th;
    dv.hh = dv.dh + th;
}

// One position, every limb compared: for selections the top limbs cannot settle.
__attribute__((noinline)) void exactStep(Remainder& x, const DivisorSide& dv, int p) {
    const int limbs = dv.limbs;
    limb* r = x.r;
    int top = limbs - 1;
    while (top > 0 && r[top] == 0) --top;
    const limb sign = r[top] < 0 ? -1 : 1;
    const int aboveHigh = compare(r, sign, dv.high, limbs) > 0;
    const int atLeastLow = compare(r, sign, dv.low, limbs) >= 0;
    const limb s = aboveHigh + atLeastLow;
    const int at = p / kLimbTrits;
    x.quot[at] += static_cast<wide>(sign * dv.signD * s) * static_cast<wide>(pow3(p - at * kLimbTrits));
    // Remainders stay below 3d, so 3 * (r - f*d) per limb stays within 9 * kLimbMost and its
    // carry, floor((v + most) / radix), within -4 ... 4; a limb that the incoming carry pushes
    // past the canonical range (by at most 4) is fixed in a second, usually empty, pass.
    constexpr ulimb kBias = static_cast<ulimb>(kLimbMost) + 5 * static_cast<ulimb>(kLimbRadix);
    const limb f = sign * s;  // -2 ... 2; f * d is not canonical for |f| = 2, which this allows
    limb incoming = 0;
    for (int j = 0; j < limbs; ++j) {
        const limb v = 3 * (r[j] - f * dv.d[j]);
        const limb carry =
            static_cast<limb>((static_cast<ulimb>(v) + kBias) / static_cast<ulimb>(kLimbRadix)) - 5;
        r[j] = v - carry * kLimbRadix + incoming;
        incoming = carry;
    }
    for (int j = 0; j + 1 < limbs; ++j) {
        if (r[j] > kLimbMost) {
            r[j] -= kLimbRadix;
            ++r[j + 1];
        } else if (r[j] < -kLimbMost) {
            r[j] += kLimbRadix;
            --r[j + 1];
        }
    }
}

// Runs up to `room` positions on the estimate of X alone, while each selection is certain;
// returns how many, with their digits (times sign(D)) as the integer b.
int estimatePass(const Remainder& x, const DivisorSide& dv, int room, limb& b) {
    const int limbs = dv.limbs;
    limb xh = roundDivPow3(static_cast<wide>(x.r[limbs - 1]) * kLimbRadix + x.r[limbs - 2], dv.drop);
    limb m = 4;  // 2 * 3^0 + 2
    const limb dh = dv.dh, lh = dv.lh, hh = dv.hh;
    b = 0;
    int k = 0;
    for (; k < room; ++k) {
        // Uncertain when |Xh| lies within m of Lh or Hh.
        const limb negative = xh < 0 ? -1 : 0;
        const limb a = (xh ^ negative) - negative;
        if (static_cast<ulimb>(a - lh + m) < static_cast<ulimb>(2 * m) ||
            static_cast<ulimb>(a - hh + m) < static_cast<ulimb>(2 * m))
            break;
        // s from the magnitude, f = sign * s.
        const limb s = (a > hh) + (a >= lh);
        const limb f = (s ^ negative) - negative;
        xh = 3 * (xh - f * dh);
        b = 3 * b + f;
        m = 3 * m - 4;
    }
    return k;
}

// X := 3^k * X - 3 * b * d on every limb, and Q += sign(D) * b * 3^lowest.
void applyPass(Remainder& x, const DivisorSide& dv, int k, limb b, int lowest) {
    const int limbs = dv.limbs;
    // 3^k and 3b fit a limb, so each product below is one limb-by-limb multiplication.
    const limb scale = static_cast<limb>(pow3(k));
    const limb sub = 3 * b;
    // |v| <= (4 * 3^k - 3) * kLimbMost, so each limb's carry, taken from its own value, stays
    // below 2 * 3^k; the incoming carry then leaves a limb less than a radix past the canonical
    // range, which a second pass of carries of -1 ... 1 fixes.
    constexpr ulimb kFixBias = static_cast<ulimb>(kLimbMost) + 5 * static_cast<ulimb>(kLimbRadix);
    limb incoming = 0;
    for (int j = 0; j < limbs; ++j) {
        const wide v = static_cast<wide>(scale) * x.r[j] - static_cast<wide>(sub) * dv.d[j];
        const limb carry = roundDivPow3(v, kLimbTrits);
        x.r[j] = static_cast<limb>(v - static_cast<wide>(carry) * kLimbRadix) + incoming;
        incoming = carry;
    }
    limb fix = 0;
    for (int j = 0; j < limbs; ++j) {
        const limb v = x.r[j] + fix;
        fix = static_cast<limb>((static_cast<ulimb>(v) + kFixBias) / static_cast<ulimb>(kLimbRadix)) - 5;
        x.r[j] = v - fix * kLimbRadix;
    }
    const int at = lowest / kLimbTrits;
    x.quot[at] += static_cast<wide>(dv.signD * b) * static_cast<wide>(pow3(lowest - at * kLimbTrits));
}

// Q's limbs carried into canonical form and written as mantLen+3 trits into quotA, as
// quotA + quotB leaves it; returns Q's significant trits.
int storeQuotientTrits(trit* quotA, int n, const wide* quot) {
    const int quotLimbs = limbsFor(n + 3);
    limb q[kMaxLimbs];
    limb carry = 0;
    for (int j = 0; j < quotLimbs; ++j) {
        const wide v = quot[j] + carry;
        carry = roundDivPow3(v, kLimbTrits);
        q[j] = static_cast<limb>(v - static_cast<wide>(carry) * kLimbRadix);
    }
    writeLimbs(quotA, n + 3, q);
    return significantTrits(q, quotLimbs);
}

bool divLong(trit* resExp, trit* resMant, int expLen, int n, const trit* expA, trit* mantA,
             const trit* expB, const trit* mantB, trit* quotA, const trit* quotB,
             const trit* mantScratch, const trit* expScratch) {
    DivisorSide dv;
    Remainder x;
    i64 e;
    dv.limbs = limbsFor(n + 1);
    dv.d[dv.limbs - 1] = 0;  // the divisor's n trits may need one limb fewer
    const bool validA = readLimbs(mantA, n + 1, x.r);
    const bool validB = readLimbs(mantB, n, dv.d);
    if (!(validA && validB) ||
        !checkRest(expLen, n, expA, expB, mantA, mantB, quotA, quotB, mantScratch, expScratch, e))
        return false;

    prepareDivisor(dv, n, mantB[n - 1]);
    for (int j = 0; j < limbsFor(n + 3); ++j) x.quot[j] = 0;
    int p = n;
    while (p >= 0) {
        const int room = p + 1 < kMaxPass ? p + 1 : kMaxPass;
        limb b;
        const int k = estimatePass(x, dv, room, b);
        if (k > 0) {
            applyPass(x, dv, k, b, p - k + 1);
            p -= k;
        }
        if (k < room) {
            exactStep(x, dv, p);
            --p;
        }
    }
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

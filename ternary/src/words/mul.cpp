// SPDX-License-Identifier: MIT
#include "convert.h"
#include "lengths.h"
#include "limbs.h"
#include "moves.h"
#include "mul_operands.h"
#include "mul_product.h"
#include "normalize.h"
#include "operations.h"
#include "pairs.h"
#include "value.h"

namespace kestrom {
namespace words {

#if KESTROM_WORD_LEVEL

// Why one product suffices: each round of the trit-level product drops the window's lowest
// trit (rounding to nearest) and adds A times the next trit of B. Dropping trits one at a
// time gives the same integer as dropping them all at once, so after the last round the
// window holds round(A*B / 3^(mantLen-1)), as long as no carry leaves its guard. For valid
// operands the window never exceeds (3^(mantLen+1) - 1) / 4 in magnitude, well inside the
// mantLen+1 trits, so none does.

namespace {

// Reads both exponents with their guards (the product's exponent sum takes them in) and
// checks what the trit-level product would read beyond the operands.
KESTROM_INLINE bool readExponents(int expLen, int n, const trit* expA, const trit* expB, const trit* resMant,
                   const trit* expScratch, const trit* mantScratch, i64& e) {
    limb ea, eb;
    if (!readPair(expA, expB, expLen + 1, ea, eb) || resMant[n] != 0 || (n >= 2 && mantScratch[n] != 0) ||
        !allZero(expScratch + 1, expLen))
        return false;
    const int expTrits = expLen + 1;
    e = wrap(wrap(static_cast<i64>(ea) + eb, expTrits) - 1, expTrits);
    return true;
}

// Mantissas shorter than kWordTrits: the product fits a wide word, the window one limb.
bool mulShort(trit* resExp, trit* resMant, int expLen, int n, const trit* expA,
              const trit* mantA, const trit* expB, const trit* mantB, const trit* expScratch,
              const trit* mantScratch) {
    limb a, b;
    i64 e;
    if (!readPair(mantA, mantB, n, a, b) ||
        !readExponents(expLen, n, expA, expB, resMant, expScratch, mantScratch, e))
        return false;
#if KESTROM_LIMB_BITS == 64
    // Up to 20 trits the product, below 3^40 / 4, fits 63 bits, and so does its rounding.
    const limb window = n >= 2 && n <= 20 ? roundDivPow3Narrow(a * b, n - 1)
                                          : roundDivPow3(static_cast<wide>(a) * b, n - 1);
#else
    const limb window = roundDivPow3(static_cast<wide>(a) * b, n - 1);
#endif
    storeNormalized(resExp, resMant, expLen, n, window, e);
    return true;
}

#if KESTROM_LIMB_BITS == 32

// With 32-bit limbs, mantissas of 20 to 39 trits: each operand as two digits of 20 trits,
// x = x1 * R + x0 (R = 3^20, both digits balanced), so that the three columns of the product
// fit 64 bits; carried into balanced digits, they are the trits of the product, 20 at a time,
// and the window is the digits' trits above position n-1.
bool mulMedium(trit* resExp, trit* resMant, int expLen, int n, const trit* expA,
               const trit* mantA, const trit* expB, const trit* mantB, const trit* expScratch,
               const trit* mantScratch) {
    limb a0, a1, b0, b1;
    i64 e;
    const bool validA0 = readTrits(mantA, kWordTrits, a0);
    const bool validA1 = readTrits(mantA + kWordTrits, n - kWordTrits, a1);
    const bool validB0 = readTrits(mantB, kWordTrits, b0);
    const bool validB1 = readTrits(mantB + kWordTrits, n - kWordTrits, b1);
    if (!(validA0 && validA1 && validB0 && validB1) ||
        !readExponents(expLen, n, expA, expB, resMant, expScratch, mantScratch, e))
        return false;
    const i64 r = static_cast<i64>(pow3(kWordTrits));
    const i64 c0 = static_cast<i64>(a0) * b0;
    const i64 q0 = roundDivValue(c0, kWordTrits);
    const i64 x0 = c0 - q0 * r;
    const i64 c1 = static_cast<i64>(a0) * b1 + static_cast<i64>(a1) * b0 + q0;
    const i64 q1 = roundDivValue(c1, kWordTrits);
    const i64 x1 = c1 - q1 * r;
    const i64 x2 = static_cast<i64>(a1) * b1 + q1;
    const int k = n - 1;  // 19 ... 38
    const i64 window = k >= kWordTrits
                           ? x2 * static_cast<i64>(kMost64.pow3[2 * kWordTrits - k]) +
                                 roundDivValue(x1, k - kWordTrits)
                           : x2 * static_cast<i64>(kMost64.pow3[2 * kWordTrits - k]) +
                                 x1 * static_cast<i64>(pow3(kWordTrits - k)) + roundDivValue(x0, k);
    storeNormalized(resExp, resMant, expLen, n, window, e);
    return true;
}

#endif

// Longer mantissas: the product on limbs from the limb that holds trit n-1 up. Its window,
// trits n-1 ... 2n-1, with `used` significant trits, goes straight to its normalized place
// in resMant: shifted up by n - used, or down by one when it reaches the guard. Where the
// operands' top limbs have room, A is read raised by that room and B by one trit, so that
// trit n-1 of the product lands at the start of a limb and the window is whole limbs.
bool mulLong(trit* resExp, trit* resMant, int expLen, int n, const trit* expA,
             const trit* mantA, const trit* expB, const trit* mantB, const trit* expScratch,
             const trit* mantScratch) {
    const int limbs = limbsFor(n);
    const int room = limbs * kLimbTrits - n;
    const bool raise = (n - 1) % kLimbTrits != 0 && room != 0;
    const int liftA = raise ? room : 0, liftB = raise ? 1 : 0;
    // Each operand with the zero limbs the product reads past it (mul_product.h).
    limb a[kMaxLimbs + kProductPad], bPadded[kProductPad + kMaxLimbs];
    limb* const b = bPadded + kProductPad;
    i64 e;
    if (!readOperands(mantA, mantB, n, liftA, liftB, limbs, a, b) ||
        !readExponents(expLen, n, expA, expB, resMant, expScratch, mantScratch, e))
        return false;

    for (int j = 0; j < kProductPad; ++j) {
        a[limbs + j] = 0;
        bPadded[j] = 0;
    }
    // The product is A * B * 3^lift; its trit n-1+lift starts the window.
    const int lift = liftA + liftB;
    const int low = n - 1 + lift;
    const int from = low / kLimbTrits;
    limb x[2 * kMaxLimbs];
    multiplyFrom(x, a, b, limbs, from);
    const int top = significantTrits(x + from, 2 * limbs - from);
    const int used = top == 0 ? 0 : from * kLimbTrits + top - low;
    resMant[n] = 0;
    if (used <= 0) {
        clearTrits(resMant, n);
        normalizeInPlace(resExp, resMant, expLen, n, 0, e);
    } else if (used > n) {
        writeLimbsFrom(resMant, n, x, low + 1);
        storeExponent(resExp, expLen, e + 1);
    } else {
        const int z = n - used;
        clearTrits(resMant, z);
        writeLimbsFrom(resMant + z, used, x, low);
        storeExponent(resExp, expLen, e - z);
    }
    return true;
}

// The paths below, chosen by length; false when the call is not theirs to take.
KESTROM_INLINE bool mulPaths(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA,
                             trit* mantA, trit* expB, trit* mantB, trit* expScratch,
                             trit* mantScratch) {
    if (!takesLengths(expLen, mantLen, 1)) return false;
    if (isShort(mantLen))
        return mulShort(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, expScratch,
                        mantScratch);
#if KESTROM_LIMB_BITS == 32
    if (isMedium(mantLen))
        return mulMedium(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, expScratch,
                         mantScratch);
#endif
    return mulLong(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, expScratch,
                   mantScratch);
}

}  // namespace

void mulWords(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA, trit* mantA,
              trit* expB, trit* mantB, trit* expScratch, trit* mantScratch, MulRoutine otherwise) {
    if (!mulPaths(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, expScratch,
                  mantScratch))
        otherwise(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, expScratch,
                  mantScratch);
}

#else

void mulWords(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA, trit* mantA,
              trit* expB, trit* mantB, trit* expScratch, trit* mantScratch, MulRoutine otherwise) {
    otherwise(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, expScratch,
              mantScratch);
}

#endif

}  // namespace words
}  // namespace kestrom

// SPDX-License-Identifier: MIT
#include "convert.h"
#include "lengths.h"
#include "limbs.h"
#include "moves.h"
#include "normalize.h"
#include "operations.h"
#include "pairs.h"
#include "value.h"

#if KESTROM_SSE2
#include "../x86/trit_sum.h"
#endif

namespace kestrom {
namespace words {

#if KESTROM_WORD_LEVEL

namespace {

// What the trit-level sum reads beyond valid trits: zero operand guards (the sum takes them
// in), the result exponent's guard (the normalization adds into it) and clear scratch.
KESTROM_INLINE bool checkRest(int expLen, int n, const trit* resExp, const trit* mantA, const trit* mantB,
               const trit* expScratch) {
    return mantA[n] == 0 && mantB[n] == 0 && resExp[expLen] == 0 && allZero(expScratch + 1, expLen);
}

#if KESTROM_SSE2

// Mantissas of up to 15 trits on x86: both strings in one register, summed as trits; the
// shifts are shifts of the words that hold them.
bool addShortTrits(trit* resExp, trit* resMant, int expLen, int n, trit* expA, trit* mantA,
                   trit* expB, trit* mantB, trit* expScratch) {
    const int len = n + 1;
    Trits16 a = loadTrits16(mantA, len), b = loadTrits16(mantB, len);
    limb ea, eb;
    const bool validE = readPair(expA, expB, expLen, ea, eb);
    if (!(sse2::validTrits16(a, b) && validE) ||
        !checkRest(expLen, n, resExp, mantA, mantB, expScratch))
        return false;

    i64 e = eb;
    if (isZero(a)) {
        e = eb;
    } else if (isZero(b)) {
        e = ea;
    } else if (ea < eb) {
        a = dropLow(a, eb - ea);
        storeTrits16(mantA, len, a);
    } else if (ea > eb) {
        b = dropLow(b, ea - eb);
        storeTrits16(mantB, len, b);
        e = ea;
    }
    Trits16 r = sse2::sumTrits16(a, b);
    const int used = significantTrits16(r);
    if (used > n)
        r = dropLow(r, 1);
    else if (used > 0)
        r = raise(r, n - used);
    storeTrits16(resMant, len, r);
    storeNormalizedExponent(resExp, expLen, n, used, e);
    return true;
}

// Longer mantissas on x86: the alignment moves the trits of the caller's array, as the
// operation documents, and the sum is formed on the trits themselves.
bool addLong(trit* resExp, trit* resMant, int expLen, int n, trit* expA, trit* mantA,
             trit* expB, trit* mantB, trit* expScratch) {
    limb ea, eb;
    bool nonzeroA, nonzeroB;
    const bool validAB = sse2::scanTrits(mantA, mantB, n + 1, nonzeroA, nonzeroB);
    const bool validE = readPair(expA, expB, expLen, ea, eb);
    if (!(validAB && validE) ||
        !checkRest(expLen, n, resExp, mantA, mantB, expScratch))
        return false;

    i64 e = eb;
    if (!nonzeroA) {
        e = eb;
    } else if (!nonzeroB) {
        e = ea;
    } else if (ea < eb) {
        dropLowTrits(mantA, n, eb - ea);
    } else if (ea > eb) {
        dropLowTrits(mantB, n, ea - eb);
        e = ea;
    }
    // Both guards are zero, so the sum fits the n+1 trits.
    const int used = sse2::sumTrits(resMant, mantA, mantB, n + 1);
    normalizeInPlace(resExp, resMant, expLen, n, used, e);
    return true;
}

#else

// Short mantissas: the sum of two aligned mantissas fits one value V (a limb, or with 32-bit
// limbs a 64-bit integer).
template <typename V>
bool addShort(trit* resExp, trit* resMant, int expLen, int n, trit* expA, trit* mantA,
              trit* expB, trit* mantB, trit* expScratch) {
    V a, b;
    limb ea, eb;
    const bool validAB = readPair(mantA, mantB, n + 1, a, b);
    const bool validE = readPair(expA, expB, expLen, ea, eb);
    if (!(validAB && validE) ||
        !checkRest(expLen, n, resExp, mantA, mantB, expScratch))
        return false;

    // Alignment: dropping k low trits rounds to nearest, which is one division by 3^k.
    i64 e = eb;
    if (a == 0) {
        e = eb;
    } else if (b == 0) {
        e = ea;
    } else if (ea < eb) {
        const limb k = eb - ea;
        dropLowTrits(mantA, n, k);
        a = k > n ? 0 : roundDivValue(a, k);
    } else if (ea > eb) {
        const limb k = ea - eb;
        dropLowTrits(mantB, n, k);
        b = k > n ? 0 : roundDivValue(b, k);
        e = ea;
    }
    storeNormalized(resExp, resMant, expLen, n, static_cast<V>(a + b), e);
    return true;
}

bool isZero(const limb* x, int limbs) {
    limb any = 0;
    for (int j = 0; j < limbs; ++j) any |= x[j];
    return any == 0;
}

// Longer mantissas: the alignment moves the trits of the caller's array, as the operation
// documents, and the moved operand is read again; the sum is formed on limbs.
bool addLong(trit* resExp, trit* resMant, int expLen, int n, trit* expA, trit* mantA,
             trit* expB, trit* mantB, trit* expScratch) {
    limb a[kMaxLimbs], b[kMaxLimbs], ea, eb;
    const bool validA = readLimbs(mantA, n + 1, a);
    const bool validB = readLimbs(mantB, n + 1, b);
    const bool validEA = readTrits(expA, expLen, ea);
    const bool validEB = readTrits(expB, expLen, eb);
    if (!(validA && validB && validEA && validEB) ||
        !checkRest(expLen, n, resExp, mantA, mantB, expScratch))
        return false;

    const int limbs = limbsFor(n + 1);
    i64 e = eb;
    if (isZero(a, limbs)) {
        e = eb;
    } else if (isZero(b, limbs)) {
        e = ea;
    } else if (ea < eb) {
        dropLowTrits(mantA, n, eb - ea);
        readLimbs(mantA, n + 1, a);
    } else if (ea > eb) {
        dropLowTrits(mantB, n, ea - eb);
        readLimbs(mantB, n + 1, b);
        e = ea;
    }
    // Both guards are zero, so the sum fits the n+1 trits and no carry leaves the top limb.
    addLimbs(a, a, 1, b, limbs);
    writeLimbs(resMant, n + 1, a);
    normalizeInPlace(resExp, resMant, expLen, n, significantTrits(a, limbs), e);
    return true;
}

#endif

// The paths below, chosen by length; false when the call is not theirs to take.
KESTROM_INLINE bool addPaths(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA,
                             trit* mantA, trit* expB, trit* mantB, trit* expScratch) {
    if (!takesLengths(expLen, mantLen, 1)) return false;
#if KESTROM_SSE2
    // On x86 every length adds on the trits themselves.
    if (mantLen < 16)
        return addShortTrits(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, expScratch);
    return addLong(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, expScratch);
#else
    if (isShort(mantLen))
        return addShort<limb>(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, expScratch);
#if KESTROM_LIMB_BITS == 32
    if (isMedium(mantLen))
        return addShort<i64>(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, expScratch);
#endif
    return addLong(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, expScratch);
#endif
}

}  // namespace

void addWords(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA, trit* mantA,
              trit* expB, trit* mantB, trit* expScratch, AddRoutine otherwise) {
    if (!addPaths(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, expScratch))
        otherwise(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, expScratch);
}

#else

void addWords(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA, trit* mantA,
              trit* expB, trit* mantB, trit* expScratch, AddRoutine otherwise) {
    otherwise(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, expScratch);
}

#endif

}  // namespace words
}  // namespace kestrom

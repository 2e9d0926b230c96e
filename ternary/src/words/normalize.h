// SPDX-License-Identifier: MIT
// The word level's one normalization: the integer result of an operation and its exponent
// written out as normalize and normalizeQuotient leave them. Exponents are integers of
// expLen+1 trits (the guard included), kept in the balanced range modulo 3^(expLen+1) as the
// trit-level exponent arithmetic keeps them; 1 <= expLen <= 19, so they fit one limb.
#ifndef KESTROM_WORDS_NORMALIZE_H
#define KESTROM_WORDS_NORMALIZE_H

#include "convert.h"
#include "moves.h"
#include "radix3.h"
#include "value.h"

namespace kestrom {
namespace words {

// x reduced modulo 3^trits into [-most(trits), most(trits)]; 1 <= trits <= 20 and
// |x| <= 2 * most(trits) + 2^16 (a sum of two exponents, or one less a trit count).
i64 wrapFar(i64 x, int trits);
inline i64 wrap(i64 x, int trits) {
    const i64 m = static_cast<i64>(most(trits));
    if (x >= -m && x <= m) return x;
    const i64 p = 2 * m + 1;
    if (x > m && x - p <= m) return x - p;
    if (x < -m && x + p >= -m) return x + p;
    return wrapFar(x, trits);
}

// The result exponent e written to resExp[0 ... expLen], reduced to its expLen+1 trits as the
// trit-level exponent arithmetic leaves it. Exponents of up to eight trits already in range,
// the usual case, are one table lookup and store here; the rest go to storeExponentFar.
void storeExponentFar(trit* resExp, int expLen, i64 e);
KESTROM_INLINE void storeExponent(trit* resExp, int expLen, i64 e) {
    if (expLen < 8) {
        const i64 m = static_cast<i64>(most(expLen + 1));
        if (e >= -m && e <= m) {
            bytes::storeOctet(resExp, expLen + 1, static_cast<u32>(e + m));
            return;
        }
    }
    storeExponentFar(resExp, expLen, e);
}

// A zero result's exponent: its significant trits cleared, its guard that of e.
void storeZeroExponent(trit* resExp, int expLen, i64 e);

// For add and mul, the raw mantissa a single value (value.h): s (|s| <= most(mantLen+1)) with
// exponent e; writes resMant[0 ... mantLen] and resExp[0 ... expLen]. mantLen < kValueTrits,
// and < kWordTrits for a limb.

template <typename V>
KESTROM_INLINE void storeNormalized(trit* resExp, trit* resMant, int expLen, int mantLen, V s, i64 e) {
    const u64 mag = s < 0 ? 0 - static_cast<u64>(s) : static_cast<u64>(s);
    if (mag > kMost64.most[mantLen]) {
        // The sum reached the guard: one trit is dropped and the exponent grows by one.
        const V third = static_cast<V>(divSmallPow3<V>(mag + 1, 1));
        writeValue(resMant, mantLen + 1, s < 0 ? -third : third);
        storeExponent(resExp, expLen, e + 1);
        return;
    }
    if (mag == 0) {
        writeValue(resMant, mantLen + 1, s);
        storeZeroExponent(resExp, expLen, e);
        return;
    }
    const int z = mantLen - tritsOfValue(mag);  // leading zero trits, moved out at the top
    writeValue(resMant, mantLen + 1, static_cast<V>(s * static_cast<V>(kMost64.pow3[z])));
    storeExponent(resExp, expLen, e - z);
}

// For add and mul, the raw mantissa already in resMant[0 ... mantLen] with `used` significant
// trits (0 ... mantLen+1): the exponent e adjusted to the normalized form and written, the
// mantissa left for the caller to shift ...
KESTROM_INLINE void storeNormalizedExponent(trit* resExp, int expLen, int mantLen, int used, i64 e) {
    if (used == 0)
        storeZeroExponent(resExp, expLen, e);
    else
        storeExponent(resExp, expLen, used > mantLen ? e + 1 : e - (mantLen - used));
}
// ... or shifted in place here.
KESTROM_INLINE void normalizeInPlace(trit* resExp, trit* resMant, int expLen, int mantLen, int used,
                                     i64 e) {
    if (used > mantLen)
        dropLowTrits(resMant, mantLen, 1);
    else if (used > 0)
        raiseTrits(resMant, mantLen, mantLen - used);
    storeNormalizedExponent(resExp, expLen, mantLen, used, e);
}

// For mul: the raw mantissa is raw[0 ... mantLen] with `used` significant trits, in a buffer
// whose positions below raw are not part of it; copied to resMant shifted to normalized form.
void normalizeFrom(trit* resExp, trit* resMant, int expLen, int mantLen, const trit* raw,
                   int used, i64 e);

// For div, the quotient Q of mantLen+2 trits: its top non-zero trit at mantLen+1, mantLen or
// mantLen-1 gives the mantissa Q shifted down by 2, 1 or 0 and the exponent e raised as much;
// a quotient below that gives zero. As normalizeQuotient, resMant[mantLen] is written only in
// the middle case. Q as a single value's magnitude and sign (as storeNormalized) ...
template <typename V>
KESTROM_INLINE void storeQuotient(trit* resExp, trit* resMant, int expLen, int mantLen, u64 mag, bool negative,
                   i64 e) {
    const auto withSign = [negative](u64 m) {
        return negative ? -static_cast<V>(m) : static_cast<V>(m);
    };
    if (mag > kMost64.most[mantLen + 1]) {
        writeValue(resMant, mantLen, withSign(divSmallPow3<V>(mag + 4, 2)));
        storeExponent(resExp, expLen, e + 2);
    } else if (mag > kMost64.most[mantLen]) {
        writeValue(resMant, mantLen + 1, withSign(divSmallPow3<V>(mag + 1, 1)));
        storeExponent(resExp, expLen, e + 1);
    } else if (mag > kMost64.most[mantLen - 1]) {
        writeValue(resMant, mantLen, withSign(mag));
        storeExponent(resExp, expLen, e);
    } else {
        clearTrits(resMant, mantLen);
        storeZeroExponent(resExp, expLen, e);
    }
}
// ... or as the trits quot[0 ... mantLen+1] with `used` significant trits.
void storeQuotientFrom(trit* resExp, trit* resMant, int expLen, int mantLen, const trit* quot,
                       int used, i64 e);

}  // namespace words
}  // namespace kestrom

#endif

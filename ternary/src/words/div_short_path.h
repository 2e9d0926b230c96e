// SPDX-License-Identifier: MIT
// The short division: mantissas whose remainder fits one value, settled by div_short.h.
// A part of div.cpp, the one file that includes it: its routines have internal linkage there.
#ifndef KESTROM_WORDS_DIV_SHORT_PATH_H
#define KESTROM_WORDS_DIV_SHORT_PATH_H

#include "div_reads.h"
#include "div_short.h"
#include "normalize.h"
#include "pairs.h"
#include "value.h"

namespace kestrom {
namespace words {
namespace {

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

}  // namespace
}  // namespace words
}  // namespace kestrom

#endif

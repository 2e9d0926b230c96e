// SPDX-License-Identifier: MIT
#include "normalize.h"

#include "convert.h"
#include "moves.h"
#include "value.h"

namespace kestrom {
namespace words {

// A zero result: the exponent's significant trits are cleared, its guard is that of e.
void storeZeroExponent(trit* resExp, int expLen, i64 e) {
    const i64 wrapped = wrap(e, expLen + 1);
    const i64 low = static_cast<i64>(most(expLen));
    clearTrits(resExp, expLen);
    resExp[expLen] = static_cast<trit>(wrapped > low ? 1 : (wrapped < -low ? -1 : 0));
}

i64 wrapFar(i64 x, int trits) {
    const i64 m = static_cast<i64>(most(trits));
    const i64 p = 2 * m + 1;
    constexpr i64 kInt32 = 0x7fffffff;
    if (p <= kInt32 && x < kInt32 && x > -kInt32) {
        // 32-bit remainder: one instruction on every target, no division routine.
        i64 r = static_cast<i32>(x) % static_cast<i32>(p);
        if (r > m) r -= p;
        if (r < -m) r += p;
        return r;
    }
    // The widest exponents: x lies within one or two multiples of p of the range.
    while (x > m) x -= p;
    while (x < -m) x += p;
    return x;
}

void storeExponentFar(trit* resExp, int expLen, i64 e) {
    writeTrits(resExp, expLen + 1, static_cast<limb>(wrap(e, expLen + 1)));
}

void normalizeFrom(trit* resExp, trit* resMant, int expLen, int mantLen, const trit* raw,
                   int used, i64 e) {
    if (used == 0) {
        clearTrits(resMant, mantLen + 1);
        storeZeroExponent(resExp, expLen, e);
    } else if (used > mantLen) {
        copyTrits(resMant, raw + 1, mantLen);
        resMant[mantLen] = 0;
        storeExponent(resExp, expLen, e + 1);
    } else {
        const int z = mantLen - used;
        clearTrits(resMant, z);
        copyTrits(resMant + z, raw, used);
        resMant[mantLen] = 0;
        storeExponent(resExp, expLen, e - z);
    }
}

void storeQuotientFrom(trit* resExp, trit* resMant, int expLen, int mantLen, const trit* quot,
                       int used, i64 e) {
    if (used == mantLen + 2) {
        copyTrits(resMant, quot + 2, mantLen);
        storeExponent(resExp, expLen, e + 2);
    } else if (used == mantLen + 1) {
        copyTrits(resMant, quot + 1, mantLen + 1);
        storeExponent(resExp, expLen, e + 1);
    } else if (used == mantLen) {
        copyTrits(resMant, quot, mantLen);
        storeExponent(resExp, expLen, e);
    } else {
        clearTrits(resMant, mantLen);
        storeZeroExponent(resExp, expLen, e);
    }
}

}  // namespace words
}  // namespace kestrom

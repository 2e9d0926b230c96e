// SPDX-License-Identifier: MIT
#include "normalize.h"

#include "trit_string.h"

namespace kestrom {

void normalize(trit* exp, trit* mant, int expLen, int mantLen, trit* scratch) {
    if (mantLen < 0) return;

    if (mant[mantLen] != 0) {
        shiftStrDown(mant, mantLen, 1);
        if (expLen >= 0) {
            scratch[0] = 1;
            addStr(exp, expLen, exp, scratch);
        }
        return;
    }

    int zeros = 0;
    while (zeros < mantLen && mant[mantLen - 1 - zeros] == 0) ++zeros;

    if (zeros == 0) return;
    if (zeros == mantLen) {
        for (int i = 0; i < expLen; ++i) exp[i] = 0;
        return;
    }
    shiftStrUp(mant, mantLen, zeros);
    // The exponent shrinks by the number of zeros. With few exponent trits and many mantissa
    // trits that number may not fit the exponent's width; it is then subtracted in parts that
    // do, so the exponent still comes out exact, and an underflow borrows from the guard.
    long long fits = 0;  // the largest value expLen trits hold, or at least `zeros`
    for (int i = 0; i < expLen && fits < zeros; ++i) fits = 3 * fits + 1;
    int rest = zeros;
    do {
        const int part = expLen > 0 && rest > fits ? static_cast<int>(fits) : rest;
        intToStr(scratch, expLen, part);
        subtractStr(exp, expLen, exp, scratch);
        rest -= part;
    } while (rest > 0);
}

void normalizeQuotient(trit* exp, trit* mant, int expLen, int mantLen, const trit* quot,
                       int quotLen, trit* scratch) {
    if (mantLen < 0) return;

    // Positions below index 0 count as zero.
    const auto at = [quot](int i) { return i >= 0 ? quot[i] : trit{0}; };

    if (at(quotLen - 1) != 0) {
        for (int k = 0; k <= quotLen - 3; ++k) mant[k] = quot[k + 2];
        if (expLen >= 0) scratch[0] = -1;
        if (expLen >= 1) scratch[1] = 1;
        addStr(exp, expLen, exp, scratch);
    } else if (at(quotLen - 2) != 0) {
        if (expLen >= 0) scratch[0] = 1;
        addStr(exp, expLen, exp, scratch);
        for (int k = 0; k <= quotLen - 2; ++k) mant[k] = quot[k + 1];
    } else if (at(quotLen - 3) != 0) {
        for (int k = 0; k <= quotLen - 3; ++k) mant[k] = quot[k];
    } else {
        for (int i = 0; i < expLen; ++i) exp[i] = 0;
        for (int i = 0; i < mantLen; ++i) mant[i] = 0;
    }
}

}  // namespace kestrom

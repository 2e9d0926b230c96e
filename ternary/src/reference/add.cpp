// SPDX-License-Identifier: MIT
#include "normalize.h"
#include "operations.h"
#include "trit_string.h"

namespace kestrom {

namespace {

bool isZero(const trit* mant, int mantLen) {
    for (int i = 0; i < mantLen; ++i) {
        if (mant[i] != 0) return false;
    }
    return true;
}

void copyExponent(trit* dst, const trit* src, int expLen) {
    for (int i = 0; i < expLen; ++i) dst[i] = src[i];
}

// With expLen >= 1, copies the larger exponent into resExp and shifts the other operand's
// mantissa down to it, except that a zero operand is never aligned.
void alignOperands(trit* resExp, int expLen, int mantLen, const trit* expA, trit* mantA,
                   const trit* expB, trit* mantB) {
    if (expLen <= 0) return;
    if (isZero(mantA, mantLen)) {
        copyExponent(resExp, expB, expLen);
    } else if (isZero(mantB, mantLen)) {
        copyExponent(resExp, expA, expLen);
    } else {
        // 64-bit, so the difference cannot overflow even for exponent lengths past 19.
        const long long d = static_cast<long long>(strToInt(expA, expLen)) - strToInt(expB, expLen);
        copyExponent(resExp, d > 0 ? expA : expB, expLen);
        if (d < 0) shiftStrDown(mantA, mantLen, -d);
        if (d > 0) shiftStrDown(mantB, mantLen, d);
    }
}

}  // namespace

// Aligns the operand with the smaller exponent by dropping its low trits (in the caller's
// array), adds the mantissas over mantLen+1 trits and normalizes. A zero operand is not
// aligned, so it cannot cost the other operand any trits.
void addTrits(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA, trit* mantA,
              trit* expB, trit* mantB, trit* expScratch) {
    alignOperands(resExp, expLen, mantLen, expA, mantA, expB, mantB);
    addStr(resMant, mantLen, mantA, mantB);
    normalize(resExp, resMant, expLen, mantLen, expScratch);
}

}  // namespace kestrom


#include "kestrom.h"
#include "normalize.h"
#include "trit_string.h"

using kestrom::trit;

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

}  // namespace

// Aligns the operand with the smaller exponent by dropping its low trits (in the caller's
// array), adds the mantissas over mantLen+1 trits and normalizes. A zero operand is not
// aligned, so it cannot cost the other operand any trits.
void add(signed char* resExp, signed char* resMant, int expLen, int mantLen, signed char* expA,
         signed char* mantA, signed char* expB, signed char* mantB, signed char* expScratch) {
    if (expLen > 0) {
        if (isZero(mantA, mantLen)) {
            copyExponent(resExp, expB, expLen);
        } else if (isZero(mantB, mantLen)) {
            copyExponent(resExp, expA, expLen);
        } else {
            // 64-bit, so the difference cannot overflow even for exponent lengths past 19.
            const long long d = static_cast<long long>(kestrom::strToInt(expA, expLen)) -
                                kestrom::strToInt(expB, expLen);
            copyExponent(resExp, d > 0 ? expA : expB, expLen);
            if (d < 0) kestrom::shiftStrDown(mantA, mantLen, -d);
            if (d > 0) kestrom::shiftStrDown(mantB, mantLen, d);
        }
    }
    kestrom::addStr(resMant, mantLen, mantA, mantB);
    kestrom::normalize(resExp, resMant, expLen, mantLen, expScratch);
}

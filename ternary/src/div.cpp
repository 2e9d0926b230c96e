#include "kestrom.h"
#include "normalize.h"
#include "quotient_trit.h"
#include "trit_string.h"

using kestrom::trit;

namespace {

// Selects a quotient trit for the remainder, records it and subtracts that multiple of the
// divisor from the remainder.
void reduce(trit* rem, const trit* divisor, int mantLen, trit* record, trit* multiple) {
    const trit q = kestrom::quotientTrit(rem, divisor, mantLen);
    *record = q;
    kestrom::scaleStr(multiple, mantLen, divisor, q);
    kestrom::subtractStr(rem, mantLen, rem, multiple);
}

}  // namespace

// Digit recurrence on the mantissas, mantA serving as the remainder: at each position from
// mantLen down to 0 two selections are made (recorded in quotA and quotB), then the remainder
// moves up one trit. quotA + quotB approximates (A/B) * 3^mantLen in integers, which
// normalizeQuotient scales into the result.
void div(signed char* resExp, signed char* resMant, int expLen, int mantLen, signed char* expA,
         signed char* mantA, signed char* expB, signed char* mantB, signed char* quotA,
         signed char* quotB, signed char* mantScratch, signed char* expScratch) {
    kestrom::subtractStr(resExp, expLen, expA, expB);
    for (int p = mantLen; p >= 0; --p) {
        reduce(mantA, mantB, mantLen, &quotA[p], mantScratch);
        reduce(mantA, mantB, mantLen, &quotB[p], mantScratch);
        kestrom::shiftStrUp(mantA, mantLen, 1);
    }
    const int quotLen = mantLen >= -2 ? mantLen + 2 : -1;
    kestrom::addStr(quotA, quotLen, quotA, quotB);
    kestrom::normalizeQuotient(resExp, resMant, expLen, mantLen, quotA, quotLen, expScratch);
}

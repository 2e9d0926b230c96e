// SPDX-License-Identifier: MIT
#include "normalize.h"
#include "operations.h"
#include "quotient_trit.h"
#include "trit_string.h"

namespace kestrom {

namespace {

// Selects a quotient trit for the remainder, records it and subtracts that multiple of the
// divisor from the remainder.
void reduce(trit* rem, const trit* divisor, int mantLen, trit* record, trit* multiple) {
    const trit q = quotientTrit(rem, divisor, mantLen);
    *record = q;
    scaleStr(multiple, mantLen, divisor, q);
    subtractStr(rem, mantLen, rem, multiple);
}

// quotA := quotA + quotB over mantLen+3 trits, then normalizeQuotient.
void finishQuotient(trit* resExp, trit* resMant, int expLen, int mantLen, trit* quotA,
                    const trit* quotB, trit* expScratch) {
    const int quotLen = mantLen >= -2 ? mantLen + 2 : -1;
    addStr(quotA, quotLen, quotA, quotB);
    normalizeQuotient(resExp, resMant, expLen, mantLen, quotA, quotLen, expScratch);
}

}  // namespace

// Digit recurrence on the mantissas, mantA serving as the remainder: at each position from
// mantLen down to 0 two selections are made (recorded in quotA and quotB), then the remainder
// moves up one trit. quotA + quotB approximates (A/B) * 3^mantLen in integers, which
// normalizeQuotient scales into the result.
void divTrits(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA, trit* mantA,
              trit* expB, trit* mantB, trit* quotA, trit* quotB, trit* mantScratch,
              trit* expScratch) {
    subtractStr(resExp, expLen, expA, expB);
    for (int p = mantLen; p >= 0; --p) {
        reduce(mantA, mantB, mantLen, &quotA[p], mantScratch);
        reduce(mantA, mantB, mantLen, &quotB[p], mantScratch);
        shiftStrUp(mantA, mantLen, 1);
    }
    finishQuotient(resExp, resMant, expLen, mantLen, quotA, quotB, expScratch);
}

}  // namespace kestrom


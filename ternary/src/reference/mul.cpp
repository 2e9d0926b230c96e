// SPDX-License-Identifier: MIT
#include "normalize.h"
#include "operations.h"
#include "trit_string.h"

namespace kestrom {

namespace {

// resExp := expA + expB - 1, then normalization.
void finishProduct(trit* resExp, trit* resMant, int expLen, int mantLen, const trit* expA,
                   const trit* expB, trit* expScratch) {
    addStr(resExp, expLen, expA, expB);
    if (expLen >= 0) {
        expScratch[0] = -1;
        addStr(resExp, expLen, resExp, expScratch);
    }
    normalize(resExp, resMant, expLen, mantLen, expScratch);
}

}  // namespace

// Shift-and-add over the trits of B, lowest first, keeping a window of mantLen+1 trits of the
// running product: each round drops the product's lowest trit, then adds A times the next
// trit of B. The window holds A*B / 3^(mantLen-1), three times the product of the fractions,
// so the exponent is eA + eB - 1.
void mulTrits(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA, trit* mantA,
              trit* expB, trit* mantB, trit* expScratch, trit* mantScratch) {
    if (mantLen >= 0) scaleStr(resMant, mantLen, mantA, mantB[0]);
    for (int i = 1; i < mantLen; ++i) {
        shiftStrDown(resMant, mantLen, 1);
        scaleStr(mantScratch, mantLen, mantA, mantB[i]);
        addStr(resMant, mantLen, mantScratch, resMant);
    }
    finishProduct(resExp, resMant, expLen, mantLen, expA, expB, expScratch);
}

}  // namespace kestrom


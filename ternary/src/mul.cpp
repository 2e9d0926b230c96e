#include "kestrom.h"
#include "normalize.h"
#include "trit_string.h"

// Shift-and-add over the trits of B, lowest first, keeping a window of mantLen+1 trits of the
// running product: each round drops the product's lowest trit, then adds A times the next
// trit of B. The window holds A*B / 3^(mantLen-1), three times the product of the fractions,
// so the exponent is eA + eB - 1.
void mul(signed char* resExp, signed char* resMant, int expLen, int mantLen, signed char* expA,
         signed char* mantA, signed char* expB, signed char* mantB, signed char* expScratch,
         signed char* mantScratch) {
    if (mantLen >= 0) kestrom::scaleStr(resMant, mantLen, mantA, mantB[0]);
    for (int i = 1; i < mantLen; ++i) {
        kestrom::shiftStrDown(resMant, mantLen, 1);
        kestrom::scaleStr(mantScratch, mantLen, mantA, mantB[i]);
        kestrom::addStr(resMant, mantLen, mantScratch, resMant);
    }

    kestrom::addStr(resExp, expLen, expA, expB);
    if (expLen >= 0) {
        expScratch[0] = -1;
        kestrom::addStr(resExp, expLen, resExp, expScratch);
    }
    kestrom::normalize(resExp, resMant, expLen, mantLen, expScratch);
}

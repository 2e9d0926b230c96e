// SPDX-License-Identifier: MIT
#include "convert.h"
#include "lengths.h"
#include "limbs.h"
#include "moves.h"
#include "normalize.h"
#include "operations.h"
#include "pairs.h"
#include "value.h"

// The stages below the paths, in the order they are read.
#if KESTROM_WORD_LEVEL
#include "div_reads.h"
#include "div_short_path.h"
#include "div_long_setup.h"
#include "div_passes.h"
#include "div_settle.h"
#endif

namespace kestrom {
namespace words {

#if KESTROM_WORD_LEVEL

// The trit-level recurrence as integer arithmetic. With a normalized divisor D (d = |D|) and a
// remainder R of valid trits with a zero guard, a selection looks at R's three top positions,
// which are all zero exactly when |R| <= T = (3^(mantLen-2) - 1) / 2; otherwise it subtracts
// sign(R) * d, recording sign(R) * sign(D). The two selections of one position therefore
// subtract s * sign(R) * d with
//   s = 2 when |R| > d + T,  s = 1 when d - T <= |R| <= d + T,  s = 0 below d - T
// (s = 0 includes the case where the first selection overshoots past -T and the second one
// adds d back). Starting from |R| <= (3^mantLen - 1) / 2 < 3d, every remainder stays below 3d
// before and below d after the selections, so neither a subtraction nor the shift up ever
// loses a trit past the guard: the trit strings are the integers' exact representations.
// The quotient digits sum to Q = sum of s_p * sign(R_p) * sign(D) * 3^p, which quotA + quotB
// holds, and the remainder ends as 3^(mantLen+1) * A - 3 * D * Q.
//
// Each stage is a file of its own, included above: what the division reads beyond the
// mantissas (div_reads.h), the short division (div_short_path.h), the long division's set-up
// (div_long_setup.h), its passes (div_passes.h) and its settling (div_settle.h).

namespace {

bool divLong(trit* resExp, trit* resMant, int expLen, int n, const trit* expA, trit* mantA,
             const trit* expB, const trit* mantB, trit* quotA, const trit* quotB,
             const trit* mantScratch, const trit* expScratch) {
    DivisorSide dv;
    Remainder x;
    i64 e;
    for (int j = 0; j < kPad; ++j) dv.padded[j] = x.buffers[0][j] = x.buffers[1][j] = 0;
    dv.d = dv.padded + kPad;
    x.r = x.buffers[0] + kPad;
    dv.limbs = limbsFor(n + 1);
    dv.d[dv.limbs - 1] = 0;  // the divisor's n trits may need one limb fewer
    const bool validA = readLimbs(mantA, n + 1, x.r);
    const bool validB = readLimbs(mantB, n, dv.d);
    if (!(validA && validB) ||
        !checkRest(expLen, n, expA, expB, mantA, mantB, quotA, quotB, mantScratch, expScratch, e))
        return false;

    divideLimbs(x, dv, n, mantB[n - 1]);
    carryRemainder(x.r, dv.limbs);
    writeLimbs(mantA, n + 1, x.r);
    const int used = storeQuotientTrits(quotA, n, x.quot);
    storeQuotientFrom(resExp, resMant, expLen, n, quotA, used, e);
    return true;
}

// The paths below, chosen by length; false when the call is not theirs to take.
KESTROM_INLINE bool divPaths(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA,
                             trit* mantA, trit* expB, trit* mantB, trit* quotA, trit* quotB,
                             trit* mantScratch, trit* expScratch) {
    if (!takesLengths(expLen, mantLen, 2)) return false;
    if (isShort(mantLen))
        return divShort<limb>(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, quotA,
                              quotB, mantScratch, expScratch);
#if KESTROM_LIMB_BITS == 32
    if (isMedium(mantLen))
        return divShort<i64>(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, quotA,
                             quotB, mantScratch, expScratch);
#endif
    return divLong(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, quotA, quotB,
                   mantScratch, expScratch);
}

}  // namespace

void divWords(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA, trit* mantA,
              trit* expB, trit* mantB, trit* quotA, trit* quotB, trit* mantScratch,
              trit* expScratch, DivRoutine otherwise) {
    if (!divPaths(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, quotA, quotB,
                  mantScratch, expScratch))
        otherwise(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, quotA, quotB,
                  mantScratch, expScratch);
}

#else

void divWords(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA, trit* mantA,
              trit* expB, trit* mantB, trit* quotA, trit* quotB, trit* mantScratch,
              trit* expScratch, DivRoutine otherwise) {
    otherwise(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, quotA, quotB,
              mantScratch, expScratch);
}

#endif

}  // namespace words
}  // namespace kestrom

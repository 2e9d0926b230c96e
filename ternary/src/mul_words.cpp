#include "operations.h"
#include "words.h"

namespace kestrom {

#if KESTROM_WORD_PATHS

using namespace words;

// Why one product suffices: each round of the trit-level product drops the window's lowest
// trit (rounding to nearest) and adds A times the next trit of B. Dropping trits one at a
// time gives the same integer as dropping them all at once, so after the last round the
// window holds round(A*B / 3^(mantLen-1)), as long as no carry leaves its guard. For valid
// operands the window never exceeds (3^(mantLen+1) - 1) / 4 in magnitude, well inside the
// mantLen+1 trits, so none does.

namespace {

// Mantissas of up to 39 trits: the product fits 128 bits, the window one word.
bool mulShort(trit* resExp, trit* resMant, int expLen, int n, trit* expA, trit* mantA,
              trit* expB, trit* mantB, trit* expScratch, trit* mantScratch) {
    i64 a, b, ea, eb;
    const bool validA = readTrits(mantA, n, a);
    const bool validB = readTrits(mantB, n, b);
    const bool validEA = readTrits(expA, expLen + 1, ea);  // the guards take part in the sum
    const bool validEB = readTrits(expB, expLen + 1, eb);
    if (!(validA && validB && validEA && validEB) || resMant[n] != 0 ||
        (n >= 2 && mantScratch[n] != 0) || !allZero(expScratch + 1, expLen))
        return false;

    const i64 window = roundDivPow3(static_cast<i128>(a) * b, n - 1);
    const int expTrits = expLen + 1;
    const i64 e = wrap(wrap(ea + eb, expTrits) - 1, expTrits);
    storeNormalized(resExp, resMant, expLen, n, window, e);
    return true;
}

// Longer mantissas: the product on limbs, its window converted into resMant, then the
// trit-level exponent sum and normalization.
bool mulLong(trit* resExp, trit* resMant, int expLen, int n, trit* expA, trit* mantA,
             trit* expB, trit* mantB, trit* expScratch, trit* mantScratch) {
    i64 a[kMaxLimbs], b[kMaxLimbs];
    const bool validA = readLimbs(mantA, n, a);
    const bool validB = readLimbs(mantB, n, b);
    if (!(validA && validB) || resMant[n] != 0 || mantScratch[n] != 0) return false;

    // X = A*B in canonical limbs, column by column; X fits 2n trits.
    const int limbs = limbsFor(n);
    i64 x[2 * kMaxLimbs];
    i128 carry = 0;
    for (int k = 0; k < 2 * limbs - 1; ++k) {
        i128 column = carry;
        const int first = k < limbs ? 0 : k - limbs + 1;
        const int last = k < limbs ? k : limbs - 1;
        for (int i = first; i <= last; ++i) column += static_cast<i128>(a[i]) * b[k - i];
        const bool negative = column < 0;
        const u128 m = negative ? 0 - static_cast<u128>(column) : static_cast<u128>(column);
        const u64 q = divPow3(m + static_cast<u64>(kLimbMost), kLimbTrits);
        carry = negative ? -static_cast<i128>(q) : static_cast<i128>(q);
        x[k] = static_cast<i64>(column - carry * kLimbRadix);
    }
    x[2 * limbs - 1] = static_cast<i64>(carry);

    // The window is trits n-1 ... 2n-1 of X.
    trit limb[kLimbTrits];
    const int low = n - 1, high = 2 * n - 1;
    for (int j = low / kLimbTrits; j <= high / kLimbTrits; ++j) {
        writeTrits(limb, kLimbTrits, x[j]);
        const int base = j * kLimbTrits;
        const int from = base > low ? base : low;
        const int to = base + kLimbTrits - 1 < high ? base + kLimbTrits - 1 : high;
        for (int t = from; t <= to; ++t) resMant[t - low] = limb[t - base];
    }
    finishProduct(resExp, resMant, expLen, n, expA, expB, expScratch);
    return true;
}

}  // namespace

bool mulWords(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA, trit* mantA,
              trit* expB, trit* mantB, trit* expScratch, trit* mantScratch) {
    if (mantLen < 1 || mantLen > kMaxLongTrits) return false;
    if (mantLen < kWordTrits) {
        if (expLen < 1 || expLen > 19) return false;
        return mulShort(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, expScratch,
                        mantScratch);
    }
    return mulLong(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, expScratch,
                   mantScratch);
}

#else

bool mulWords(trit*, trit*, int, int, trit*, trit*, trit*, trit*, trit*, trit*) { return false; }

#endif

}  // namespace kestrom

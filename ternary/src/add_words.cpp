#include "normalize.h"
#include "operations.h"
#include "words.h"

namespace kestrom {

#if KESTROM_WORD_PATHS

using namespace words;

namespace {

// Mantissas of up to 39 trits: the sum of two aligned mantissas fits 40 trits, one word.
bool addShort(trit* resExp, trit* resMant, int expLen, int n, trit* expA, trit* mantA,
              trit* expB, trit* mantB, trit* expScratch) {
    i64 a, b, ea, eb;
    const bool validA = readTrits(mantA, n + 1, a);
    const bool validB = readTrits(mantB, n + 1, b);
    const bool validEA = readTrits(expA, expLen, ea);
    const bool validEB = readTrits(expB, expLen, eb);
    if (!(validA && validB && validEA && validEB) || mantA[n] != 0 || mantB[n] != 0 ||
        resExp[expLen] != 0 || !allZero(expScratch + 1, expLen))
        return false;

    // Alignment: dropping k low trits rounds to nearest, which is one division by 3^k.
    i64 e = eb;
    if (a == 0) {
        e = eb;
    } else if (b == 0) {
        e = ea;
    } else if (ea < eb) {
        const i64 k = eb - ea;
        dropLowTrits(mantA, n, k);
        a = k > n ? 0 : roundDivPow3(a, static_cast<int>(k));
    } else if (ea > eb) {
        const i64 k = ea - eb;
        dropLowTrits(mantB, n, k);
        b = k > n ? 0 : roundDivPow3(b, static_cast<int>(k));
        e = ea;
    }
    storeNormalized(resExp, resMant, expLen, n, a + b, e);
    return true;
}

// Longer mantissas: the alignment and the normalization stay trit-level (both are moves of
// whole trits); the sum is formed on limbs.
bool addLong(trit* resExp, trit* resMant, int expLen, int n, trit* expA, trit* mantA,
             trit* expB, trit* mantB, trit* expScratch) {
    const bool validA = validTrits(mantA, n + 1);
    const bool validB = validTrits(mantB, n + 1);
    if (!(validA && validB) || mantA[n] != 0 || mantB[n] != 0) return false;

    alignOperands(resExp, expLen, n, expA, mantA, expB, mantB);
    i64 a[kMaxLimbs], b[kMaxLimbs];
    readLimbs(mantA, n + 1, a);
    readLimbs(mantB, n + 1, b);
    // Both guards are zero, so the sum fits the n+1 trits and no carry leaves the top limb.
    i64 carry = 0;
    for (int j = 0; j < limbsFor(n + 1); ++j) {
        i64 s = a[j] + b[j] + carry;
        carry = s > kLimbMost ? 1 : (s < -kLimbMost ? -1 : 0);
        a[j] = s - carry * kLimbRadix;
    }
    writeLimbs(resMant, n + 1, a);
    normalize(resExp, resMant, expLen, n, expScratch);
    return true;
}

}  // namespace

bool addWords(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA, trit* mantA,
              trit* expB, trit* mantB, trit* expScratch) {
    if (mantLen < 1 || mantLen > kMaxLongTrits) return false;
    if (mantLen < kWordTrits) {
        if (expLen < 1 || expLen > 19) return false;
        return addShort(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, expScratch);
    }
    return addLong(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, expScratch);
}

#else

bool addWords(trit*, trit*, int, int, trit*, trit*, trit*, trit*, trit*) { return false; }

#endif

}  // namespace kestrom

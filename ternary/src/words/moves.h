// SPDX-License-Identifier: MIT
// Moves of whole trits within and between trit strings, sixteen bytes at a time: the alignment
// and normalization shifts of the word level, which are moves rather than arithmetic.
#ifndef KESTROM_WORDS_MOVES_H
#define KESTROM_WORDS_MOVES_H

#include "bytes.h"

namespace kestrom {
namespace words {

// Moves buf[k ... len] down to buf[0 ... len-k] and clears the k positions above, as
// shiftStrDown does k times; k >= len + 1 clears all len+1 positions. len >= 0, k >= 1.
void dropLowTritsLong(trit* buf, int len, long long k);

KESTROM_INLINE void dropLowTrits(trit* buf, int len, long long k) {
    using namespace bytes;
    if (len >= 8) {
        dropLowTritsLong(buf, len, k);
        return;
    }
    // Up to eight positions: one word, shifted.
    const int count = len + 1;
    const u64 x = k >= count ? 0 : loadShort(buf, count) >> (8 * k);
    if (count == 8)
        store8(buf, x);
    else
        storeShort(buf, x, count);
}

// Moves buf[0 ... len-k] up to buf[k ... len] and clears buf[0 ... k-1], as shiftStrUp does k
// times; 0 <= k <= len.
void raiseTrits(trit* buf, int len, int k);

// dst[0 ... count-1] := src[0 ... count-1]; the two ranges do not overlap. count >= 0.
void copyTrits(trit* dst, const trit* src, int count);

// buf[0 ... count-1] := 0; count >= 0.
void clearTrits(trit* buf, int count);

// Whether s[0 ... count-1] are all zero (count <= 0: true).
KESTROM_INLINE bool allZero(const trit* s, int count) {
    using namespace bytes;
    u64 any = 0;
    int i = 0;
    for (; i + 8 <= count; i += 8) any |= load8(s + i);
    if (i < count) any |= loadShort(s + i, count - i);
    return any == 0;
}

}  // namespace words
}  // namespace kestrom

#endif

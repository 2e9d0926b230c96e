// SPDX-License-Identifier: MIT
// Two strings of the same length read together: with SSE2 two strings of up to eight trits
// take one conversion, and with 64-bit limbs two of 17 to 40 trits share one too; otherwise
// each is read on its own.
#ifndef KESTROM_WORDS_PAIRS_H
#define KESTROM_WORDS_PAIRS_H

#include "value.h"

#if KESTROM_SSE2
#include "../x86/pair_sse2.h"
#endif

namespace kestrom {
namespace words {

// Reads count trits of s and of t into x and y (count as for readValue); returns whether all
// are valid. Reads s[0 ... count-1] and t[0 ... count-1] only.
template <typename V>
KESTROM_INLINE bool readPair(const trit* s, const trit* t, int count, V& x, V& y) {
#if KESTROM_SSE2
    if constexpr (sizeof(V) == sizeof(limb)) {
        if (count <= 8) return readShortPair(s, t, count, x, y);
#if KESTROM_LIMB_BITS == 64
        if (count > 16) return readMediumPair(s, t, count, x, y);
#endif
    }
#endif
    const bool validX = readValue(s, count, x);
    const bool validY = readValue(t, count, y);
    return validX && validY;
}

}  // namespace words
}  // namespace kestrom

#endif

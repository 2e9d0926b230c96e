// SPDX-License-Identifier: MIT
// Up to sixteen trits held as the bytes of two words, positions 0-7 in lo and 8-15 in hi, for
// short mantissas that are added without being converted: loads and stores of exactly the
// string's positions, shifts by whole trits, and the count of significant trits.
#ifndef KESTROM_WORDS_TRITS16_H
#define KESTROM_WORDS_TRITS16_H

#include "bytes.h"

namespace kestrom {
namespace words {

struct Trits16 {
    u64 lo, hi;
};

// s[0 ... len-1], 1 <= len <= 16; the positions above are zero.
KESTROM_INLINE Trits16 loadTrits16(const trit* s, int len) {
    using namespace bytes;
    if (len <= 8) return {loadShort(s, len), 0};
    return {load8(s), loadShort(s + 8, len - 8)};
}

// s[0 ... len-1] := the low len positions of x.
KESTROM_INLINE void storeTrits16(trit* s, int len, Trits16 x) {
    using namespace bytes;
    if (len <= 8) {
        if (len == 8)
            store8(s, x.lo);
        else
            storeShort(s, x.lo, len);
        return;
    }
    store8(s, x.lo);
    if (len == 16)
        store8(s + 8, x.hi);
    else
        storeShort(s + 8, x.hi, len - 8);
}

// x with its k low positions dropped (k >= 0), zeros moving in at the top.
KESTROM_INLINE Trits16 dropLow(Trits16 x, long long k) {
    if (k >= 16) return {0, 0};
    if (k >= 8) return {k == 8 ? x.hi : x.hi >> (8 * (k - 8)), 0};
    if (k == 0) return x;
    return {(x.lo >> (8 * k)) | (x.hi << (64 - 8 * k)), x.hi >> (8 * k)};
}

// x moved up by k positions (0 <= k < 16), zeros moving in at the bottom.
KESTROM_INLINE Trits16 raise(Trits16 x, int k) {
    if (k >= 8) return {0, k == 8 ? x.lo : x.lo << (8 * (k - 8))};
    if (k == 0) return x;
    return {x.lo << (8 * k), (x.hi << (8 * k)) | (x.lo >> (64 - 8 * k))};
}

KESTROM_INLINE bool isZero(Trits16 x) { return (x.lo | x.hi) == 0; }

// The position of the top non-zero trit plus one, 0 for zero (the top set bit of a word lies
// in its top non-zero byte).
KESTROM_INLINE int significantTrits16(Trits16 x) {
    if (x.hi != 0) return 16 - (__builtin_clzll(x.hi) >> 3);
    if (x.lo != 0) return 8 - (__builtin_clzll(x.lo) >> 3);
    return 0;
}

}  // namespace words
}  // namespace kestrom

#endif

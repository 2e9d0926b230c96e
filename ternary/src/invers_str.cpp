// SPDX-License-Identifier: MIT
// The exported negation: every trit of the string flipped in place, the guard untouched.
#include "kestrom.h"

namespace {

// Sixteen, or eight, trit bytes as one vector: one register on every x86 target, negated
// lane by lane modulo 256 (unsigned, so that a byte -128 is no overflow).
typedef unsigned char Bytes16 __attribute__((vector_size(16)));
typedef unsigned char Bytes8 __attribute__((vector_size(8)));

template <typename V>
inline V negated(const signed char* p) {
    V x;
    __builtin_memcpy(&x, p, sizeof x);
    return -x;
}

template <typename V>
inline void store(signed char* p, V x) {
    __builtin_memcpy(p, &x, sizeof x);
}

}  // namespace

void inversStr(signed char* str, int len) {
    // Whole blocks, then one that ends at the last trit: it is negated from the bytes as they
    // were, loaded before any store, so the bytes it shares with the block below get the
    // same values twice.
    if (len >= 16) {
        const Bytes16 last = negated<Bytes16>(str + len - 16);
        for (int i = 0; i + 16 <= len; i += 16) store(str + i, negated<Bytes16>(str + i));
        store(str + len - 16, last);
    } else if (len >= 8) {
        const Bytes8 last = negated<Bytes8>(str + len - 8);
        store(str, negated<Bytes8>(str));
        store(str + len - 8, last);
    } else {
        for (int i = 0; i < len; ++i) str[i] = static_cast<signed char>(-str[i]);
    }
}

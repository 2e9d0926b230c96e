// SPDX-License-Identifier: MIT
// Trit strings as bytes of machine words: unaligned loads and stores of up to eight trits,
// written with __builtin_memcpy of fixed sizes (single moves, never calls), and the byte
// arithmetic that turns eight trits into their value and back.
#ifndef KESTROM_WORDS_BYTES_H
#define KESTROM_WORDS_BYTES_H

#include "word.h"

namespace kestrom {
namespace words {
namespace bytes {

constexpr u64 kOnes = 0x0101010101010101ULL;

KESTROM_INLINE u64 load8(const trit* p) {
    u64 x;
    __builtin_memcpy(&x, p, 8);
    return x;
}

KESTROM_INLINE void store8(trit* p, u64 x) { __builtin_memcpy(p, &x, 8); }

// Up to eight trits as the bytes of a word, the missing top ones zero. count 0 ... 8.
KESTROM_INLINE u64 loadShort(const trit* p, int count) {
    if (count >= 4) {
        u32 lo, hi;
        __builtin_memcpy(&lo, p, 4);
        __builtin_memcpy(&hi, p + count - 4, 4);
        return lo | (static_cast<u64>(hi) << (8 * (count - 4)));
    }
    u64 x = 0;
    if (count >= 2) {
        unsigned short lo, hi;
        __builtin_memcpy(&lo, p, 2);
        __builtin_memcpy(&hi, p + count - 2, 2);
        x = lo | (static_cast<u64>(hi) << (8 * (count - 2)));
    } else if (count == 1) {
        x = static_cast<unsigned char>(p[0]);
    }
    return x;
}

// The low count bytes of x to p[0 ... count-1]; count 0 ... 8. As loadShort, two overlapping
// stores, which write the same values to the bytes they share.
KESTROM_INLINE void storeShort(trit* p, u64 x, int count) {
    if (count >= 4) {
        const u32 lo = static_cast<u32>(x), hi = static_cast<u32>(x >> (8 * (count - 4)));
        __builtin_memcpy(p, &lo, 4);
        __builtin_memcpy(p + count - 4, &hi, 4);
    } else if (count >= 2) {
        const unsigned short lo = static_cast<unsigned short>(x);
        const unsigned short hi = static_cast<unsigned short>(x >> (8 * (count - 2)));
        __builtin_memcpy(p, &lo, 2);
        __builtin_memcpy(p + count - 2, &hi, 2);
    } else if (count == 1) {
        *p = static_cast<trit>(static_cast<signed char>(x));
    }
}

// Writes s[0 ... count-1] (9 <= count <= 40) from w, eight trit bytes a word, w[j] for trits
// 8j ... 8j+7.
KESTROM_INLINE void storeChunks(trit* s, int count, const u64* w) {
    const int full = (count - 1) / 8;   // whole chunks below the last one, 1 ... 4
    const int rest = count - 8 * full;  // 1 ... 8 trits in the last one
    // Chunk by chunk, not a loop: compilers turn such loops into calls of memcpy.
    store8(s, w[0]);
    if (full >= 2) store8(s + 8, w[1]);
    if (full >= 3) store8(s + 16, w[2]);
    if (full >= 4) store8(s + 24, w[3]);
    // The last, partial chunk goes out in one store that also rewrites the top of the one below.
    const u64 top = rest == 8 ? w[full] : (w[full - 1] >> (8 * rest)) | (w[full] << (8 * (8 - rest)));
    store8(s + count - 8, top);
}

// Four trit bytes -> their base-3 digit value 0 ... 80, with the same check as below.
KESTROM_INLINE u32 quadDigits(u32 x, u32& bad) {
    const u32 y = ((x & 0x7f7f7f7fu) + 0x01010101u) ^ (x & 0x80808080u);
    bad |= (y & 0xfcfcfcfcu) | (y & (y >> 1) & 0x01010101u);
    const u32 z = (y & 0x00ff00ffu) + ((y >> 8) & 0x00ff00ffu) * 3;
    return (z & 0xffffu) + (z >> 16) * 9;
}

// Eight trit bytes -> their balanced value in -3280 ... 3280. Each byte plus one (added lane
// by lane, without carries between lanes) is a digit 0, 1 or 2 for a valid trit; any other
// byte gives a lane above 2, which is recorded in `bad`. With 32-bit limbs the two halves go
// separately, in the registers the processor has.
KESTROM_INLINE limb chunkValue(u64 x, u64& bad) {
    if (kLimbBits == 32) {
        u32 bad32 = 0;
        const u32 lo = quadDigits(static_cast<u32>(x), bad32);
        const u32 hi = quadDigits(static_cast<u32>(x >> 32), bad32);
        bad |= bad32;
        return static_cast<limb>(lo + hi * 81) - 3280;
    }
    const u64 y = ((x & 0x7f7f7f7f7f7f7f7fULL) + kOnes) ^ (x & 0x8080808080808080ULL);
    bad |= (y & 0xfcfcfcfcfcfcfcfcULL) | (y & (y >> 1) & kOnes);
    u64 z = (y & 0x00ff00ff00ff00ffULL) + ((y >> 8) & 0x00ff00ff00ff00ffULL) * 3;
    z = (z & 0x0000ffff0000ffffULL) + ((z >> 16) & 0x0000ffff0000ffffULL) * 9;
    const u32 lo = static_cast<u32>(z), hi = static_cast<u32>(z >> 32);
    return static_cast<limb>(lo + hi * 81) - 3280;
}

// The bytes of the `trits` trits whose base-3 digits (lowest first) are those of k: digit
// 0, 1, 2 is the trit -1, 0, +1, the byte 0xff, 0x00, 0x01. For the tables below.
constexpr u64 tritBytesOf(u32 k, int trits) {
    u64 word = 0;
    for (int i = 0; i < trits; ++i, k /= 3) {
        const u32 digit = k % 3;
        word |= static_cast<u64>(digit == 0 ? 0xffu : digit - 1) << (8 * i);
    }
    return word;
}

// The four trits of k - 40 (k = 0 ... 80), one byte each.
struct Spread81 {
    u32 packed[81];
    constexpr Spread81() : packed() {
        for (u32 k = 0; k < 81; ++k) packed[k] = static_cast<u32>(tritBytesOf(k, 4));
    }
};
inline constexpr Spread81 kSpread81{};

// The eight trits of c - 3280 (0 <= c < 6561), one byte each. c / 81 as a multiplication
// (12946 = 2^20 / 81 rounded up, exact below 6561), written out: in some callers GCC otherwise
// emits a division instruction.
KESTROM_INLINE u64 spread6561(u32 c) {
    const u32 hi = (c * 12946u) >> 20;
    return kSpread81.packed[c - 81 * hi] | (static_cast<u64>(kSpread81.packed[hi]) << 32);
}

// Writes the count trits (0 <= count <= 8) of c - (3^count - 1) / 2, c < 3^count: the digits of
// c are the trits plus one.
KESTROM_INLINE void storeOctet(trit* s, int count, u32 c) {
    if (count == 8)
        store8(s, spread6561(c));
    else
        storeShort(s, spread6561(c), count);
}

}  // namespace bytes
}  // namespace words
}  // namespace kestrom

#endif

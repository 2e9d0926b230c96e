// SPDX-License-Identifier: MIT
// Mantissas of up to 40 trits as one integer, for the short paths of add and div: a limb where
// it holds them (64-bit limbs), a 64-bit integer of two limbs' conversions with 32-bit limbs,
// where a short path of 20 to 39 trits then needs no limb arrays. Nothing here divides by a
// variable or calls a division routine: quotients by powers of three go through divPow3.
#ifndef KESTROM_WORDS_VALUE_H
#define KESTROM_WORDS_VALUE_H

#include "convert.h"

namespace kestrom {
namespace words {

// The trits a value holds: (3^40 - 1) / 2 < 2^63.
constexpr int kValueTrits = 40;

struct Most64 {
    u64 pow3[kValueTrits + 1];  // 3^k
    u64 most[kValueTrits + 1];  // (3^k - 1) / 2
    constexpr Most64() : pow3(), most() {
        u64 p = 1;
        for (int k = 0; k <= kValueTrits; ++k, p *= 3) {
            pow3[k] = p;
            most[k] = (p - 1) / 2;
        }
    }
};
inline constexpr Most64 kMost64{};


// The largest magnitude k trits hold, for a value type V.
template <typename V>
KESTROM_INLINE V mostOf(int k) {
    return static_cast<V>(kMost64.most[k]);
}

// The number of trits a magnitude needs, up to kValueTrits.
KESTROM_INLINE int tritsOfValue(u64 mag) { return tritsOfMagnitude(mag, kMost64.most, kValueTrits); }

// floor(x / 3^k) for any x below 2^64, 0 <= k <= kWordTrits: with 32-bit limbs the high word
// is divided first, then the remainder and the low word (each quotient fits 32 bits).
KESTROM_INLINE u64 divPow3Value(u64 x, int k) {
    if (kLimbBits == 64) return divPow3(x, k);
    const u32 d = static_cast<u32>(pow3(k));
    const u32 high = static_cast<u32>(x >> 32);
    const u32 qh = high / d;
    const u32 low = static_cast<u32>(divPow3((static_cast<u64>(high - qh * d) << 32) | static_cast<u32>(x), k));
    return (static_cast<u64>(qh) << 32) | low;
}

// floor(m / 3^k) for k = 1 or 2 (the normalization's shifts): a constant division where the
// value type is a limb, divPow3Value otherwise.
template <typename V>
KESTROM_INLINE u64 divSmallPow3(u64 m, int k) {
    if (sizeof(V) == sizeof(limb)) return static_cast<ulimb>(m) / (k == 2 ? 9u : 3u);
    return divPow3Value(m, k);
}

// x / 3^k rounded to nearest, 0 <= k < kValueTrits, for a value type V.
template <typename V>
KESTROM_INLINE V roundDivValue(V x, int k) {
    if (sizeof(V) == sizeof(limb)) return static_cast<V>(roundDivPow3(static_cast<wide>(x), k));
    const bool negative = x < 0;
    u64 m = (negative ? 0 - static_cast<u64>(x) : static_cast<u64>(x)) + kMost64.most[k];
    // Dropping trits in two steps drops them as one does.
    if (k > kWordTrits) {
        m = divPow3Value(m, kWordTrits);
        k -= kWordTrits;
    }
    const u64 q = divPow3Value(m, k);
    return negative ? -static_cast<V>(q) : static_cast<V>(q);
}

// Reads count trits (0 <= count <= kValueTrits, and <= kWordTrits for a limb) into v; returns
// whether all are valid. Reads s[0 ... count-1] only.
KESTROM_INLINE bool readValue(const trit* s, int count, limb& v) { return readTrits(s, count, v); }

// Writes the count trits of v (|v| <= most(count)) to s[0 ... count-1].
KESTROM_INLINE void writeValue(trit* s, int count, limb v) { writeTrits(s, count, v); }

#if KESTROM_LIMB_BITS == 32

KESTROM_INLINE bool readValue(const trit* s, int count, i64& v) {
    limb low, high = 0;
    const int lowCount = count < kWordTrits ? count : kWordTrits;
    const bool validLow = readTrits(s, lowCount, low);
    const bool validHigh = readTrits(s + lowCount, count - lowCount, high);
    v = low + static_cast<i64>(high) * static_cast<i64>(pow3(kWordTrits));
    return validLow && validHigh;
}

KESTROM_INLINE void writeValue(trit* s, int count, i64 v) {
    if (count <= kWordTrits) {
        writeTrits(s, count, static_cast<limb>(v));
        return;
    }
    // The biased value's base-3^20 digits, each written as the balanced trits of its part.
    const u64 u = static_cast<u64>(v) + kMost64.most[count];
    const u32 high = static_cast<u32>(divPow3(u, kWordTrits));
    const u32 low = static_cast<u32>(u) - high * static_cast<u32>(pow3(kWordTrits));
    writeTrits(s, kWordTrits, static_cast<limb>(low - most(kWordTrits)));
    writeTrits(s + kWordTrits, count - kWordTrits, static_cast<limb>(high - most(count - kWordTrits)));
}

#endif

}  // namespace words
}  // namespace kestrom

#endif

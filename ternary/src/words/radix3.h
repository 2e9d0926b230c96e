// SPDX-License-Identifier: MIT
// Powers of three and division by them for limbs: tables computed at compile time, and the
// quotient of a wide word by 3^k through a precomputed reciprocal (Moeller and Granlund,
// "Improved division by invariant integers"), so that no division instruction or compiler
// division routine is needed, whatever the limb width.
#ifndef KESTROM_WORDS_RADIX3_H
#define KESTROM_WORDS_RADIX3_H

#include "word.h"

namespace kestrom {
namespace words {

// d is 3^k shifted left by `shift` so that its top bit is set; v = floor((2^2W - 1) / d) - 2^W
// for W = kLimbBits.
struct Divisor {
    ulimb d;
    ulimb v;
    int shift;
};

struct Radix3Tables {
    ulimb pow3[kWordTrits + 1];  // 3^k
    ulimb most[kWordTrits + 1];  // (3^k - 1) / 2, the largest magnitude k trits hold
    Divisor byPow3[kWordTrits + 1];

    constexpr Radix3Tables() : pow3(), most(), byPow3() {
        ulimb p = 1;
        for (int k = 0; k <= kWordTrits; ++k) {
            pow3[k] = p;
            most[k] = (p - 1) / 2;
            int shift = 0;
            while (((p << shift) >> (kLimbBits - 1)) == 0) ++shift;
            const ulimb d = p << shift;
            byPow3[k] = {d, static_cast<ulimb>(~uwide{0} / d - (uwide{1} << kLimbBits)), shift};
            p *= 3;
        }
    }
};

inline constexpr Radix3Tables kRadix3{};

inline ulimb pow3(int k) { return kRadix3.pow3[k]; }
inline ulimb most(int k) { return kRadix3.most[k]; }

inline ulimb magnitude(limb v) { return v < 0 ? 0 - static_cast<ulimb>(v) : static_cast<ulimb>(v); }

// floor(y / 3^k); needs y < 2^W * 3^k so that the quotient fits a limb; 0 <= k <= kWordTrits.
KESTROM_INLINE ulimb divPow3(uwide y, int k) {
    const Divisor& dv = kRadix3.byPow3[k];
    const uwide yn = y << dv.shift;
    const ulimb u1 = static_cast<ulimb>(yn >> kLimbBits);
    const ulimb u0 = static_cast<ulimb>(yn);
    const uwide q = static_cast<uwide>(dv.v) * u1 + (static_cast<uwide>(u1 + 1) << kLimbBits) + u0;
    ulimb q1 = static_cast<ulimb>(q >> kLimbBits);
    const ulimb q0 = static_cast<ulimb>(q);
    ulimb r = u0 - q1 * dv.d;
    if (r > q0) {
        --q1;
        r += dv.d;
    }
    if (r >= dv.d) ++q1;
    return q1;
}

// x / 3^k rounded to nearest (3^k is odd, so there are no ties): the value that dropping the
// k low trits of x leaves. Needs |x| / 3^k < 2^(W-1).
KESTROM_INLINE limb roundDivPow3(wide x, int k) {
    const bool negative = x < 0;
    const uwide m = negative ? 0 - static_cast<uwide>(x) : static_cast<uwide>(x);
    const ulimb q = divPow3(m + most(k), k);
    return negative ? -static_cast<limb>(q) : static_cast<limb>(q);
}

#if KESTROM_LIMB_BITS == 64

// Division by 3^k of values below 2^63, 1 <= k <= kNarrowTrits, as the high word of one
// product: with 2^(l-1) < 3^k < 2^l and m = ceil(2^(63+l) / 3^k), which is below 2^64,
// floor(y * m / 2^(63+l)) = floor(y / 3^k) for every y < 2^63, as m * 3^k exceeds 2^(63+l) by
// less than 3^k (Granlund and Montgomery, "Division by invariant integers using
// multiplication", theorem 4.2).
constexpr int kNarrowTrits = 20;
struct NarrowDivisors {
    u64 m[kNarrowTrits + 1];
    int shift[kNarrowTrits + 1];  // l - 1
    constexpr NarrowDivisors() : m(), shift() {
        u64 p = 1;
        for (int k = 1; k <= kNarrowTrits; ++k) {
            p *= 3;
            int l = 0;
            while ((u64{1} << l) < p) ++l;
            m[k] = static_cast<u64>(((u128{1} << (63 + l)) + p - 1) / p);
            shift[k] = l - 1;
        }
    }
};
inline constexpr NarrowDivisors kNarrowDivisors{};

// x / 3^k rounded to nearest, as roundDivPow3, for |x| + most(k) < 2^63 and
// 1 <= k <= kNarrowTrits.
KESTROM_INLINE limb roundDivPow3Narrow(limb x, int k) {
    const bool negative = x < 0;
    const u64 m = (negative ? 0 - static_cast<u64>(x) : static_cast<u64>(x)) + most(k);
    const u64 q = static_cast<u64>((static_cast<u128>(m) * kNarrowDivisors.m[k]) >> 64) >>
                  kNarrowDivisors.shift[k];
    return negative ? -static_cast<limb>(q) : static_cast<limb>(q);
}

#endif

// The number of trits a magnitude needs, the smallest c with mag <= most[c]; 0 for 0, and
// mag <= most[maxTrits]. From its bit length: 3^c / 2 is near 2^bits for c = bits * log3(2),
// give or take one. U is ulimb or u64, most its table of (3^k - 1) / 2.
template <typename U>
KESTROM_INLINE int tritsOfMagnitude(U mag, const U* most, int maxTrits) {
    if (mag == 0) return 0;
    const int bits = sizeof(U) == 8 ? 64 - __builtin_clzll(static_cast<u64>(mag))
                                    : 32 - __builtin_clz(static_cast<u32>(mag));
    int c = ((bits + 1) * 1292) >> 11;  // 1292 / 2048 = 0.6309 ~ log3(2)
    if (c > maxTrits) c = maxTrits;
    while (c < maxTrits && mag > most[c]) ++c;
    while (c > 0 && mag <= most[c - 1]) --c;
    return c;
}

KESTROM_INLINE int tritsOf(ulimb mag) { return tritsOfMagnitude(mag, kRadix3.most, kWordTrits); }

}  // namespace words
}  // namespace kestrom

#endif

// SPDX-License-Identifier: MIT
// The short division's recurrence settled from one ordinary division instead of a pass per
// quotient position. For a dividend a >= 0 and divisor d (most(n-1) < d <= most(n), a <= most(n)),
// and T = most(n-2), the selections of the first k positions sum to F_k = floor(3^(k-1) * a / d)
// or F_k + 1 (taken with D's sign) and leave the remainder rho_k - b_k * d, |.| < d, with
// rho_k = 3^(k-1) * a mod d and b_k the one bit of state beyond the ordinary division (b_0 = 0).
// Position k's selections take b_k to b_(k+1) by the digit m_k = F_(k+1) mod 3 and where
// rho_(k+1) lies:
//   m = 0: set when rho_(k+1) >= d - T, else keep;
//   m = 1: reset when rho_(k+1) <= T, set when rho_(k+1) >= d - T, else flip (T < d - T);
//   m = 2: reset when rho_(k+1) <= T, else keep.
// So the last bit is that of the last set or reset, flipped once for each flip after it: read
// from the last position back, where rho_k = (rho_(k+1) + m_k * d) / 3 and F_k = F_(k+1) / 3,
// the scan stops at the first set or reset, a few positions in for most operands.
#ifndef KESTROM_WORDS_DIV_SHORT_H
#define KESTROM_WORDS_DIV_SHORT_H

#include "word.h"

namespace kestrom {
namespace words {

// Whether the build has the ordinary division below: a double word by a word in one
// instruction (divq on x86-64, divl on 32-bit x86, the compiler's 128-bit division elsewhere
// with 64-bit limbs), or with 32-bit limbs two such steps for 64-bit words.
#if KESTROM_LIMB_BITS == 64 || defined(__x86_64__) || defined(__i386__)
#define KESTROM_DIV_SHORT_WIDE 1
#else
#define KESTROM_DIV_SHORT_WIDE 0
#endif

#if KESTROM_DIV_SHORT_WIDE

// floor(y / d) for y = high * 2^W + low (W the width of the words), rem = y mod d; needs
// high < d, so that the quotient fits a word.
#if KESTROM_LIMB_BITS == 64
KESTROM_INLINE u64 divideWide(u64 high, u64 low, u64 d, u64& rem) {
#if defined(__x86_64__)
    u64 q;
    __asm__("divq %[d]" : "=a"(q), "=d"(rem) : [d] "rm"(d), "a"(low), "d"(high) : "cc");
    return q;
#else
    const u64 q = static_cast<u64>(((static_cast<uwide>(high) << 64) | low) / d);
    rem = low - q * d;
    return q;
#endif
}

KESTROM_INLINE u64 multiplyWide(u64 a, u64 b, u64& high) {
    const uwide p = static_cast<uwide>(a) * b;
    high = static_cast<u64>(p >> 64);
    return static_cast<u64>(p);
}

// f / 3 into up; returns f mod 3.
KESTROM_INLINE u64 splitThird(u64 f, u64& up) {
    up = f / 3;
    return f - 3 * up;
}
#else
KESTROM_INLINE u32 divideWide(u32 high, u32 low, u32 d, u32& rem) {
#if defined(__x86_64__)
    const u64 y = (static_cast<u64>(high) << 32) | low;
    const u32 q = static_cast<u32>(y / d);
    rem = low - q * d;
    return q;
#else
    u32 q;
    __asm__("divl %[d]" : "=a"(q), "=d"(rem) : [d] "rm"(d), "a"(low), "d"(high) : "cc");
    return q;
#endif
}

KESTROM_INLINE u32 multiplyWide(u32 a, u32 b, u32& high) {
    const u64 p = static_cast<u64>(a) * b;
    high = static_cast<u32>(p >> 32);
    return static_cast<u32>(p);
}

KESTROM_INLINE u32 splitThird(u32 f, u32& up) {
    up = f / 3;
    return f - 3 * up;
}

// 64-bit words from 32-bit steps, for the 64-bit values of 32-bit limbs.

// One 32-bit digit of the quotient of top * 2^32 + next by dn (top < dn, dn's top bit set),
// top replaced by the remainder. The estimate from the top words is at most two too large;
// checked against all of dn it becomes exact.
KESTROM_INLINE u32 divideStep(u64& top, u32 next, u64 dn) {
    const u32 v1 = static_cast<u32>(dn >> 32), v0 = static_cast<u32>(dn);
    const u32 t1 = static_cast<u32>(top >> 32), t0 = static_cast<u32>(top);
    u32 q;
    u64 rhat;
    if (t1 >= v1) {  // t1 == v1: the estimate 2^32 - 1
        q = ~0u;
        rhat = static_cast<u64>(t0) + v1;
    } else {
        u32 r;
        q = divideWide(t1, t0, v1, r);
        rhat = r;
    }
    while ((rhat >> 32) == 0 && static_cast<u64>(q) * v0 > ((rhat << 32) | next)) {
        --q;
        rhat += v1;
    }
    top = ((top << 32) | next) - static_cast<u64>(q) * dn;  // below dn, so exact modulo 2^64
    return q;
}

KESTROM_INLINE u64 divideWide(u64 high, u64 low, u64 d, u64& rem) {
    const int s = __builtin_clzll(d);  // d > high >= 0
    const u64 dn = d << s;
    u64 top = s == 0 ? high : (high << s) | (low >> (64 - s));
    const u64 ln = low << s;
    const u32 q1 = divideStep(top, static_cast<u32>(ln >> 32), dn);
    const u32 q0 = divideStep(top, static_cast<u32>(ln), dn);
    rem = top >> s;
    return (static_cast<u64>(q1) << 32) | q0;
}

KESTROM_INLINE u64 multiplyWide(u64 a, u64 b, u64& high) {
    const u64 a0 = static_cast<u32>(a), a1 = a >> 32, b0 = static_cast<u32>(b), b1 = b >> 32;
    const u64 p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0;
    const u64 mid = (p00 >> 32) + static_cast<u32>(p01) + static_cast<u32>(p10);
    high = a1 * b1 + (p01 >> 32) + (p10 >> 32) + (mid >> 32);
    return (mid << 32) | static_cast<u32>(p00);
}

// As above, by short division: the high word's third, then the low word with its remainder.
KESTROM_INLINE u64 splitThird(u64 f, u64& up) {
    const u32 high = static_cast<u32>(f >> 32);
    const u32 qh = high / 3;
    u32 m;
    const u32 ql = divideWide(high - 3 * qh, static_cast<u32>(f), 3u, m);
    up = (static_cast<u64>(qh) << 32) | ql;
    return m;
}
#endif

// For a dividend a >= 0 and d, T as above (2 <= n, 3^n * a below d * 2^W): the quotient's
// magnitude F_(n+1) + b_(n+1), returned, and the remainder the selections leave,
// x = rho_(n+1) - b_(n+1) * d. U is the value's unsigned type, pow3n = 3^n.
template <typename U>
KESTROM_INLINE U settleShort(U a, U d, U t, U pow3n, int n, typename SignedOf<U>::type& x) {
    using I = typename SignedOf<U>::type;
    U high, rho;
    const U low = multiplyWide(a, pow3n, high);
    const U quotient = divideWide(high, low, d, rho);
    // 1/3 modulo 2^W: rho_(k+1) + m_k * d is a multiple of 3, so its third is exact.
    constexpr U third = static_cast<U>(~static_cast<U>(0) / 3 * 2 + 1);
    const U setAt = d - t, dThird = d * third;
    U f = quotient, r = rho, flips = 0, bit = 0;
    for (int k = n; k >= 0; --k) {
        U up;
        const U m = splitThird(f, up);
        if (r >= setAt && m != 2) {
            bit = 1;
            break;
        }
        if (r <= t && m != 0) break;
        flips ^= m;  // its low bit: m == 1, a flip
        r = r * third + m * dThird;
        f = up;
    }
    bit ^= flips & 1;
    x = static_cast<I>(rho) - static_cast<I>(bit ? d : 0);
    return quotient + bit;
}

#endif

}  // namespace words
}  // namespace kestrom

#endif

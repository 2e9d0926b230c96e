// SPDX-License-Identifier: MIT
// The short division's recurrence settled from one hardware division instead of a pass per
// quotient position. For a dividend a >= 0 and divisor d (most(n-1) < d <= most(n), a <= most(n)),
// and T = most(n-2), the recurrence leaves after k positions the partial quotient
// F_k = floor(3^(k-1) * a / d) or F_k + 1 and the remainder rho_k - b_k * d, with
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

// Whether the build divides a double word by a word in one instruction: 128 by 64 bits with
// 64-bit limbs (the compiler's 128-bit division off x86-64), 64 by 32 bits on x86.
#if KESTROM_LIMB_BITS == 64
#define KESTROM_DIV_SHORT_WIDE 1
#elif defined(__x86_64__) || defined(__i386__)
#define KESTROM_DIV_SHORT_WIDE 1
#else
#define KESTROM_DIV_SHORT_WIDE 0
#endif

#if KESTROM_DIV_SHORT_WIDE

// floor(y / d) and rem = y mod d, for y = high * 2^W + low (W the width of U); needs high < d,
// so that the quotient fits U.
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
#endif

// The double word and the signed word beside a word U.
template <typename U>
struct ShortWords;
template <>
struct ShortWords<u32> {
    using wider = u64;
    using sign = i32;
};
#if KESTROM_LIMB_BITS == 64
template <>
struct ShortWords<u64> {
    using wider = uwide;
    using sign = i64;
};
#endif

// For a dividend a >= 0 and d, T as above (2 <= n, 3^n * a below d * 2^W): the quotient's
// magnitude F_(n+1) + b_(n+1), returned, and the remainder the selections leave,
// x = rho_(n+1) - b_(n+1) * d. U is ulimb.
template <typename U>
KESTROM_INLINE U settleShort(U a, U d, U t, U pow3n, int n, typename ShortWords<U>::sign& x) {
    constexpr int w = static_cast<int>(sizeof(U) * 8);
    using I = typename ShortWords<U>::sign;
    const typename ShortWords<U>::wider y = static_cast<typename ShortWords<U>::wider>(a) * pow3n;
    U rho;
    const U quotient = divideWide(static_cast<U>(y >> w), static_cast<U>(y), d, rho);
    // 1/3 modulo 2^W: rho_(k+1) + m_k * d is a multiple of 3.
    constexpr U third = static_cast<U>(~static_cast<U>(0) / 3 * 2 + 1);
    const U setAt = d - t;
    U f = quotient, r = rho, flips = 0, bit = 0;
    for (int k = n; k >= 0; --k) {
        const U up = f / 3;
        const U m = f - 3 * up;
        if (r >= setAt && m != 2) {
            bit = 1;
            break;
        }
        if (r <= t && m != 0) break;
        flips ^= m == 1;
        r = (r + m * d) * third;
        f = up;
    }
    bit ^= flips;
    x = static_cast<I>(rho) - static_cast<I>(bit ? d : 0);
    return quotient + bit;
}

#endif

}  // namespace words
}  // namespace kestrom

#endif

// SPDX-License-Identifier: MIT
// Both mantissas of a long product read into 64-bit limbs with SSE2, each raised by its lift,
// in one pass of pairwise limb conversions. The bottom limb of an operand starts below the
// string (its low trits are the zeros of the lift) and the top one may end above it: both are
// loaded as whole limbs from inside the string, the lanes that belong to other limbs cleared,
// and the value scaled back into place.
#ifndef KESTROM_X86_MUL_OPERANDS_SSE2_H
#define KESTROM_X86_MUL_OPERANDS_SSE2_H

#include "convert_sse2.h"

namespace kestrom {
namespace words {
namespace sse2 {

static_assert(kLimbBits == 64 && kLimbTrits == 38, "the limb layout of convert_sse2.h");

// Byte i is 0xff from i = 38 on. Loaded at kFrom38 + k as the bytes of a limb, it selects the
// limb's top k trits (lanes 38-k ... 37), 0 <= k <= 38.
struct From38 {
    alignas(16) unsigned char bytes[80];
    constexpr From38() : bytes() {
        for (int i = 38; i < 80; ++i) bytes[i] = 0xff;
    }
};
inline constexpr From38 kFrom38{};

KESTROM_INLINE LimbBytes maskOf(int k) { return loadLimb(reinterpret_cast<const trit*>(kFrom38.bytes) + k); }

// The inverses of 3^k modulo 2^64 (k < 38): a multiple of 3^k times its inverse is the exact
// quotient.
struct Inverse3 {
    u64 of[kLimbTrits];
    constexpr Inverse3() : of() {
        u64 p = 1;
        for (int k = 0; k < kLimbTrits; ++k, p *= 0xaaaaaaaaaaaaaaabULL) of[k] = p;  // 1/3
    }
};
inline constexpr Inverse3 kInverse3{};

// The trits s[0 ... 37-lift] as a limb's bytes, the lanes above them cleared (trit 0).
KESTROM_INLINE LimbBytes bottomBytes(const trit* s, int lift) {
    const LimbBytes x = loadLimb(s), m = maskOf(lift);
    return {_mm_andnot_si128(m.low, x.low), _mm_andnot_si128(m.middle, x.middle),
            _mm_andnot_si128(m.tail, x.tail)};
}

// The top `rest` trits of the 38 that end at `end` (1 <= rest <= 38), the lanes below cleared.
KESTROM_INLINE LimbBytes topBytes(const trit* end, int rest) {
    const LimbBytes x = loadLimb(end - kLimbTrits), m = maskOf(rest);
    return {_mm_and_si128(m.low, x.low), _mm_and_si128(m.middle, x.middle), _mm_and_si128(m.tail, x.tail)};
}

KESTROM_INLINE void storePair(limb* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// The bottom and top limbs of s[0 ... n-1] raised by lift, into x[0] and x[limbs-1]: the
// bottom one is the value of the trits it holds times 3^lift, the top one the value of the
// 38 trits that end at s + n with those below it cleared, divided by 3^(38-rest).
KESTROM_INLINE void readEnds(const trit* s, int n, int lift, int limbs, limb* x, __m128i& top) {
    const int rest = n + lift - (limbs - 1) * kLimbTrits;
    const __m128i v = limbPairValues<2>(bottomBytes(s, lift), topBytes(s + n, rest), top);
    // Unsigned: invalid trits give any value (discarded), which must not overflow.
    x[0] = static_cast<limb>(static_cast<ulimb>(_mm_cvtsi128_si64(v)) * pow3(lift));
    x[limbs - 1] = static_cast<limb>(static_cast<u64>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(v, v))) *
                                     kInverse3.of[kLimbTrits - rest]);
}

// a := the limbs of A * 3^liftA, b := those of B * 3^liftB, for mantissas A = sa[0 ... n-1]
// and B = sb[0 ... n-1] of 40 or more trits that both take `limbs` limbs once raised
// (0 <= lift < 38, n + lift <= 38 * limbs < n + lift + 38). Returns whether every trit is
// valid. Reads the two strings only.
KESTROM_INLINE bool readOperands(const trit* sa, const trit* sb, int n, int liftA, int liftB, int limbs,
                                 limb* a, limb* b) {
    __m128i top = _mm_setzero_si128();
    readEnds(sa, n, liftA, limbs, a, top);
    readEnds(sb, n, liftB, limbs, b, top);
    // Limb j of an operand raised by lift starts at trit 38j - lift.
    const trit* pa = sa + (kLimbTrits - liftA);
    const trit* pb = sb + (kLimbTrits - liftB);
    int j = 1;
    for (; j + 2 < limbs; j += 2, pa += 2 * kLimbTrits, pb += 2 * kLimbTrits) {
        storePair(a + j, limbValues<2>(pa, top));
        storePair(b + j, limbValues<2>(pb, top));
    }
    if (j + 1 < limbs) {
        // One limb of each left: the two go together.
        const __m128i v = limbPairValues<2>(loadLimb(pa), loadLimb(pb), top);
        a[j] = static_cast<limb>(_mm_cvtsi128_si64(v));
        b[j] = static_cast<limb>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(v, v)));
    }
    return digitsValid(top);
}

}  // namespace sse2
}  // namespace words
}  // namespace kestrom

#endif

// SPDX-License-Identifier: MIT
// Two short trit strings read at once with SSE2, one in each half of a register: the operand
// pairs of the short paths (two mantissas, two exponents) cost one conversion.
#ifndef KESTROM_X86_PAIR_SSE2_H
#define KESTROM_X86_PAIR_SSE2_H

#include "convert_sse2.h"

namespace kestrom {
namespace words {

// Reads count trits (0 <= count <= 8) of s and of t; returns whether all are valid, and if so
// x and y receive their values. Reads s[0 ... count-1] and t[0 ... count-1] only.
KESTROM_INLINE bool readShortPair(const trit* s, const trit* t, int count, limb& x, limb& y) {
    using namespace sse2;
    // Missing top trits load as zero bytes: trits 0, whose digits 1 the bias below removes.
    const __m128i raw = _mm_set_epi64x(static_cast<long long>(bytes::loadShort(t, count)),
                                       static_cast<long long>(bytes::loadShort(s, count)));
    __m128i bad = _mm_setzero_si128();
    const __m128i d = digitValues(digits16(raw, bad));
    x = static_cast<limb>(lane0(d)) - 3280;  // (3^8 - 1) / 2
    y = static_cast<limb>(lane1(d)) - 3280;
    return _mm_movemask_epi8(_mm_cmpeq_epi8(bad, _mm_setzero_si128())) == 0xffff;
}

#if KESTROM_LIMB_BITS == 64

namespace sse2 {

// 32-bit lane i of v, sign-extended, modulo 2^64: the values are summed without signed
// overflow even for invalid trits, whose results are discarded.
template <int i>
KESTROM_INLINE ulimb lane(__m128i v) {
    return static_cast<ulimb>(static_cast<limb>(_mm_cvtsi128_si32(_mm_shuffle_epi32(v, i))));
}

// The digits' quad values of the top block of a string of count trits, its lanes below trit
// `whole` cleared.
KESTROM_INLINE __m128i topQuads(const trit* s, int count, int whole, __m128i& top) {
    const __m128i keep = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kKeep + (count - whole)));
    return quadValues(digitsKeepingTop(_mm_and_si128(load16(s + count - 16), keep), top));
}

constexpr int kBlockBias = 21523360;  // (3^16 - 1) / 2, the digit value of sixteen trits 0

}  // namespace sse2

// Reads count trits (16 < count <= 40) of s and of t, as readShortPair: each string as whole
// blocks of sixteen from its bottom and the block of sixteen that ends at its top, whose lanes
// below the whole blocks are cleared (trits 0, which add nothing); the blocks of both strings
// share the digit arithmetic. Reads s[0 ... count-1] and t[0 ... count-1] only.
KESTROM_INLINE bool readMediumPair(const trit* s, const trit* t, int count, limb& x, limb& y) {
    using namespace sse2;
    __m128i top = _mm_setzero_si128();
    const __m128i s0 = quadValues(digitsKeepingTop(load16(s), top));
    const __m128i t0 = quadValues(digitsKeepingTop(load16(t), top));
    const ulimb scale = pow3(count - 16);
    if (count <= 32) {
        const __m128i s1 = topQuads(s, count, 16, top), t1 = topQuads(t, count, 16, top);
        // The blocks' balanced values: s low, s top, t low, t top.
        const __m128i v = _mm_sub_epi32(hexadecValues(octetValues(s0, s1), octetValues(t0, t1)),
                                        _mm_set1_epi32(kBlockBias));
        x = static_cast<limb>(lane<0>(v) + lane<1>(v) * scale);
        y = static_cast<limb>(lane<2>(v) + lane<3>(v) * scale);
    } else {
        const __m128i s1 = quadValues(digitsKeepingTop(load16(s + 16), top));
        const __m128i t1 = quadValues(digitsKeepingTop(load16(t + 16), top));
        const __m128i s2 = topQuads(s, count, 32, top), t2 = topQuads(t, count, 32, top);
        // s low, s middle, t low, t middle; then s top, t top (twice).
        const __m128i v = _mm_sub_epi32(hexadecValues(octetValues(s0, s1), octetValues(t0, t1)),
                                        _mm_set1_epi32(kBlockBias));
        const __m128i o = octetValues(s2, t2);
        const __m128i w = _mm_sub_epi32(hexadecValues(o, o), _mm_set1_epi32(kBlockBias));
        constexpr ulimb k3to16 = 43046721;
        x = static_cast<limb>(lane<0>(v) + lane<1>(v) * k3to16 + lane<0>(w) * scale);
        y = static_cast<limb>(lane<2>(v) + lane<3>(v) * k3to16 + lane<1>(w) * scale);
    }
    return digitsValid(top);
}

#endif

}  // namespace words
}  // namespace kestrom

#endif

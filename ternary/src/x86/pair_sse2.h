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

}  // namespace words
}  // namespace kestrom

#endif

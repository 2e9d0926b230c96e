// SPDX-License-Identifier: MIT
// Trits <-> limbs with SSE2, sixteen trits a register: the conversions of the x86 builds (every
// x86-64 processor has SSE2; the 32-bit x86 builds are compiled for it). Results are those of
// the generic conversions, for either limb width.
#ifndef KESTROM_X86_CONVERT_SSE2_H
#define KESTROM_X86_CONVERT_SSE2_H

#include <emmintrin.h>

#include "../words/bytes.h"
#include "../words/radix3.h"

namespace kestrom {
namespace words {
namespace sse2 {

// Byte i of kKeep + k is 0xff when i >= 16 - k: the mask that keeps the top k of 16 lanes.
alignas(16) inline constexpr unsigned char kKeep[32] = {
    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
    0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff};

// Sixteen trit bytes plus one: digits 0, 1, 2 for valid trits. Any other byte leaves a lane
// above 2, which stays set in `bad`.
KESTROM_INLINE __m128i digits16(__m128i raw, __m128i& bad) {
    const __m128i y = _mm_add_epi8(raw, _mm_set1_epi8(1));
    bad = _mm_or_si128(bad, _mm_subs_epu8(y, _mm_set1_epi8(2)));
    return y;
}

// The base-3 values of digit lanes 0-7 and 8-15 (each below 6561 for digits 0 ... 2) in the two
// 64-bit lanes: pairs (d0 + 3 d1), quads (+ 9 *), octets (+ 81 *).
KESTROM_INLINE __m128i digitValues(__m128i y) {
    const __m128i pairs = _mm_sub_epi16(y, _mm_mullo_epi16(_mm_srli_epi16(y, 8), _mm_set1_epi16(253)));
    const __m128i quads = _mm_madd_epi16(pairs, _mm_set1_epi32(0x00090001));
    const __m128i both = _mm_or_si128(quads, _mm_srli_epi64(quads, 16));
    return _mm_madd_epi16(both, _mm_set_epi32(0, 0x00510001, 0, 0x00510001));
}

// The low 32 bits of each 64-bit lane (the octet values above fit them).
KESTROM_INLINE ulimb lane0(__m128i v) { return static_cast<u32>(_mm_cvtsi128_si32(v)); }
KESTROM_INLINE ulimb lane1(__m128i v) { return static_cast<u32>(_mm_cvtsi128_si32(_mm_unpackhi_epi64(v, v))); }

// The balanced value of 16 trits (lanes 0 ... 15), modulo 2^W.
KESTROM_INLINE ulimb value16(__m128i raw, __m128i& bad) {
    const __m128i v = digitValues(digits16(raw, bad));
    return lane0(v) + 6561u * lane1(v) - 21523360u;  // (3^16 - 1) / 2
}

KESTROM_INLINE __m128i load16(const trit* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

KESTROM_INLINE __m128i loadLow8(const trit* p) {
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
}

// The sixteen trits of x - (3^16 - 1) / 2 (0 <= x < 3^16), one per byte lane: x splits into
// base-6561 halves, each 64-bit lane into base-81 halves of 32 bits, base 9 in 16 bits, base 3
// in bytes. Each quotient is a multiplication by a reciprocal, exact for these ranges.
KESTROM_INLINE __m128i spread16(ulimb x) {
    const u32 x32 = static_cast<u32>(x);
    const u32 high = static_cast<u32>((static_cast<u64>(x32) * 167582934u) >> 40);  // x / 6561
    __m128i v = _mm_unpacklo_epi64(_mm_cvtsi32_si128(static_cast<int>(x32 - 6561 * high)),
                                   _mm_cvtsi32_si128(static_cast<int>(high)));
    __m128i q = _mm_srli_epi64(_mm_mul_epu32(v, _mm_set1_epi32(12946)), 20);  // / 81
    v = _mm_or_si128(_mm_sub_epi32(v, _mm_mullo_epi16(q, _mm_set1_epi16(81))), _mm_slli_epi64(q, 32));
    q = _mm_mulhi_epu16(v, _mm_set1_epi16(7282));  // / 9
    v = _mm_or_si128(_mm_sub_epi16(v, _mm_mullo_epi16(q, _mm_set1_epi16(9))), _mm_slli_epi32(q, 16));
    q = _mm_mulhi_epu16(v, _mm_set1_epi16(21846));  // / 3
    v = _mm_or_si128(_mm_sub_epi16(v, _mm_mullo_epi16(q, _mm_set1_epi16(3))), _mm_slli_epi16(q, 8));
    return _mm_sub_epi8(v, _mm_set1_epi8(1));
}

}  // namespace sse2

// Reads count trits (0 <= count <= kWordTrits) starting at s and returns whether every one of
// them is -1, 0 or +1; if so, value receives their balanced-ternary value. Reads s[0 ... count-1]
// only.
KESTROM_INLINE bool readTrits(const trit* s, int count, limb& value) {
    using namespace sse2;
    if (count <= 8) {
        u64 bad = 0;
        value = bytes::chunkValue(bytes::loadShort(s, count), bad);
        return bad == 0;
    }
    // Whole blocks of 16 from the bottom; the rest in one block that ends at s + count, its
    // lanes that repeat trits below cleared (a cleared lane is the trit 0). Below 16 trits, two
    // blocks of eight put together the same way.
    __m128i bad = _mm_setzero_si128();
    ulimb v;
    if (count < 16) {
        const __m128i top = _mm_and_si128(loadLow8(s + count - 8), loadLow8(reinterpret_cast<const trit*>(kKeep) + count));
        const __m128i d = digitValues(digits16(_mm_unpacklo_epi64(loadLow8(s), top), bad));
        v = lane0(d) - 3280u + (lane1(d) - 3280u) * pow3(count - 8);
    } else {
        v = value16(load16(s), bad);
        if (kWordTrits >= 32 && count >= 32) v += value16(load16(s + 16), bad) * 43046721u;  // 3^16
        const int rest = count & 15;
        if (rest != 0) {
            const __m128i keep = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kKeep + rest));
            v += value16(_mm_and_si128(load16(s + count - 16), keep), bad) * pow3(count - 16);
        }
    }
    value = static_cast<limb>(v);
    return _mm_movemask_epi8(_mm_cmpeq_epi8(bad, _mm_setzero_si128())) == 0xffff;
}

// Writes the count trits (0 <= count <= kWordTrits) of v to s[0 ... count-1]; |v| <= most(count).
KESTROM_INLINE void writeTrits(trit* s, int count, limb v) {
    using namespace bytes;
    using namespace sse2;
    const ulimb u = static_cast<ulimb>(v) + most(count);  // its base-3 digits are the trits + 1
    if (count <= 8) {
        storeOctet(s, count, static_cast<u32>(u));
        return;
    }
    // Base 3^16 digits of u, each spread to sixteen trits in one register.
    alignas(16) u64 w[6];
    if (count <= 16) {
        _mm_store_si128(reinterpret_cast<__m128i*>(w), spread16(u));
    } else {
        const ulimb q1 = u / 43046721u;  // 3^16
        _mm_store_si128(reinterpret_cast<__m128i*>(w), spread16(u - q1 * 43046721u));
        ulimb q2 = 0;
        if (kWordTrits > 32 && count > 32) {
            q2 = q1 / 43046721u;
            _mm_store_si128(reinterpret_cast<__m128i*>(w + 4), spread16(q2));
        }
        _mm_store_si128(reinterpret_cast<__m128i*>(w + 2), spread16(q1 - q2 * 43046721u));
    }
    storeChunks(s, count, w);
}

}  // namespace words
}  // namespace kestrom

#endif

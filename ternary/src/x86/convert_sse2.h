// SPDX-License-Identifier: MIT
// Trits <-> limbs with SSE2, sixteen trits a register: the conversions of the x86 builds (every
// x86-64 processor has SSE2; the 32-bit x86 builds are compiled for it). Results are those of
// the generic conversions, for either limb width. Runs of whole 64-bit limbs are read two
// limbs at a time, and written seven trits a store from a table.
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

// A constant the compiler must keep as it is: multiplications by it stay one instruction,
// not the shifts and additions it would otherwise make of them.
KESTROM_INLINE __m128i opaque(__m128i c) {
    __asm__("" : "+x"(c));
    return c;
}

// Sixteen trit bytes plus one; `top` keeps the largest digit of each lane (above 2 for a byte
// that is not a trit).
KESTROM_INLINE __m128i digitsKeepingTop(__m128i raw, __m128i& top) {
    const __m128i y = _mm_add_epi8(raw, _mm_set1_epi8(1));
    top = _mm_max_epu8(top, y);
    return y;
}

// Whether every digit `top` has seen is 0, 1 or 2.
KESTROM_INLINE bool digitsValid(__m128i top) {
    const __m128i over = _mm_subs_epu8(top, _mm_set1_epi8(2));
    return _mm_movemask_epi8(_mm_cmpeq_epi8(over, _mm_setzero_si128())) == 0xffff;
}

// Digit lanes -> the values of four digits each (d0 + 3 d1 + 9 d2 + 27 d3) in 32-bit lanes.
// (d0 + 256 d1) * 259 has d0 + 3 d1 in its second byte.
KESTROM_INLINE __m128i quadValues(__m128i y) {
    const __m128i pairs = _mm_srli_epi16(_mm_mullo_epi16(y, opaque(_mm_set1_epi16(259))), 8);
    return _mm_madd_epi16(pairs, _mm_set1_epi32(0x00090001));
}

// The quad values of two registers -> the values of their eight eight-digit groups taken two
// by two: four 32-bit lanes, those of a first, then b.
KESTROM_INLINE __m128i octetValues(__m128i a, __m128i b) {
    return _mm_madd_epi16(_mm_packs_epi32(a, b), _mm_set1_epi32(0x00510001));
}

// Octet values of two registers -> values of sixteen digits (o0 + 6561 o1), 32-bit lanes.
KESTROM_INLINE __m128i hexadecValues(__m128i a, __m128i b) {
    return _mm_madd_epi16(_mm_packs_epi32(a, b), _mm_set1_epi32(0x19a10001));
}

#if KESTROM_LIMB_BITS == 64
static_assert(kLimbTrits == 38, "the limb layout below");

// Reading limbs of 38 trits, two at a time. Each limb is two blocks of 16 trits and a tail of
// 6; the blocks of both limbs go through the digit arithmetic side by side, the two tails
// share one register. Digits are the trits plus one, as above.

// [h0, h1, h2, h3] -> [h0 + 3^16 h1, h2 + 3^16 h3] in the two 64-bit lanes.
KESTROM_INLINE __m128i lowLimbValues(__m128i h) {
    const __m128i low = _mm_and_si128(h, _mm_set_epi32(0, -1, 0, -1));
    return _mm_add_epi64(low, _mm_mul_epu32(_mm_srli_epi64(h, 32), _mm_set1_epi32(43046721)));
}

// v + 3^32 * t in each 64-bit lane, t the low 32 bits of the lane (below 2^13).
KESTROM_INLINE __m128i addTopTimes3to32(__m128i v, __m128i t) {
    constexpr u64 p = 1853020188851841ULL;  // 3^32
    const __m128i low = _mm_mul_epu32(t, _mm_set1_epi32(static_cast<int>(static_cast<u32>(p))));
    const __m128i high = _mm_mul_epu32(t, _mm_set1_epi32(static_cast<int>(p >> 32)));
    return _mm_add_epi64(_mm_add_epi64(v, low), _mm_slli_epi64(high, 32));
}

// The trit bytes of one limb of 38 trits as the limb conversion takes them: trits 0 ... 15,
// 16 ... 31, and the eight bytes from trit 30 on, whose top six are trits 32 ... 37.
struct LimbBytes {
    __m128i low, middle, tail;
};

KESTROM_INLINE LimbBytes loadLimb(const trit* s) { return {load16(s), load16(s + 16), loadLow8(s + 30)}; }

// The digits of two limbs -> their digit values, minus the bias, in the two 64-bit lanes. The
// tails are shifted down by the two trits below them, so that two zero bytes (trit 0, digit
// 1) come in above trit 37: the value is that of 40 digits, the bias most(40). With kCount 1
// only the first limb is converted, and both lanes hold its value.
template <int kCount>
KESTROM_INLINE __m128i limbPairValues(const LimbBytes& x, const LimbBytes& y, __m128i& top) {
    const __m128i q0 = quadValues(digitsKeepingTop(x.low, top));
    const __m128i q1 = quadValues(digitsKeepingTop(x.middle, top));
    const __m128i o01 = octetValues(q0, q1);
    __m128i o23 = o01, tails = x.tail;
    if (kCount == 2) {
        const __m128i q2 = quadValues(digitsKeepingTop(y.low, top));
        const __m128i q3 = quadValues(digitsKeepingTop(y.middle, top));
        o23 = octetValues(q2, q3);
        tails = _mm_unpacklo_epi64(tails, y.tail);
    }
    const __m128i qt = quadValues(digitsKeepingTop(_mm_srli_epi64(tails, 16), top));
    const __m128i t = _mm_shuffle_epi32(octetValues(qt, qt), _MM_SHUFFLE(1, 1, 0, 0));
    const __m128i v = addTopTimes3to32(lowLimbValues(hexadecValues(o01, o23)), t);
    return _mm_sub_epi64(v, _mm_set1_epi64x(static_cast<long long>(kRadix3.most[40])));
}

// The values of one or two limbs at s and s + 38 (38 trits each), in the 64-bit lanes.
template <int kCount>
KESTROM_INLINE __m128i limbValues(const trit* s, __m128i& top) {
    const LimbBytes x = loadLimb(s);
    return limbPairValues<kCount>(x, kCount == 2 ? loadLimb(s + kLimbTrits) : x, top);
}

#endif

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

// Reads `full` whole limbs of kLimbTrits trits each from s[0 ... full*kLimbTrits-1]; returns
// whether every trit is valid.
KESTROM_INLINE bool readWholeLimbs(const trit* s, int full, limb* limbs) {
#if KESTROM_LIMB_BITS == 64
    using namespace sse2;
    __m128i top = _mm_setzero_si128();
    int j = 0;
    for (; j + 2 <= full; j += 2) {
        const __m128i v = limbValues<2>(s + j * kLimbTrits, top);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(limbs + j), v);
    }
    if (j < full) {
        const __m128i v = limbValues<1>(s + j * kLimbTrits, top);
        limbs[j] = static_cast<limb>(_mm_cvtsi128_si64(v));
    }
    return digitsValid(top);
#else
    // Four limbs of 16 trits a step, their values side by side in one register; a last one,
    // two or three go through the same arithmetic, the lanes past them repeating the last limb.
    using namespace sse2;
    __m128i top = _mm_setzero_si128();
    const __m128i bias = _mm_set1_epi32(21523360);  // (3^16 - 1) / 2
    int j = 0;
    for (; j + 4 <= full; j += 4) {
        const trit* p = s + j * kLimbTrits;
        const __m128i q0 = quadValues(digitsKeepingTop(load16(p), top));
        const __m128i q1 = quadValues(digitsKeepingTop(load16(p + 16), top));
        const __m128i q2 = quadValues(digitsKeepingTop(load16(p + 32), top));
        const __m128i q3 = quadValues(digitsKeepingTop(load16(p + 48), top));
        const __m128i v = hexadecValues(octetValues(q0, q1), octetValues(q2, q3));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(limbs + j), _mm_sub_epi32(v, bias));
    }
    if (j < full) {
        const trit* p = s + j * kLimbTrits;
        const int last = full - j - 1;  // 0 ... 2
        const __m128i q0 = quadValues(digitsKeepingTop(load16(p), top));
        const __m128i q1 = quadValues(digitsKeepingTop(load16(p + 16 * (last >= 1 ? 1 : 0)), top));
        const __m128i q2 = quadValues(digitsKeepingTop(load16(p + 16 * last), top));
        alignas(16) limb v[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(v),
                        _mm_sub_epi32(hexadecValues(octetValues(q0, q1), octetValues(q2, q2)), bias));
        for (int i = 0; i <= last; ++i) limbs[j + i] = v[i];
    }
    return digitsValid(top);
#endif
}

#if KESTROM_LIMB_BITS == 64

// Whole limbs of 38 trits are written seven trits a step from a table, which takes fewer
// instructions than spreading them in registers: the limb's biased value (its base-3 digits
// are the trits plus one) splits into base-3^14 digits by constant divisions, those into
// base-2187 digits, each digit's seven trits one eight-byte store. Stores go upward, each
// rewriting the byte the one below it wrote past its own trits.
struct Spread2187 {
    u64 packed[2187];  // the seven trits of k - 1093, one byte each; byte 7 zero
    constexpr Spread2187() : packed() {
        for (u32 k = 0; k < 2187; ++k) packed[k] = bytes::tritBytesOf(k, 7);
    }
};
inline constexpr Spread2187 kSpread2187{};

// floor(u / 3^k) for the biased values of 38-trit limbs (u < 3^38 < 2^61): the high word of u
// times m = ceil(2^(64+s) / 3^k), shifted by s. It is exact while u * (m * 3^k - 2^(64+s)) stays
// below 2^(64+s); the compiler's division, made for any u, takes more steps.
template <int kPower>
KESTROM_INLINE ulimb quotientOfLimb(ulimb u) {
    constexpr ulimb d = kRadix3.pow3[kPower];
    constexpr int shift = 64 - __builtin_clzll(d) - 1;  // 2^shift <= d: m fits a word
    constexpr uwide scale = static_cast<uwide>(1) << (64 + shift);
    constexpr ulimb m = static_cast<ulimb>(scale / d + 1);
    static_assert(static_cast<uwide>(kRadix3.pow3[38]) * (static_cast<uwide>(m) * d - scale) < scale,
                  "exact for every biased limb");
    return static_cast<ulimb>((static_cast<uwide>(u) * m) >> (64 + shift));
}

// The 38 trits of v to s[0 ... 37]; unless `exact`, s[38] is written too.
template <bool kExact>
KESTROM_INLINE void writeLimb38(trit* s, limb v) {
    constexpr ulimb p14 = 4782969;  // 3^14
    const u64* const spread = kSpread2187.packed;
    const ulimb u = static_cast<ulimb>(v) + kRadix3.most[38];
    const ulimb upper = quotientOfLimb<14>(u), g2 = quotientOfLimb<28>(u);
    const u32 g0 = static_cast<u32>(u - upper * p14), g1 = static_cast<u32>(upper - g2 * p14);
    const u32 top = static_cast<u32>(g2);  // trits 28 ... 37, below 3^10
    const u32 q0 = g0 / 2187, q1 = g1 / 2187, q2 = top / 2187;
    bytes::store8(s, spread[g0 - 2187 * q0]);
    bytes::store8(s + 7, spread[q0]);
    bytes::store8(s + 14, spread[g1 - 2187 * q1]);
    bytes::store8(s + 21, spread[q1]);
    bytes::store8(s + 28, spread[top - 2187 * q2]);
    // Trits 31 ... 37, over the top four of those from 28.
    if (kExact)
        bytes::storeShort(s + 31, spread[top / 27], 7);
    else
        bytes::store8(s + 31, spread[top / 27]);
}

#endif

// Writes the kLimbTrits trits of the canonical limb v to s[0 ... kLimbTrits-1]; may write
// s[kLimbTrits] and s[kLimbTrits+1] too.
KESTROM_INLINE void writeLimbSpilling(trit* s, limb v) {
#if KESTROM_LIMB_BITS == 64
    writeLimb38<false>(s, v);
#else
    _mm_storeu_si128(reinterpret_cast<__m128i*>(s),
                     sse2::spread16(static_cast<ulimb>(v) + 21523360u));  // + (3^16 - 1) / 2
#endif
}

// Writes `full` whole canonical limbs to s[0 ... full*kLimbTrits-1].
KESTROM_INLINE void writeWholeLimbs(trit* s, int full, const limb* limbs) {
#if KESTROM_LIMB_BITS == 64
    if (full <= 0) return;
    for (int j = 0; j + 1 < full; ++j) writeLimb38<false>(s + j * kLimbTrits, limbs[j]);
    writeLimb38<true>(s + (full - 1) * kLimbTrits, limbs[full - 1]);
#else
    // Each limb's sixteen trits straight from the register they are spread in.
    for (int j = 0; j < full; ++j) {
        const ulimb u = static_cast<ulimb>(limbs[j]) + 21523360u;  // (3^16 - 1) / 2
        _mm_storeu_si128(reinterpret_cast<__m128i*>(s + j * kLimbTrits), sse2::spread16(u));
    }
#endif
}

}  // namespace words
}  // namespace kestrom

#endif

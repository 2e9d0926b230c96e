// Trit strings as machine integers, for the word-level paths of add, mul and div.
//
// A balanced-ternary string of up to 40 trits is an integer that fits a 64-bit word
// (|v| <= (3^40 - 1) / 2 < 2^63), so the word-level paths convert operands once, do the
// arithmetic on integers and convert the results back. The conversions work on eight trits
// at a time and check on the way that every trit is -1, 0 or +1: the word paths run only on
// valid trits and leave everything else to the trit-level routines.
//
// The word paths need a 128-bit integer type and little-endian byte order; where either is
// missing (the 32-bit targets) KESTROM_WORD_PATHS is 0, nothing here is compiled and the
// operations run trit by trit.
#ifndef KESTROM_WORDS_H
#define KESTROM_WORDS_H

#include "trit.h"

#if defined(__SIZEOF_INT128__) && defined(__BYTE_ORDER__) && \
    __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
#define KESTROM_WORD_PATHS 1
#else
#define KESTROM_WORD_PATHS 0
#endif

#if KESTROM_WORD_PATHS

// SSE2 is part of every x86-64 processor: the conversions use it without a run-time check.
#if defined(__SSE2__)
#include <emmintrin.h>
#define KESTROM_SSE2 1
#else
#define KESTROM_SSE2 0
#endif

namespace kestrom {
namespace words {

using u32 = unsigned int;
using u64 = unsigned long long;
using i64 = long long;
__extension__ typedef unsigned __int128 u128;
__extension__ typedef __int128 i128;

static_assert(sizeof(u32) == 4 && sizeof(u64) == 8, "word sizes");

// The conversions are a few dozen instructions each: inlined, the compiler interleaves the
// independent ones of one operation.
#define KESTROM_INLINE inline __attribute__((always_inline))

// The most trits one word holds: 3^40 < 2^64, so the biased digits of 40 trits fit.
constexpr int kWordTrits = 40;

// Division of a 128-bit value by a fixed 64-bit divisor through a precomputed reciprocal
// (Moeller and Granlund, "Improved division by invariant integers"): d is the divisor shifted
// left by `shift` so that its top bit is set, v = floor((2^128 - 1) / d) - 2^64.
struct Divisor {
    u64 d;
    u64 v;
    int shift;
};

struct Tables {
    u64 pow3[kWordTrits + 1];  // 3^k
    u64 most[kWordTrits + 1];  // (3^k - 1) / 2, the largest magnitude k trits hold
    u32 spread81[81];          // the four trits of k - 40 (k = 0 ... 80), one byte each
    Divisor byPow3[kWordTrits + 1];

    constexpr Tables() : pow3(), most(), spread81(), byPow3() {
        u64 p = 1;
        for (int k = 0; k <= kWordTrits; ++k) {
            pow3[k] = p;
            most[k] = (p - 1) / 2;
            int shift = 0;
            while (((p << shift) >> 63) == 0) ++shift;
            const u64 d = p << shift;
            byPow3[k] = {d, static_cast<u64>(~u128{0} / d - (u128{1} << 64)), shift};
            p *= 3;
        }
        for (u32 k = 0; k < 81; ++k) {
            u32 packed = 0;
            u32 rest = k;
            for (int i = 0; i < 4; ++i) {
                // digit 0, 1, 2 is the trit -1, 0, +1: the byte 0xff, 0x00, 0x01
                const u32 digit = rest % 3;
                rest /= 3;
                packed |= (digit == 0 ? 0xffu : digit - 1) << (8 * i);
            }
            spread81[k] = packed;
        }
    }
};

inline constexpr Tables kTables{};

inline u64 pow3(int k) { return kTables.pow3[k]; }
inline u64 most(int k) { return kTables.most[k]; }

inline u64 magnitude(i64 v) { return v < 0 ? 0 - static_cast<u64>(v) : static_cast<u64>(v); }

// floor(y / 3^k); needs y < 2^64 * 3^k so that the quotient fits a word; 0 <= k <= 40.
inline u64 divPow3(u128 y, int k) {
    const Divisor& dv = kTables.byPow3[k];
    const u128 yn = y << dv.shift;
    const u64 u1 = static_cast<u64>(yn >> 64);
    const u64 u0 = static_cast<u64>(yn);
    const u128 q = static_cast<u128>(dv.v) * u1 + (static_cast<u128>(u1 + 1) << 64) + u0;
    u64 q1 = static_cast<u64>(q >> 64);
    const u64 q0 = static_cast<u64>(q);
    u64 r = u0 - q1 * dv.d;
    if (r > q0) {
        --q1;
        r += dv.d;
    }
    if (r >= dv.d) ++q1;
    return q1;
}

// x / 3^k rounded to nearest (3^k is odd, so there are no ties): the value that dropping the
// k low trits of x leaves. Needs |x| / 3^k < 2^63.
inline i64 roundDivPow3(i128 x, int k) {
    const bool negative = x < 0;
    const u128 m = negative ? 0 - static_cast<u128>(x) : static_cast<u128>(x);
    const u64 q = divPow3(m + most(k), k);
    return negative ? -static_cast<i64>(q) : static_cast<i64>(q);
}

namespace detail {

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

// The low count bytes of x to p[0 ... count-1]; count 0 ... 7.
KESTROM_INLINE void storeShort(trit* p, u64 x, int count) {
    if (count & 4) {
        const u32 w = static_cast<u32>(x);
        __builtin_memcpy(p, &w, 4);
        p += 4;
        x >>= 32;
    }
    if (count & 2) {
        const unsigned short w = static_cast<unsigned short>(x);
        __builtin_memcpy(p, &w, 2);
        p += 2;
        x >>= 16;
    }
    if (count & 1) *p = static_cast<trit>(static_cast<signed char>(x));
}

// Eight trit bytes -> their balanced value in -3280 ... 3280. Each byte plus one (added lane
// by lane, without carries between lanes) is a digit 0, 1 or 2 for a valid trit; any other
// byte gives a lane above 2, which is recorded in `bad`.
KESTROM_INLINE i64 chunkValue(u64 x, u64& bad) {
    const u64 y = ((x & 0x7f7f7f7f7f7f7f7fULL) + kOnes) ^ (x & 0x8080808080808080ULL);
    bad |= (y & 0xfcfcfcfcfcfcfcfcULL) | (y & (y >> 1) & kOnes);
    u64 z = (y & 0x00ff00ff00ff00ffULL) + ((y >> 8) & 0x00ff00ff00ff00ffULL) * 3;
    z = (z & 0x0000ffff0000ffffULL) + ((z >> 16) & 0x0000ffff0000ffffULL) * 9;
    return static_cast<i64>((z & 0xffffffffULL) + (z >> 32) * 81) - 3280;
}

// The eight trits of c - 3280 (0 <= c < 6561), one byte each.
KESTROM_INLINE u64 spread6561(u64 c) {
    const u64 hi = c / 81;
    return kTables.spread81[c - 81 * hi] | (static_cast<u64>(kTables.spread81[hi]) << 32);
}

#if KESTROM_SSE2

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

KESTROM_INLINE u64 low64(__m128i v) { return static_cast<u64>(_mm_cvtsi128_si64(v)); }
KESTROM_INLINE u64 high64(__m128i v) { return low64(_mm_unpackhi_epi64(v, v)); }

// The balanced value of 16 trits (lanes 0 ... 15), modulo 2^64.
KESTROM_INLINE u64 value16(__m128i raw, __m128i& bad) {
    const __m128i v = digitValues(digits16(raw, bad));
    return low64(v) + 6561 * high64(v) - 21523360u;  // (3^16 - 1) / 2
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
KESTROM_INLINE __m128i spread16(u64 x) {
    const u64 high = (x * 167582934u) >> 40;  // x / 6561 for x < 3^16
    __m128i v = _mm_unpacklo_epi64(_mm_cvtsi64_si128(static_cast<long long>(x - 6561 * high)),
                                   _mm_cvtsi64_si128(static_cast<long long>(high)));
    __m128i q = _mm_srli_epi64(_mm_mul_epu32(v, _mm_set1_epi32(12946)), 20);  // / 81
    v = _mm_or_si128(_mm_sub_epi32(v, _mm_mullo_epi16(q, _mm_set1_epi16(81))), _mm_slli_epi64(q, 32));
    q = _mm_mulhi_epu16(v, _mm_set1_epi16(7282));  // / 9
    v = _mm_or_si128(_mm_sub_epi16(v, _mm_mullo_epi16(q, _mm_set1_epi16(9))), _mm_slli_epi32(q, 16));
    q = _mm_mulhi_epu16(v, _mm_set1_epi16(21846));  // / 3
    v = _mm_or_si128(_mm_sub_epi16(v, _mm_mullo_epi16(q, _mm_set1_epi16(3))), _mm_slli_epi16(q, 8));
    return _mm_sub_epi8(v, _mm_set1_epi8(1));
}

#endif  // KESTROM_SSE2

}  // namespace detail

// Reads count trits (0 <= count <= 40) starting at s and returns whether every one of them is
// -1, 0 or +1; if so, value receives their balanced-ternary value. Reads s[0 ... count-1] only.
KESTROM_INLINE bool readTrits(const trit* s, int count, i64& value) {
    using namespace detail;
    if (count <= 8) {
        u64 bad = 0;
        value = chunkValue(loadShort(s, count), bad);
        return bad == 0;
    }
#if KESTROM_SSE2
    // Whole blocks of 16 from the bottom; the rest in one block that ends at s + count, its
    // lanes that repeat trits below cleared (a cleared lane is the trit 0). Below 16 trits, two
    // blocks of eight put together the same way.
    __m128i bad = _mm_setzero_si128();
    u64 v;
    if (count < 16) {
        const __m128i top = _mm_and_si128(loadLow8(s + count - 8), loadLow8(reinterpret_cast<const trit*>(kKeep) + count));
        const __m128i d = digitValues(digits16(_mm_unpacklo_epi64(loadLow8(s), top), bad));
        v = low64(d) - 3280 + (high64(d) - 3280) * kTables.pow3[count - 8];
    } else {
        v = value16(load16(s), bad);
        if (count >= 32) v += value16(load16(s + 16), bad) * 43046721u;  // 3^16
        const int rest = count & 15;
        if (rest != 0) {
            const __m128i keep = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kKeep + rest));
            v += value16(_mm_and_si128(load16(s + count - 16), keep), bad) * kTables.pow3[count - 16];
        }
    }
    value = static_cast<i64>(v);
    return _mm_movemask_epi8(_mm_cmpeq_epi8(bad, _mm_setzero_si128())) == 0xffff;
#else
    // Chunks of eight trits, the last one loaded so that it ends at s + count; their values
    // are independent and are weighted by 6561^j. Unsigned, so that invalid trits (whose
    // value is discarded) cannot overflow.
    u64 bad = 0;
    const int full = (count - 1) / 8;  // chunks below the last one, 1 ... 4
    const int rest = count - 8 * full;  // 1 ... 8 trits in the last one
    u64 v = static_cast<u64>(chunkValue(load8(s + count - 8) >> (8 * (8 - rest)), bad)) *
            kTables.pow3[8 * full];
    v += static_cast<u64>(chunkValue(load8(s), bad));
    if (full >= 2) v += static_cast<u64>(chunkValue(load8(s + 8), bad)) * 6561u;
    if (full >= 3) v += static_cast<u64>(chunkValue(load8(s + 16), bad)) * 43046721u;
    if (full >= 4) v += static_cast<u64>(chunkValue(load8(s + 24), bad)) * 282429536481ULL;
    value = static_cast<i64>(v);
    return bad == 0;
#endif
}

// Writes the count trits (0 <= count <= 40) of v to s[0 ... count-1]; |v| <= most(count).
KESTROM_INLINE void writeTrits(trit* s, int count, i64 v) {
    using namespace detail;
    const u64 u = static_cast<u64>(v) + most(count);  // its base-3 digits are the trits + 1
    if (count <= 8) {
        if (count == 8)
            store8(s, spread6561(u));
        else
            storeShort(s, spread6561(u), count);
        return;
    }
    const int full = (count - 1) / 8;
    const int rest = count - 8 * full;
    u64 w[6];
#if KESTROM_SSE2
    // Base 3^16 digits of u, each spread to sixteen trits in one register.
    if (count <= 16) {
        const __m128i t = spread16(u);
        w[0] = low64(t);
        w[1] = high64(t);
    } else {
        const u64 q1 = u / 43046721u;  // 3^16
        const __m128i t0 = spread16(u - q1 * 43046721u);
        w[0] = low64(t0);
        w[1] = high64(t0);
        u64 q2 = 0;
        if (count > 32) {
            q2 = q1 / 43046721u;
            const __m128i t2 = spread16(q2);
            w[4] = low64(t2);
            w[5] = high64(t2);
        }
        const __m128i t1 = spread16(q1 - q2 * 43046721u);
        w[2] = low64(t1);
        w[3] = high64(t1);
    }
#else
    if (count <= 16) {
        const u64 q1 = u / 6561u;
        w[0] = spread6561(u - q1 * 6561u);
        w[1] = spread6561(q1);
    } else {
        // The base-6561 digits of u, each from its own division by a constant.
        const u64 q1 = u / 6561u, q2 = u / 43046721u, q3 = u / 282429536481ULL,
                  q4 = u / 1853020188851841ULL;
        w[0] = spread6561(u - q1 * 6561u);
        w[1] = spread6561(q1 - q2 * 6561u);
        w[2] = spread6561(q2 - q3 * 6561u);
        w[3] = spread6561(q3 - q4 * 6561u);
        w[4] = spread6561(q4);
    }
#endif
    // Chunk by chunk, not a loop: compilers turn such loops into calls of memcpy.
    store8(s, w[0]);
    if (full >= 2) store8(s + 8, w[1]);
    if (full >= 3) store8(s + 16, w[2]);
    if (full >= 4) store8(s + 24, w[3]);
    // The last, partial chunk goes out in one store that also rewrites the top of the one below.
    const u64 top = rest == 8 ? w[full] : (w[full - 1] >> (8 * rest)) | (w[full] << (8 * (8 - rest)));
    store8(s + count - 8, top);
}

// Whether s[0 ... count-1] are all zero (count <= 0: true).
KESTROM_INLINE bool allZero(const trit* s, int count) {
    using namespace detail;
    u64 any = 0;
    int i = 0;
    for (; i + 8 <= count; i += 8) any |= load8(s + i);
    if (i < count) any |= loadShort(s + i, count - i);
    return any == 0;
}

// Moves buf[k ... len] down to buf[0 ... len-k] and clears the k positions above, as
// shiftStrDown does k times; k >= len + 1 clears all len+1 positions. len >= 0, k >= 1.
void dropLowTrits(trit* buf, int len, long long k);

// x reduced modulo 3^len into the balanced range [-most(len), most(len)]; 1 <= len <= 39
// and |x| < 2^62.
inline i64 wrap(i64 x, int len) {
    const i64 p = static_cast<i64>(pow3(len));
    const i64 m = static_cast<i64>(most(len));
    if (x > m || x < -m) {
        x = (x + m) % p;
        x += x < 0 ? p - m : -m;
    }
    return x;
}

// Writes what normalize leaves for a raw mantissa of value s (|s| <= most(mantLen+1)) and an
// exponent of value e (|e| <= most(expLen+1)): resMant[0 ... mantLen] and resExp[0 ... expLen]
// are written, the guards included. 1 <= expLen <= 19, 1 <= mantLen <= 39.
void storeNormalized(trit* resExp, trit* resMant, int expLen, int mantLen, i64 s, i64 e);

// Limbs: longer mantissas as arrays of integers in radix 3^38, least significant first, each
// limb the balanced value of 38 consecutive trits (the last one of the trits that remain).
// Conversion to and from trits is then local to each limb, and a limb of an integer in
// canonical form (every limb in [-most(38), most(38)]) is exactly its trits' value.
constexpr int kLimbTrits = 38;
constexpr i64 kLimbRadix = 1350851717672992089LL;  // 3^38
constexpr i64 kLimbMost = (kLimbRadix - 1) / 2;
// Operands of up to 40 limbs: a column of their product, 40 * kLimbMost^2, still divides by
// the radix into a quotient below 2^64 (see divPow3).
constexpr int kMaxLimbs = 41;
constexpr int kMaxLongTrits = 40 * kLimbTrits;
static_assert(static_cast<u128>(40) * static_cast<u128>(kLimbMost) * static_cast<u128>(kLimbMost) /
                      static_cast<u128>(kLimbRadix) <
                  (u128{1} << 64) - (u128{1} << 62),
              "a product column must divide by the radix into one word");

inline int limbsFor(int trits) { return (trits + kLimbTrits - 1) / kLimbTrits; }

// Whether s[0 ... count-1] are all valid trits; count >= 0.
bool validTrits(const trit* s, int count);

// The limbsFor(count) limbs of s[0 ... count-1]; returns whether every trit is valid.
bool readLimbs(const trit* s, int count, i64* limbs);

// Writes s[0 ... count-1] from canonical limbs whose value fits count trits.
void writeLimbs(trit* s, int count, const i64* limbs);

}  // namespace words
}  // namespace kestrom

#endif  // KESTROM_WORD_PATHS

#endif

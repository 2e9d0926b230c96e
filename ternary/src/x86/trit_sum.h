// SPDX-License-Identifier: MIT
// Sums of trit strings done on the trits themselves, sixteen a register, without converting
// them to integers and back: the x86 builds' addition.
#ifndef KESTROM_X86_TRIT_SUM_H
#define KESTROM_X86_TRIT_SUM_H

#include "../words/trits16.h"
#include "convert_sse2.h"

namespace kestrom {
namespace words {
namespace sse2 {


// How the sum carries, without integers. With A' = A + M and B' = B + M, where M is the string
// of len ones (the digits of A' are the trits of A plus one, 0 ... 2), the sum's trits plus one
// are the digits of A' + B' - M modulo 3^len. Both steps are plain base-3 arithmetic whose
// carries are 0 or 1, so each is a binary carry chain over the lanes: positions that generate
// a carry (g), and those that generate or pass one on (pg, a superset), give the carries into
// every position at once as (pg + g + carryIn) ^ pg ^ g, one bit a lane, and bit 16 carries
// out of the block. The first step adds digits s + 2 (s = a + b, -2 ... 2): it generates for
// s >= 1 and passes on for s = 0. Its digit u, less 2, is the value q in -2 ... 0 below; the
// second step subtracts 1 from each u: it borrows for u = 0 and passes a borrow on for u = 1.

// Byte lane i is 0xff where bit i of mask is set (bits 16 and up are ignored).
KESTROM_INLINE __m128i lanesOf(u32 mask) {
    __m128i v = _mm_cvtsi32_si128(static_cast<int>(mask));
    v = _mm_unpacklo_epi8(v, v);       // bytes b0 b0 b1 b1 ...
    v = _mm_shufflelo_epi16(v, 0x50);  // b0 four times, b1 four times
    v = _mm_shuffle_epi32(v, 0x50);    // b0 eight times, b1 eight times
    const __m128i bit = _mm_set1_epi64x(static_cast<long long>(0x8040201008040201ULL));
    return _mm_cmpeq_epi8(_mm_and_si128(v, bit), bit);
}

KESTROM_INLINE void store16(trit* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
KESTROM_INLINE u32 signs(__m128i v) { return static_cast<u32>(_mm_movemask_epi8(v)); }

// One block of the sum. `skip` low lanes take no part (the partial top block): their bits are
// shifted out of the chains, and what they compute is not stored. carry and borrow are the
// chains' bits into the block's lowest taking lane, and receive those out of its top lane.
KESTROM_INLINE __m128i sumBlock(__m128i s, int skip, u32& carry, u32& borrow) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i minusOne = _mm_set1_epi8(-1);
    const __m128i three = _mm_set1_epi8(3);
    const u32 pg1 = ((signs(s) ^ 0xffff) >> skip);
    const u32 g1 = signs(_mm_cmpgt_epi8(s, zero)) >> skip;
    const u32 x1 = pg1 + g1 + carry;
    carry = x1 >> (16 - skip);
    const __m128i t = _mm_sub_epi8(s, lanesOf((x1 ^ pg1 ^ g1) << skip));  // s + carry, -2 ... 3
    const __m128i q = _mm_sub_epi8(t, _mm_and_si128(_mm_cmpgt_epi8(t, zero), three));
    const u32 pg2 = signs(q) >> skip;                                  // u <= 1
    const u32 g2 = signs(_mm_cmpgt_epi8(minusOne, q)) >> skip;         // u == 0
    const u32 x2 = pg2 + g2 + borrow;
    borrow = x2 >> (16 - skip);
    const __m128i w = _mm_add_epi8(q, lanesOf((x2 ^ pg2 ^ g2) << skip));  // u - 2 - borrow
    // The trit is w + 1 modulo 3: w in -3 ... 0 gives 0, +1, -1, 0.
    return _mm_add_epi8(w, _mm_and_si128(_mm_cmpgt_epi8(minusOne, w), three));
}


KESTROM_INLINE __m128i inRegister(Trits16 x) {
    return _mm_set_epi64x(static_cast<long long>(x.hi), static_cast<long long>(x.lo));
}

// Whether the positions of a and b are all -1, 0 or +1 (zero bytes count as trits 0).
KESTROM_INLINE bool validTrits16(Trits16 a, Trits16 b) {
    // The conversions' check: each byte plus one must be a digit 0 ... 2.
    __m128i bad = _mm_setzero_si128();
    digits16(inRegister(a), bad);
    digits16(inRegister(b), bad);
    return signs(_mm_cmpeq_epi8(bad, _mm_setzero_si128())) == 0xffff;
}

// a + b, for valid trits whose sum fits the positions that a and b use.
KESTROM_INLINE Trits16 sumTrits16(Trits16 a, Trits16 b) {
    // The lanes above the strings hold zeros, which carry nothing: the sum leaves the top of
    // the strings with no carry, and in each lane above the two chains' bits cancel.
    u32 carry = 0, borrow = 0;
    const __m128i r = sumBlock(_mm_add_epi8(inRegister(a), inRegister(b)), 0, carry, borrow);
    alignas(16) u64 w[2];
    _mm_store_si128(reinterpret_cast<__m128i*>(w), r);
    return {w[0], w[1]};
}

// Whether a[0 ... len-1] and b[0 ... len-1] (len >= 16) are all -1, 0 or +1; nonzeroA and
// nonzeroB receive whether any of a's, and of b's, is not zero. Reads those positions only.
KESTROM_INLINE bool scanTrits(const trit* a, const trit* b, int len, bool& nonzeroA, bool& nonzeroB) {
    __m128i bad = _mm_setzero_si128(), anyA = _mm_setzero_si128(), anyB = _mm_setzero_si128();
    const auto scan = [&](int at) {
        const __m128i x = load16(a + at), y = load16(b + at);
        digits16(x, bad);  // the conversions' validity check
        digits16(y, bad);
        anyA = _mm_or_si128(anyA, x);
        anyB = _mm_or_si128(anyB, y);
    };
    // Whole blocks, then one that ends at the last trit (it may repeat some: both tests are
    // the same for a trit seen twice).
    int j = 0;
    for (; j + 16 <= len; j += 16) scan(j);
    if (j < len) scan(len - 16);
    const __m128i zero = _mm_setzero_si128();
    nonzeroA = signs(_mm_cmpeq_epi8(anyA, zero)) != 0xffff;
    nonzeroB = signs(_mm_cmpeq_epi8(anyB, zero)) != 0xffff;
    return signs(_mm_cmpeq_epi8(bad, zero)) == 0xffff;
}


// out[0 ... len-1] := a + b over len >= 16 positions, for valid trits whose sum fits the len
// positions (as it does when the top positions of a and b are zero); returns the number of
// significant trits of the sum (its top non-zero position plus one, 0 for zero). out may be
// a or b. Reads a and b, writes out, within positions 0 ... len-1 only.
KESTROM_INLINE int sumTrits(trit* out, const trit* a, const trit* b, int len) {
    const int full = len / 16, rest = len % 16;
    u32 carry = 0, borrow = 0;
    for (int j = 0; j < full; ++j) {
        const int at = 16 * j;
        store16(out + at, sumBlock(_mm_add_epi8(load16(a + at), load16(b + at)), 0, carry, borrow));
    }
    if (rest != 0) {
        // The top partial block ends at len. Its low lanes repeat positions below, which
        // are kept as just stored; the lanes it uses lie above every store so far, so they
        // still hold the operands even where out is a or b.
        const __m128i topSum = _mm_add_epi8(load16(a + len - 16), load16(b + len - 16));
        const __m128i keep = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kKeep + rest));
        const __m128i top = sumBlock(_mm_and_si128(topSum, keep), 16 - rest, carry, borrow);
        const __m128i below = _mm_andnot_si128(keep, load16(out + len - 16));
        store16(out + len - 16, _mm_or_si128(below, _mm_and_si128(top, keep)));
    }
    // The top non-zero trit, from the top down: blocks that end at len, len - 16, ..., the last
    // one starting at 0.
    const __m128i zero = _mm_setzero_si128();
    for (int end = len; end > 0; end -= 16) {
        const int at = end - 16 < 0 ? 0 : end - 16;
        const u32 nonzero = signs(_mm_cmpeq_epi8(load16(out + at), zero)) ^ 0xffff;
        if (nonzero != 0) return at + 32 - __builtin_clz(nonzero);
    }
    return 0;
}

}  // namespace sse2
}  // namespace words
}  // namespace kestrom

#endif

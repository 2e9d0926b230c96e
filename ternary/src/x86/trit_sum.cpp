// SPDX-License-Identifier: MIT
#include "../platform.h"

#if KESTROM_WORD_LEVEL && KESTROM_SSE2

#include "trit_sum.h"

namespace kestrom {
namespace words {
namespace sse2 {

bool scanTrits(const trit* a, const trit* b, int len, bool& nonzeroA, bool& nonzeroB) {
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

int sumTrits(trit* out, const trit* a, const trit* b, int len) {
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

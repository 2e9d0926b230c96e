// SPDX-License-Identifier: MIT
#include "ternary.hpp"

#include <cmath>
#include <limits>

namespace kestrom::math::detail {

namespace {

// Trits handled a chunk at a time: 3^39 < 2^63, 3^20 < 2^32, so that 3^kChunk fits the
// unsigned long of GMP's single-limb calls.
constexpr int kChunk = sizeof(unsigned long) >= 8 ? 39 : 20;

std::uint64_t powerOf3(int k) {
    std::uint64_t p = 1;
    for (int i = 0; i < k; ++i) p *= 3;
    return p;
}

// Zero flagged with exactly `flags`, built from the toolkit's own flagged results.
Number flaggedZero(Format format, unsigned flags) {
    Number z(format);
    if ((flags & Flag::overflow) != 0)
        z = z + Number::fromDouble(HUGE_VAL, format) * Number(format);
    if ((flags & Flag::underflow) != 0) z = z + *Number::fromText("1e-99999999999", format);
    if ((flags & Flag::divisionByZero) != 0) z = z + Number(format) / Number(format);
    if ((flags & Flag::invalid) != 0) z = z + Number::fromDouble(std::nan(""), format);
    return z;
}

}  // namespace

Scaled toScaled(const Number& x, bool canonical) {
    Scaled s;
    if (x.isZero()) return s;
    const Trits& t = x.mantissaTrits();
    const int n = x.format().mantLen;
    int low = 0;
    if (canonical)
        while (t[static_cast<std::size_t>(low)] == 0) ++low;
    // Horner from the top trit, a chunk of up to 39 trits at a time.
    for (int top = n; top > low;) {
        const int len = top - low < kChunk ? top - low : kChunk;
        std::int64_t chunk = 0;
        for (int i = top - 1; i >= top - len; --i) chunk = chunk * 3 + t[static_cast<std::size_t>(i)];
        mpz_mul_ui(s.m, s.m, static_cast<unsigned long>(powerOf3(len)));
        if (chunk >= 0) mpz_add_ui(s.m, s.m, static_cast<unsigned long>(chunk));
        else mpz_sub_ui(s.m, s.m, static_cast<unsigned long>(-chunk));
        top -= len;
    }
    s.k = x.exponent() - n + low;
    return s;
}

bool sameResult(const Rounded& a, const Rounded& b) {
    if (a.sign != b.sign || a.flags != b.flags) return false;
    return a.sign == 0 || (a.exponent == b.exponent && mpz_cmp(a.mant, b.mant) == 0);
}

Number toNumber(const Rounded& r, Format format, unsigned flags) {
    flags |= r.flags;
    if ((r.flags & Flag::overflow) != 0) {
        const Number big = Number::fromDouble(r.sign < 0 ? -HUGE_VAL : HUGE_VAL, format);
        return flags == Flag::overflow ? big : big + flaggedZero(format, flags);
    }
    if (r.sign == 0) return flaggedZero(format, flags);
    const int n = format.mantLen;
    Trits mant(static_cast<std::size_t>(n), 0), exp(static_cast<std::size_t>(format.expLen), 0);
    // Balanced trits of the magnitude, a chunk at a time: digits 0..2 with a carry, 2 -> -1.
    Integer q(0), rest;
    mpz_set(q, r.mant);
    int carry = 0;
    for (int base = 0; base < n; base += kChunk) {
        const int len = n - base < kChunk ? n - base : kChunk;
        std::uint64_t chunk = mpz_fdiv_q_ui(q, q, static_cast<unsigned long>(powerOf3(len)));
        chunk += static_cast<std::uint64_t>(carry);
        carry = 0;
        for (int i = 0; i < len; ++i) {
            int d = static_cast<int>(chunk % 3) + carry;
            chunk /= 3;
            carry = 0;
            if (d >= 2) d -= 3, carry = 1;
            mant[static_cast<std::size_t>(base + i)] = static_cast<trit>(r.sign * d);
        }
        carry += static_cast<int>(chunk);  // a chunk of 3^len after the added carry
    }
    std::int64_t e = r.exponent;
    for (int i = 0; i < format.expLen; ++i) {
        std::int64_t d = e % 3;
        e /= 3;
        if (d > 1) d -= 3, ++e;
        if (d < -1) d += 3, --e;
        exp[static_cast<std::size_t>(i)] = static_cast<trit>(d);
    }
    const Number v = *Number::fromTrits(format, exp, mant);
    return flags == 0 ? v : v + flaggedZero(format, flags);
}

Number invalidResult(Format format, unsigned flags) { return flaggedZero(format, flags | Flag::invalid); }

Number withFlags(const Number& x, unsigned flags) {
    return flags == 0 ? x : x + flaggedZero(x.format(), flags);
}

}  // namespace kestrom::math::detail

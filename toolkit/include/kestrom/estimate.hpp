// SPDX-License-Identifier: MIT
/// @file kestrom/estimate.hpp
/// Estimates of n/d * 3^a * 10^b for exponents too large for exact powers.
///
/// Conversions between ternary floats and decimal text whose exponents run into the millions
/// cannot afford the exact powers (3^500000000 has 800 million bits). They compute the
/// scaled value to a few more bits than the result needs, with a bound on the error, and
/// decide from the estimate whenever no threshold they compare with lies within that bound;
/// otherwise they ask again with more bits. Header-only, standard library only.
#ifndef KESTROM_ESTIMATE_HPP
#define KESTROM_ESTIMATE_HPP

#if (defined(_MSVC_LANG) ? _MSVC_LANG : __cplusplus) < 201703L
#error "kestrom's toolkit needs C++17 or later: compile with -std=c++17 (or newer), or link Kestrom::toolkit in CMake"
#endif

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "biguint.hpp"

namespace kestrom {

/// A positive value m * 2^exp2 computed with truncated products and quotients.
///
/// Made by estimate(), it is within value * 2^-(bits - 10) of the exact one: the powers and
/// the quotient take at most about 260 truncated steps, each off by less than 2^-(bits-1).
struct Estimate {
    BigUint m;              ///< the significant bits
    std::int64_t exp2 = 0;  ///< the binary exponent: the value is m * 2^exp2
    std::size_t bits = 0;   ///< the precision it was computed with

    /// Whether 12 times the value lies farther than the error bound from every integer.
    /// Then the exact value compares with every multiple of 1/12 (halves, quarters, sixths)
    /// as the estimate does, and rounds to the same integer.
    bool clearOf12ths() const {
        const BigUint z = m * BigUint(12);
        if (exp2 >= 0) return false;  // no fraction bits: not enough precision
        const std::size_t f = static_cast<std::size_t>(-exp2);
        const BigUint one = BigUint(1) << f;
        const BigUint fraction = z.low(f);
        const BigUint rest = one - fraction;
        const BigUint& distance = fraction < rest ? fraction : rest;
        const BigUint error = (z >> (bits > 13 ? bits - 13 : 0)) + BigUint(2);
        return distance > error;
    }

    /// floor(value * k / 2^shift), for k small; the integer part when k = 1, shift = 0.
    BigUint floorTimes(std::uint32_t k, std::size_t shift = 0) const {
        BigUint z = m;
        z.mulSmall(k);
        const std::int64_t e = exp2 - static_cast<std::int64_t>(shift);
        if (e >= 0) return z << static_cast<std::size_t>(e);
        return z >> static_cast<std::size_t>(-e);
    }

    /// Sign of value - num / 12, exact when clearOf12ths().
    int compareTwelfths(const BigUint& num) const {
        const BigUint whole = floorTimes(12);
        return compare(whole, num) >= 0 ? 1 : -1;  // 12 * value is never an integer here
    }
};

namespace detail {

/// v truncated to its top `bits` bits, as m * 2^exp2 with the exponent added to `exp2`.
inline BigUint truncated(BigUint v, std::size_t bits, std::int64_t& exp2) {
    const std::size_t len = v.bitLength();
    if (len > bits) {
        v >>= len - bits;
        exp2 += static_cast<std::int64_t>(len - bits);
    }
    return v;
}

/// base^n to `bits` bits by square-and-multiply, each step truncated; exact when it fits.
inline BigUint truncatedPower(std::uint32_t base, std::uint64_t n, std::size_t bits, std::int64_t& exp2) {
    BigUint r(1);
    int top = 63;
    while (top >= 0 && ((n >> top) & 1) == 0) --top;
    for (int bit = top; bit >= 0; --bit) {
        exp2 *= 2;
        r = truncated(r * r, bits, exp2);
        if (((n >> bit) & 1) != 0) r = truncated(r * BigUint(base), bits, exp2);
    }
    return r;
}

}  // namespace detail

/// n/d * 3^a * 10^b to `bits` bits (bits >= 64); needs n, d > 0.
inline Estimate estimate(const BigUint& n, const BigUint& d, std::int64_t a, std::int64_t b, std::size_t bits) {
    std::int64_t topExp = 0, bottomExp = 0;
    BigUint top = detail::truncated(n, bits, topExp), bottom = detail::truncated(d, bits, bottomExp);
    const auto times = [bits](BigUint& into, std::int64_t& intoExp, std::uint32_t base, std::int64_t k) {
        std::int64_t e = 0;
        const BigUint p = detail::truncatedPower(base, static_cast<std::uint64_t>(k < 0 ? -k : k), bits, e);
        into = detail::truncated(into * p, bits, intoExp);
        intoExp += e;
    };
    if (a >= 0) times(top, topExp, 3, a);
    else times(bottom, bottomExp, 3, a);
    if (b >= 0) times(top, topExp, 10, b);
    else times(bottom, bottomExp, 10, b);
    // top / bottom with at least `bits` quotient bits
    const std::size_t lenTop = top.bitLength(), lenBottom = bottom.bitLength();
    const std::size_t shift = bits + lenBottom + 1 > lenTop ? bits + lenBottom + 1 - lenTop : 0;
    BigUint q, r;
    BigUint::divMod(top << shift, bottom, q, r);
    Estimate out;
    out.bits = bits;
    out.exp2 = topExp - bottomExp - static_cast<std::int64_t>(shift);
    out.m = detail::truncated(q, bits, out.exp2);
    return out;
}

/// log2(v) within about 2^-50; needs v > 0.
inline double log2Of(const BigUint& v) {
    const std::size_t len = v.bitLength();
    const std::size_t drop = len > 60 ? len - 60 : 0;
    return std::log2(static_cast<double>((v >> drop).low64())) + static_cast<double>(drop);
}

}  // namespace kestrom

#endif

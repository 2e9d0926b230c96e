// SPDX-License-Identifier: MIT
// Ternary floats as integers: a Number as M * 3^k, and a rounded result back as a Number.
// Internal to kestrom-math.
#ifndef KESTROM_MATH_TERNARY_HPP
#define KESTROM_MATH_TERNARY_HPP

#include <cstdint>

#include <kestrom/number.hpp>
#include "mp.hpp"

namespace kestrom::math::detail {

// x = m * 3^k exactly, m an integer with its sign, k = exponent - mantLen; zero gives m = 0,
// k = 0. With trailing zero trits dropped (canonical), m is not divisible by 3 unless zero.
struct Scaled {
    Integer m;
    std::int64_t k = 0;
};
Scaled toScaled(const Number& x, bool canonical = false);

// A result rounded to a format: sign * mant * 3^(exponent - mantLen), with
// (3^(mantLen-1)+1)/2 <= mant <= (3^mantLen-1)/2, or zero; flags as the toolkit's
// conversions give them (overflow: the largest magnitude of that sign; underflow: zero or the
// smallest magnitude).
struct Rounded {
    int sign = 0;
    Integer mant;
    std::int64_t exponent = 0;
    unsigned flags = 0;
};
bool sameResult(const Rounded& a, const Rounded& b);

// The Number of a rounded result, carrying `flags` besides the result's own.
Number toNumber(const Rounded& r, Format format, unsigned flags);

// The invalid result: zero with the invalid flag, besides `flags`.
Number invalidResult(Format format, unsigned flags);

// `x` with `flags` added to its own.
Number withFlags(const Number& x, unsigned flags);

}  // namespace kestrom::math::detail

#endif

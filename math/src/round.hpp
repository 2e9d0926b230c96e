// SPDX-License-Identifier: MIT
// Exact rounding to a ternary format: of a rational z * 3^k, of an integer times a power of
// 3, and of a binary float times a power of 3. Nearest, ties away from zero, over- and
// underflow as the toolkit's conversions give them. Internal to kestrom-math.
#ifndef KESTROM_MATH_ROUND_HPP
#define KESTROM_MATH_ROUND_HPP

#include <cstdint>

#include "mp.hpp"
#include "ternary.hpp"

namespace kestrom::math::detail {

// The constants of one format's mantissa band.
struct Band {
    explicit Band(Format f);
    int n;
    std::int64_t maxE;
    Integer pow3n;   // 3^n
    Integer bottom;  // (3^(n-1)+1)/2, the smallest normalized mantissa
    Integer top;     // (3^n-1)/2, the largest
};

// sign * (num/den) * 3^k rounded; num, den > 0 and num/den < 3^n/2. False when num/den lies
// so far below the band that the caller's scale was wrong (not expected).
bool roundRational(int sign, Integer num, const Integer& den, std::int64_t k, const Band& band, Rounded& out);

// s * 3^k rounded exactly, s any integer.
Rounded roundInteger(const Integer& s, std::int64_t k, const Band& band);

// v * 3^k rounded, v a binary float (not NaN or infinite). The scaling by a power of 3 is exact
// when it can be held in a few times v's precision; otherwise it is rounded towards zero
// (`away` false) or away from zero (`away` true), so that the result is that of a value
// between v * 3^k and zero, or beyond v * 3^k. False when it cannot be decided.
bool roundBinary(mpfr_srcptr v, std::int64_t k, bool away, const Band& band, Rounded& out);

}  // namespace kestrom::math::detail

#endif

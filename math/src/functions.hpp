// SPDX-License-Identifier: MIT
// The functions behind kestrom/math.hpp, each reporting how many evaluation passes it made
// (0 when no evaluation was needed: exact, special or erroneous arguments). Internal to
// kestrom-math; the benchmarks count passes through them.
#ifndef KESTROM_MATH_FUNCTIONS_HPP
#define KESTROM_MATH_FUNCTIONS_HPP

#include <kestrom/number.hpp>

#include "mp.hpp"

namespace kestrom::math::detail {

Number sqrtOf(const Number& x, int* passes);
Number cbrtOf(const Number& x, int* passes);
Number expOf(const Number& x, int* passes);
Number exp3Of(const Number& x, int* passes);
Number logOf(const Number& x, int* passes);
Number log3Of(const Number& x, int* passes);
Number powOf(const Number& x, const Number& y, int* passes);
Number sinOf(const Number& x, int* passes);
Number cosOf(const Number& x, int* passes);
Number tanOf(const Number& x, int* passes);
Number asinOf(const Number& x, int* passes);
Number acosOf(const Number& x, int* passes);
Number atanOf(const Number& x, int* passes);
Number atan2Of(const Number& y, const Number& x, int* passes);
Number hypotOf(const Number& x, const Number& y, int* passes);
Number fmaOf(const Number& x, const Number& y, const Number& z, int* passes);
Number piOf(Format format, int* passes);
Number eOf(Format format, int* passes);

// log(x) for x > 0 into [lo, hi] (one precision), as (e-1) log 3 + log1p(u) where
// x = (1 + u) 3^(e-1), |u| < 1/2, so that no digits cancel near 1.
void encloseLog(const Number& x, mpfr_ptr lo, mpfr_ptr hi);

// The largest magnitude of the sign with the overflow flag, or zero with the underflow flag.
Number overflowResult(int sign, Format format, unsigned flags);
Number underflowResult(Format format, unsigned flags);

}  // namespace kestrom::math::detail

#endif

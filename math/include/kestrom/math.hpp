// SPDX-License-Identifier: MIT
// kestrom/math.hpp: correctly rounded elementary functions of ternary floats.
//
//   kestrom::Format f{6, 27};
//   kestrom::Number two = kestrom::Number::fromInt(2, f);
//   kestrom::Number r = kestrom::math::sqrt(two);           // the ternary float nearest to sqrt(2)
//   kestrom::math::pow(Number::fromInt(3, f), Number::fromInt(4, f)).toText();   // "81"
//
// Every function returns the number of the arguments' format nearest to the exact
// mathematical result; a tie (possible only where the exact result is itself a ternary number
// one trit longer than the format) goes away from zero, as the toolkit's conversions do.
// Exact results come out exact. Each is evaluated by MPFR into an enclosure with directed
// rounding; both ends are rounded exactly to the format, and the working precision rises
// until they agree.
//
// Results carry the flags of their arguments, and:
//   invalid         an argument outside the domain (sqrt(-1), log(0), asin(2), pow(-8, 1/3),
//                   pow(0, -1), atan2(0, 0)) or arguments of different formats; the value is zero.
//   overflow        the result is beyond the largest magnitude of the format: it saturates there.
//   underflow       the result is below the smallest magnitude: it is the nearest of zero and
//                   the smallest magnitude.
// Huge arguments of sin, cos and tan are reduced exactly; the cost grows with the argument's
// exponent (an integer argument of e trits is held exactly).
//
// Formats: expLen 1..19, mantLen from 2; tested up to 1521. Thread-safe as far as MPFR is
// (Debian builds it thread-safe): every call keeps its working values to itself.
// Library kestrom-math, CMake target Kestrom::math; it needs MPFR and GMP.
#ifndef KESTROM_MATH_HPP
#define KESTROM_MATH_HPP

#include <kestrom/number.hpp>

#if defined(_WIN32)
#  define KESTROM_MATH_API
#else
#  define KESTROM_MATH_API __attribute__((visibility("default")))
#endif

namespace kestrom::math {

KESTROM_MATH_API Number sqrt(const Number& x);
KESTROM_MATH_API Number cbrt(const Number& x);
KESTROM_MATH_API Number exp(const Number& x);
KESTROM_MATH_API Number exp3(const Number& x);   // 3^x
KESTROM_MATH_API Number log(const Number& x);    // natural logarithm
KESTROM_MATH_API Number log3(const Number& x);   // logarithm to base 3
KESTROM_MATH_API Number pow(const Number& x, const Number& y);
KESTROM_MATH_API Number sin(const Number& x);
KESTROM_MATH_API Number cos(const Number& x);
KESTROM_MATH_API Number tan(const Number& x);
KESTROM_MATH_API Number asin(const Number& x);
KESTROM_MATH_API Number acos(const Number& x);
KESTROM_MATH_API Number atan(const Number& x);
KESTROM_MATH_API Number atan2(const Number& y, const Number& x);  // the angle of (x, y), in (-pi, pi]
KESTROM_MATH_API Number hypot(const Number& x, const Number& y);
KESTROM_MATH_API Number fma(const Number& x, const Number& y, const Number& z);  // x*y + z, rounded once

KESTROM_MATH_API Number pi(Format format);
KESTROM_MATH_API Number e(Format format);

}  // namespace kestrom::math

#endif

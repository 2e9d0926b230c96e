// SPDX-License-Identifier: MIT
/* kestrom/math.h: the functions of kestrom/math.hpp over trit arrays, for C and foreign hosts
 * (the Python package calls them through ctypes).
 *
 * Numbers are laid out as kestrom's exports take them: an exponent string of expLen trits
 * and a mantissa string of mantLen trits, least significant first, each followed by its guard
 * trit (zero), so that every buffer has expLen+1 or mantLen+1 elements; a trit is a signed
 * char holding -1, 0 or +1. All numbers of one call share expLen and mantLen.
 *
 * Every call:
 *   - needs expLen 1..19 and mantLen >= 2; other lengths give KESTROM_MATH_INVALID and touch
 *     no buffer;
 *   - reads expLen+1 trits of every exponent and mantLen+1 of every mantissa operand, which
 *     must be valid trits, normalized or zero, with zero guards; an operand that is not gives
 *     zero and KESTROM_MATH_INVALID;
 *   - writes all expLen+1 trits of resExp and mantLen+1 of resMant (guards zero) with the
 *     correctly rounded result, normalized or zero, and changes nothing else; operands are not
 *     changed, and results may not overlap them;
 *   - returns the flags the result raised (0 when none);
 *   - keeps no memory beyond the call; the caller owns every array.
 * Domain and range as in kestrom/math.hpp: invalid arguments give zero and
 * KESTROM_MATH_INVALID; results beyond the range saturate with KESTROM_MATH_OVERFLOW; results
 * below it give zero or the smallest magnitude with KESTROM_MATH_UNDERFLOW.
 */
#ifndef KESTROM_MATH_H
#define KESTROM_MATH_H

#if defined(_WIN32)
#  define KESTROM_MATH_C_API
#else
#  define KESTROM_MATH_C_API __attribute__((visibility("default")))
#endif

#define KESTROM_MATH_OVERFLOW 1u
#define KESTROM_MATH_UNDERFLOW 2u
#define KESTROM_MATH_INVALID 8u

#ifdef __cplusplus
extern "C" {
#endif

/* result := f(A). */
#define KESTROM_MATH_UNARY(name)                                                                  \
    KESTROM_MATH_C_API unsigned kestrom_math_##name(signed char* resExp, signed char* resMant,     \
                                                    int expLen, int mantLen, const signed char* expA, \
                                                    const signed char* mantA);
KESTROM_MATH_UNARY(sqrt)
KESTROM_MATH_UNARY(cbrt)
KESTROM_MATH_UNARY(exp)
KESTROM_MATH_UNARY(exp3)
KESTROM_MATH_UNARY(log)
KESTROM_MATH_UNARY(log3)
KESTROM_MATH_UNARY(sin)
KESTROM_MATH_UNARY(cos)
KESTROM_MATH_UNARY(tan)
KESTROM_MATH_UNARY(asin)
KESTROM_MATH_UNARY(acos)
KESTROM_MATH_UNARY(atan)
#undef KESTROM_MATH_UNARY

/* result := pow(A, B), atan2(A, B) (A the ordinate), hypot(A, B). */
#define KESTROM_MATH_BINARY(name)                                                                 \
    KESTROM_MATH_C_API unsigned kestrom_math_##name(signed char* resExp, signed char* resMant,     \
                                                    int expLen, int mantLen, const signed char* expA, \
                                                    const signed char* mantA, const signed char* expB, \
                                                    const signed char* mantB);
KESTROM_MATH_BINARY(pow)
KESTROM_MATH_BINARY(atan2)
KESTROM_MATH_BINARY(hypot)
#undef KESTROM_MATH_BINARY

/* result := A * B + C, rounded once. */
KESTROM_MATH_C_API unsigned kestrom_math_fma(signed char* resExp, signed char* resMant, int expLen, int mantLen,
                                             const signed char* expA, const signed char* mantA,
                                             const signed char* expB, const signed char* mantB,
                                             const signed char* expC, const signed char* mantC);

/* result := pi, e. */
KESTROM_MATH_C_API unsigned kestrom_math_pi(signed char* resExp, signed char* resMant, int expLen, int mantLen);
KESTROM_MATH_C_API unsigned kestrom_math_e(signed char* resExp, signed char* resMant, int expLen, int mantLen);

#ifdef __cplusplus
}
#endif

#endif

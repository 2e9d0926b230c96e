// SPDX-License-Identifier: MIT
/// @file kestrom.h
/// kestrom: balanced-ternary floating-point arithmetic on caller-owned trit arrays.
///
/// A trit is a signed char holding -1, 0 or +1. A trit string of length len holds len
/// significant trits, least significant first (index i weighs 3^i), plus one guard trit at
/// index len, so every buffer has at least len+1 elements.
///
/// A ternary float is an exponent string (expLen trits + guard) and a mantissa string
/// (mantLen trits + guard). Its value is m * 3^e, where e is the exponent's integer value and
/// m = sum M[i] * 3^(i - mantLen): the radix point sits just above the top mantissa trit.
/// Normalized: M[mantLen-1] != 0 and the guard is zero. Zero: all mantissa and exponent trits 0.
///
/// Every call:
///   - expects operands of valid trits, normalized or zero, with zero guards;
///   - expects every result, scratch and quotient buffer to be all zero on entry
///     (clear them again before reusing them);
///   - uses the same expLen and mantLen for both operands and the result;
///   - must not be given overlapping buffers;
///   - allocates nothing, keeps nothing, reports nothing, and touches nothing outside the
///     buffer sizes given below, whatever the lengths and trits.
/// Exponents are exact for expLen <= 19. Exponent overflow is not reported: the carry out of
/// the top exponent trit lands in the result exponent's guard trit (resExp[expLen] != 0),
/// which is how a host detects it. An exponent that falls below the range (possible in add
/// when many leading trits cancel) borrows from the guard the same way, leaving -1 there;
/// the guard and significant trits together always hold the exponent modulo 3^(expLen+1).
#ifndef KESTROM_H
#define KESTROM_H

#if defined(_WIN32)
#  if defined(KESTROM_BUILDING)
#    define KESTROM_API __declspec(dllexport)
#  else
#    define KESTROM_API __declspec(dllimport)
#  endif
#else
/// Marks the exported declarations: dllexport or dllimport on Windows, default visibility
/// elsewhere.
#  define KESTROM_API __attribute__((visibility("default")))
#endif

namespace kestrom {
/// One balanced-ternary digit, -1, 0 or +1: the element of every trit string, in the library
/// and in the toolkit. The exported declarations below spell it signed char.
using trit = signed char;
}  // namespace kestrom

/// result := A + B.
/// Sizes: resExp, expA, expB, expScratch: expLen+1; resMant, mantA, mantB: mantLen+1.
/// Changes: resExp, resMant (result, normalized or zero), expScratch (working values).
/// The operand with the smaller exponent has its mantissa shifted down in place (its low
/// trits dropped) to align it with the other; the caller's copy is changed. A zero operand is
/// never aligned: 0 + x and x + 0 give x exactly and leave both operands unchanged.
/// With expLen <= 0 there is no exponent: the mantissas are added and normalized, and an
/// overflow into the mantissa guard is reported by +1 in resExp[0].
/// Subtract by negating B's mantissa with inversStr first.
KESTROM_API void add(signed char* resExp, signed char* resMant, int expLen, int mantLen,
                     signed char* expA, signed char* mantA, signed char* expB, signed char* mantB,
                     signed char* expScratch);

/// result := A * B.
/// Sizes: resExp, expA, expB, expScratch: expLen+1; resMant, mantA, mantB, mantScratch:
/// mantLen+1. Changes: resExp, resMant (result, normalized or zero), expScratch and
/// mantScratch (working values). The operands are not changed. The product keeps a window of
/// mantLen+1 trits while it is formed, so it may differ from the exact product by a few units
/// in the last trit.
KESTROM_API void mul(signed char* resExp, signed char* resMant, int expLen, int mantLen,
                     signed char* expA, signed char* mantA, signed char* expB, signed char* mantB,
                     signed char* expScratch, signed char* mantScratch);

/// result := A / B. Needs mantLen >= 2 and B normalized.
/// Sizes: resExp, expA, expB, expScratch: expLen+1; resMant, mantA, mantB, mantScratch:
/// mantLen+1; quotA, quotB: mantLen+3. Note the scratch order: mantScratch before expScratch.
/// Changes: resExp, resMant (result, normalized or zero); mantA is used as the working
/// remainder and is left changed; quotA, quotB, mantScratch, expScratch hold working values.
/// mantB, expA and expB are not changed.
/// Division by zero is not detected: the result is finite and meaningless (with mantLen 6,
/// expLen 4: 1/0 = -8, 5/0 = -80), and 0/0 gives zero.
KESTROM_API void div(signed char* resExp, signed char* resMant, int expLen, int mantLen,
                     signed char* expA, signed char* mantA, signed char* expB, signed char* mantB,
                     signed char* quotA, signed char* quotB, signed char* mantScratch,
                     signed char* expScratch);

/// str := -str over its len significant trits; the guard str[len] is not touched.
/// len <= 0 does nothing. Size: str has at least len+1 elements (len elements are touched).
KESTROM_API void inversStr(signed char* str, int len);

/// Exported for hosts that expect it; it holds nothing and constructing it does nothing.
class KESTROM_API Kestrom {
public:
    Kestrom();
};

#endif

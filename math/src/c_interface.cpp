// SPDX-License-Identifier: MIT
// The C interface of kestrom/math.h: trit arrays to Numbers and back.
#include <kestrom/math.h>

#include <optional>

#include <kestrom/math.hpp>

namespace {

using kestrom::Format;
using kestrom::Number;
using kestrom::Trits;

bool validLengths(int expLen, int mantLen) { return expLen >= 1 && expLen <= Format::kMaxExpLen && mantLen >= 2; }

// The operand in exp[0..expLen] and mant[0..mantLen], or nothing when it is not a valid number.
std::optional<Number> operand(Format f, const signed char* exp, const signed char* mant) {
    const Trits e(exp, exp + f.expLen + 1), m(mant, mant + f.mantLen + 1);
    return Number::fromTrits(f, e, m);
}

unsigned store(const Number& r, signed char* resExp, signed char* resMant) {
    const Trits& e = r.exponentTrits();
    const Trits& m = r.mantissaTrits();
    for (std::size_t i = 0; i < e.size(); ++i) resExp[i] = e[i];
    for (std::size_t i = 0; i < m.size(); ++i) resMant[i] = m[i];
    return r.flags() & (KESTROM_MATH_OVERFLOW | KESTROM_MATH_UNDERFLOW | KESTROM_MATH_INVALID);
}

unsigned invalid(Format f, signed char* resExp, signed char* resMant) {
    for (int i = 0; i <= f.expLen; ++i) resExp[i] = 0;
    for (int i = 0; i <= f.mantLen; ++i) resMant[i] = 0;
    return KESTROM_MATH_INVALID;
}

unsigned unary(Number (*fn)(const Number&), signed char* resExp, signed char* resMant, int expLen, int mantLen,
               const signed char* expA, const signed char* mantA) {
    if (!validLengths(expLen, mantLen)) return KESTROM_MATH_INVALID;
    const Format f{expLen, mantLen};
    const std::optional<Number> a = operand(f, expA, mantA);
    return a ? store(fn(*a), resExp, resMant) : invalid(f, resExp, resMant);
}

unsigned binary(Number (*fn)(const Number&, const Number&), signed char* resExp, signed char* resMant, int expLen,
                int mantLen, const signed char* expA, const signed char* mantA, const signed char* expB,
                const signed char* mantB) {
    if (!validLengths(expLen, mantLen)) return KESTROM_MATH_INVALID;
    const Format f{expLen, mantLen};
    const std::optional<Number> a = operand(f, expA, mantA), b = operand(f, expB, mantB);
    return a && b ? store(fn(*a, *b), resExp, resMant) : invalid(f, resExp, resMant);
}

unsigned constant(Number (*fn)(Format), signed char* resExp, signed char* resMant, int expLen, int mantLen) {
    if (!validLengths(expLen, mantLen)) return KESTROM_MATH_INVALID;
    return store(fn(Format{expLen, mantLen}), resExp, resMant);
}

}  // namespace

#define KESTROM_MATH_UNARY(name)                                                                               \
    unsigned kestrom_math_##name(signed char* resExp, signed char* resMant, int expLen, int mantLen,            \
                                 const signed char* expA, const signed char* mantA) {                          \
        return unary(kestrom::math::name, resExp, resMant, expLen, mantLen, expA, mantA);                      \
    }
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

#define KESTROM_MATH_BINARY(name)                                                                              \
    unsigned kestrom_math_##name(signed char* resExp, signed char* resMant, int expLen, int mantLen,            \
                                 const signed char* expA, const signed char* mantA, const signed char* expB,   \
                                 const signed char* mantB) {                                                   \
        return binary(kestrom::math::name, resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB);        \
    }
KESTROM_MATH_BINARY(pow)
KESTROM_MATH_BINARY(atan2)
KESTROM_MATH_BINARY(hypot)

unsigned kestrom_math_fma(signed char* resExp, signed char* resMant, int expLen, int mantLen, const signed char* expA,
                          const signed char* mantA, const signed char* expB, const signed char* mantB,
                          const signed char* expC, const signed char* mantC) {
    if (!validLengths(expLen, mantLen)) return KESTROM_MATH_INVALID;
    const Format f{expLen, mantLen};
    const std::optional<Number> a = operand(f, expA, mantA), b = operand(f, expB, mantB), c = operand(f, expC, mantC);
    return a && b && c ? store(kestrom::math::fma(*a, *b, *c), resExp, resMant) : invalid(f, resExp, resMant);
}

unsigned kestrom_math_pi(signed char* resExp, signed char* resMant, int expLen, int mantLen) {
    return constant(kestrom::math::pi, resExp, resMant, expLen, mantLen);
}

unsigned kestrom_math_e(signed char* resExp, signed char* resMant, int expLen, int mantLen) {
    return constant(kestrom::math::e, resExp, resMant, expLen, mantLen);
}

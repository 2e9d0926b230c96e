// SPDX-License-Identifier: MIT
// exp and exp3 (3^x).
#include <cmath>

#include "evaluate.hpp"
#include "functions.hpp"

namespace kestrom::math::detail {

namespace {

constexpr double kLn3 = 1.0986122886681098;

int expFn(mpfr_ptr r, mpfr_srcptr x) { return mpfr_exp(r, x, MPFR_RNDN); }
int exp3Fn(mpfr_ptr r, mpfr_srcptr x) { return mpfr_ui_pow(r, 3, x, MPFR_RNDN); }

// Bits above the binary point of x (0 for |x| < 1): what an input must carry beyond the
// output's precision for exp.
mpfr_prec_t integerBits(const Number& x) {
    const std::int64_t e = x.exponent();
    return e > 0 ? bitsOfPowerOf3(e) : 0;
}

}  // namespace

Number overflowResult(int sign, Format format, unsigned flags) {
    Rounded r;
    r.sign = sign;
    r.flags = Flag::overflow;
    return toNumber(r, format, flags);
}

Number underflowResult(Format format, unsigned flags) {
    Rounded r;
    r.flags = Flag::underflow;
    return toNumber(r, format, flags);
}

Number expOf(const Number& x, int* passes) {
    if (passes != nullptr) *passes = 0;
    const Format f = x.format();
    if (x.isZero()) return exactResult(Integer(1), 0, f, x.flags());
    // Far beyond the range either way (a margin of a unit and more): no evaluation.
    const double xd = x.toDouble(), maxE = static_cast<double>(f.maxExponent());
    if (xd > (maxE + 1) * kLn3 + 1) return overflowResult(1, f, x.flags());
    if (xd < -(maxE + f.mantLen + 2) * kLn3 - 1) return underflowResult(f, x.flags());
    const Scaled s = toScaled(x);
    return evaluate(f, x.flags(), [&](mpfr_prec_t prec, Enclosure& out) {
        const mpfr_prec_t in = prec + integerBits(x) + 8;
        Real lo(in), hi(in);
        encloseScaled(s.m, s.k, lo, hi);
        encloseLipschitz(expFn, exponentialBound(1), lo, hi, out.lo, out.hi);
        return true;
    }, passes);
}

// 3^x = 3^t 3^(x-t) with t = floor(x) for |x| >= 1/2 (the fraction then exact to the
// trit), t = 0 below; an integer x gives 3^x exactly.
Number exp3Of(const Number& x, int* passes) {
    if (passes != nullptr) *passes = 0;
    const Format f = x.format();
    if (x.isZero()) return exactResult(Integer(1), 0, f, x.flags());
    const double xd = x.toDouble(), maxE = static_cast<double>(f.maxExponent());
    if (xd > maxE + 1) return overflowResult(1, f, x.flags());
    if (xd < -(maxE + f.mantLen + 2)) return underflowResult(f, x.flags());
    const Scaled s = toScaled(x, true);
    if (s.k >= 0) {  // an integer, within the range checked above
        Integer t;
        mpz_ui_pow_ui(t, 3, static_cast<unsigned long>(s.k));
        mpz_mul(t, t, s.m);
        return exactResult(Integer(1), mpz_get_si(t), f, x.flags());
    }
    Integer frac(s.m);
    std::int64_t t = 0;
    if (x.exponent() > 0) {  // |x| >= 1/2, and -k <= mantLen
        Integer unit, q;
        mpz_ui_pow_ui(unit, 3, static_cast<unsigned long>(-s.k));
        mpz_fdiv_qr(q, frac, s.m, unit);
        t = mpz_get_si(q);
    }
    return evaluate(f, x.flags(), [&](mpfr_prec_t prec, Enclosure& out) {
        Real lo(prec + 8), hi(prec + 8);
        encloseScaled(frac, s.k, lo, hi);
        encloseLipschitz(exp3Fn, exponentialBound(2), lo, hi, out.lo, out.hi);  // (3^x)' = 3^x log 3
        out.offset = t;
        return true;
    }, passes);
}

}  // namespace kestrom::math::detail

// SPDX-License-Identifier: MIT
// sin, cos, tan and their inverses, atan2.
#include "evaluate.hpp"
#include "functions.hpp"

namespace kestrom::math::detail {

namespace {

enum class Trig { sin, cos, tan };

// Bits above the binary point of x, carried by its enclosure so that the reduction modulo
// pi keeps the output's precision.
mpfr_prec_t integerBits(const Number& x) {
    const std::int64_t e = x.exponent();
    return e > 0 ? bitsOfPowerOf3(e) : 0;
}

int trigFn(Trig which, mpfr_ptr r, mpfr_srcptr x) {
    switch (which) {
    case Trig::sin: return mpfr_sin(r, x, MPFR_RNDN);
    case Trig::cos: return mpfr_cos(r, x, MPFR_RNDN);
    default: return mpfr_tan(r, x, MPFR_RNDN);
    }
}

// sin, cos or tan over [xlo, xhi] into [lo, hi], or false where a pole of tan may lie inside.
bool encloseTrig(Trig which, mpfr_srcptr xlo, mpfr_srcptr xhi, mpfr_ptr lo, mpfr_ptr hi) {
    const auto f = [which](mpfr_ptr r, mpfr_srcptr x) { return trigFn(which, r, x); };
    if (which == Trig::tan) {  // increasing between poles; across one the ends swap order
        const mpfr_prec_t prec = mpfr_get_prec(lo);
        Real r(prec), l2(prec), h2(prec);
        bracket(r, f(r, xlo), lo, hi);
        bracket(r, f(r, xhi), l2, h2);
        if (mpfr_greater_p(lo, h2)) return false;
        mpfr_set(hi, h2, MPFR_RNDU);
        return true;
    }
    encloseLipschitz(f, constantBound(1), xlo, xhi, lo, hi);  // |sin'|, |cos'| <= 1
    return true;
}

Number trigOf(Trig which, const Number& x, int* passes) {
    if (passes != nullptr) *passes = 0;
    const Format f = x.format();
    if (x.isZero()) return exactResult(Integer(which == Trig::cos ? 1 : 0), 0, f, x.flags());
    const Scaled s = toScaled(x);
    if (s.k >= 0) {  // an integer: held exactly, so that MPFR reduces it exactly
        Integer m;
        mpz_ui_pow_ui(m, 3, static_cast<unsigned long>(s.k));
        mpz_mul(m, m, s.m);
        Real arg(static_cast<mpfr_prec_t>(mpz_sizeinbase(m, 2)) + 1);
        mpfr_set_z(arg, m, MPFR_RNDN);
        return evaluate(f, x.flags(), [&](mpfr_prec_t, Enclosure& out) {
            return encloseTrig(which, arg, arg, out.lo, out.hi);
        }, passes);
    }
    return evaluate(f, x.flags(), [&](mpfr_prec_t prec, Enclosure& out) {
        const mpfr_prec_t in = prec + integerBits(x) + 8;
        Real lo(in), hi(in);
        encloseScaled(s.m, s.k, lo, hi);
        return encloseTrig(which, lo, hi, out.lo, out.hi);
    }, passes);
}

// asin or acos (`bounded`: |x| <= 1, monotone), or atan.
Number monotoneOf(int (*fn)(mpfr_ptr, mpfr_srcptr, mpfr_rnd_t), bool bounded, const Number& x, int* passes) {
    if (passes != nullptr) *passes = 0;
    const Format f = x.format();
    if (bounded) {
        const Number one = Number::fromInt(1, f);
        if (x > one || x < -one) return invalidResult(f, x.flags());
    }
    const Scaled s = toScaled(x);
    return evaluate(f, x.flags(), [&](mpfr_prec_t prec, Enclosure& out) {
        Real lo(prec + 8), hi(prec + 8);
        encloseScaled(s.m, s.k, lo, hi);
        const auto f = [fn](mpfr_ptr r, mpfr_srcptr v) { return fn(r, v, MPFR_RNDN); };
        // atan' <= 1, which bounds the spread of a narrow enclosure (|x| < 3/2) well.
        if (!bounded && x.exponent() <= 1) encloseLipschitz(f, constantBound(1), lo, hi, out.lo, out.hi);
        else hullMonotone(f, lo, hi, out.lo, out.hi);
        return true;
    }, passes);
}

}  // namespace

Number sinOf(const Number& x, int* passes) { return trigOf(Trig::sin, x, passes); }
Number cosOf(const Number& x, int* passes) { return trigOf(Trig::cos, x, passes); }
Number tanOf(const Number& x, int* passes) { return trigOf(Trig::tan, x, passes); }
Number asinOf(const Number& x, int* passes) { return monotoneOf(mpfr_asin, true, x, passes); }
Number acosOf(const Number& x, int* passes) { return monotoneOf(mpfr_acos, true, x, passes); }
Number atanOf(const Number& x, int* passes) { return monotoneOf(mpfr_atan, false, x, passes); }

// atan2(y, x) depends on y / x: y is scaled by 3^(ky-kx) and x taken as its integer
// mantissa, exact. In y alone it is monotone (rising for x > 0, falling for x < 0), and
// y's enclosure never reaches zero, so the branch cut is never crossed.
Number atan2Of(const Number& y, const Number& x, int* passes) {
    if (passes != nullptr) *passes = 0;
    const Format f = y.format();
    const unsigned flags = y.flags() | x.flags();
    if (x.format() != f || (x.isZero() && y.isZero())) return invalidResult(f, flags);
    if (y.isZero() && x.sign() > 0) return exactResult(Integer(0), 0, f, flags);
    const Scaled sy = toScaled(y), sx = toScaled(x);
    Real xm(static_cast<mpfr_prec_t>(mpz_sizeinbase(sx.m, 2)) + 1);
    mpfr_set_z(xm, sx.m, MPFR_RNDN);
    return evaluate(f, flags, [&](mpfr_prec_t prec, Enclosure& out) {
        Real lo(prec + 8), hi(prec + 8);
        encloseScaled(sy.m, sy.k - sx.k, lo, hi);
        hullMonotone([&xm](mpfr_ptr r, mpfr_srcptr v) { return mpfr_atan2(r, v, xm, MPFR_RNDN); }, lo, hi, out.lo,
                     out.hi);
        return true;
    }, passes);
}

}  // namespace kestrom::math::detail

// SPDX-License-Identifier: MIT
// hypot: the root of a sum of integer squares, the common power of 3 split off.
#include "evaluate.hpp"
#include "functions.hpp"

namespace kestrom::math::detail {

Number hypotOf(const Number& x, const Number& y, int* passes) {
    if (passes != nullptr) *passes = 0;
    const Format f = x.format();
    const unsigned flags = x.flags() | y.flags();
    if (y.format() != f) return invalidResult(f, flags);
    const Number ax = x.sign() < 0 ? -x : x, ay = y.sign() < 0 ? -y : y;
    if (ay.isZero() || ax.isZero()) return withFlags(ay.isZero() ? ax : ay, flags);
    // hypot(a, b) - a < b^2 / (2a) <= 3^(2eb - ea + 1) / 4 for b <= a, which stays below half
    // a unit of a's last trit, 3^(ea - n) / 2, once 2 (ea - eb) >= n + 1: then a is the result.
    const Number& big = ax >= ay ? ax : ay;
    const Number& small = ax >= ay ? ay : ax;
    if (2 * (big.exponent() - small.exponent()) >= f.mantLen + 1) return withFlags(big, flags);
    const Scaled sx = toScaled(ax), sy = toScaled(ay);
    const std::int64_t k = sx.k < sy.k ? sx.k : sy.k;
    Integer a, b, p;
    mpz_ui_pow_ui(p, 3, static_cast<unsigned long>(sx.k - k));
    mpz_mul(a, sx.m, p);
    mpz_ui_pow_ui(p, 3, static_cast<unsigned long>(sy.k - k));
    mpz_mul(b, sy.m, p);
    Real ra(static_cast<mpfr_prec_t>(mpz_sizeinbase(a, 2)) + 1), rb(static_cast<mpfr_prec_t>(mpz_sizeinbase(b, 2)) + 1);
    mpfr_set_z(ra, a, MPFR_RNDN);
    mpfr_set_z(rb, b, MPFR_RNDN);
    return evaluate(f, flags, [&](mpfr_prec_t prec, Enclosure& out) {
        Real v(prec);
        bracket(v, mpfr_hypot(v, ra, rb, MPFR_RNDN), out.lo, out.hi);
        out.offset = k;
        return true;
    }, passes);
}

}  // namespace kestrom::math::detail

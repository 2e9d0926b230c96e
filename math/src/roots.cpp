// SPDX-License-Identifier: MIT
// sqrt and cbrt: the root of an integer, the power of 3 split off exactly.
#include "evaluate.hpp"
#include "functions.hpp"

namespace kestrom::math::detail {

namespace {

// The degree-th root of x = m 3^k as root(m 3^r) 3^j with k = degree j + r, 0 <= r < degree:
// an integer's root, so exact roots come out of MPFR exact.
Number rootOf(const Number& x, int degree, int* passes) {
    const Scaled s = toScaled(x);
    std::int64_t r = s.k % degree;
    if (r < 0) r += degree;
    const std::int64_t j = (s.k - r) / degree;
    Integer a;
    mpz_mul_ui(a, s.m, r == 0 ? 1 : (r == 1 ? 3 : 9));
    Real arg(static_cast<mpfr_prec_t>(mpz_sizeinbase(a, 2)) + 1);
    mpfr_set_z(arg, a, MPFR_RNDN);
    return evaluate(x.format(), x.flags(), [&](mpfr_prec_t prec, Enclosure& out) {
        Real v(prec);
        bracket(v, degree == 2 ? mpfr_sqrt(v, arg, MPFR_RNDN) : mpfr_cbrt(v, arg, MPFR_RNDN), out.lo, out.hi);
        out.offset = j;
        return true;
    }, passes);
}

}  // namespace

Number sqrtOf(const Number& x, int* passes) {
    if (passes != nullptr) *passes = 0;
    if (x.sign() < 0) return invalidResult(x.format(), x.flags());
    if (x.isZero()) return x;
    return rootOf(x, 2, passes);
}

Number cbrtOf(const Number& x, int* passes) {
    if (passes != nullptr) *passes = 0;
    if (x.isZero()) return x;
    return rootOf(x, 3, passes);
}

}  // namespace kestrom::math::detail

// SPDX-License-Identifier: MIT
// Ziv's strategy on enclosures: evaluate at a working precision into [lo, hi] * 3^offset,
// round both ends exactly, and try again at a higher precision until they agree.
// Internal to kestrom-math.
#ifndef KESTROM_MATH_EVALUATE_HPP
#define KESTROM_MATH_EVALUATE_HPP

#include <cstdint>
#include <functional>

#include "mp.hpp"
#include "round.hpp"
#include "ternary.hpp"

namespace kestrom::math::detail {

// The exact result lies in [lo, hi] * 3^offset.
struct Enclosure {
    explicit Enclosure(mpfr_prec_t prec) : lo(prec), hi(prec) {}
    Real lo, hi;
    std::int64_t offset = 0;
};

// Fills an enclosure at working precision prec (lo and hi come with that precision, which the
// evaluator may change), or says it cannot at that precision.
using Evaluator = std::function<bool(mpfr_prec_t prec, Enclosure& out)>;

// The first working precision: ceil(mantLen log2 3) bits and a few more, where one pass
// decides all but about one call in a few hundred.
mpfr_prec_t startPrecision(Format format);

// Passes before giving up; the precision doubles with each.
constexpr int kMaxPasses = 10;

// The correctly rounded result, carrying `flags`. `passes`, when given, receives the number
// of evaluations made.
Number evaluate(Format format, unsigned flags, const Evaluator& eval, int* passes);

// The exact result s * 3^k, rounded.
Number exactResult(const Integer& s, std::int64_t k, Format format, unsigned flags);

// The exact value of an MPFR call made with rounding to nearest, whose result is r and
// ternary value t: [lo, hi] (r and its neighbour on the side the exact value lies). lo and
// hi have r's precision.
void bracket(mpfr_srcptr r, int t, mpfr_ptr lo, mpfr_ptr hi);

// m * 3^k in [lo, hi] at their precisions: exact when it fits them, else rounded outwards.
void encloseScaled(const Integer& m, std::int64_t k, mpfr_ptr lo, mpfr_ptr hi);

// f over [xlo, xhi] for f monotone there, either way, into [lo, hi]: the hull of the brackets
// of f at both ends (one call when the ends are equal). f(r, x) rounds to nearest and returns
// its ternary value. lo and hi have one precision.
template <class F>
void hullMonotone(F f, mpfr_srcptr xlo, mpfr_srcptr xhi, mpfr_ptr lo, mpfr_ptr hi) {
    const mpfr_prec_t prec = mpfr_get_prec(lo);
    Real r(prec);
    bracket(r, f(r, xlo), lo, hi);
    if (mpfr_equal_p(xlo, xhi)) return;
    Real l2(prec), h2(prec);
    bracket(r, f(r, xhi), l2, h2);
    if (mpfr_less_p(l2, lo)) mpfr_set(lo, l2, MPFR_RNDD);
    if (mpfr_greater_p(h2, hi)) mpfr_set(hi, h2, MPFR_RNDU);
}

// f over [xlo, xhi] in one call, given d >= |f'| there: the bracket of f(xlo) widened by
// d (xhi - xlo). bound(h, w, d) sets d from the bracket's upper end h and the width w.
template <class F, class B>
void encloseLipschitz(F f, B bound, mpfr_srcptr xlo, mpfr_srcptr xhi, mpfr_ptr lo, mpfr_ptr hi) {
    const mpfr_prec_t prec = mpfr_get_prec(lo);
    Real r(prec);
    bracket(r, f(r, xlo), lo, hi);
    if (mpfr_equal_p(xlo, xhi)) return;
    Real w(prec), d(prec);
    mpfr_sub(w, xhi, xlo, MPFR_RNDU);
    bound(static_cast<mpfr_srcptr>(hi), static_cast<mpfr_srcptr>(w), static_cast<mpfr_ptr>(d));
    mpfr_mul(d, d, w, MPFR_RNDU);
    mpfr_sub(lo, lo, d, MPFR_RNDD);
    mpfr_add(hi, hi, d, MPFR_RNDU);
}

// Bounds of |f'| for encloseLipschitz: a constant, and c exp(x) over a width w <= 1/2
// (exp(w) <= 1 + 2w) from h >= exp(xlo).
inline auto constantBound(unsigned long c) {
    return [c](mpfr_srcptr, mpfr_srcptr, mpfr_ptr d) { mpfr_set_ui(d, c, MPFR_RNDU); };
}
inline auto exponentialBound(unsigned long c) {
    return [c](mpfr_srcptr h, mpfr_srcptr w, mpfr_ptr d) {
        mpfr_mul_2ui(d, w, 1, MPFR_RNDU);
        mpfr_add_ui(d, d, 1, MPFR_RNDU);
        mpfr_mul(d, d, h, MPFR_RNDU);
        mpfr_mul_ui(d, d, c, MPFR_RNDU);
    };
}

}  // namespace kestrom::math::detail

#endif

// SPDX-License-Identifier: MIT
// pow: exact integer powers and roots where the result is rational, exp(y log x) otherwise.
#include <cmath>

#include "evaluate.hpp"
#include "functions.hpp"

namespace kestrom::math::detail {

namespace {

int expFn(mpfr_ptr r, mpfr_srcptr x) { return mpfr_exp(r, x, MPFR_RNDN); }

// log3 |m 3^k| in double, m != 0.
double log3Of(const Scaled& s) {
    long e2 = 0;
    const double lead = std::fabs(mpz_get_d_2exp(&e2, s.m));
    return (static_cast<double>(e2) + std::log2(lead)) / 1.5849625007211562 + static_cast<double>(s.k);
}

// The ternary w = mw 3^kw with x = w^q for |x| = |mx| 3^kx (mx not divisible by 3), or false.
bool exactRoot(const Scaled& x, const Integer& q, Integer& mw, std::int64_t& kw) {
    mpz_abs(mw, x.m);
    if (mpz_cmp_si(q.get(), 1) == 0) {
        kw = x.k;
        return true;
    }
    // A q-th power other than 1 has at least q bits.
    if (mpz_cmp_ui(mw.get(), 1) != 0 && mpz_cmp_ui(q.get(), static_cast<unsigned long>(mpz_sizeinbase(mw, 2))) > 0) return false;
    Integer k(static_cast<long>(x.k));
    if (!mpz_divisible_p(k, q)) return false;
    if (mpz_cmp_ui(mw.get(), 1) != 0 && mpz_root(mw, mw, mpz_get_ui(q)) == 0) return false;  // q small here
    mpz_divexact(k, k, q);
    kw = mpz_get_si(k);
    return true;
}

}  // namespace

Number powOf(const Number& x, const Number& y, int* passes) {
    if (passes != nullptr) *passes = 0;
    const Format f = x.format();
    const unsigned flags = x.flags() | y.flags();
    if (y.format() != f) return invalidResult(f, flags);
    if (y.isZero()) return exactResult(Integer(1), 0, f, flags);
    if (x.isZero()) return y.sign() > 0 ? exactResult(Integer(0), 0, f, flags) : invalidResult(f, flags);
    const Scaled sx = toScaled(x, true), sy = toScaled(y, true);
    const bool integral = sy.k >= 0;
    if (x.sign() < 0 && !integral) return invalidResult(f, flags);
    // Negative only for a negative base and an odd power (3^k is odd: the mantissa decides).
    const int sign = x.sign() < 0 && mpz_odd_p(sy.m.get()) ? -1 : 1;
    if (mpz_cmpabs_ui(sx.m.get(), 1) == 0 && sx.k == 0) return exactResult(Integer(sign), 0, f, flags);

    // Far beyond the range either way: no evaluation.
    const double estimate = y.toDouble() * log3Of(sx), maxE = static_cast<double>(f.maxExponent());
    if (estimate > maxE + 2) return overflowResult(sign, f, flags);
    if (estimate < -(maxE + f.mantLen + 3)) return underflowResult(f, flags);

    // A rational result: |x|^(p/q) = w^p for an exact root w = |x|^(1/q), q = 3^-ky.
    Integer p, q(1), mw;
    std::int64_t kw = 0;
    if (integral) {
        Integer scale;
        mpz_ui_pow_ui(scale, 3, static_cast<unsigned long>(sy.k));
        mpz_mul(p, sy.m, scale);
    } else {
        mpz_set(p, sy.m);
        if (-sy.k < 40) mpz_ui_pow_ui(q, 3, static_cast<unsigned long>(-sy.k));  // beyond: no root
        else mpz_set_ui(q, 0);
    }
    if (q.sign() > 0 && exactRoot(sx, q, mw, kw)) {
        // Within the range, so |p| kw fits; w = 3^kw gives a power of 3.
        if (mpz_cmp_ui(mw.get(), 1) == 0) {
            const std::int64_t k = mpz_get_si(p) * kw;
            return exactResult(Integer(sign), k, f, flags);
        }
        const double bits = std::fabs(mpz_get_d(p)) * static_cast<double>(mpz_sizeinbase(mw, 2));
        if (bits <= 64.0 * startPrecision(f) + 65536) {
            const long power = mpz_get_si(p);
            Integer wp;
            mpz_pow_ui(wp, mw, static_cast<unsigned long>(power < 0 ? -power : power));
            if (power > 0) {
                mpz_mul_si(wp, wp, sign);
                return exactResult(wp, static_cast<std::int64_t>(power) * kw, f, flags);
            }
            // 3^(kw p) / mw^|p|: exact in binary only when mw is a power of 2.
            Real den(static_cast<mpfr_prec_t>(mpz_sizeinbase(wp, 2)) + 1);
            mpfr_set_z(den, wp, MPFR_RNDN);
            return evaluate(f, flags, [&](mpfr_prec_t prec, Enclosure& out) {
                Real v(prec);
                bracket(v, mpfr_ui_div(v, 1, den, MPFR_RNDN), out.lo, out.hi);
                if (sign < 0) {
                    mpfr_swap(out.lo, out.hi);
                    mpfr_neg(out.lo, out.lo, MPFR_RNDN);
                    mpfr_neg(out.hi, out.hi, MPFR_RNDN);
                }
                out.offset = static_cast<std::int64_t>(power) * kw;
                return true;
            }, passes);
        }
        // A power this long has far more trits than the format: it is no tie, and the general
        // evaluation below decides it.
    }

    // exp(y log |x|), with the bits of |y log x| above the point carried by the product.
    const Number ax = x.sign() < 0 ? -x : x;
    const mpfr_prec_t extra = static_cast<mpfr_prec_t>(std::log2(std::fabs(estimate) * 1.1 + 2)) + 16;
    return evaluate(f, flags, [&](mpfr_prec_t prec, Enclosure& out) {
        const mpfr_prec_t in = prec + extra;
        Real llo(in), lhi(in), ylo(in), yhi(in), wlo(in), whi(in), t(in);
        encloseLog(ax, llo, lhi);
        encloseScaled(sy.m, sy.k, ylo, yhi);
        // [ylo, yhi] * [llo, lhi]: the extremes lie among the four corners.
        mpfr_srcptr ys[2] = {ylo, yhi}, ls[2] = {llo, lhi};
        mpfr_set_inf(wlo, 1);
        mpfr_set_inf(whi, -1);
        for (mpfr_srcptr a : ys)
            for (mpfr_srcptr b : ls) {
                mpfr_mul(t, a, b, MPFR_RNDD);
                mpfr_min(wlo, wlo, t, MPFR_RNDD);
                mpfr_mul(t, a, b, MPFR_RNDU);
                mpfr_max(whi, whi, t, MPFR_RNDU);
            }
        encloseLipschitz(expFn, exponentialBound(1), wlo, whi, out.lo, out.hi);
        if (sign < 0) {
            mpfr_swap(out.lo, out.hi);
            mpfr_neg(out.lo, out.lo, MPFR_RNDN);
            mpfr_neg(out.hi, out.hi, MPFR_RNDN);
        }
        return true;
    }, passes);
}

}  // namespace kestrom::math::detail

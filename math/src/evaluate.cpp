// SPDX-License-Identifier: MIT
#include "evaluate.hpp"

namespace kestrom::math::detail {

mpfr_prec_t startPrecision(Format format) {
    return static_cast<mpfr_prec_t>(format.mantLen) * 1585 / 1000 + 1 + 10;
}

Number evaluate(Format format, unsigned flags, const Evaluator& eval, int* passes) {
    const WideRange range;
    const Band band(format);
    mpfr_prec_t prec = startPrecision(format);
    Rounded low, high;
    int pass = 0;
    bool rounded = false;
    while (pass < kMaxPasses) {
        ++pass;
        Enclosure e(prec);
        const bool enclosed = eval(prec, e) && mpfr_number_p(e.lo) && mpfr_number_p(e.hi) && mpfr_lessequal_p(e.lo, e.hi) &&
                   e.lo.sign() == e.hi.sign();
        if (enclosed) {
            // Ends of one sign: the lower magnitude is rounded towards zero, the higher away.
            const bool negative = e.hi.sign() < 0;
            const bool lowRounded = roundBinary(e.lo, e.offset, negative, band, low);
            rounded = rounded || lowRounded;
            if (lowRounded &&
                roundBinary(e.hi, e.offset, !negative, band, high) && sameResult(low, high))
                break;
        }
        prec *= 2;
    }
    if (passes != nullptr) *passes = pass;
    // After kMaxPasses undecided passes (no argument is known to need them) the lower end's
    // rounding stands, or the invalid result where no enclosure was ever rounded.
    return rounded ? toNumber(low, format, flags) : invalidResult(format, flags);
}

Number exactResult(const Integer& s, std::int64_t k, Format format, unsigned flags) {
    return toNumber(roundInteger(s, k, Band(format)), format, flags);
}

void bracket(mpfr_srcptr r, int t, mpfr_ptr lo, mpfr_ptr hi) {
    mpfr_set(lo, r, MPFR_RNDD);
    mpfr_set(hi, r, MPFR_RNDU);
    if (t > 0) mpfr_nextbelow(lo);
    if (t < 0) mpfr_nextabove(hi);
}

void encloseScaled(const Integer& m, std::int64_t k, mpfr_ptr lo, mpfr_ptr hi) {
    const bool negative = m.sign() < 0;
    mpfr_ptr inner = negative ? hi : lo, outer = negative ? lo : hi;  // by magnitude
    const mpfr_prec_t prec = mpfr_get_prec(lo) > mpfr_get_prec(hi) ? mpfr_get_prec(lo) : mpfr_get_prec(hi);
    const std::int64_t ak = k < 0 ? -k : k;
    Real a(static_cast<mpfr_prec_t>(mpz_sizeinbase(m, 2)) + 1);
    mpfr_set_z(a, m, MPFR_RNDN);
    mpfr_abs(a, a, MPFR_RNDN);
    if (k == 0) {
        mpfr_set(inner, a, MPFR_RNDD);
        mpfr_set(outer, a, MPFR_RNDU);
    } else {
        Real pLow(prec + 8), pHigh(prec + 8);
        if (bitsOfPowerOf3(ak) <= prec + 8) {  // exact, and quicker from GMP
            Integer p;
            mpz_ui_pow_ui(p, 3, static_cast<unsigned long>(ak));
            mpfr_set_z(pLow, p, MPFR_RNDN);
            mpfr_set(pHigh, pLow, MPFR_RNDN);
        } else {
            mpfr_ui_pow_ui(pLow, 3, static_cast<unsigned long>(ak), MPFR_RNDD);
            mpfr_ui_pow_ui(pHigh, 3, static_cast<unsigned long>(ak), MPFR_RNDU);
        }
        if (k > 0) {
            mpfr_mul(inner, a, pLow, MPFR_RNDD);
            mpfr_mul(outer, a, pHigh, MPFR_RNDU);
        } else {
            mpfr_div(inner, a, pHigh, MPFR_RNDD);
            mpfr_div(outer, a, pLow, MPFR_RNDU);
        }
    }
    if (negative) {
        mpfr_neg(lo, lo, MPFR_RNDN);
        mpfr_neg(hi, hi, MPFR_RNDN);
    }
}

}  // namespace kestrom::math::detail

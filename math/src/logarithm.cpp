// SPDX-License-Identifier: MIT
// log and log3.
#include "evaluate.hpp"
#include "functions.hpp"

namespace kestrom::math::detail {

namespace {

int log1pFn(mpfr_ptr r, mpfr_srcptr x) { return mpfr_log1p(r, x, MPFR_RNDN); }

// x = (1 + u) 3^j for x > 0: j = exponent - 1, and u = d / 3^(n-1) with d exact.
struct Split {
    std::int64_t j;
    Integer d;
};

Split split(const Number& x) {
    Split s{x.exponent() - 1, toScaled(x).m};
    Integer one;
    mpz_ui_pow_ui(one, 3, static_cast<unsigned long>(x.format().mantLen - 1));
    mpz_sub(s.d, s.d, one);
    return s;
}

// log1p(u) into [lo, hi].
void encloseLog1p(const Split& s, int n, mpfr_ptr lo, mpfr_ptr hi) {
    const mpfr_prec_t in = mpfr_get_prec(lo) + 8;
    Real ulo(in), uhi(in);
    encloseScaled(s.d, -(n - 1), ulo, uhi);
    encloseLipschitz(log1pFn, constantBound(2), ulo, uhi, lo, hi);  // 1 / (1 + u) < 2
}

// log 3 into [lo, hi].
void encloseLn3(mpfr_ptr lo, mpfr_ptr hi) {
    Real c(mpfr_get_prec(lo));
    bracket(c, mpfr_log_ui(c, 3, MPFR_RNDN), lo, hi);
}

}  // namespace

void encloseLog(const Number& x, mpfr_ptr lo, mpfr_ptr hi) {
    const Split s = split(x);
    encloseLog1p(s, x.format().mantLen, lo, hi);
    if (s.j == 0) return;
    const mpfr_prec_t prec = mpfr_get_prec(lo);
    Real clo(prec), chi(prec), t(prec);
    encloseLn3(clo, chi);
    const long j = static_cast<long>(s.j);
    mpfr_mul_si(t, j > 0 ? clo : chi, j, MPFR_RNDD);
    mpfr_add(lo, lo, t, MPFR_RNDD);
    mpfr_mul_si(t, j > 0 ? chi : clo, j, MPFR_RNDU);
    mpfr_add(hi, hi, t, MPFR_RNDU);
}

Number logOf(const Number& x, int* passes) {
    if (passes != nullptr) *passes = 0;
    if (x.sign() <= 0) return invalidResult(x.format(), x.flags());
    return evaluate(x.format(), x.flags(), [&](mpfr_prec_t, Enclosure& out) {
        encloseLog(x, out.lo, out.hi);
        return true;
    }, passes);
}

// log3(x) = j + log1p(u) / log 3; exactly j when x is a power of 3.
Number log3Of(const Number& x, int* passes) {
    if (passes != nullptr) *passes = 0;
    if (x.sign() <= 0) return invalidResult(x.format(), x.flags());
    const Split s = split(x);
    if (s.d.sign() == 0) return exactResult(Integer(static_cast<long>(s.j)), 0, x.format(), x.flags());
    const int n = x.format().mantLen;
    return evaluate(x.format(), x.flags(), [&](mpfr_prec_t prec, Enclosure& out) {
        Real llo(prec), lhi(prec), clo(prec), chi(prec);
        encloseLog1p(s, n, llo, lhi);
        encloseLn3(clo, chi);
        mpfr_div(out.lo, llo, llo.sign() >= 0 ? chi : clo, MPFR_RNDD);
        mpfr_div(out.hi, lhi, lhi.sign() >= 0 ? clo : chi, MPFR_RNDU);
        mpfr_add_si(out.lo, out.lo, static_cast<long>(s.j), MPFR_RNDD);
        mpfr_add_si(out.hi, out.hi, static_cast<long>(s.j), MPFR_RNDU);
        return true;
    }, passes);
}

}  // namespace kestrom::math::detail

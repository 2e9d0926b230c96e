// SPDX-License-Identifier: MIT
// Owning wrappers of MPFR floats and GMP integers, and the exponent range every evaluation
// runs in. Internal to kestrom-math.
#ifndef KESTROM_MATH_MP_HPP
#define KESTROM_MATH_MP_HPP

#include <gmp.h>
#include <mpfr.h>

namespace kestrom::math::detail {

// A binary float of MPFR with its own precision, initialized to NaN.
class Real {
public:
    explicit Real(mpfr_prec_t prec) { mpfr_init2(v_, prec); }
    ~Real() { mpfr_clear(v_); }
    Real(const Real&) = delete;
    Real& operator=(const Real&) = delete;
    operator mpfr_ptr() { return v_; }
    operator mpfr_srcptr() const { return v_; }
    mpfr_prec_t prec() const { return mpfr_get_prec(v_); }
    int sign() const { return mpfr_sgn(v_); }
    // A new precision; the value is lost.
    void setPrec(mpfr_prec_t prec) { mpfr_set_prec(v_, prec); }

private:
    mpfr_t v_;
};

// A GMP integer, initialized to zero.
class Integer {
public:
    Integer() { mpz_init(v_); }
    explicit Integer(long v) { mpz_init_set_si(v_, v); }
    ~Integer() { mpz_clear(v_); }
    Integer(const Integer& o) { mpz_init_set(v_, o.v_); }
    Integer& operator=(const Integer& o) {
        mpz_set(v_, o.v_);
        return *this;
    }
    operator mpz_ptr() { return v_; }
    operator mpz_srcptr() const { return v_; }
    int sign() const { return mpz_sgn(v_); }
    mpz_srcptr get() const { return v_; }  // for GMP's macros, which need a pointer

private:
    mpz_t v_;
};

// MPFR's widest exponent range while it lives (a ternary exponent of 19 trits reaches
// 2^(9.2e8), and atan2 divides two of them); the caller's range comes back afterwards.
class WideRange {
public:
    WideRange() : emin_(mpfr_get_emin()), emax_(mpfr_get_emax()) {
        mpfr_set_emin(mpfr_get_emin_min());
        mpfr_set_emax(mpfr_get_emax_max());
    }
    ~WideRange() {
        mpfr_set_emin(emin_);
        mpfr_set_emax(emax_);
    }
    WideRange(const WideRange&) = delete;
    WideRange& operator=(const WideRange&) = delete;

private:
    mpfr_exp_t emin_, emax_;
};

// Bits that hold 3^k exactly (k >= 0), with one to spare; at most MPFR's largest precision.
inline mpfr_prec_t bitsOfPowerOf3(long long k) {
    const long long bits = k * 1585 / 1000 + 2;  // no overflow where mpfr_prec_t has 32 bits
    return bits > static_cast<long long>(MPFR_PREC_MAX) ? MPFR_PREC_MAX : static_cast<mpfr_prec_t>(bits);
}

}  // namespace kestrom::math::detail

#endif

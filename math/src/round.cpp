// SPDX-License-Identifier: MIT
#include "round.hpp"

#include <cmath>

namespace kestrom::math::detail {

Band::Band(Format f) : n(f.mantLen), maxE(f.maxExponent()) {
    mpz_ui_pow_ui(pow3n, 3, static_cast<unsigned long>(n));
    mpz_sub_ui(top, pow3n, 1);
    mpz_fdiv_q_2exp(top, top, 1);
    mpz_fdiv_q_ui(bottom, pow3n, 3);
    mpz_add_ui(bottom, bottom, 1);
    mpz_fdiv_q_2exp(bottom, bottom, 1);
}

bool roundRational(int sign, Integer num, const Integer& den, std::int64_t k, const Band& band, Rounded& out) {
    Integer lhs, rhs;
    // Into the band: 3^(n-1) <= 2z, with at most a few multiplications by 3.
    for (int i = 0;; ++i) {
        mpz_mul_2exp(lhs, num, 1);
        mpz_divexact_ui(rhs, band.pow3n, 3);
        mpz_mul(rhs, rhs, den);
        if (mpz_cmp(lhs, rhs) >= 0) break;
        if (i == 8) return false;
        mpz_mul_ui(num, num, 3);
        --k;
    }
    out.sign = sign;
    out.flags = 0;
    std::int64_t e = k + band.n;  // 3^(e-1) <= 2 z 3^k < 3^e
    if (e > band.maxE) {
        out.flags = Flag::overflow;
        mpz_set(out.mant, band.top);
        out.exponent = band.maxE;
        return true;
    }
    if (e < -band.maxE) {  // below the range: the nearest of zero and the smallest magnitude
        out.flags = Flag::underflow;
        out.exponent = -band.maxE;
        mpz_set(out.mant, band.bottom);
        mpz_mul_2exp(lhs, num, 1);
        mpz_mul_ui(rhs, band.bottom, 3);
        mpz_mul(rhs, rhs, den);
        if (e < -band.maxE - 1 || mpz_cmp(lhs, rhs) < 0) out.sign = 0;
        return true;
    }
    // mant = floor(z + 1/2) = floor((2 num + den) / (2 den)).
    mpz_mul_2exp(lhs, num, 1);
    mpz_add(lhs, lhs, den);
    mpz_mul_2exp(rhs, den, 1);
    mpz_fdiv_q(out.mant, lhs, rhs);
    // At the bottom of the band the lower neighbour is the top of the band below, two thirds of
    // a unit away: it is nearer when 6 z < 3^n + 1 (a tie goes up, away from zero).
    if (mpz_cmp(out.mant, band.bottom) == 0 && e > -band.maxE) {
        mpz_mul_ui(lhs, num, 6);
        mpz_add_ui(rhs, band.pow3n, 1);
        mpz_mul(rhs, rhs, den);
        if (mpz_cmp(lhs, rhs) < 0) {
            mpz_set(out.mant, band.top);
            --e;
        }
    }
    out.exponent = e;
    return true;
}

Rounded roundInteger(const Integer& s, std::int64_t k, const Band& band) {
    Rounded out;
    if (s.sign() == 0) return out;
    Integer num, den(1);
    mpz_abs(num, s);
    // num < 3^t; scaled by 3^-(t-n+1) it lies below 3^(n-1) < 3^n/2.
    const std::int64_t d = static_cast<std::int64_t>(mpz_sizeinbase(num, 3)) - band.n + 1;
    if (d > 0) mpz_ui_pow_ui(den, 3, static_cast<unsigned long>(d));
    else if (d < 0) {
        Integer p;
        mpz_ui_pow_ui(p, 3, static_cast<unsigned long>(-d));
        mpz_mul(num, num, p);
    }
    roundRational(s.sign(), num, den, k + d, band, out);  // num/den >= 3^(n-2) > 3^(n-1)/18: decided
    return out;
}

bool roundBinary(mpfr_srcptr v, std::int64_t k, bool away, const Band& band, Rounded& out) {
    if (mpfr_zero_p(v)) {
        out = Rounded{};
        return true;
    }
    if (!mpfr_number_p(v)) return false;
    const mpfr_rnd_t dir = away ? MPFR_RNDU : MPFR_RNDD;     // on magnitudes
    const mpfr_rnd_t other = away ? MPFR_RNDD : MPFR_RNDU;   // for a divisor
    // log3(2|v|) from the binary exponent and the leading bits; one more than the e of
    // 3^(e-1) <= 2|v| 3^k < 3^e, so that the scaled magnitude lies below the band's top.
    long e2 = 0;
    const double lead = std::fabs(mpfr_get_d_2exp(&e2, v, MPFR_RNDN));
    const double log3 = (static_cast<double>(e2) + std::log2(lead) + 1) / 1.5849625007211562;
    for (std::int64_t over = 2; over <= 4; ++over) {
        const std::int64_t eHigh = static_cast<std::int64_t>(std::floor(log3)) + k + over;
        const std::int64_t s = k - (eHigh - band.n);  // z = |v| 3^s, the mantissa in units of 3^(eHigh-n)
        const mpfr_prec_t prec = mpfr_get_prec(v);
        const mpfr_prec_t exactLimit = 4 * prec + 4 * static_cast<mpfr_prec_t>(band.n) + 256;
        const std::int64_t as = s < 0 ? -s : s;
        const bool powerExact = bitsOfPowerOf3(as) <= exactLimit;
        Real power(powerExact ? bitsOfPowerOf3(as) : prec + 64);
        Real z(s >= 0 && powerExact ? prec + bitsOfPowerOf3(as) : prec + 64);
        mpfr_abs(z, v, MPFR_RNDN);  // exact when z holds v's precision
        if (powerExact) {  // GMP's integer power is quicker than MPFR's rounded one
            Integer p;
            mpz_ui_pow_ui(p, 3, static_cast<unsigned long>(as));
            mpfr_set_z(power, p, MPFR_RNDN);
        } else {
            mpfr_ui_pow_ui(power, 3, static_cast<unsigned long>(as), s >= 0 ? dir : other);
        }
        if (s >= 0) mpfr_mul(z, z, power, dir);
        else mpfr_div(z, z, power, dir);
        // z as num / den, den a power of 2.
        Integer num, den(1);
        const mpfr_exp_t q = mpfr_get_z_2exp(num, z);
        if (q >= 0) mpz_mul_2exp(num, num, static_cast<mp_bitcnt_t>(q));
        else mpz_mul_2exp(den, den, static_cast<mp_bitcnt_t>(-q));
        // Below the band's top, 2 z < 3^n, or a larger estimate.
        Integer lhs;
        mpz_mul_2exp(lhs, num, 1);
        Integer rhs;
        mpz_mul(rhs, band.pow3n, den);
        if (mpz_cmp(lhs, rhs) >= 0) continue;
        return roundRational(mpfr_sgn(v), num, den, eHigh - band.n, band, out);
    }
    return false;
}

}  // namespace kestrom::math::detail

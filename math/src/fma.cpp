// SPDX-License-Identifier: MIT
// fma: x y + z in integers, rounded once.
#include "evaluate.hpp"
#include "functions.hpp"

namespace kestrom::math::detail {

// x y = p 3^kp and z = mz 3^kz exactly. The result's unit is at least 3^kp (p has 2n-1 or
// more trits), so every rounding boundary other than x y itself lies at least 3^kp / 2 away
// from x y; a z smaller than that may stand in as sign(z) 3^(kp-1). Likewise every boundary
// lies 3^(kz-1) / 2 or more from z, and a product below that stands in as sign(p) 3^(kz-2).
// The sum then spans at most about 3n trits.
Number fmaOf(const Number& x, const Number& y, const Number& z, int* passes) {
    if (passes != nullptr) *passes = 0;
    const Format f = x.format();
    const unsigned flags = x.flags() | y.flags() | z.flags();
    if (y.format() != f || z.format() != f) return invalidResult(f, flags);
    const Scaled sx = toScaled(x), sy = toScaled(y);
    Scaled sz = toScaled(z);
    Integer p;
    mpz_mul(p, sx.m, sy.m);
    std::int64_t kp = sx.k + sy.k;
    if (p.sign() == 0) return withFlags(z, flags);
    if (sz.m.sign() == 0) return exactResult(p, kp, f, flags);
    if (z.exponent() <= kp) {  // |z| < 3^kp / 2
        mpz_set_si(sz.m, sz.m.sign());
        sz.k = kp - 1;
    } else if (static_cast<std::int64_t>(mpz_sizeinbase(p, 3)) + kp <= sz.k - 2) {  // |x y| < 3^(kz-2)
        mpz_set_si(p, p.sign());
        kp = sz.k - 2;
    }
    const std::int64_t k = kp < sz.k ? kp : sz.k;
    Integer scale, sum;
    mpz_ui_pow_ui(scale, 3, static_cast<unsigned long>(kp - k));
    mpz_mul(sum, p, scale);
    mpz_ui_pow_ui(scale, 3, static_cast<unsigned long>(sz.k - k));
    mpz_addmul(sum, sz.m, scale);
    return exactResult(sum, k, f, flags);
}

}  // namespace kestrom::math::detail

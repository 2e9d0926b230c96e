// SPDX-License-Identifier: MIT
// pi and e rounded to a format.
#include "evaluate.hpp"
#include "functions.hpp"

namespace kestrom::math::detail {

namespace {

Number constantOf(Format format, bool pi, int* passes) {
    if (passes != nullptr) *passes = 0;
    if (!format.valid()) return invalidResult(Number(format).format(), 0);
    return evaluate(format, 0, [pi](mpfr_prec_t prec, Enclosure& out) {
        Real v(prec);
        if (pi) {
            bracket(v, mpfr_const_pi(v, MPFR_RNDN), out.lo, out.hi);
        } else {
            Real one(2);
            mpfr_set_ui(one, 1, MPFR_RNDN);
            bracket(v, mpfr_exp(v, one, MPFR_RNDN), out.lo, out.hi);
        }
        return true;
    }, passes);
}

}  // namespace

Number piOf(Format format, int* passes) { return constantOf(format, true, passes); }
Number eOf(Format format, int* passes) { return constantOf(format, false, passes); }

}  // namespace kestrom::math::detail

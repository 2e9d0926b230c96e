// SPDX-License-Identifier: MIT
// Bringing a raw result back to normalized form (top mantissa trit non-zero, guard zero) or
// to the canonical zero, adjusting the exponent to match. Exponent overflow carries into the
// exponent's guard trit and is not otherwise reported.
#ifndef KESTROM_NORMALIZE_H
#define KESTROM_NORMALIZE_H

#include "../trit.h"

namespace kestrom {

// For add and mul. exp: expLen+1 trits; mant: the raw mantissa, mantLen+1 trits, which may
// have overflowed into its guard; scratch: expLen+1 trits with positions 1 ... expLen zero on
// entry (position 0 may hold anything). On return mant is normalized with exp adjusted, or
// mant is zero and exp[0 ... expLen-1] is cleared.
void normalize(trit* exp, trit* mant, int expLen, int mantLen, trit* scratch);

// For div. quot: the raw quotient, quotLen significant trits (quotLen+1 elements), whose top
// non-zero trit lies at one of its three top positions, or it is zero; mant: receives the
// result mantissa, at least quotLen-1 elements; scratch: expLen+1 trits, all zero on entry.
// The mantissa is quot shifted down by 2, 1 or 0 and the exponent raised by as much; if none
// of the three top positions is set, mantissa and exponent are cleared.
void normalizeQuotient(trit* exp, trit* mant, int expLen, int mantLen, const trit* quot,
                       int quotLen, trit* scratch);

}  // namespace kestrom

#endif

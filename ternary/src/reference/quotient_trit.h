// SPDX-License-Identifier: MIT
#ifndef KESTROM_QUOTIENT_TRIT_H
#define KESTROM_QUOTIENT_TRIT_H

#include "../trit.h"

namespace kestrom {

// One quotient selection: the first non-zero of rem[pos], rem[pos-1], rem[pos-2] is compared
// in sign with divisor[pos-1]: +1 when they agree, -1 when they differ, 0 when all three are
// zero. Positions below index 0 count as zero and are never read. Reads rem[0 ... pos] and
// divisor[pos-1] at most.
trit quotientTrit(const trit* rem, const trit* divisor, int pos);

}  // namespace kestrom

#endif

// SPDX-License-Identifier: MIT
// Sums of long trit strings done on the trits themselves, sixteen a register, without
// converting them to integers and back (the x86 builds' long addition).
#ifndef KESTROM_X86_TRIT_SUM_H
#define KESTROM_X86_TRIT_SUM_H

#include "../words/trits16.h"

namespace kestrom {
namespace words {
namespace sse2 {

// Whether a[0 ... len-1] and b[0 ... len-1] (len >= 16) are all -1, 0 or +1; nonzeroA and
// nonzeroB receive whether any of a's, and of b's, is not zero. Reads those positions only.
bool scanTrits(const trit* a, const trit* b, int len, bool& nonzeroA, bool& nonzeroB);

// out[0 ... len-1] := a + b over len >= 16 positions, for valid trits whose sum fits the len
// positions (as it does when the top positions of a and b are zero); returns the number of
// significant trits of the sum (its top non-zero position plus one, 0 for zero). out may be
// a or b. Reads a and b, writes out, within positions 0 ... len-1 only.
int sumTrits(trit* out, const trit* a, const trit* b, int len);

// Whether the positions of a and b are all -1, 0 or +1 (zero bytes count as trits 0).
bool validTrits16(Trits16 a, Trits16 b);

// a + b, for valid trits whose sum fits the positions that a and b use; positions above
// come out zero.
Trits16 sumTrits16(Trits16 a, Trits16 b);

}  // namespace sse2
}  // namespace words
}  // namespace kestrom

#endif

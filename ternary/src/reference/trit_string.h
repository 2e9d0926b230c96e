// SPDX-License-Identifier: MIT
// Digit-level operations on trit strings: len significant trits, least significant first,
// plus a guard trit at index len. Every buffer has at least len+1 elements; a negative len
// means an empty buffer and nothing is touched. None allocates.
#ifndef KESTROM_TRIT_STRING_H
#define KESTROM_TRIT_STRING_H

#include "../trit.h"

namespace kestrom {

// out := a + b over positions 0 ... len, the guard included; the carry out of the guard is
// discarded. out may be the same array as a or b.
void addStr(trit* out, int len, const trit* a, const trit* b);

// out := a - b over positions 0 ... len, as addStr. out may be the same array as a or b.
void subtractStr(trit* out, int len, const trit* a, const trit* b);

// dst[0 ... len-1] := src * t, where t == 0 clears, t == -1 negates and any other value
// copies. dst[len] is never written.
void scaleStr(trit* dst, int len, const trit* src, trit t);

// buf := buf / 3^count rounded to nearest (low trits dropped); the guard moves down into the
// significant trits and zeros fill from the top. count <= 0 does nothing.
void shiftStrDown(trit* buf, int len, long long count);

// buf := buf * 3^count over positions 0 ... len: trits move up, the top ones through the
// guard and out, and zeros fill from the bottom. count <= 0 does nothing.
void shiftStrUp(trit* buf, int len, long long count);

// The value of the len significant trits (guard ignored), in wrap-around 32-bit arithmetic:
// exact for len <= 19. len <= 0 gives 0.
int strToInt(const trit* str, int len);

// out[0 ... len-1] := value in balanced ternary; a value that does not fit comes out as the
// one value of len trits congruent to it modulo 3^len. out[len] is never written.
void intToStr(trit* out, int len, int value);

}  // namespace kestrom

#endif

// SPDX-License-Identifier: MIT
// Limbs: long mantissas as arrays of integers in radix 3^kLimbTrits, least significant first,
// each limb the balanced value of kLimbTrits consecutive trits (the last one of the trits that
// remain). Conversion to and from trits is then local to each limb, and a limb of an integer
// in canonical form (every limb in [-kLimbMost, kLimbMost]) is exactly its trits' value.
#ifndef KESTROM_WORDS_LIMBS_H
#define KESTROM_WORDS_LIMBS_H

#include "radix3.h"

namespace kestrom {
namespace words {

constexpr limb kLimbRadix = static_cast<limb>(kRadix3.pow3[kLimbTrits]);
constexpr limb kLimbMost = static_cast<limb>(kRadix3.most[kLimbTrits]);

// The limbsFor(count) limbs of s[0 ... count-1]; returns whether every trit is valid.
bool readLimbs(const trit* s, int count, limb* limbs);

// The limbsFor(count + lift) limbs of s[0 ... count-1] times 3^lift (0 <= lift < kLimbTrits):
// the trits raised by lift positions, zeros below them. Returns whether every trit is valid.
bool readLimbsRaised(const trit* s, int count, int lift, limb* limbs);

// Writes s[0 ... count-1] from canonical limbs whose value fits count trits.
void writeLimbs(trit* s, int count, const limb* limbs);

// Writes trits first ... first+count-1 of the canonical integer x to s[0 ... count-1]; x has
// no non-zero trit above those, and limbsFor(first + count) limbs. first >= 0, count >= 1.
void writeLimbsFrom(trit* s, int count, const limb* x, int first);

// out := a + f * b over `limbs` canonical limbs, f = -1 or +1, carrying from limb to limb;
// returns the carry out of the top limb (-1, 0 or 1). out may be a or b.
limb addLimbs(limb* out, const limb* a, limb f, const limb* b, int limbs);

// The number of significant trits of a canonical integer: the position of its top non-zero
// trit plus one, 0 for zero.
int significantTrits(const limb* x, int limbs);

}  // namespace words
}  // namespace kestrom

#endif

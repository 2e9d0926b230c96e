// SPDX-License-Identifier: MIT
// The two mantissas of a long product as limbs, each raised by its lift: with SSE2 and 64-bit
// limbs in one pass over both (x86/mul_operands_sse2.h), otherwise one readLimbsRaised each.
#ifndef KESTROM_WORDS_MUL_OPERANDS_H
#define KESTROM_WORDS_MUL_OPERANDS_H

#include "limbs.h"

#if KESTROM_SSE2 && KESTROM_LIMB_BITS == 64
#include "../x86/mul_operands_sse2.h"
#endif

namespace kestrom {
namespace words {

// a := the limbs of sa[0 ... n-1] * 3^liftA, b := those of sb[0 ... n-1] * 3^liftB; n >= 40,
// 0 <= lift < kLimbTrits, and both take `limbs` limbs once raised. Returns whether every trit
// is valid. Reads the two strings only.
KESTROM_INLINE bool readOperands(const trit* sa, const trit* sb, int n, int liftA, int liftB, int limbs,
                                 limb* a, limb* b) {
#if KESTROM_SSE2 && KESTROM_LIMB_BITS == 64
    return sse2::readOperands(sa, sb, n, liftA, liftB, limbs, a, b);
#else
    (void)limbs;
    const bool validA = readLimbsRaised(sa, n, liftA, a);
    const bool validB = readLimbsRaised(sb, n, liftB, b);
    return validA && validB;
#endif
}

}  // namespace words
}  // namespace kestrom

#endif

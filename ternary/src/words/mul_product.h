// SPDX-License-Identifier: MIT
// The product of two mantissas on canonical limbs, column by column, and its upper part alone:
// the part of a product that the window of a long mul keeps, with the columns below it
// standing in only through the carry they pass up.
#ifndef KESTROM_WORDS_MUL_PRODUCT_H
#define KESTROM_WORDS_MUL_PRODUCT_H

#include "limbs.h"

namespace kestrom {
namespace words {

// The most limbs of one mantissa; a product column of that many limb products, plus the carry
// into it, still divides by the radix into one word.
constexpr int kMaxMantLimbs = (kMaxTrits + kLimbTrits - 1) / kLimbTrits;

// The zero limbs each operand array has beyond its limbs: above a's, below b's.
constexpr int kProductPad = 3;

// x[from ... 2*limbs-1] := those limbs of a * b in canonical form (x[0 ... from-1] may be left
// unwritten); a and b have `limbs` canonical limbs each, 1 <= limbs <=
// kMaxMantLimbs, 0 <= from < 2*limbs, and a[limbs ... limbs+kProductPad-1] and
// b[-kProductPad ... -1] are zero. x has 2*limbs limbs.
void multiplyFrom(limb* x, const limb* a, const limb* b, int limbs, int from);

}  // namespace words
}  // namespace kestrom

#endif

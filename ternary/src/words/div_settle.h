// SPDX-License-Identifier: MIT
// The long division's settling: the lazily carried remainder and quotient brought into
// canonical limbs, the quotient written as trits.
// A part of div.cpp, the one file that includes it: its routines have internal linkage there.
#ifndef KESTROM_WORDS_DIV_SETTLE_H
#define KESTROM_WORDS_DIV_SETTLE_H

#include "convert.h"
#include "div_long_setup.h"
#include "limbs.h"

namespace kestrom {
namespace words {
namespace {

// The lazily carried limbs brought into canonical form (limbs below the top lie within
// (-R/4, 4R/3), so one carry of -1 ... 1 each is enough).
void carryRemainder(limb* r, int limbs) {
    limb carry = 0;
    for (int j = 0; j + 1 < limbs; ++j) {
        const limb v = r[j] + carry;
        carry = v > kLimbMost ? 1 : (v < -kLimbMost ? -1 : 0);
        r[j] = v - carry * kLimbRadix;
    }
    r[limbs - 1] += carry;
}

// Q's limbs carried into canonical form and written as mantLen+3 trits into quotA, as
// quotA + quotB leaves it; returns Q's significant trits. A limb sums the digits of the passes
// whose lowest position lies in it, digits of distinct positions below 3^(2 * kLimbTrits - 3):
// below 3^kMaxPass * R / 3, so one carry through carryOf each leaves the limbs as lazily
// carried as the remainder's.
int storeQuotientTrits(trit* quotA, int n, const wide* quot) {
    const int top = limbsFor(n + 3) - 1;
    limb q[kMaxLimbs];
    limb carry = 0;
    for (int j = 0; j < top; ++j) {
        const wide v = quot[j] + carry;
        carry = carryOf(v);
        q[j] = static_cast<limb>(static_cast<ulimb>(v) - static_cast<ulimb>(carry) * kLimbRadix);
    }
    q[top] = static_cast<limb>(quot[top] + carry);  // Q fits its trits
    carryRemainder(q, top + 1);
    writeLimbs(quotA, n + 3, q);
    return significantTrits(q, top + 1);
}

}  // namespace
}  // namespace words
}  // namespace kestrom

#endif

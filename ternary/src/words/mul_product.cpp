// SPDX-License-Identifier: MIT
#include "mul_product.h"

namespace kestrom {
namespace words {

static_assert(static_cast<uwide>(kMaxMantLimbs) * static_cast<uwide>(kLimbMost) *
                      static_cast<uwide>(kLimbMost) / static_cast<uwide>(kLimbRadix) <
                  (static_cast<uwide>(1) << kLimbBits) - (static_cast<uwide>(1) << (kLimbBits - 2)),
              "a product column must divide by the radix into one word");

namespace {

// a[0] * b[0] + a[1] * b[-1] + ... + a[count-1] * b[-(count-1)], four products a step.
KESTROM_INLINE wide dot(const limb* a, const limb* b, int count) {
    wide s = 0;
    int i = 0;
    for (; i + 4 <= count; i += 4)
        s += static_cast<wide>(a[i]) * b[-i] + static_cast<wide>(a[i + 1]) * b[-i - 1] +
             static_cast<wide>(a[i + 2]) * b[-i - 2] + static_cast<wide>(a[i + 3]) * b[-i - 3];
    for (; i < count; ++i) s += static_cast<wide>(a[i]) * b[-i];
    return s;
}

// Column k of a * b: the sum of a[i] * b[k-i] over the limbs both have.
KESTROM_INLINE wide column(const limb* a, const limb* b, int limbs, int k) {
    const int first = k < limbs ? 0 : k - limbs + 1;
    const int last = k < limbs ? k : limbs - 1;
    return dot(a + first, b + (k - first), last - first + 1);
}

// Splits a column sum into its canonical digit and the carry into the next column:
// sum = digit + carry * radix, |digit| <= kLimbMost.
KESTROM_INLINE wide carryOut(wide sum, limb& digit) {
    const bool negative = sum < 0;
    const uwide m = negative ? 0 - static_cast<uwide>(sum) : static_cast<uwide>(sum);
    const ulimb q = divPow3(m + static_cast<ulimb>(kLimbMost), kLimbTrits);
    const wide carry = negative ? -static_cast<wide>(q) : static_cast<wide>(q);
    digit = static_cast<limb>(sum - carry * kLimbRadix);
    return carry;
}

// x[k ... 2*limbs-1] from the columns k and up, `carry` the carry into column k.
void columnsFrom(limb* x, const limb* a, const limb* b, int limbs, int k, wide carry) {
    for (; k < 2 * limbs - 1; ++k) carry = carryOut(column(a, b, limbs, k) + carry, x[k]);
    x[2 * limbs - 1] = static_cast<limb>(carry);
}

}  // namespace

// The columns below m = from-2 are left out. Column j holds at most j+1 products of
// magnitude <= M^2 (M = kLimbMost, R = kLimbRadix, M^2 < R^2 / 4), so what they add up to is
// below m * M^2 * R^m / (R - 1), and with it the carry out of column m moves by at most
// m/4 + 1. The carry out of column m+1 is then exact whenever the digit it leaves is at least
// that far from either end of the digit range; when it is not, the whole product is formed.
void multiplyFrom(limb* x, const limb* a, const limb* b, int limbs, int from) {
    const int m = from - 2;
    if (m >= 0) {
        limb digit;
        const wide low = carryOut(column(a, b, limbs, m), digit);
        const wide carry = carryOut(column(a, b, limbs, m + 1) + low, digit);
        const ulimb slack = static_cast<ulimb>(m / 4 + 2);
        if (magnitude(digit) <= static_cast<ulimb>(kLimbMost) - slack) {
            columnsFrom(x, a, b, limbs, from, carry);
            return;
        }
    }
    columnsFrom(x, a, b, limbs, 0, 0);
}

}  // namespace words
}  // namespace kestrom

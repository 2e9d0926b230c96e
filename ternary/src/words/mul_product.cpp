// SPDX-License-Identifier: MIT
#include "mul_product.h"

#if KESTROM_LIMB_BITS == 64 && defined(__x86_64__)
#define KESTROM_PRODUCTS_X86_64 1
#include "../x86/products_x86_64.h"
#else
#define KESTROM_PRODUCTS_X86_64 0
#endif

namespace kestrom {
namespace words {

static_assert(static_cast<uwide>(kMaxMantLimbs) * static_cast<uwide>(kLimbMost) *
                      static_cast<uwide>(kLimbMost) / static_cast<uwide>(kLimbRadix) <
                  (static_cast<uwide>(1) << kLimbBits) - (static_cast<uwide>(1) << (kLimbBits - 2)),
              "a product column must divide by the radix into one word");

namespace {

// carry + a[0] * b[0] + a[1] * b[-1] + ... + a[count-1] * b[-(count-1)], four products a
// step: the products past count, up to the next multiple of four, are zero (the arrays are
// padded with zero limbs, see mul_product.h).
KESTROM_INLINE wide dot(wide carry, const limb* a, const limb* b, int count) {
    wide s = carry;
    for (int i = 0; i < count; i += 4) {
        s += static_cast<wide>(a[i]) * b[-i];
        s += static_cast<wide>(a[i + 1]) * b[-i - 1];
        s += static_cast<wide>(a[i + 2]) * b[-i - 2];
        s += static_cast<wide>(a[i + 3]) * b[-i - 3];
    }
    return s;
}

// Column k of a * b, the sum of a[i] * b[k-i] over the limbs both have, plus carry. Past
// the last product a column reads a[i] beyond a[limbs-1] or b below b[0], both zero.
KESTROM_INLINE wide column(wide carry, const limb* a, const limb* b, int limbs, int k) {
    if (k < limbs) return dot(carry, a, b + k, k + 1);
    return dot(carry, a + (k - limbs + 1), b + (limbs - 1), 2 * limbs - 1 - k);
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

// Column sums made non-negative: column k gets E * R added and column k+1 gets E taken away
// (E = 2^(W-1), R the radix, W the limb width), which leaves the product as it is. Then
// t = sum + carry + kLimbMost + E * R is at least 0, floor(t / R) is the carry plus E and
// t mod R the digit plus kLimbMost: one unsigned division, no signs. That holds while every
// column of `limbs` products and its carry stay below E * R in magnitude.
constexpr uwide kBias = static_cast<uwide>(1) << (kLimbBits - 1);
constexpr uwide kBiasedAdd =
    static_cast<uwide>(kLimbMost) + kBias * static_cast<uwide>(kLimbRadix) - kBias;

constexpr int biasedLimbs() {
    const uwide most = static_cast<uwide>(kLimbMost);
    const uwide perLimb = most * most + most * most / static_cast<uwide>(kLimbRadix) + 2;
    int limbs = 0;
    while (limbs < kMaxMantLimbs &&
           static_cast<uwide>(limbs + 1) * perLimb + most + 2 <=
               kBias * static_cast<uwide>(kLimbRadix))
        ++limbs;
    return limbs;
}
constexpr int kBiasedLimbs = biasedLimbs();
static_assert(kBiasedLimbs >= 20, "729-trit mantissas take the biased columns");

// Column sums as two words, low and high.
struct Sum {
    ulimb low;
    ulimb high;
};

#if !KESTROM_PRODUCTS_X86_64
KESTROM_INLINE void addProducts(Sum& s, const limb* a, const limb* b, long long steps) {
    const wide d = dot(static_cast<wide>((static_cast<uwide>(s.high) << kLimbBits) | s.low), a, b,
                       static_cast<int>(4 * steps));
    s.low = static_cast<ulimb>(d);
    s.high = static_cast<ulimb>(static_cast<uwide>(d) >> kLimbBits);
}

// divPow3 with the radix's constants, on the two words of t: t = digit + kLimbMost + q * R,
// returns q, digit to `digit`.
KESTROM_INLINE ulimb splitBiased(Sum t, limb& digit) {
    constexpr Divisor dv = kRadix3.byPow3[kLimbTrits];
    const ulimb u1 = (t.high << dv.shift) | (t.low >> (kLimbBits - dv.shift));
    const ulimb u0 = t.low << dv.shift;
    const uwide p = static_cast<uwide>(dv.v) * u1;
    ulimb q0, q1 = static_cast<ulimb>(p >> kLimbBits) + u1 + 1;
    q1 += __builtin_add_overflow(static_cast<ulimb>(p), u0, &q0) ? 1 : 0;
    ulimb r = u0 - q1 * dv.d;
    if (r > q0) {
        --q1;
        r += dv.d;
    }
    if (r >= dv.d) {
        ++q1;
        r -= dv.d;
    }
    digit = static_cast<limb>((r >> dv.shift) - static_cast<ulimb>(kLimbMost));
    return q1;
}
#endif

// carry + kBiasedAdd plus `count` products (steps of four) from a[0] * b[0] on, split: returns
// the next carry plus E.
#if KESTROM_PRODUCTS_X86_64
constexpr x86_64::ColumnConstants kColumn = {
    static_cast<ulimb>(kBiasedAdd), static_cast<ulimb>(kBiasedAdd >> kLimbBits),
    kRadix3.byPow3[kLimbTrits].v, kRadix3.byPow3[kLimbTrits].d, static_cast<ulimb>(kLimbMost)};

KESTROM_INLINE ulimb biasedColumn(const limb* a, const limb* b, unsigned count, ulimb q,
                                  limb& digit) {
    return x86_64::splitColumn<kRadix3.byPow3[kLimbTrits].shift>(
        a, b, static_cast<long long>((count + 3) / 4), q, kColumn, digit);
}
#else
KESTROM_INLINE ulimb biasedColumn(const limb* a, const limb* b, unsigned count, ulimb q,
                                  limb& digit) {
    constexpr ulimb addLow = static_cast<ulimb>(kBiasedAdd);
    constexpr ulimb addHigh = static_cast<ulimb>(kBiasedAdd >> kLimbBits);
    Sum s;
    s.low = addLow + q;
    s.high = addHigh + (s.low < q ? 1 : 0);
    addProducts(s, a, b, static_cast<long long>((count + 3) / 4));
    return splitBiased(s, digit);
}
#endif

// Column k of a * b (k < limbs: a[0] * b[k] on; else a[k-limbs+1] * b[limbs-1] on).
KESTROM_INLINE ulimb biasedColumn(const limb* a, const limb* b, int limbs, int k, ulimb q,
                                  limb& digit) {
    if (k < limbs) return biasedColumn(a, b + k, static_cast<unsigned>(k + 1), q, digit);
    return biasedColumn(a + (k - limbs + 1), b + (limbs - 1),
                        static_cast<unsigned>(2 * limbs - 1 - k), q, digit);
}

// x[k ... 2*limbs-1] from the columns k and up, q the carry into column k plus E.
void biasedColumnsFrom(limb* x, const limb* a, const limb* b, int limbs, int k, ulimb q) {
    for (; k < limbs; ++k) q = biasedColumn(a, b + k, static_cast<unsigned>(k + 1), q, x[k]);
    // The columns of b[limbs-1] with a[k-limbs+1] on, one product fewer each.
    const limb* const top = b + (limbs - 1);
    for (unsigned count = static_cast<unsigned>(2 * limbs - 1 - k); count > 0; --count, ++k)
        q = biasedColumn(a + (k - limbs + 1), top, count, q, x[k]);
    x[2 * limbs - 1] = static_cast<limb>(q - static_cast<ulimb>(kBias));
}

// The same with signed column sums, for any number of limbs.
void columnsFrom(limb* x, const limb* a, const limb* b, int limbs, int k, wide carry) {
    for (; k < 2 * limbs - 1; ++k) carry = carryOut(column(carry, a, b, limbs, k), x[k]);
    x[2 * limbs - 1] = static_cast<limb>(carry);
}

// Whether the digit that the carry out of the column above the first one left out leaves
// is far enough from either end of the digit range (see multiplyFrom).
KESTROM_INLINE bool carryIsExact(limb digit, int leftOut) {
    return magnitude(digit) <= static_cast<ulimb>(kLimbMost) - static_cast<ulimb>(leftOut / 4 + 2);
}

}  // namespace

// The columns below m = from-2 are left out. Column j holds at most j+1 products of
// magnitude <= M^2 (M = kLimbMost, R = kLimbRadix, M^2 < R^2 / 4), so what they add up to is
// below m * M^2 * R^m / (R - 1), and with it the carry out of column m moves by at most
// m/4 + 1. The carry out of column m+1 is then exact whenever the digit it leaves is at least
// that far from either end of the digit range; when it is not, the whole product is formed.
void multiplyFrom(limb* x, const limb* a, const limb* b, int limbs, int from) {
    const int m = from - 2;
    limb digit;
    if (limbs <= kBiasedLimbs) {
        if (m >= 0) {
            const ulimb low = biasedColumn(a, b, limbs, m, static_cast<ulimb>(kBias), digit);
            const ulimb q = biasedColumn(a, b, limbs, m + 1, low, digit);
            if (carryIsExact(digit, m)) {
                biasedColumnsFrom(x, a, b, limbs, from, q);
                return;
            }
        }
        biasedColumnsFrom(x, a, b, limbs, 0, static_cast<ulimb>(kBias));
        return;
    }
    if (m >= 0) {
        const wide low = carryOut(column(0, a, b, limbs, m), digit);
        const wide carry = carryOut(column(low, a, b, limbs, m + 1), digit);
        if (carryIsExact(digit, m)) {
            columnsFrom(x, a, b, limbs, from, carry);
            return;
        }
    }
    columnsFrom(x, a, b, limbs, 0, 0);
}

}  // namespace words
}  // namespace kestrom

// SPDX-License-Identifier: MIT
// The integer types of the word level. A limb is the balanced value of up to kLimbTrits
// consecutive trits in a signed machine word; two limbs multiply into a `wide` word. Both
// widths run the same code: 64-bit limbs with 128-bit products where the compiler has them,
// 32-bit limbs with 64-bit products otherwise.
#ifndef KESTROM_WORDS_WORD_H
#define KESTROM_WORDS_WORD_H

#include "../platform.h"
#include "../trit.h"

namespace kestrom {
namespace words {

using u32 = unsigned int;
using i32 = int;
using u64 = unsigned long long;
using i64 = long long;
static_assert(sizeof(u32) == 4 && sizeof(u64) == 8, "word sizes");

#if KESTROM_LIMB_BITS == 64
__extension__ typedef unsigned __int128 u128;
__extension__ typedef __int128 i128;
using limb = i64;
using ulimb = u64;
using wide = i128;
using uwide = u128;
// The most trits whose biased digits fit a limb's word (3^40 < 2^64), and the trits of one
// limb of a long mantissa.
constexpr int kWordTrits = 40;
constexpr int kLimbTrits = 38;
#elif KESTROM_LIMB_BITS == 32
using limb = i32;
using ulimb = u32;
using wide = i64;
using uwide = u64;
constexpr int kWordTrits = 20;  // 3^20 < 2^32
constexpr int kLimbTrits = 16;  // one SSE2 register of trits
#else
#error "KESTROM_LIMB_BITS must be 32 or 64"
#endif

constexpr int kLimbBits = KESTROM_LIMB_BITS;
static_assert(sizeof(limb) * 8 == kLimbBits && sizeof(wide) == 2 * sizeof(limb), "limb widths");

// The longest mantissa the word level takes: column sums of the longest product must still
// divide by the limb radix into one word (checked beside the product).
constexpr int kMaxTrits = 1520;
constexpr int kMaxLimbs = (kMaxTrits + 3 + kLimbTrits - 1) / kLimbTrits;  // mantLen+3 trits

inline int limbsFor(int trits) { return (trits + kLimbTrits - 1) / kLimbTrits; }

// The unsigned type of the same width as a signed one, and the other way round (no
// <type_traits>: the Win32 builds compile without a standard library).
template <typename V>
struct UnsignedOf;
template <typename U>
struct SignedOf;
template <>
struct UnsignedOf<i32> {
    using type = u32;
};
template <>
struct UnsignedOf<i64> {
    using type = u64;
};
template <>
struct SignedOf<u32> {
    using type = i32;
};
template <>
struct SignedOf<u64> {
    using type = i64;
};

}  // namespace words
}  // namespace kestrom

#endif

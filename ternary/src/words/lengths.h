// SPDX-License-Identifier: MIT
// Which calls the word level takes, for every operation alike: exponents of 1 to 19 trits (with
// the guard they fit one conversion on either limb width, and their sums stay exact), and
// mantissas up to kMaxTrits trits (division needs two). Mantissas shorter than kWordTrits are
// single integers (the short paths); longer ones are arrays of limbs (the long paths).
#ifndef KESTROM_WORDS_LENGTHS_H
#define KESTROM_WORDS_LENGTHS_H

#include "word.h"

namespace kestrom {
namespace words {

constexpr int kMaxExpLen = 19;

inline bool takesLengths(int expLen, int mantLen, int shortestMant) {
    return expLen >= 1 && expLen <= kMaxExpLen && mantLen >= shortestMant && mantLen <= kMaxTrits;
}

inline bool isShort(int mantLen) { return mantLen < kWordTrits; }

// With 32-bit limbs, mantissas of 20 to 39 trits are single 64-bit integers too (value.h);
// mul takes them as two digits of 20 trits.
inline bool isMedium(int mantLen) { return kLimbBits == 32 && mantLen < 40; }

}  // namespace words
}  // namespace kestrom

#endif

// SPDX-License-Identifier: MIT
// The division's checks of what the trit-level division reads beyond the mantissas, shared by
// the short and the long paths.
// A part of div.cpp, the one file that includes it: its routines have internal linkage there.
#ifndef KESTROM_WORDS_DIV_READS_H
#define KESTROM_WORDS_DIV_READS_H

#include "moves.h"
#include "normalize.h"
#include "pairs.h"

namespace kestrom {
namespace words {
namespace {

// What the trit-level division reads beyond the mantissas: exponents with their guards (the
// exponent difference takes them in), and the parts of the scratch and quotient strings that
// it adds without writing first. e receives the exponent difference.
KESTROM_INLINE bool checkRest(int expLen, int n, const trit* expA, const trit* expB, const trit* mantA,
               const trit* mantB, const trit* quotA, const trit* quotB, const trit* mantScratch,
               const trit* expScratch, i64& e) {
    limb ea, eb;
    if (!readPair(expA, expB, expLen + 1, ea, eb) || mantA[n] != 0 || mantB[n - 1] == 0 || mantScratch[n] != 0 ||
        (quotA[n + 1] | quotA[n + 2] | quotB[n + 1] | quotB[n + 2]) != 0 ||
        !allZero(expScratch + 1, expLen))
        return false;
    e = wrap(static_cast<i64>(ea) - eb, expLen + 1);
    return true;
}

}  // namespace
}  // namespace words
}  // namespace kestrom

#endif

// SPDX-License-Identifier: MIT
// The word level: add, mul and div computed on machine integers. Each first checks that the
// call is inside what it needs (the lengths of lengths.h, valid trits, zero guards and clear
// scratch where the trit-level routine would read them) and, if not, returns false without
// having touched anything, so that the export runs the trit-level reference instead. When it
// returns true every result trit, guard and documented operand change is exactly what the
// reference would have left; scratch and quotient strings may differ.
#ifndef KESTROM_WORDS_OPERATIONS_H
#define KESTROM_WORDS_OPERATIONS_H

#include "../trit.h"

namespace kestrom {
namespace words {

bool addWords(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA, trit* mantA,
              trit* expB, trit* mantB, trit* expScratch);
bool mulWords(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA, trit* mantA,
              trit* expB, trit* mantB, trit* expScratch, trit* mantScratch);
bool divWords(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA, trit* mantA,
              trit* expB, trit* mantB, trit* quotA, trit* quotB, trit* mantScratch,
              trit* expScratch);

}  // namespace words
}  // namespace kestrom

#endif

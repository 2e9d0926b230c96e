// SPDX-License-Identifier: MIT
// The word level: add, mul and div computed on machine integers. Each first checks that the
// call is inside what it needs (the lengths of lengths.h, valid trits, zero guards and clear
// scratch where the trit-level routine would read them). If not, it touches nothing and hands
// the call to `otherwise`, the routine its export names for such calls (the trit-level
// reference), as its last step, so that the export is one call and keeps nothing alive across
// it. When the word level computes a call itself, every result trit, guard and documented
// operand change is exactly what the reference would have left; scratch and quotient strings
// may differ.
#ifndef KESTROM_WORDS_OPERATIONS_H
#define KESTROM_WORDS_OPERATIONS_H

#include "../trit.h"

namespace kestrom {
namespace words {

using AddRoutine = void (*)(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA,
                            trit* mantA, trit* expB, trit* mantB, trit* expScratch);
void addWords(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA, trit* mantA,
              trit* expB, trit* mantB, trit* expScratch, AddRoutine otherwise);
using MulRoutine = void (*)(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA,
                            trit* mantA, trit* expB, trit* mantB, trit* expScratch,
                            trit* mantScratch);
void mulWords(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA, trit* mantA,
              trit* expB, trit* mantB, trit* expScratch, trit* mantScratch, MulRoutine otherwise);
using DivRoutine = void (*)(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA,
                            trit* mantA, trit* expB, trit* mantB, trit* quotA, trit* quotB,
                            trit* mantScratch, trit* expScratch);
void divWords(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA, trit* mantA,
              trit* expB, trit* mantB, trit* quotA, trit* quotB, trit* mantScratch,
              trit* expScratch, DivRoutine otherwise);

}  // namespace words
}  // namespace kestrom

#endif

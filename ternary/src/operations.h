// The two ways each exported operation is computed. The trit-level routines follow the
// operation step by step on the caller's trit strings; they are the reference and handle
// every input. The word-level routines compute the same results on machine integers: they
// check first that the inputs are inside the preconditions they need (valid trits, zero
// guards and scratch where those are read, lengths they support) and, if not, return false
// without having touched anything, so that the caller falls back to the trit-level routine.
// When they return true every result trit, guard and documented operand change is exactly
// what the trit-level routine would have left; scratch and quotient strings may differ.
#ifndef KESTROM_OPERATIONS_H
#define KESTROM_OPERATIONS_H

#include "trit.h"

namespace kestrom {

void addTrits(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA, trit* mantA,
              trit* expB, trit* mantB, trit* expScratch);
void mulTrits(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA, trit* mantA,
              trit* expB, trit* mantB, trit* expScratch, trit* mantScratch);
void divTrits(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA, trit* mantA,
              trit* expB, trit* mantB, trit* quotA, trit* quotB, trit* mantScratch,
              trit* expScratch);

bool addWords(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA, trit* mantA,
              trit* expB, trit* mantB, trit* expScratch);
bool mulWords(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA, trit* mantA,
              trit* expB, trit* mantB, trit* expScratch, trit* mantScratch);
bool divWords(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA, trit* mantA,
              trit* expB, trit* mantB, trit* quotA, trit* quotB, trit* mantScratch,
              trit* expScratch);

// Steps that the long word paths share with the trit-level routines.
// add: with expLen >= 1, copies the larger exponent into resExp and shifts the other
// operand's mantissa down to it, except that a zero operand is never aligned.
void alignOperands(trit* resExp, int expLen, int mantLen, const trit* expA, trit* mantA,
                   const trit* expB, trit* mantB);
// mul: resExp := expA + expB - 1, then normalize(resExp, resMant, ...).
void finishProduct(trit* resExp, trit* resMant, int expLen, int mantLen, const trit* expA,
                   const trit* expB, trit* expScratch);
// div: quotA := quotA + quotB over mantLen+3 trits, then normalizeQuotient.
void finishQuotient(trit* resExp, trit* resMant, int expLen, int mantLen, trit* quotA,
                    const trit* quotB, trit* expScratch);

}  // namespace kestrom

#endif

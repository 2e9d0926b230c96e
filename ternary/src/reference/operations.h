// SPDX-License-Identifier: MIT
// The trit-level reference operations: each follows its operation step by step on the caller's
// trit strings, with the primitives and normalization of this folder. They handle every input
// the exports accept; the word level must leave exactly what they leave.
#ifndef KESTROM_REFERENCE_OPERATIONS_H
#define KESTROM_REFERENCE_OPERATIONS_H

#include "../trit.h"

namespace kestrom {

void addTrits(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA, trit* mantA,
              trit* expB, trit* mantB, trit* expScratch);
void mulTrits(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA, trit* mantA,
              trit* expB, trit* mantB, trit* expScratch, trit* mantScratch);
void divTrits(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA, trit* mantA,
              trit* expB, trit* mantB, trit* quotA, trit* quotB, trit* mantScratch,
              trit* expScratch);

}  // namespace kestrom

#endif

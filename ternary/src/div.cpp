// SPDX-License-Identifier: MIT
// The exported div: the word level where it takes the call, the trit-level reference otherwise.
#include "kestrom.h"
#include "reference/operations.h"
#include "words/operations.h"

void div(signed char* resExp, signed char* resMant, int expLen, int mantLen, signed char* expA,
         signed char* mantA, signed char* expB, signed char* mantB, signed char* quotA,
         signed char* quotB, signed char* mantScratch, signed char* expScratch) {
    kestrom::words::divWords(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, quotA,
                             quotB, mantScratch, expScratch, kestrom::divTrits);
}

// SPDX-License-Identifier: MIT
// The exported mul: the word level where it takes the call, the trit-level reference otherwise.
#include "kestrom.h"
#include "reference/operations.h"
#include "words/operations.h"

void mul(signed char* resExp, signed char* resMant, int expLen, int mantLen, signed char* expA,
         signed char* mantA, signed char* expB, signed char* mantB, signed char* expScratch,
         signed char* mantScratch) {
    kestrom::words::mulWords(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB,
                             expScratch, mantScratch, kestrom::mulTrits);
}

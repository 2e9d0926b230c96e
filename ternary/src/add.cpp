// SPDX-License-Identifier: MIT
// The exported add: the word level where it takes the call, the trit-level reference otherwise.
#include "kestrom.h"
#include "reference/operations.h"
#include "words/operations.h"

void add(signed char* resExp, signed char* resMant, int expLen, int mantLen, signed char* expA,
         signed char* mantA, signed char* expB, signed char* mantB, signed char* expScratch) {
    kestrom::words::addWords(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB,
                             expScratch, kestrom::addTrits);
}

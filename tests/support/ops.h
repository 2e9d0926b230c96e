// SPDX-License-Identifier: MIT
// Runs the exported operations on copies of their operands with freshly cleared result and
// scratch buffers of exact size, and hands back what the call left in every buffer.
#ifndef KESTROM_TESTS_OPS_H
#define KESTROM_TESTS_OPS_H

#include "kestrom.h"
#include "trits.h"

namespace testing_trits {

// One row of a table of operations: name, operands, expected result.
struct OpCase {
    const char* name;
    Float a, b, expected;
};

struct Call {
    Float result;
    Float a;  // the operands as the call left them
    Float b;
};

inline Call runAdd(Float a, Float b, int expLen, int mantLen) {
    Float r = zeroFloat(expLen, mantLen);
    Str expScratch = zeros(expLen);
    add(r.exp.data(), r.mant.data(), expLen, mantLen, a.exp.data(), a.mant.data(), b.exp.data(),
        b.mant.data(), expScratch.data());
    return {r, a, b};
}

inline Call runSub(Float a, Float b, int expLen, int mantLen) {
    inversStr(b.mant.data(), mantLen);
    return runAdd(a, b, expLen, mantLen);
}

inline Call runMul(Float a, Float b, int expLen, int mantLen) {
    Float r = zeroFloat(expLen, mantLen);
    Str expScratch = zeros(expLen), mantScratch = zeros(mantLen);
    mul(r.exp.data(), r.mant.data(), expLen, mantLen, a.exp.data(), a.mant.data(), b.exp.data(),
        b.mant.data(), expScratch.data(), mantScratch.data());
    return {r, a, b};
}

inline Call runDiv(Float a, Float b, int expLen, int mantLen, Str* quotSum = nullptr) {
    Float r = zeroFloat(expLen, mantLen);
    Str quotA = zeros(mantLen + 2), quotB = zeros(mantLen + 2);
    Str expScratch = zeros(expLen), mantScratch = zeros(mantLen);
    div(r.exp.data(), r.mant.data(), expLen, mantLen, a.exp.data(), a.mant.data(), b.exp.data(),
        b.mant.data(), quotA.data(), quotB.data(), mantScratch.data(), expScratch.data());
    if (quotSum != nullptr) *quotSum = quotA;
    return {r, a, b};
}

}  // namespace testing_trits

#endif

// SPDX-License-Identifier: MIT
// Properties that must hold for any valid operands, over many random ones.
#include <gtest/gtest.h>

#include <random>

#include "ops.h"

using namespace testing_trits;

namespace {

// 1 is (1/3) * 3^1: mantissa with only its top trit set, exponent 1.
Float unit(int expLen, int mantLen) {
    Float f = zeroFloat(expLen, mantLen);
    f.mant[static_cast<size_t>(mantLen - 1)] = 1;
    f.exp[0] = 1;
    return f;
}

Float negated(Float f, int mantLen) {
    inversStr(f.mant.data(), mantLen);
    return f;
}

TEST(Invariants, HoldForRandomOperands) {
    std::mt19937 rng(20261208);
    for (int round = 0; round < 4000; ++round) {
        const int mantLen = 1 + static_cast<int>(rng() % 40);
        const int expLen = static_cast<int>(rng() % 9);  // add alone takes expLen 0
        const int expTrits = expLen > 1 ? expLen - 1 : expLen;  // leaves room to grow
        const Float a = randomFloat(rng, expLen, mantLen, expTrits);
        const Float b = randomFloat(rng, expLen, mantLen, expTrits);
        SCOPED_TRACE(::testing::Message() << "mantLen " << mantLen << " expLen " << expLen
                                          << " a " << a << " b " << b);

        const Call sum = runAdd(a, b, expLen, mantLen);
        ASSERT_TRUE(isNormalizedOrZero(sum.result, expLen, mantLen)) << sum.result;
        ASSERT_EQ(sum.result, runAdd(b, a, expLen, mantLen).result) << "a + b != b + a";
        ASSERT_EQ(runSub(a, a, expLen, mantLen).result, zeroFloat(expLen, mantLen));
        ASSERT_EQ(runAdd(a, negated(a, mantLen), expLen, mantLen).result,
                  zeroFloat(expLen, mantLen));
        if (expLen == 0) continue;

        const Call product = runMul(a, b, expLen, mantLen);
        ASSERT_TRUE(isNormalizedOrZero(product.result, expLen, mantLen)) << product.result;
        ASSERT_EQ(product.a, a);
        ASSERT_EQ(product.b, b);
        ASSERT_EQ(product.result, runMul(b, a, expLen, mantLen).result) << "a * b != b * a";
        ASSERT_EQ(runMul(a, unit(expLen, mantLen), expLen, mantLen).result, a) << "a * 1";

        if (mantLen < 2) continue;
        const Float divisor = b.mant[static_cast<size_t>(mantLen - 1)] != 0 ? b : unit(expLen, mantLen);
        const Call quotient = runDiv(a, divisor, expLen, mantLen);
        ASSERT_TRUE(isNormalizedOrZero(quotient.result, expLen, mantLen)) << quotient.result;
        ASSERT_EQ(quotient.b, divisor);
        ASSERT_EQ(quotient.a.exp, a.exp);
        ASSERT_EQ(runDiv(a, unit(expLen, mantLen), expLen, mantLen).result, a) << "a / 1";
    }
}

}  // namespace

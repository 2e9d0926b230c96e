// SPDX-License-Identifier: MIT
// The library against the integer model of oracle.cpp, trit for trit: result exponent and
// mantissa with their guards, and the operands' mantissas as the call leaves them.
#include <gtest/gtest.h>

#include "ops.h"
#include "oracle.h"
#include "random_operands.h"

using namespace testing_trits;

namespace {

enum class Op { add, mul, div };

struct Case {
    int expLen, mantLen;
    Float a, b;
};

// mantLen 1 ... 60 (div from 2), expLen 0 ... 12 (mul and div from 1). One operand in twelve
// is zero; a quarter of the second operands nearly cancel the first (same trits negated but
// the lowest few, exponent within 1), which exercises long normalizing shifts in add.
Case randomCase(std::mt19937_64& rng, Op op) {
    Case c;
    c.expLen = static_cast<int>(rng() % 13);
    if (op != Op::add && c.expLen == 0) c.expLen = 1;
    c.mantLen = 1 + static_cast<int>(rng() % 60);
    if (op == Op::div && c.mantLen == 1) c.mantLen = 2;
    const long long eA = verify::randomExponent(rng, c.expLen);
    c.a = verify::randomFloat(rng, c.expLen, c.mantLen, eA);
    c.b = verify::randomFloat(rng, c.expLen, c.mantLen);
    if (rng() % 4 == 0) {
        const long long eB = eA + static_cast<long long>(rng() % 3) - 1;
        c.b = verify::randomFloat(rng, c.expLen, c.mantLen, eB);
        for (auto i = rng() % static_cast<unsigned>(c.mantLen); i < c.b.mant.size(); ++i)
            c.b.mant[i] = static_cast<signed char>(-c.a.mant[i]);
    }
    if (rng() % 12 == 0) c.a = zeroFloat(c.expLen, c.mantLen);
    if (rng() % 12 == 0 && op != Op::div) c.b = zeroFloat(c.expLen, c.mantLen);
    return c;
}

void checkAgreement(Op op, int cases) {
    std::mt19937_64 rng(0x7e57 + static_cast<unsigned>(op));
    int overflows = 0;
    for (int i = 0; i < cases; ++i) {
        const Case c = randomCase(rng, op);
        SCOPED_TRACE(::testing::Message() << "case " << i << ": expLen " << c.expLen << " mantLen "
                                          << c.mantLen << " a " << c.a << " b " << c.b);
        Call lib;
        oracle::Outcome want;
        switch (op) {
            case Op::add:
                lib = runAdd(c.a, c.b, c.expLen, c.mantLen);
                want = oracle::add(c.expLen, c.mantLen, c.a.exp, c.a.mant, c.b.exp, c.b.mant);
                break;
            case Op::mul:
                lib = runMul(c.a, c.b, c.expLen, c.mantLen);
                want = oracle::mul(c.expLen, c.mantLen, c.a.exp, c.a.mant, c.b.exp, c.b.mant);
                break;
            case Op::div:
                lib = runDiv(c.a, c.b, c.expLen, c.mantLen);
                want = oracle::div(c.expLen, c.mantLen, c.a.exp, c.a.mant, c.b.exp, c.b.mant);
                break;
        }
        ASSERT_EQ(show(lib.result.exp), show(want.resExp)) << "result exponent";
        ASSERT_EQ(show(lib.result.mant), show(want.resMant)) << "result mantissa";
        ASSERT_EQ(show(lib.a.mant), show(want.mantA)) << "mantA after the call";
        ASSERT_EQ(show(lib.b.mant), show(want.mantB)) << "mantB after the call";
        ASSERT_EQ(lib.a.exp, c.a.exp) << "expA is read only";
        ASSERT_EQ(lib.b.exp, c.b.exp) << "expB is read only";
        overflows += lib.result.exp.back() != 0;
    }
    // The exponents are spread so that overflow into the exponent guard is among the cases.
    EXPECT_GT(overflows, cases / 200);
}

TEST(OracleAgreement, Add) { checkAgreement(Op::add, 30000); }
TEST(OracleAgreement, Mul) { checkAgreement(Op::mul, 30000); }
TEST(OracleAgreement, Div) { checkAgreement(Op::div, 20000); }

}  // namespace

// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "ops.h"

using namespace testing_trits;
using namespace testing_trits::worked;

namespace {

TEST(Add, WorkedExamples) {
    const OpCase cases[] = {
        {"1 + 1", one(), one(), two()},
        {"1 + (-1)", one(), minusOne(), zero()},
        {"9 + 1", nine(), one(), ten()},
        {"1 + 9", one(), nine(), ten()},
        {"2 + (-2)", two(), minusTwo(), zero()},
        {"5 + 1", five(), one(), six()},
        {"1/3 + 1/9", third(), ninth(), {str({0, 0, 0, 0}), str({0, 0, 0, 0, 1, 1})}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(runAdd(c.a, c.b, kExp, kMant).result, c.expected) << c.name;
    }
}

TEST(Add, SubtractsThroughInversStr) {
    const OpCase cases[] = {
        {"2 - 1", two(), one(), one()},
        {"1 - 2", one(), two(), minusOne()},
        {"6 - 6", six(), six(), zero()},
        {"10 - 1", ten(), one(), nine()},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(runSub(c.a, c.b, kExp, kMant).result, c.expected) << c.name;
    }
}

TEST(Add, ShiftsTheCallersOperandWithTheSmallerExponent) {
    const Call nineOne = runAdd(nine(), one(), kExp, kMant);
    EXPECT_EQ(nineOne.b.mant, str({0, 0, 0, 1, 0, 0}));
    EXPECT_EQ(nineOne.a, nine());
    const Call oneNine = runAdd(one(), nine(), kExp, kMant);
    EXPECT_EQ(oneNine.a.mant, str({0, 0, 0, 1, 0, 0}));
    EXPECT_EQ(oneNine.b, nine());
    const Call same = runAdd(six(), five(), kExp, kMant);
    EXPECT_EQ(same.a, six());
    EXPECT_EQ(same.b, five());
    EXPECT_EQ(same.result, (Float{str({0, 1, 0, 0}), str({0, 0, 0, -1, 1, 1})}));  // 11
}

TEST(Add, ZeroOperandLeavesTheOtherExact) {
    // x = 244 * 3^-7: mantissa 1 0 0 0 0 1, exponent -1. Aligning it with zero's exponent 0
    // would drop its low trit; zero is never aligned.
    const Float x{str({-1, 0, 0, 0}), str({1, 0, 0, 0, 0, 1})};
    const Float tiny{str({0, 0, -1, 0}), str({0, 0, 0, 0, 0, 1})};  // 3^-10
    for (const Float& v : {x, tiny, ten(), minusTwo()}) {
        const Call left = runAdd(zero(), v, kExp, kMant);
        EXPECT_EQ(left.result, v) << "0 + " << v;
        EXPECT_EQ(left.a, zero());
        EXPECT_EQ(left.b, v);
        const Call right = runAdd(v, zero(), kExp, kMant);
        EXPECT_EQ(right.result, v) << v << " + 0";
        EXPECT_EQ(right.a, v);
        EXPECT_EQ(right.b, zero());
    }
    EXPECT_EQ(runAdd(zero(), zero(), kExp, kMant).result, zero());
}

TEST(Add, WithoutExponentTheOverflowGoesToTheExponentGuard) {
    const Float big{str({}), str({0, 0, 0, 0, 0, 1})};
    const Call c = runAdd(big, big, 0, kMant);
    EXPECT_EQ(c.result.mant, str({0, 0, 0, 0, -1, 1}));
    EXPECT_EQ(c.result.exp, Str{1});
}

TEST(Add, ExponentOverflowLandsInTheGuard) {
    // The largest exponent of 2 trits is 4; (4/9 + 4/9) * 3^4 needs exponent 5.
    const Float a{str({1, 1}), str({1, 1})};
    const Call c = runAdd(a, a, 2, 2);
    EXPECT_EQ(c.result.mant, str({0, 1}));
    EXPECT_EQ(c.result.exp, (Str{-1, -1, 1}));  // 5 == -4 + 9
}

TEST(Add, CancellationBeyondTheExponentWidthKeepsTheExponentExact) {
    // Two leading trits cancel, but one exponent trit holds only -1 ... 1: the exponent still
    // drops by exactly 2, and a result below the range borrows from the guard.
    const Float a{str({1}), str({1, 0, 1})}, b{str({1}), str({0, 0, -1})};  // 10/27*3, -9/27*3
    Call c = runAdd(a, b, 1, 3);
    EXPECT_EQ(c.result, (Float{str({-1}), str({0, 0, 1})}));  // 1/9
    const Float lowA{str({-1}), a.mant}, lowB{str({-1}), b.mant};  // the same over 9
    c = runAdd(lowA, lowB, 1, 3);
    EXPECT_EQ(c.result.mant, str({0, 0, 1}));
    EXPECT_EQ(c.result.exp, (Str{0, -1}));  // -3 == 0 - 3: the guard signals the underflow
}

TEST(Add, LongExponentsAreDefined) {
    // Beyond 19 exponent trits the exponents wrap, but nothing overflows or leaves the buffers.
    const int expLen = 40, mantLen = 5;
    Float a{Str(expLen + 1, 1), str({0, 0, 0, 0, 1})}, b{Str(expLen + 1, -1), str({1, 0, 0, 0, 1})};
    a.exp.back() = 0;
    b.exp.back() = 0;
    const Call c = runAdd(a, b, expLen, mantLen);
    EXPECT_TRUE(isNormalizedOrZero(c.result, expLen, mantLen));
}

}  // namespace

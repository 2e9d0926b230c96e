// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "ops.h"

using namespace testing_trits;
using namespace testing_trits::worked;

namespace {

TEST(Mul, WorkedExamples) {
    const Float largest{str({0, 0, 0, 0}), str({1, 1, 1, 1, 1, 1})};  // 364/729
    const OpCase cases[] = {
        {"1 * 1", one(), one(), one()},
        {"2 * 3", two(), three(), six()},
        {"(-2) * 3", minusTwo(), three(), minusSix()},
        {"0 * 5", zero(), five(), zero()},
        {"5 * 0", five(), zero(), zero()},
        {"3 * 3", three(), three(), nine()},
        {"2 * 5", two(), five(), ten()},
        {"-1 * -1", minusOne(), minusOne(), one()},
        {"largest squared, truncated window", largest, largest,
         {str({0, 0, 0, 0}), str({-1, 1, -1, 1, -1, 1})}},
    };
    for (const auto& c : cases) {
        const Call call = runMul(c.a, c.b, kExp, kMant);
        EXPECT_EQ(call.result, c.expected) << c.name;
        EXPECT_EQ(call.a, c.a) << c.name << ": A changed";
        EXPECT_EQ(call.b, c.b) << c.name << ": B changed";
    }
}

TEST(Mul, SingleTritMantissa) {
    // mantLen 1: the trit product with exponent eA + eB - 1. 1 * (-1) = -1, with 1 = (1/3)*3^1.
    const Float plus{str({1, 0}), str({1})}, minus{str({1, 0}), str({-1})};
    EXPECT_EQ(runMul(plus, minus, 2, 1).result, minus);
    EXPECT_EQ(runMul(minus, minus, 2, 1).result, plus);
}

TEST(Mul, ExponentOverflowLandsInTheGuard) {
    const Float big{str({1, 1}), str({0, 1})};  // (1/3) * 3^4 = 27
    const Call c = runMul(big, big, 2, 2);       // 729 = (1/3) * 3^7
    EXPECT_EQ(c.result.mant, str({0, 1}));
    EXPECT_EQ(c.result.exp, (Str{1, -1, 1}));  // 7 == 1 - 3 + 9
}

}  // namespace

// SPDX-License-Identifier: MIT
#include "reference/operations.h"
#include "reference/quotient_trit.h"

#include <gtest/gtest.h>

#include "ops.h"

using namespace testing_trits;
using namespace testing_trits::worked;

namespace {

TEST(Div, WorkedExamples) {
    const OpCase cases[] = {
        {"1 / 1", one(), one(), one()},
        {"1 / 3", one(), three(), third()},
        {"2 / 3", two(), three(), {str({1, 0, 0, 0}), str({0, 0, 0, 0, -1, 1})}},
        {"(-6) / 3", minusSix(), three(), minusTwo()},
        {"1 / 2, nearest above one half", one(), two(),
         {str({1, 0, 0, 0}), str({-1, -1, -1, -1, -1, 1})}},
        {"10 / 5", ten(), five(), two()},
        {"9 / -1", nine(), minusOne(), {nine().exp, str({0, 0, 0, 0, 0, -1})}},
        {"0 / 5", zero(), five(), zero()},
        {"1 / 0 is finite", one(), zero(), {str({0, 1, 0, 0}), str({0, 0, 0, 1, 0, -1})}},
        {"0 / 0", zero(), zero(), zero()},
    };
    for (const auto& c : cases) {
        const Call call = runDiv(c.a, c.b, kExp, kMant);
        EXPECT_EQ(call.result, c.expected) << c.name;
        EXPECT_EQ(call.b, c.b) << c.name << ": divisor changed";
        EXPECT_EQ(call.a.exp, c.a.exp) << c.name << ": dividend exponent changed";
    }
    EXPECT_EQ(toDouble(runDiv(one(), zero(), kExp, kMant).result, kExp, kMant), -8.0);
    EXPECT_EQ(toDouble(runDiv(five(), zero(), kExp, kMant).result, kExp, kMant), -80.0);
}

// quotA and quotB are working storage of the trit-level recurrence (the word-level path does
// not fill them), so this looks at that recurrence directly.
TEST(Div, QuotientOfOneByOneSitsAtMantLen) {
    Float a = one(), b = one(), r = zeroFloat(kExp, kMant);
    Str quot = zeros(kMant + 2), quotB = zeros(kMant + 2);
    Str expScratch = zeros(kExp), mantScratch = zeros(kMant);
    kestrom::divTrits(r.exp.data(), r.mant.data(), kExp, kMant, a.exp.data(), a.mant.data(),
                      b.exp.data(), b.mant.data(), quot.data(), quotB.data(), mantScratch.data(),
                      expScratch.data());
    EXPECT_EQ(quot, (Str{0, 0, 0, 0, 0, 0, 1, 0, 0}));
    EXPECT_EQ(r, one());
}

TEST(Div, UsesTheDividendAsRemainder) {
    const Call c = runDiv(two(), three(), kExp, kMant);
    EXPECT_NE(c.a.mant, two().mant);
}

TEST(QuotientTrit, ComparesTheFirstNonZeroTopTritWithTheDivisor) {
    const Str divisor = str({0, 0, 1});  // top trit +1 at pos-1 = 2
    const struct {
        Str rem;
        int expected;
    } cases[] = {
        {Str{0, 0, 0, 1}, 1},   {Str{0, 0, 0, -1}, -1}, {Str{0, 0, 1, -1}, -1},
        {Str{0, 0, -1, 0}, -1}, {Str{0, 1, 0, 0}, 1},   {Str{0, -1, 0, 0}, -1},
        {Str{1, 0, 0, 0}, 0},   {Str{0, 0, 0, 0}, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(kestrom::quotientTrit(c.rem.data(), divisor.data(), 3), c.expected)
            << show(c.rem);
}

TEST(Div, ShortMantissasStayInsideTheirBuffers) {
    // div needs mantLen >= 2; below that the result is meaningless, but every access stays
    // inside the exact-size buffers (AddressSanitizer checks it).
    for (int mantLen = -3; mantLen <= 2; ++mantLen) {
        for (int expLen = -2; expLen <= 1; ++expLen) {
            Float a = zeroFloat(expLen, mantLen), b = zeroFloat(expLen, mantLen);
            for (auto& t : a.mant) t = 1;
            for (auto& t : b.mant) t = -1;
            runDiv(a, b, expLen, mantLen);
            runMul(a, b, expLen, mantLen);
            runAdd(a, b, expLen, mantLen);
        }
    }
}

}  // namespace

// SPDX-License-Identifier: MIT
#include "reference/normalize.h"

#include <gtest/gtest.h>

#include "trits.h"

using namespace testing_trits;

namespace {

struct NormalizeCase {
    const char* name;
    Str exp, mant, scratch;
    Str expectedExp, expectedMant;
};

TEST(Normalize, ShiftsOverflowDownAndLeadingZerosUp) {
    Str full = str({0, 0, 0, 0, 0, 1});
    full.back() = 1;  // guard 1
    const NormalizeCase cases[] = {
        {"guard overflow shifts down once", str({0, 0, 0, 0}), full, str({0, 0, 0, 0}),
         str({1, 0, 0, 0}), str({0, 0, 0, 0, 1, 1})},
        {"two leading zeros", str({1, 0, 0, 0}), str({0, 0, 0, 1, 0, 0}), str({0, 0, 0, 0}),
         str({-1, 0, 0, 0}), str({0, 0, 0, 0, 0, 1})},
        {"five leading zeros", str({0, 0, 0, 0}), str({-1, 0, 0, 0, 0, 0}), str({0, 0, 0, 0}),
         str({1, 1, -1, 0}), str({0, 0, 0, 0, 0, -1})},
        {"zero clears the exponent", str({1, 1, 0, 0}), str({0, 0, 0, 0, 0, 0}),
         str({0, 0, 0, 0}), str({0, 0, 0, 0}), str({0, 0, 0, 0, 0, 0})},
        {"normalized is untouched, whatever scratch holds", str({1, -1, 0, 0}),
         str({1, 0, 0, 0, 0, -1}), str({1, 0, 0, 0}), str({1, -1, 0, 0}),
         str({1, 0, 0, 0, 0, -1})},
    };
    for (auto c : cases) {
        kestrom::normalize(c.exp.data(), c.mant.data(), 4, 6, c.scratch.data());
        EXPECT_EQ(c.mant, c.expectedMant) << c.name << ":" << show(c.mant);
        EXPECT_EQ(c.exp, c.expectedExp) << c.name << ":" << show(c.exp);
    }
}

TEST(Normalize, ZeroKeepsTheExponentGuard) {
    Str exp = str({1, 0, 0, 0});
    exp.back() = 1;
    Str mant = zeros(6), scratch = zeros(4);
    kestrom::normalize(exp.data(), mant.data(), 4, 6, scratch.data());
    EXPECT_EQ(exp, (Str{0, 0, 0, 0, 1}));
}

struct QuotientCase {
    const char* name;
    Str quot;  // mantLen + 2 significant trits, then the guard
    Str expectedExp, expectedMant;
};

TEST(NormalizeQuotient, TakesTheMantissaFromTheTopNonZeroTrit) {
    const QuotientCase cases[] = {
        {"top at mantLen+1: down 2", str({1, 0, 0, 0, 0, -1, 0, 1}), str({-1, 1, 0, 0}),
         str({0, 0, 0, -1, 0, 1})},
        {"top at mantLen: down 1 (1/1)", str({0, 0, 0, 0, 0, 0, 1, 0}), str({1, 0, 0, 0}),
         str({0, 0, 0, 0, 0, 1})},
        {"top at mantLen-1: as is", str({1, 0, 0, 0, 0, -1, 0, 0}), str({0, 0, 0, 0}),
         str({1, 0, 0, 0, 0, -1})},
        {"nothing in the top three: zero", str({1, 1, 1, 1, 1, 0, 0, 0}), str({0, 0, 0, 0}),
         str({0, 0, 0, 0, 0, 0})},
    };
    for (const auto& c : cases) {
        Str exp = zeros(4), mant = zeros(6), scratch = zeros(4);
        kestrom::normalizeQuotient(exp.data(), mant.data(), 4, 6, c.quot.data(), 8,
                                   scratch.data());
        EXPECT_EQ(mant, c.expectedMant) << c.name << ":" << show(mant);
        EXPECT_EQ(exp, c.expectedExp) << c.name << ":" << show(exp);
    }
}

TEST(Normalization, ShortLengthsStayInsideTheirBuffers) {
    // Exact-size buffers: any access beyond them is an AddressSanitizer error.
    for (int expLen = -2; expLen <= 1; ++expLen) {
        for (int mantLen = -2; mantLen <= 1; ++mantLen) {
            Str exp = zeros(expLen), scratch = zeros(expLen), mant = zeros(mantLen);
            if (!mant.empty()) mant.back() = 1;
            kestrom::normalize(exp.data(), mant.data(), expLen, mantLen, scratch.data());

            Str quot(static_cast<size_t>(mantLen + 3 > 0 ? mantLen + 3 : 0), 0);
            if (!quot.empty()) quot[0] = 1;
            Str qExp = zeros(expLen), qScratch = zeros(expLen), qMant = zeros(mantLen);
            kestrom::normalizeQuotient(qExp.data(), qMant.data(), expLen, mantLen, quot.data(),
                                       mantLen + 2, qScratch.data());
        }
    }
    // expLen 0: the guard alone receives the exponent change.
    Str exp = zeros(0), scratch = zeros(0), mant = str({0, 1});
    mant.back() = 1;
    kestrom::normalize(exp.data(), mant.data(), 0, 2, scratch.data());
    EXPECT_EQ(exp, Str{1});
    EXPECT_EQ(mant, str({1, 1}));
}

}  // namespace

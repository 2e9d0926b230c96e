// SPDX-License-Identifier: MIT
// kestrom-math's worked examples, exact cases, errors, flags and the C interface's buffers.
// The comparison with the independent oracle over whole formats is test_math.py.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include <kestrom/math.h>
#include <kestrom/math.hpp>

#include "functions.hpp"

namespace {

using kestrom::Flag;
using kestrom::Format;
using kestrom::Number;
namespace m = kestrom::math;

Number num(const char* text, Format f = Format{6, 27}) { return *Number::fromText(text, f); }

struct ExactCase {
    const char* name;
    Number result;
    const char* want;  // exact text
};

TEST(MathExact, ResultsThatAreTernaryComeOutExact) {
    const ExactCase cases[] = {
        {"sqrt(4/9)", m::sqrt(num("4/9")), "2/3"},
        {"sqrt(81)", m::sqrt(num("81")), "9"},
        {"sqrt(4/27*9/27)", m::sqrt(num("4/81")), "2/9"},
        {"cbrt(-8)", m::cbrt(num("-8")), "-2"},
        {"cbrt(8/27)", m::cbrt(num("8/27")), "2/3"},
        {"pow(3, 4)", m::pow(num("3"), num("4")), "81"},
        {"pow(-2, 3)", m::pow(num("-2"), num("3")), "-8"},
        {"pow(8, 1/3)", m::pow(num("8"), num("1/3")), "2"},
        {"pow(64/729, 2/3)", m::pow(num("64/729"), num("2/3")), "16/81"},
        {"pow(9, -2)", m::pow(num("9"), num("-2")), "1/81"},
        {"pow(0, 5)", m::pow(num("0"), num("5")), "0"},
        {"pow(5, 0)", m::pow(num("5"), num("0")), "1"},
        {"log3(1/27)", m::log3(num("1/27")), "-3"},
        {"log3(3^20)", m::log3(num("3486784401")), "20"},
        {"exp3(-2)", m::exp3(num("-2")), "1/9"},
        {"exp3(40)", m::exp3(num("40")), "12157665459056928801"},
        {"log(1)", m::log(num("1")), "0"},
        {"exp(0)", m::exp(num("0")), "1"},
        {"cos(0)", m::cos(num("0")), "1"},
        {"acos(1)", m::acos(num("1")), "0"},
        {"hypot(3, -4)", m::hypot(num("3"), num("-4")), "5"},
        {"hypot(5/9, 12/9)", m::hypot(num("5/9"), num("12/9")), "13/9"},
        {"fma(2, 3, 1)", m::fma(num("2"), num("3"), num("1")), "7"},
        {"fma(1/3, 3, -1)", m::fma(num("1/3"), num("3"), num("-1")), "0"},
    };
    for (const ExactCase& c : cases) {
        EXPECT_EQ(c.result.toText(), c.want) << c.name;
        EXPECT_EQ(c.result.flags(), 0u) << c.name;
    }
}

// A tie: 365 = (3^6+1)/2 needs seven trits; with mantLen 6 it lies halfway between 364, the
// top of its band, and 366, the bottom of the next (122 * 3), and goes away from zero.
TEST(MathExact, TiesGoAwayFromZero) {
    const Format f{4, 6};
    EXPECT_EQ(m::fma(num("19", f), num("19", f), num("4", f)).toText(), "366");
    EXPECT_EQ(m::fma(num("-19", f), num("19", f), num("-4", f)).toText(), "-366");
    EXPECT_EQ(m::fma(num("19", f), num("19", f), num("3", f)).toText(), "364");
}

TEST(MathErrors, ArgumentsOutsideTheDomainAreInvalid) {
    const Number results[] = {
        m::sqrt(num("-1")), m::log(num("0")), m::log(num("-2")), m::log3(num("0")), m::asin(num("2")),
        m::acos(num("-4/3")), m::pow(num("-8"), num("1/3")), m::pow(num("0"), num("-1")), m::atan2(num("0"), num("0")),
        m::pow(num("2"), num("2", Format{6, 30})), m::hypot(num("1", Format{5, 27}), num("1")),
        m::fma(num("1"), num("1"), num("1", Format{6, 28})),
    };
    for (const Number& r : results) {
        EXPECT_TRUE(r.invalid()) << r.toText();
        EXPECT_TRUE(r.isZero());
    }
}

TEST(MathErrors, ResultsBeyondTheRangeOverflowOrUnderflow) {
    const Format f{3, 6};  // exponents -13..13
    const Number largest = Number::fromDouble(HUGE_VAL, f);
    const Number big[] = {m::exp(num("100", f)), m::exp3(num("14", f)), m::pow(num("3", f), num("20", f)),
                          m::fma(largest, num("3", f), num("0", f))};
    for (const Number& r : big) {
        EXPECT_TRUE(r.overflow());
        EXPECT_EQ(r, largest);
    }
    EXPECT_EQ(m::pow(num("-3", f), num("21", f)), -largest);
    const Number small[] = {m::exp(num("-100", f)), m::exp3(num("-30", f)), m::pow(num("3", f), num("-30", f))};
    for (const Number& r : small) {
        EXPECT_TRUE(r.underflow());
        EXPECT_TRUE(r.isZero());
    }
    // Just below the smallest magnitude: the nearer of it and zero, flagged.
    const Number smallest = num("122/1162261467", f);  // (3^5+1)/2 * 3^(-13-6)
    const Number tiny = m::fma(smallest, num("2/3", f), num("0", f));
    EXPECT_TRUE(tiny.underflow());
    EXPECT_EQ(tiny, smallest);
}

TEST(MathFlags, ResultsCarryTheArgumentsFlags) {
    const Number flagged = num("2") / num("0");  // divisionByZero
    EXPECT_TRUE(m::sqrt(flagged).divisionByZero());
    EXPECT_TRUE(m::hypot(num("1"), flagged).divisionByZero());
    EXPECT_EQ(m::sin(num("1")).flags(), 0u);
}

// Far exponents: results of the right size come back quickly at expLen 19.
TEST(MathRange, WorksAtTheExtremesOfExpLen19) {
    const Format f{19, 27};
    Number big = Number::fromDouble(HUGE_VAL, f);
    big.clearFlags();
    const Number root = m::sqrt(big);
    EXPECT_EQ(root.exponent(), (big.exponent() + 1) / 2);
    EXPECT_FALSE(root.overflow());
    EXPECT_EQ(m::log3(m::exp3(num("100000000", f))).toText(), "100000000");
    EXPECT_EQ(m::hypot(big, num("1", f)), big);
    EXPECT_EQ(m::fma(big, num("1", f), num("1", f)), big);
    EXPECT_TRUE(m::exp(num("-700000000", f)).underflow());
    EXPECT_NEAR(m::atan(big).toDouble(), 1.5707963267948966, 1e-12);
    EXPECT_NEAR(m::atan2(num("1", f), big).toDouble() * 1e30, 0, 1e-12);
}

TEST(MathConstants, PiAndE) {
    EXPECT_EQ(m::pi(Format{6, 27}).toDecimal(12), "3.14159265359");
    EXPECT_EQ(m::e(Format{6, 27}).toDecimal(12), "2.71828182846");
    EXPECT_TRUE(m::pi(Format{0, 27}).invalid());
}

// One evaluation pass nearly always decides; exact cases need none.
TEST(MathPasses, OnePassMostly) {
    int passes = -1;
    kestrom::math::detail::sqrtOf(num("2"), &passes);
    EXPECT_EQ(passes, 1);
    kestrom::math::detail::powOf(num("3"), num("4"), &passes);
    EXPECT_EQ(passes, 0);
}

// The C interface reads and writes exactly the documented sizes (exact-size heap buffers, for
// AddressSanitizer) and rejects bad operands and lengths.
TEST(MathCInterface, BuffersAndErrors) {
    const int expLen = 4, mantLen = 6;
    auto buffer = [](int len) { return std::make_unique<signed char[]>(static_cast<std::size_t>(len) + 1); };
    auto resExp = buffer(expLen), resMant = buffer(mantLen), expA = buffer(expLen), mantA = buffer(mantLen);
    const Number four = num("4", Format{expLen, mantLen});
    for (int i = 0; i <= expLen; ++i) expA[i] = four.exponentTrits()[static_cast<std::size_t>(i)];
    for (int i = 0; i <= mantLen; ++i) mantA[i] = four.mantissaTrits()[static_cast<std::size_t>(i)];
    EXPECT_EQ(kestrom_math_sqrt(resExp.get(), resMant.get(), expLen, mantLen, expA.get(), mantA.get()), 0u);
    kestrom::Trits e(resExp.get(), resExp.get() + expLen + 1), mt(resMant.get(), resMant.get() + mantLen + 1);
    EXPECT_EQ(Number::fromTrits(Format{expLen, mantLen}, e, mt)->toText(), "2");
    EXPECT_EQ(kestrom_math_pi(resExp.get(), resMant.get(), expLen, mantLen), 0u);
    mantA[mantLen] = 1;  // a guard that is not zero
    EXPECT_EQ(kestrom_math_exp(resExp.get(), resMant.get(), expLen, mantLen, expA.get(), mantA.get()),
              KESTROM_MATH_INVALID);
    EXPECT_EQ(kestrom_math_exp(resExp.get(), resMant.get(), 20, mantLen, expA.get(), mantA.get()), KESTROM_MATH_INVALID);
    EXPECT_EQ(kestrom_math_pi(resExp.get(), resMant.get(), expLen, 1), KESTROM_MATH_INVALID);
}

}  // namespace

// SPDX-License-Identifier: MIT
#include "reference/trit_string.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <vector>

#include "kestrom.h"
#include "trits.h"

using namespace testing_trits;
using kestrom::addStr;
using kestrom::intToStr;
using kestrom::scaleStr;
using kestrom::shiftStrDown;
using kestrom::shiftStrUp;
using kestrom::strToInt;
using kestrom::subtractStr;

namespace {

// Strings below are written as full buffers: len significant trits, then the guard.
Str full(std::initializer_list<int> all) {
    Str s;
    for (int t : all) s.push_back(static_cast<signed char>(t));
    return s;
}

struct SumCase {
    const char* name;
    bool subtract;
    Str a, b, expected;
};

TEST(AddAndSubtractStr, FollowTheDigitTableThroughTheGuard) {
    const SumCase cases[] = {
        {"1+1 carries", false, full({1, 0, 0}), full({1, 0, 0}), full({-1, 1, 0})},
        {"-1-1 borrows", false, full({-1, 0, 0}), full({-1, 0, 0}), full({1, -1, 0})},
        {"carry ripples", false, full({1, 1, 0}), full({1, 1, 0}), full({-1, 0, 1})},
        {"top carry lands in guard", false, full({0, 1, 0}), full({0, 1, 0}), full({0, -1, 1})},
        {"input guard takes part", false, full({0, 0, 1}), full({1, 0, 1}), full({1, 0, -1})},
        {"guard carry discarded", false, full({0, 0, 1}), full({0, 0, 1}), full({0, 0, -1})},
        {"-3 borrows twice", false, full({-1, -1, 0}), full({-1, -1, 0}), full({1, 0, -1})},
        {"mixed carries", false, full({1, 1, -1, -1, 0}), full({1, 0, -1, 0, 0}),
         full({-1, -1, -1, -1, 0})},
        {"x - x is zero with guard", true, full({1, -1, 1, 1}), full({1, -1, 1, 1}),
         full({0, 0, 0, 0})},
        {"2 - 4", true, full({-1, 1, 0}), full({1, 1, 0}), full({1, -1, 0})},
        {"3 - (-3) carries into guard", true, full({0, 1, 0}), full({0, -1, 0}), full({0, -1, 1})},
        {"1 - (-1) carries", true, full({1, 0}), full({-1, 0}), full({-1, 1})},
    };
    for (const auto& c : cases) {
        const int len = static_cast<int>(c.a.size()) - 1;
        Str out(c.a.size(), 0);
        (c.subtract ? subtractStr : addStr)(out.data(), len, c.a.data(), c.b.data());
        EXPECT_EQ(out, c.expected) << c.name << ":" << show(out);

        Str inA = c.a;  // out is the first operand
        (c.subtract ? subtractStr : addStr)(inA.data(), len, inA.data(), c.b.data());
        EXPECT_EQ(inA, c.expected) << c.name << " in place (a)";
        Str inB = c.b;  // out is the second operand
        (c.subtract ? subtractStr : addStr)(inB.data(), len, c.a.data(), inB.data());
        EXPECT_EQ(inB, c.expected) << c.name << " in place (b)";
    }
}

TEST(ScaleStr, CopiesNegatesOrClearsWithoutTouchingTheGuard) {
    const Str src = full({1, -1, 0, 1, 0});
    const struct {
        int t;
        Str expected;
    } cases[] = {
        {1, full({1, -1, 0, 1, 7})},
        {-1, full({-1, 1, 0, -1, 7})},
        {0, full({0, 0, 0, 0, 7})},
        {5, full({1, -1, 0, 1, 7})},  // any non-zero value other than -1 copies
    };
    for (const auto& c : cases) {
        Str dst = full({9, 9, 9, 9, 7});
        scaleStr(dst.data(), 4, src.data(), static_cast<signed char>(c.t));
        EXPECT_EQ(dst, c.expected) << "trit " << c.t;
    }
}

TEST(InversStr, NegatesSignificantTritsOnly) {
    Str s = full({1, -1, 0, 1, 1});
    inversStr(s.data(), 4);
    EXPECT_EQ(s, full({-1, 1, 0, -1, 1}));
    inversStr(s.data(), 4);
    EXPECT_EQ(s, full({1, -1, 0, 1, 1}));
    inversStr(s.data(), 0);
    EXPECT_EQ(s, full({1, -1, 0, 1, 1}));
}

// The export negates in blocks of sixteen and eight bytes, the last one overlapping the one
// below: every length up to 50 and two long ones, each trit negated once, nothing past len.
TEST(InversStr, NegatesEachTritOnceAtEveryLength) {
    std::mt19937 rng(5);
    std::vector<int> lengths;
    for (int len = 0; len <= 50; ++len) lengths.push_back(len);
    lengths.insert(lengths.end(), {243, 729});
    for (const int len : lengths) {
        Str s(static_cast<size_t>(len) + 3);
        for (auto& t : s) t = static_cast<signed char>(static_cast<int>(rng() % 3) - 1);
        const Str before = s;
        inversStr(s.data(), len);
        for (int i = 0; i < len + 3; ++i) {
            const signed char expected = i < len ? static_cast<signed char>(-before[static_cast<size_t>(i)])
                                                 : before[static_cast<size_t>(i)];
            ASSERT_EQ(s[static_cast<size_t>(i)], expected) << "len " << len << ", trit " << i;
        }
    }
}

struct ShiftCase {
    const char* name;
    bool up;
    long long count;
    Str in, expected;
};

TEST(ShiftStr, MovesWholeTritsThroughTheGuard) {
    const ShiftCase cases[] = {
        {"4 down 1 rounds to 1", false, 1, full({1, 1, 0}), full({1, 0, 0})},
        {"guard moves into top", false, 1, full({1, 0, 1, -1}), full({0, 1, -1, 0})},
        {"down 2", false, 2, full({1, 0, 1, -1}), full({1, -1, 0, 0})},
        {"down len+1 clears", false, 4, full({1, 1, 1, 1}), full({0, 0, 0, 0})},
        {"down far past len", false, 1LL << 40, full({1, 1, 1, 1}), full({0, 0, 0, 0})},
        {"down by 0", false, 0, full({1, -1, 1, 0}), full({1, -1, 1, 0})},
        {"down by negative", false, -3, full({1, -1, 1, 0}), full({1, -1, 1, 0})},
        {"up 1 loses old guard", true, 1, full({1, 0, -1, 1}), full({0, 1, 0, -1})},
        {"up 2", true, 2, full({1, -1, 0, 0}), full({0, 0, 1, -1})},
        {"up len+1 clears", true, 4, full({1, 1, 1, 1}), full({0, 0, 0, 0})},
        {"up far past len", true, 1LL << 40, full({1, 1, 1, 1}), full({0, 0, 0, 0})},
        {"up by negative", true, -1, full({1, -1, 1, 0}), full({1, -1, 1, 0})},
        {"len 0 down", false, 1, full({1}), full({0})},
        {"len 0 up", true, 1, full({1}), full({0})},
    };
    for (const auto& c : cases) {
        Str buf = c.in;
        const int len = static_cast<int>(buf.size()) - 1;
        (c.up ? shiftStrUp : shiftStrDown)(buf.data(), len, c.count);
        EXPECT_EQ(buf, c.expected) << c.name << ":" << show(buf);
    }
}

TEST(IntToStr, WritesLenTritsModuloThePowerOfThree) {
    const struct {
        int value, len;
        Str expected;  // len trits, then the untouched sentinel
    } cases[] = {
        {5, 3, full({-1, -1, 1, 7})},
        {-5, 3, full({1, 1, -1, 7})},
        {0, 3, full({0, 0, 0, 7})},
        {5, 2, full({-1, -1, 7})},  // -4 == 5 - 9
        {13, 3, full({1, 1, 1, 7})},
        {14, 3, full({-1, -1, -1, 7})},  // -13 == 14 - 27
        {INT_MIN, 1, full({1, 7})},  // -2147483648 == 1 (mod 3)
    };
    for (const auto& c : cases) {
        Str out(static_cast<size_t>(c.len + 1), 0);
        out[static_cast<size_t>(c.len)] = 7;
        intToStr(out.data(), c.len, c.value);
        EXPECT_EQ(out, c.expected) << c.value << " in " << c.len << " trits";
    }
}

TEST(StrToInt, RoundTripsEveryValueThatFits) {
    for (int len = 1; len <= 19; ++len) {
        long long half = 1;
        for (int i = 0; i < len; ++i) half *= 3;
        half = (half - 1) / 2;
        const long long step = half / 997 + 1;
        for (long long v = -half; v <= half; v += step) {
            Str s = zeros(len);
            intToStr(s.data(), len, static_cast<int>(v));
            ASSERT_EQ(strToInt(s.data(), len), v) << "len " << len;
        }
        Str s = zeros(len);
        intToStr(s.data(), len, static_cast<int>(half));
        EXPECT_EQ(strToInt(s.data(), len), half) << "largest of len " << len;
    }
    const Str five = full({-1, -1, 1, 0});
    EXPECT_EQ(strToInt(five.data(), 3), 5);
    EXPECT_EQ(strToInt(five.data(), 0), 0);
    EXPECT_EQ(strToInt(five.data(), -4), 0);
    const Str ones(41, 1);  // past 19 trits the sum wraps modulo 2^32 but stays defined
    EXPECT_EQ(strToInt(ones.data(), 40), 344978448);  // (3^40 - 1) / 2 mod 2^32
}

TEST(TritStrings, NegativeAndZeroLengthsTouchNothing) {
    // A length of -1 means a buffer of no elements: nothing may be read or written. The
    // pointers below address empty exact-size allocations.
    for (int len : {-1, -5, INT_MIN}) {
        Str empty;
        signed char* p = empty.data();
        addStr(p, len, p, p);
        subtractStr(p, len, p, p);
        scaleStr(p, len, p, 1);
        inversStr(p, len);
        shiftStrDown(p, len, 3);
        shiftStrUp(p, len, 3);
        intToStr(p, len, 5);
        EXPECT_EQ(strToInt(p, len), 0);
    }
    Str one = full({1});  // len 0: only the guard, which addStr and the shifts reach
    scaleStr(one.data(), 0, one.data(), -1);
    inversStr(one.data(), 0);
    intToStr(one.data(), 0, 5);
    EXPECT_EQ(one, full({1}));
}

TEST(TritStrings, InvalidTritsStayInsideTheTable) {
    // Bytes other than -1, 0, +1 give unspecified but defined results and valid output trits.
    Str a = full({127, -128, 2, -3, 0}), b = full({-128, -128, 100, 1, 0});
    Str out = zeros(4);
    addStr(out.data(), 4, a.data(), b.data());
    for (signed char t : out) EXPECT_TRUE(t >= -1 && t <= 1);
    subtractStr(out.data(), 4, a.data(), b.data());
    for (signed char t : out) EXPECT_TRUE(t >= -1 && t <= 1);
    inversStr(a.data(), 4);
    scaleStr(out.data(), 4, a.data(), -128);
    // Other bytes are weighted like trits: -128 - 3 * 128 + 9 * 100 + 27.
    EXPECT_EQ(strToInt(b.data(), 4), 415);
}

}  // namespace

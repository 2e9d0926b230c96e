// SPDX-License-Identifier: MIT
// The word-level paths against the trit-level routines: same result trits and guards, same
// changes to the operands, for random operands at every size class; and, outside the
// preconditions a word path checks, no work at all (so the trit-level routine runs).
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "kestrom.h"
#include "reference/operations.h"
#include "reference/trit_string.h"
#include "trits.h"
#include "words/convert.h"
#include "words/radix3.h"
#include "words/value.h"
#include "words/lengths.h"
#include "words/moves.h"
#include "words/normalize.h"
#include "words/operations.h"

using namespace testing_trits;

namespace {

enum class Op { add, sub, mul, div };
const char* const kOpNames[] = {"add", "sub", "mul", "div"};

// Every buffer of one call, exact size.
struct Call {
    Str resExp, resMant, expA, mantA, expB, mantB, expScratch, mantScratch, quotA, quotB;

    Call(int expLen, int mantLen)
        : resExp(zeros(expLen)), resMant(zeros(mantLen)), expA(zeros(expLen)),
          mantA(zeros(mantLen)), expB(zeros(expLen)), mantB(zeros(mantLen)),
          expScratch(zeros(expLen)), mantScratch(zeros(mantLen)), quotA(zeros(mantLen + 2)),
          quotB(zeros(mantLen + 2)) {}

    // What a call may leave as its result: everything but the working storage.
    bool sameResult(const Call& o) const {
        return resExp == o.resExp && resMant == o.resMant && expA == o.expA && mantA == o.mantA &&
               expB == o.expB && mantB == o.mantB;
    }
    // Division leaves the quotient's sum in quotA; of the word paths, long division (mantLen 40
    // and up, either limb width) writes it too.
    bool sameQuotient(const Call& o, int mantLen) const {
        return mantLen < 40 || quotA == o.quotA;
    }
    bool sameAll(const Call& o) const {
        return sameResult(o) && expScratch == o.expScratch && mantScratch == o.mantScratch &&
               quotA == o.quotA && quotB == o.quotB;
    }
};

std::ostream& operator<<(std::ostream& os, const Call& c) {
    return os << "\n  resExp" << show(c.resExp) << "\n  resMant" << show(c.resMant) << "\n  expA"
              << show(c.expA) << "\n  mantA" << show(c.mantA) << "\n  expB" << show(c.expB)
              << "\n  mantB" << show(c.mantB);
}

// The word level hands a call it does not take to the routine it is given; these note that.
bool handedOn = false;
void noteHandedOn(signed char*, signed char*, int, int, signed char*, signed char*, signed char*,
                  signed char*, signed char*) {
    handedOn = true;
}
void noteHandedOn(signed char*, signed char*, int, int, signed char*, signed char*, signed char*,
                  signed char*, signed char*, signed char*) {
    handedOn = true;
}
void noteHandedOn(signed char*, signed char*, int, int, signed char*, signed char*, signed char*,
                  signed char*, signed char*, signed char*, signed char*, signed char*) {
    handedOn = true;
}

// Whether the word level took the sum itself.
bool addWords(signed char* resExp, signed char* resMant, int expLen, int mantLen,
              signed char* expA, signed char* mantA, signed char* expB, signed char* mantB,
              signed char* expScratch) {
    handedOn = false;
    kestrom::words::addWords(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB,
                             expScratch, noteHandedOn);
    return !handedOn;
}

// Whether the word level took the quotient itself.
bool divWords(signed char* resExp, signed char* resMant, int expLen, int mantLen,
              signed char* expA, signed char* mantA, signed char* expB, signed char* mantB,
              signed char* quotA, signed char* quotB, signed char* mantScratch,
              signed char* expScratch) {
    handedOn = false;
    kestrom::words::divWords(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, quotA,
                             quotB, mantScratch, expScratch, noteHandedOn);
    return !handedOn;
}

// Whether the word level took the product itself.
bool mulWords(signed char* resExp, signed char* resMant, int expLen, int mantLen,
              signed char* expA, signed char* mantA, signed char* expB, signed char* mantB,
              signed char* expScratch, signed char* mantScratch) {
    handedOn = false;
    kestrom::words::mulWords(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB,
                             expScratch, mantScratch, noteHandedOn);
    return !handedOn;
}

bool runWords(Op op, Call& c, int expLen, int mantLen) {
    switch (op) {
    case Op::add:
    case Op::sub:
        return addWords(c.resExp.data(), c.resMant.data(), expLen, mantLen, c.expA.data(),
                        c.mantA.data(), c.expB.data(), c.mantB.data(), c.expScratch.data());
    case Op::mul:
        return mulWords(c.resExp.data(), c.resMant.data(), expLen, mantLen, c.expA.data(),
                        c.mantA.data(), c.expB.data(), c.mantB.data(), c.expScratch.data(),
                        c.mantScratch.data());
    case Op::div:
        return divWords(c.resExp.data(), c.resMant.data(), expLen, mantLen, c.expA.data(),
                        c.mantA.data(), c.expB.data(), c.mantB.data(), c.quotA.data(),
                        c.quotB.data(), c.mantScratch.data(), c.expScratch.data());
    }
    return false;
}

void runTrits(Op op, Call& c, int expLen, int mantLen) {
    switch (op) {
    case Op::add:
    case Op::sub:
        kestrom::addTrits(c.resExp.data(), c.resMant.data(), expLen, mantLen, c.expA.data(),
                          c.mantA.data(), c.expB.data(), c.mantB.data(), c.expScratch.data());
        break;
    case Op::mul:
        kestrom::mulTrits(c.resExp.data(), c.resMant.data(), expLen, mantLen, c.expA.data(),
                          c.mantA.data(), c.expB.data(), c.mantB.data(), c.expScratch.data(),
                          c.mantScratch.data());
        break;
    case Op::div:
        kestrom::divTrits(c.resExp.data(), c.resMant.data(), expLen, mantLen, c.expA.data(),
                          c.mantA.data(), c.expB.data(), c.mantB.data(), c.quotA.data(),
                          c.quotB.data(), c.mantScratch.data(), c.expScratch.data());
        break;
    }
}

// Whether the word paths of this build take a call of these lengths with valid inputs.
bool wordPathExpected(Op op, int expLen, int mantLen) {
#if KESTROM_WORD_LEVEL
    const int shortest = op == Op::div ? 2 : 1;
    return mantLen >= shortest && mantLen <= kestrom::words::kMaxTrits && expLen >= 1 &&
           expLen <= 19;
#else
    (void)op, (void)expLen, (void)mantLen;
    return false;
#endif
}

signed char randomTrit(std::mt19937_64& rng) { return static_cast<signed char>(int(rng() % 3) - 1); }

// Operands of every kind the contract allows and a few it does not forbid the word paths:
// normalized, zero, unnormalized (top trits zero), extreme exponents; for mul and div the
// exponent guards (which those operations add) are sometimes set too.
void fillOperand(std::mt19937_64& rng, Str& exp, Str& mant, int expLen, int mantLen, Op op) {
    const unsigned kind = static_cast<unsigned>(rng() % 8);
    if (kind == 0) return;  // zero
    for (int i = 0; i < mantLen; ++i) mant[static_cast<size_t>(i)] = randomTrit(rng);
    if (kind != 1) mant[static_cast<size_t>(mantLen - 1)] = rng() % 2 ? 1 : -1;
    if (kind == 1 && mantLen > 3) mant[static_cast<size_t>(mantLen - 1)] = 0;
    const unsigned expKind = static_cast<unsigned>(rng() % 4);
    const signed char extreme = rng() % 2 ? 1 : -1;
    for (int i = 0; i < expLen; ++i) {
        signed char t = randomTrit(rng);
        if (expKind == 0) t = i == 0 ? randomTrit(rng) : extreme;  // at an end of the range
        if (expKind == 1) t = i < 2 ? randomTrit(rng) : 0;         // small
        exp[static_cast<size_t>(i)] = t;
    }
    if ((op == Op::mul || op == Op::div) && expLen >= 0 && rng() % 8 == 0)
        exp[static_cast<size_t>(expLen)] = randomTrit(rng);
}

std::vector<int> mantLengths() {
    std::vector<int> lengths;
    for (int n = 1; n <= 90; ++n) lengths.push_back(n);
    for (int n = 91; n <= 800; n += 23) lengths.push_back(n);
    for (int n : {113, 114, 115, 152, 153, 243, 729, 760, 1519, 1520, 1521}) lengths.push_back(n);
    return lengths;
}

TEST(WordPaths, MatchTheTritLevelRoutinesAtEverySize) {
    std::mt19937_64 rng(7);
    int taken = 0;
    for (const int mantLen : mantLengths()) {
        const int rounds = mantLen <= 90 ? 24 : (mantLen <= 800 ? 6 : 2);
        for (int round = 0; round < rounds; ++round) {
            for (const Op op : {Op::add, Op::sub, Op::mul, Op::div}) {
                if (op == Op::div && mantLen < 2) continue;
                if (mantLen > 800 && op != Op::mul && op != Op::div && round > 0) continue;
                const int expLen = static_cast<int>(rng() % 21);  // past 19 the word level steps aside
                Call call(expLen, mantLen);
                fillOperand(rng, call.expA, call.mantA, expLen, mantLen, op);
                fillOperand(rng, call.expB, call.mantB, expLen, mantLen, op);
                if (op == Op::div && call.mantB[static_cast<size_t>(mantLen - 1)] == 0)
                    call.mantB[static_cast<size_t>(mantLen - 1)] = -1;
                if (op == Op::sub) inversStr(call.mantB.data(), mantLen);

                Call viaTrits = call, viaWords = call;
                runTrits(op, viaTrits, expLen, mantLen);
                const bool tookWords = runWords(op, viaWords, expLen, mantLen);
                const bool expected = wordPathExpected(op, expLen, mantLen);
                ASSERT_EQ(tookWords, expected)
                    << kOpNames[static_cast<int>(op)] << " mantLen " << mantLen << " expLen " << expLen;
                if (!tookWords) continue;
                ++taken;
                ASSERT_TRUE(viaWords.sameResult(viaTrits) &&
                            (op != Op::div || viaWords.sameQuotient(viaTrits, mantLen)))
                    << kOpNames[static_cast<int>(op)] << " mantLen " << mantLen << " expLen "
                    << expLen << "\noperands" << call << "\ntrit level" << viaTrits
                    << "\nword level" << viaWords;
            }
        }
    }
#if KESTROM_WORD_LEVEL
    EXPECT_GT(taken, 5000);
#endif
}

// Long division settles most selections from the remainder's top trits and the rest on every
// trit: dividends at and next to the selection thresholds d - T and d + T (T = +1 in every
// position below mantLen-2), of either sign, over divisors at the ends of the normalized range
// and with long runs of zeros, must still give the trit-level result. Shifted down by j trits,
// the same dividends bring the remainder to within 3^j / 2 of a threshold j positions later
// (onto it where the threshold's low trits are zero, as d + T of the smallest divisor), inside
// a run of positions the word level takes together (13 or 35 positions a run), or in a later
// run of a group of runs whose remainder changes once (from 20 limbs of 38 trits on).
// The sum may be written over either operand, as the trit-level addition allows; the word
// paths read each part of the operands before they write over it.
TEST(WordPaths, AddWritesOverEitherOperand) {
    std::mt19937_64 rng(11);
    for (const int mantLen : {1, 7, 8, 14, 15, 16, 17, 31, 39, 40, 47, 81, 243}) {
        for (const bool overA : {true, false}) {
            for (int round = 0; round < 20; ++round) {
                const int expLen = 6;
                Call call(expLen, mantLen);
                fillOperand(rng, call.expA, call.mantA, expLen, mantLen, Op::add);
                fillOperand(rng, call.expB, call.mantB, expLen, mantLen, Op::add);
                Call viaTrits = call, viaWords = call;
                const auto run = [&](Call& c, bool words) {
                    signed char* out = overA ? c.mantA.data() : c.mantB.data();
                    if (words)
                        return addWords(c.resExp.data(), out, expLen, mantLen, c.expA.data(),
                                        c.mantA.data(), c.expB.data(), c.mantB.data(),
                                        c.expScratch.data());
                    kestrom::addTrits(c.resExp.data(), out, expLen, mantLen, c.expA.data(),
                                      c.mantA.data(), c.expB.data(), c.mantB.data(),
                                      c.expScratch.data());
                    return true;
                };
                run(viaTrits, false);
                if (!run(viaWords, true)) continue;
                ASSERT_TRUE(viaWords.sameResult(viaTrits))
                    << "mantLen " << mantLen << (overA ? " over mantA" : " over mantB")
                    << "\noperands" << call << "\ntrit level" << viaTrits << "\nword level"
                    << viaWords;
            }
        }
    }
}

TEST(WordPaths, DivisionAtTheSelectionThresholds) {
    std::mt19937_64 rng(13);
    int taken = 0;
    // Limb boundaries of both widths (16 and 38 trits a limb), short and long; and short
    // mantissas, whose quotient settles on the remainder meeting a threshold exactly.
    for (const int n : {3, 13, 19, 39, 20, 21, 31, 32, 33, 47, 48, 49, 40, 41, 75, 76, 77, 114, 243, 729, 1520}) {
        const auto at = [](int i) { return static_cast<size_t>(i); };
        Str t = zeros(n), one = zeros(n);
        for (int i = 0; i < n - 2; ++i) t[at(i)] = 1;
        one[0] = 1;
        std::vector<Str> divisors(4, zeros(n));
        divisors[0][at(n - 1)] = 1;  // 3^(n-1): zeros below the top
        for (int i = 0; i < n; ++i) {
            divisors[1][at(i)] = 1;                          // the largest
            divisors[2][at(i)] = i == n - 1 ? 1 : -1;        // the smallest
            divisors[3][at(i)] = i == n - 1 ? 1 : randomTrit(rng);
        }
        for (Str d : divisors) {
            for (const signed char signD : {1, -1}) {
                Str dividends[2] = {zeros(n), zeros(n)};
                kestrom::subtractStr(dividends[0].data(), n, d.data(), t.data());
                kestrom::addStr(dividends[1].data(), n, d.data(), t.data());
                for (const Str& threshold : dividends) {
                    // {delta, shift}: next to the threshold, or near it `shift` positions in.
                    const int cases[][2] = {{-1, 0}, {0, 0},  {1, 0},  {0, 1},  {0, 12},
                                            {0, 34}, {0, 40}, {0, 72}, {0, 107}};
                    for (const auto& c : cases) {
                        const int delta = c[0], shift = c[1];
                        if (shift >= n || (shift > 0 && n > 800)) continue;
                        Str a = threshold;
                        if (delta < 0) kestrom::subtractStr(a.data(), n, a.data(), one.data());
                        if (delta > 0) kestrom::addStr(a.data(), n, a.data(), one.data());
                        if (a[at(n)] != 0) continue;  // past the dividend's trits
                        kestrom::shiftStrDown(a.data(), n, shift);
                        for (const signed char signA : {1, -1}) {
                            Call call(6, n);
                            for (int i = 0; i < n; ++i) {
                                call.mantA[at(i)] = static_cast<signed char>(signA * a[at(i)]);
                                call.mantB[at(i)] = static_cast<signed char>(signD * d[at(i)]);
                            }
                            Call viaTrits = call, viaWords = call;
                            runTrits(Op::div, viaTrits, 6, n);
                            ASSERT_EQ(runWords(Op::div, viaWords, 6, n), wordPathExpected(Op::div, 6, n));
                            if (!wordPathExpected(Op::div, 6, n)) continue;
                            ++taken;
                            ASSERT_TRUE(viaWords.sameResult(viaTrits) &&
                                        viaWords.sameQuotient(viaTrits, n))
                                << "mantLen " << n << "\noperands" << call << "\ntrit level"
                                << viaTrits << "\nword level" << viaWords;
                        }
                    }
                }
            }
        }
    }
#if KESTROM_WORD_LEVEL
    EXPECT_GT(taken, 300);
#endif
}

// B (n trits, top trit 1) such that the trits of A * B below position n-1 all equal `low`:
// its trits from the bottom up, each one clearing the lowest trit of what is still missing.
// A's lowest trit is non-zero.
Str factorWithLowTrits(const Str& a, int n, signed char low) {
    const auto at = [](int i) { return static_cast<size_t>(i); };
    std::vector<int> missing(at(n - 1), low);
    Str b = zeros(n);
    b[at(n - 1)] = 1;
    for (int i = 0; i < n - 1; ++i) {
        b[at(i)] = static_cast<signed char>(missing[at(i)] * a[0]);
        int carry = 0;
        for (int j = i; j < n - 1; ++j) {
            int v = missing[at(j)] - b[at(i)] * a[at(j - i)] + carry;
            carry = v > 1 ? 1 : (v < -1 ? -1 : 0);
            missing[at(j)] = v - 3 * carry;
        }
    }
    return b;
}

// Long products whose trits below the window are all +1 or all -1 sit next to a rounding
// boundary: the carry into the window depends on every column below it. Random A, B chosen to
// make it so, either sign, around the limb boundaries of both widths.
TEST(WordPaths, ProductsNextToTheRoundingBoundary) {
    std::mt19937_64 rng(17);
    int taken = 0;
    for (const int n : {40, 41, 48, 49, 76, 77, 112, 114, 115, 153, 243, 272, 729, 1520}) {
        const auto at = [](int i) { return static_cast<size_t>(i); };
        for (int round = 0; round < 4; ++round) {
            Str a = zeros(n);
            for (int i = 0; i < n; ++i) a[at(i)] = randomTrit(rng);
            a[0] = rng() % 2 ? 1 : -1;
            a[at(n - 1)] = rng() % 2 ? 1 : -1;
            for (const signed char low : {1, -1}) {
                Call call(4, n);
                call.mantA = a;
                call.mantB = factorWithLowTrits(a, n, low);
                Call viaTrits = call, viaWords = call;
                runTrits(Op::mul, viaTrits, 4, n);
                ASSERT_EQ(runWords(Op::mul, viaWords, 4, n), wordPathExpected(Op::mul, 4, n));
                if (!wordPathExpected(Op::mul, 4, n)) continue;
                ++taken;
                ASSERT_TRUE(viaWords.sameResult(viaTrits))
                    << "mantLen " << n << "\noperands" << call << "\ntrit level" << viaTrits
                    << "\nword level" << viaWords;
            }
        }
    }
#if KESTROM_WORD_LEVEL
    EXPECT_GT(taken, 100);
#endif
}

// Inputs a word path does not take: it must leave every buffer as it was, and the exported
// operation then gives exactly the trit-level result.
TEST(WordPaths, LeaveInputsOutsideTheirPreconditionsAlone) {
    // Which calls a spoiled input keeps off the word path: every path checks everything the
    // trit-level routine would read.
    struct Spoil {
        const char* name;
        void (*apply)(Call&, int expLen, int mantLen);
        bool (*applies)(Op op);
    };
    const Spoil spoils[] = {
        {"invalid trit in mantA", [](Call& c, int, int n) { c.mantA[static_cast<size_t>(n / 2)] = 2; },
         [](Op) { return true; }},
        {"invalid trit in mantB", [](Call& c, int, int) { c.mantB[0] = -7; },
         [](Op) { return true; }},
        {"invalid trit in expA", [](Call& c, int e, int) { c.expA[static_cast<size_t>(e - 1)] = 5; },
         [](Op) { return true; }},
        {"mantA guard set", [](Call& c, int, int n) { c.mantA[static_cast<size_t>(n)] = 1; },
         [](Op op) { return op != Op::mul; }},
        {"expScratch dirty", [](Call& c, int e, int) { c.expScratch[static_cast<size_t>(e)] = -1; },
         [](Op) { return true; }},
        {"mantScratch guard set", [](Call& c, int, int n) { c.mantScratch[static_cast<size_t>(n)] = 1; },
         [](Op op) { return op == Op::mul || op == Op::div; }},
        {"resMant guard set", [](Call& c, int, int n) { c.resMant[static_cast<size_t>(n)] = -1; },
         [](Op op) { return op == Op::mul; }},
        {"quotB top set", [](Call& c, int, int n) { c.quotB[static_cast<size_t>(n + 2)] = 1; },
         [](Op op) { return op == Op::div; }},
        {"divisor not normalized", [](Call& c, int, int n) { c.mantB[static_cast<size_t>(n - 1)] = 0; },
         [](Op op) { return op == Op::div; }},
    };
    std::mt19937_64 rng(11);
    for (const int mantLen : {5, 19, 20, 27, 39, 40, 81, 243}) {
        for (const Op op : {Op::add, Op::mul, Op::div}) {
            for (const Spoil& spoil : spoils) {
                if (!spoil.applies(op)) continue;
                const int expLen = 6;
                Call call(expLen, mantLen);
                fillOperand(rng, call.expA, call.mantA, expLen, mantLen, Op::add);
                fillOperand(rng, call.expB, call.mantB, expLen, mantLen, Op::add);
                call.mantA[static_cast<size_t>(mantLen - 1)] = 1;
                call.mantB[static_cast<size_t>(mantLen - 1)] = -1;
                spoil.apply(call, expLen, mantLen);
                SCOPED_TRACE(::testing::Message() << kOpNames[static_cast<int>(op)] << " mantLen "
                                                  << mantLen << ": " << spoil.name);
                Call viaWords = call;
                EXPECT_FALSE(runWords(op, viaWords, expLen, mantLen));
                EXPECT_TRUE(viaWords.sameAll(call));
            }
        }
    }
}

// An invalid trit anywhere in an operand keeps mul and div off the word path, though the same
// operands without it are taken: operands are read in blocks and limbs from lanes of
// overlapping loads, partly masked, and every position must be one a block checks. Lengths at
// the edges of the short pair reads (8, 16, 32) and of the long paths, where the operands are
// raised or not, with an odd or even number of limbs.
TEST(WordPaths, ChecksEveryTritOfTheOperands) {
    std::mt19937_64 rng(13);
    for (const Op op : {Op::mul, Op::div}) {
        for (const int mantLen : {8, 9, 16, 17, 27, 32, 33, 39, 40, 41, 76, 77, 81, 114, 115, 243}) {
            for (int operand = 0; operand < 2; ++operand) {
                for (int i = 0; i < mantLen; ++i) {
                    Call call(3, mantLen);
                    for (Str* mant : {&call.mantA, &call.mantB}) {
                        for (int j = 0; j < mantLen; ++j) (*mant)[static_cast<size_t>(j)] = randomTrit(rng);
                        (*mant)[static_cast<size_t>(mantLen - 1)] = rng() % 2 ? 1 : -1;
                    }
                    Call valid = call;
                    ASSERT_TRUE(runWords(op, valid, 3, mantLen)) << "mantLen " << mantLen;
                    (operand == 0 ? call.mantA : call.mantB)[static_cast<size_t>(i)] = i % 2 ? 2 : -2;
                    Call viaWords = call;
                    ASSERT_FALSE(runWords(op, viaWords, 3, mantLen))
                        << (op == Op::mul ? "mul" : "div") << " mantLen " << mantLen << ": invalid trit "
                        << i << " of operand " << "AB"[operand];
                    ASSERT_TRUE(viaWords.sameAll(call));
                }
            }
        }
    }
}

#if KESTROM_WORD_LEVEL

namespace w = kestrom::words;
using w::i64;
using w::u64;

// Horner from the top, so that 40 trits do not overflow on the way.
i64 valueOf(const Str& s, int count) {
    i64 v = 0;
    for (int i = count - 1; i >= 0; --i) v = 3 * v + s[static_cast<size_t>(i)];
    return v;
}

TEST(Words, ConvertEveryLengthBothWays) {
    std::mt19937_64 rng(5);
    for (int count = 0; count <= w::kWordTrits; ++count) {
        const i64 top = static_cast<i64>(w::most(count));
        for (int round = 0; round < 200; ++round) {
            i64 v = round == 0 ? top : (round == 1 ? -top : 0);
            if (round > 2 && top > 0) v = static_cast<i64>(rng() % (2 * static_cast<u64>(top) + 1) - static_cast<u64>(top));
            // Exact-size buffer: AddressSanitizer sees any access past count.
            Str s(static_cast<size_t>(count), 0);
            w::writeTrits(s.data(), count, static_cast<w::limb>(v));
            EXPECT_EQ(valueOf(s, count), v) << "count " << count;
            w::limb back = 12345;
            EXPECT_TRUE(w::readTrits(s.data(), count, back));
            EXPECT_EQ(back, v) << "count " << count << show(s);
        }
        // Any byte other than -1, 0, +1, at any position, is reported.
        for (int at = 0; at < count; ++at) {
            for (const int bad : {2, -2, 3, 127, -128, 0x7f, -3}) {
                Str s(static_cast<size_t>(count), 1);
                s[static_cast<size_t>(at)] = static_cast<signed char>(bad);
                w::limb ignored;
                EXPECT_FALSE(w::readTrits(s.data(), count, ignored))
                    << "count " << count << " byte " << bad << " at " << at;
            }
        }
    }
}

TEST(Words, DivisionByPowersOfThreeMatchesPlainDivision) {
    std::mt19937_64 rng(9);
    for (int k = 0; k <= w::kWordTrits; ++k) {
        const w::ulimb d = w::pow3(k);
        const w::uwide limit = static_cast<w::uwide>(d) << w::kLimbBits;  // quotients fit a limb
        for (int round = 0; round < 500; ++round) {
            w::uwide y = (static_cast<w::uwide>(rng()) << (w::kLimbBits / 2) ^ rng()) % limit;
            if (round == 0) y = limit - 1;
            if (round == 1) y = 0;
            if (round == 2) y = d - 1;
            if (round == 3) y = d;
            ASSERT_EQ(w::divPow3(y, k), static_cast<w::ulimb>(y / d)) << "k " << k;
        }
    }
}

// Values of up to 40 trits, which with 32-bit limbs are two limbs' conversions put together:
// both ways at every length, and the divisions by powers of three they are aligned with.
TEST(Words, ValuesOfUpToFortyTrits) {
    std::mt19937_64 rng(15);
    for (int count = 0; count <= w::kValueTrits; ++count) {
        const i64 top = static_cast<i64>(w::kMost64.most[count]);
        for (int round = 0; round < 100; ++round) {
            i64 v = round == 0 ? top : (round == 1 ? -top : 0);
            if (round > 2 && top > 0) v = static_cast<i64>(rng() % (2 * static_cast<u64>(top) + 1) - static_cast<u64>(top));
            Str s(static_cast<size_t>(count), 0);
            w::writeValue(s.data(), count, v);
            EXPECT_EQ(valueOf(s, count), v) << "count " << count;
            i64 back = 12345;
            EXPECT_TRUE(w::readValue(s.data(), count, back));
            EXPECT_EQ(back, v) << "count " << count << show(s);
            if (count < w::kValueTrits) {
                // Rounding to nearest: the value of the trits that remain above position count.
                const i64 big = static_cast<i64>(rng() % (2 * static_cast<u64>(w::kMost64.most[39]) + 1) -
                                                 w::kMost64.most[39]);
                Str t(40, 0);
                w::writeValue(t.data(), 39, big);
                EXPECT_EQ(w::roundDivValue(big, count), valueOf(Str(t.begin() + count, t.end()), 39 - count))
                    << "big " << big << " k " << count;
            }
        }
    }
    for (int k = 0; k <= w::kWordTrits; ++k) {
        for (const u64 x : {u64{0}, u64{1}, ~u64{0}, u64{1} << 63, u64{rng()}, u64{rng() >> 7}, u64{rng() >> 29}})
            EXPECT_EQ(w::divPow3Value(x, k), x / w::kMost64.pow3[k]) << "x " << x << " k " << k;
    }
}

// The trit moves of the word level against the trit-level shifts, at every length around the
// eight-byte chunks and every shift count, on exact-size buffers.
TEST(Words, MovesMatchTheTritLevelShifts) {
    std::mt19937_64 rng(3);
    for (int len = 0; len <= 40; ++len) {
        Str original = zeros(len);
        for (auto& t : original) t = static_cast<signed char>(int(rng() % 3) - 1);
        for (int k = 0; k <= len + 2; ++k) {
            if (k >= 1) {
                Str expected = original, got = original;
                kestrom::shiftStrDown(expected.data(), len, k);
                w::dropLowTrits(got.data(), len, k);
                EXPECT_EQ(got, expected) << "dropLowTrits len " << len << " k " << k;
            }
            if (k <= len) {
                Str expected = original, got = original;
                kestrom::shiftStrUp(expected.data(), len, k);
                w::raiseTrits(got.data(), len, k);
                EXPECT_EQ(got, expected) << "raiseTrits len " << len << " k " << k;
            }
        }
        Str copy(static_cast<size_t>(len), 5);
        w::copyTrits(copy.data(), original.data(), len);
        EXPECT_TRUE(std::equal(copy.begin(), copy.end(), original.begin())) << "copyTrits " << len;
        w::clearTrits(copy.data(), len);
        EXPECT_TRUE(w::allZero(copy.data(), len)) << "clearTrits " << len;
    }
}

// Exponent arithmetic: wrap is the balanced residue, for every exponent width the word level
// takes, near the range and far past it.
TEST(Words, WrapIsTheBalancedResidue) {
    for (int trits = 1; trits <= 20; ++trits) {
        const i64 m = static_cast<i64>(w::most(trits)), p = 2 * m + 1;
        for (const i64 x : {i64{0}, m, -m, m + 1, -m - 1, 2 * m, -2 * m, m + 1520, -m - 1520,
                            2 * m + 1520, -2 * m - 1520}) {
            i64 expected = ((x % p) + p) % p;
            if (expected > m) expected -= p;
            EXPECT_EQ(w::wrap(x, trits), expected) << "x " << x << " trits " << trits;
        }
    }
}

#endif

}  // namespace

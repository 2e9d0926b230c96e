// SPDX-License-Identifier: MIT
// Every buffer of a call framed by canary bytes: no call may write outside its documented
// outputs (result strings, scratch, quotA/quotB, the mantissa add aligns, mantA in div), nor
// change an operand documented as read only, for any lengths and any contents.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "kestrom.h"

namespace {

constexpr size_t kPad = 16;
constexpr signed char kCanary = 0x5a;  // not a trit, so no routine writes it by chance

enum Name { resExp, resMant, expA, mantA, expB, mantB, expScratch, mantScratch, quotA, quotB };
constexpr int kBuffers = 10;
const char* const kNames[kBuffers] = {"resExp", "resMant", "expA", "mantA", "expB",
                                      "mantB", "expScratch", "mantScratch", "quotA", "quotB"};

enum class Op { add, mul, div, invers };
enum class Contents { valid, validDirtyScratch, anyBytes };

// A buffer of the documented size (nothing for a size <= 0) between two canary frames.
struct Framed {
    std::vector<signed char> block;
    explicit Framed(int size)
        : block(kPad + static_cast<size_t>(std::max(size, 0)) + kPad, kCanary) {}
    signed char* data() { return block.data() + kPad; }
    size_t size() const { return block.size() - 2 * kPad; }
    void clear() { std::fill(data(), data() + size(), 0); }
};

struct Call {
    std::vector<Framed> b;
    signed char* operator[](Name n) { return b[n].data(); }
};

long long exponentValue(const signed char* exp, int expLen) {
    long long v = 0;
    for (int i = expLen - 1; i >= 0; --i) v = 3 * v + exp[i];
    return v;
}

bool isZero(const signed char* mant, int mantLen) {
    return std::all_of(mant, mant + std::max(mantLen, 0), [](signed char t) { return t == 0; });
}

// Operands of random trits with zero guards (normalized, one in six zero) and zeroed
// results and scratch; or the same with random trits in results and scratch; or any bytes.
Call prepare(std::mt19937& rng, int expLen, int mantLen, Contents contents) {
    Call c;
    for (int n = 0; n < kBuffers; ++n) {
        const bool exp = n == resExp || n == expA || n == expB || n == expScratch;
        const bool operand = n == expA || n == mantA || n == expB || n == mantB;
        c.b.emplace_back(exp ? expLen + 1 : (n == quotA || n == quotB ? mantLen + 3 : mantLen + 1));
        for (size_t i = 0; i < c.b[n].size(); ++i) {
            const bool guard = i + 1 == c.b[n].size();
            if (contents == Contents::anyBytes)
                c.b[n].data()[i] = static_cast<signed char>(rng());
            else if (operand ? !guard : contents == Contents::validDirtyScratch)
                c.b[n].data()[i] = static_cast<signed char>(static_cast<int>(rng() % 3) - 1);
        }
    }
    if (contents != Contents::anyBytes && mantLen >= 1) {
        c[mantA][mantLen - 1] = 1;
        c[mantB][mantLen - 1] = -1;
        for (Name mant : {mantA, mantB}) {
            if (rng() % 6 != 0) continue;
            c.b[mant].clear();
            c.b[mant == mantA ? expA : expB].clear();
        }
    }
    return c;
}

void callAndCheck(std::mt19937& rng, Op op, int expLen, int mantLen, Contents contents) {
    Call c = prepare(rng, expLen, mantLen, contents);
    bool writable[kBuffers] = {};
    if (op == Op::add) {
        writable[resExp] = writable[resMant] = writable[expScratch] = true;
        // Only the mantissa with the smaller exponent may be shifted, and neither when an
        // operand is zero; with lengths or trits out of contract, either.
        const bool exact = contents != Contents::anyBytes && expLen <= 19;
        const long long d =
            exact ? exponentValue(c[expA], expLen) - exponentValue(c[expB], expLen) : 0;
        const bool align = expLen > 0 && !isZero(c[mantA], mantLen) && !isZero(c[mantB], mantLen);
        writable[mantA] = !exact || (align && d < 0);
        writable[mantB] = !exact || (align && d > 0);
    } else if (op == Op::mul || op == Op::div) {
        writable[resExp] = writable[resMant] = writable[expScratch] = writable[mantScratch] = true;
        writable[quotA] = writable[quotB] = writable[mantA] = op == Op::div;
    } else {
        writable[mantA] = true;
    }

    const Call before = c;
    switch (op) {
        case Op::add:
            add(c[resExp], c[resMant], expLen, mantLen, c[expA], c[mantA], c[expB], c[mantB],
                c[expScratch]);
            break;
        case Op::mul:
            mul(c[resExp], c[resMant], expLen, mantLen, c[expA], c[mantA], c[expB], c[mantB],
                c[expScratch], c[mantScratch]);
            break;
        case Op::div:
            div(c[resExp], c[resMant], expLen, mantLen, c[expA], c[mantA], c[expB], c[mantB],
                c[quotA], c[quotB], c[mantScratch], c[expScratch]);
            break;
        case Op::invers:
            inversStr(c[mantA], mantLen);
            if (mantLen >= 0) {
                ASSERT_EQ(c[mantA][mantLen], before.b[mantA].block[kPad + size_t(mantLen)])
                    << "inversStr changed the guard";
            }
            break;
    }

    for (int n = 0; n < kBuffers; ++n) {
        const auto& now = c.b[n].block;
        for (size_t i = 0; i < now.size(); ++i) {
            if (i >= kPad && i < kPad + c.b[n].size()) continue;
            ASSERT_EQ(now[i], kCanary) << kNames[n] << " written at " << long(i) - long(kPad);
        }
        if (!writable[n]) {
            ASSERT_EQ(now, before.b[n].block) << kNames[n] << " is read only";
        }
    }
}

TEST(GuardBands, NoWriteOutsideTheDocumentedOutputs) {
    const int mantLens[] = {-2, -1, 0, 1, 2, 3, 7, 60};
    const int expLens[] = {-2, -1, 0, 1, 2, 19, 20, 25, 40};
    const Contents allContents[] = {Contents::valid, Contents::validDirtyScratch,
                                    Contents::anyBytes};
    std::mt19937 rng(5);
    for (Op op : {Op::add, Op::mul, Op::div, Op::invers})
        for (int mantLen : mantLens)
            for (int expLen : expLens)
                for (Contents contents : allContents)
                    for (int round = 0; round < 4; ++round) {
                        SCOPED_TRACE(::testing::Message()
                                     << "op " << int(op) << " mantLen " << mantLen << " expLen "
                                     << expLen << " contents " << int(contents));
                        callAndCheck(rng, op, expLen, mantLen, contents);
                        if (::testing::Test::HasFatalFailure()) return;
                    }
}

}  // namespace

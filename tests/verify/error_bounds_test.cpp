// SPDX-License-Identifier: MIT
// How far each operation's result lies from the exact result, measured with exact rationals
// in units u of the result's last trit, asserted against bounds derived from where the
// library rounds. The table printed here is the one in docs/error-bounds.md.
//
// k is the result's exponent minus the exponent before normalizing (+1: shifted down one
// trit; -z: shifted up past z leading zeros, which magnifies earlier errors by 3^z).
// add: aligning drops the smaller operand's low trits (< 1/2 unit of the larger one's last
//      trit) and a guard overflow drops one more (< 1/2 u): < 2/3 u if k = 1, < 3^z/2 u if k = -z.
// mul: the mantLen-1 window shifts each drop a trit, < 1/2 + 1/6 + 1/18 ... < 3/4 of the
//      window's unit; k = 1 adds < 1/2 u: < 3/4 u if k >= 0, < 9/4 u if k = -1 (never lower).
// div: selection keeps |remainder| < |divisor|, so quotA + quotB is within 1 of A/B * 3^mantLen;
//      dropping k = 2, 1 or 0 of its trits rounds: < 1/2 + 1/9, < 1/2 + 1/3, < 1 u.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "ops.h"
#include "oracle.h"
#include "random_operands.h"

using namespace testing_trits;

namespace {

constexpr int kCases = 100000;

enum class Op { add, mul, div };

mpq_class times3(const mpq_class& v, long k) {
    mpz_class p;
    mpz_ui_pow_ui(p.get_mpz_t(), 3, static_cast<unsigned long>(k < 0 ? -k : k));
    return k < 0 ? mpq_class(v / p) : mpq_class(v * p);
}

long long exponentOf(const Str& exp, int expLen) { return oracle::value(exp, expLen).get_si(); }

// The error bound in units of the result's last trit, for a normalizing shift k.
mpq_class bound(Op op, long k) {
    switch (op) {
        case Op::add: return k == 1 ? mpq_class(2, 3) : times3(mpq_class(1, 2), -k);
        case Op::mul: return k == 1 ? mpq_class(3, 4) : times3(mpq_class(3, 4), -k);
        case Op::div: return k == 0 ? mpq_class(1) : mpq_class(1, 2) + times3(1, -k);
    }
    return 0;
}

std::string cell(double v) {
    char text[32];
    std::snprintf(text, sizeof text, v < 1e4 ? "%.4g" : "%.3g", v);
    return text;
}

// A line of the table: median, 99th percentile and maximum of the errors.
void row(const std::string& name, std::vector<double> errors, const char* bound) {
    std::sort(errors.begin(), errors.end());
    std::printf("| %s | %zu | %s | %s | %s | %s |\n", name.c_str(), errors.size(),
                cell(errors[errors.size() / 2]).c_str(),
                cell(errors[errors.size() * 99 / 100]).c_str(), cell(errors.back()).c_str(),
                bound);
}

// bounds: for all cases, for those not shifted up, for those shifted up (error / 3^z).
void measure(Op op, const std::string& name, const char* const (&bounds)[3]) {
    std::mt19937_64 rng(0xe770 + static_cast<unsigned>(op));
    std::vector<double> errors, unshifted, shiftedUp;  // shiftedUp in units of 3^z u
    int overflows = 0;
    while (errors.size() < kCases) {
        const int expLen = 1 + static_cast<int>(rng() % 12);
        const int minMant = op == Op::div ? 2 : 1;
        const int mantLen = minMant + static_cast<int>(rng() % static_cast<unsigned>(61 - minMant));
        // Exponents mostly in the middle half of the range, an eighth anywhere (overflow
        // included); for add, differences mostly small enough that both operands count.
        const auto exponent = [&] {
            const long long e = verify::randomExponent(rng, expLen);
            return rng() % 8 ? e / 2 : e;
        };
        const Float a = verify::randomFloat(rng, expLen, mantLen, exponent());
        const long long eA = exponentOf(a.exp, expLen);
        const long long spread = mantLen + 2;
        const long long near = eA + static_cast<long long>(rng() % (2 * spread + 1)) - spread;
        const long long wantB = op == Op::add ? near : exponent();
        const Float b = verify::randomFloat(rng, expLen, mantLen, wantB);
        const long long eB = exponentOf(b.exp, expLen);
        SCOPED_TRACE(::testing::Message() << name << " expLen " << expLen << " mantLen "
                                          << mantLen << " a " << a << " b " << b);
        Call r;
        oracle::Outcome model;
        const mpz_class mA = oracle::value(a.mant, mantLen);
        const mpz_class mB = oracle::value(b.mant, mantLen);
        long long before = 0;
        mpq_class exact;  // the exact result in units of 3^(eR - mantLen), once eR is known
        switch (op) {
            case Op::add:
                r = runAdd(a, b, expLen, mantLen);
                model = oracle::add(expLen, mantLen, a.exp, a.mant, b.exp, b.mant);
                before = std::max(eA, eB);
                break;
            case Op::mul:
                r = runMul(a, b, expLen, mantLen);
                model = oracle::mul(expLen, mantLen, a.exp, a.mant, b.exp, b.mant);
                before = eA + eB - 1;
                break;
            case Op::div:
                r = runDiv(a, b, expLen, mantLen);
                model = oracle::div(expLen, mantLen, a.exp, a.mant, b.exp, b.mant);
                before = eA - eB;
                break;
        }
        if (model.expOverflow) {
            ++overflows;
            continue;
        }
        const long long eR = exponentOf(r.result.exp, expLen);
        switch (op) {
            case Op::add: exact = times3(mA, eA - eR) + times3(mB, eB - eR); break;
            case Op::mul: exact = times3(mA * mB, eA + eB - eR - mantLen); break;
            case Op::div: exact = mpq_class(mA, mB), exact.canonicalize();
                          exact = times3(exact, eA - eB - eR + mantLen); break;
        }
        const mpz_class mR = oracle::value(r.result.mant, mantLen);
        const mpq_class error = abs(mR - exact);
        if (mR == 0) {
            ASSERT_EQ(exact, 0) << "only an exact zero comes back as zero";
        } else {
            const long k = static_cast<long>(eR - before);
            ASSERT_GE(k, op == Op::add ? -mantLen : (op == Op::mul ? -1 : 0)) << "shifted up";
            ASSERT_LE(k, op == Op::div ? 2 : 1) << "shifted down";
            ASSERT_LT(error, bound(op, k)) << "k " << k;
            (k >= 0 ? unshifted : shiftedUp).push_back(times3(error, k < 0 ? k : 0).get_d());
        }
        errors.push_back(error.get_d());
    }
    row(name, errors, bounds[0]);
    if (!shiftedUp.empty()) {
        row(name + ", not shifted up", unshifted, bounds[1]);
        row(name + ", shifted up z trits: error / 3^z", shiftedUp, bounds[2]);
    }
    std::printf("(%zu cases measured, %d with exponent overflow left out)\n", errors.size(),
                overflows);
    EXPECT_GT(overflows, 0) << "the exponents should reach the ends of the range";
}

TEST(ErrorBounds, Add) {
    measure(Op::add, "add", {"2/3, 3^z/2 after cancelling z trits", "2/3", "1/2"});
}
TEST(ErrorBounds, Mul) {
    measure(Op::mul, "mul", {"3/4, 9/4 after cancelling 1 trit", "3/4", "3/4"});
}
TEST(ErrorBounds, Div) { measure(Op::div, "div", {"1", "1", "-"}); }

}  // namespace

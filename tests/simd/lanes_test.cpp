// SPDX-License-Identifier: MIT
// The four lane-wise operations, called through the shared library: worked examples, then
// random lanes against MPFR (binary32 rounding done in software) under every rounding mode,
// with and without flush-to-zero and denormals-are-zero, at every byte offset of the three
// vectors and with dst being either operand.
#include <gtest/gtest.h>
#include <mpfr.h>
#include <pmmintrin.h>
#include <xmmintrin.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <random>
#include <string>

#include "brennic.h"

namespace {

using Vec = std::array<float, 4>;
using Fn = float*(BRENNIC_CALL*)(float*, const float*, const float*);
using MpfrOp = int (*)(mpfr_ptr, mpfr_srcptr, mpfr_srcptr, mpfr_rnd_t);

struct Op {
    const char* name;
    Fn fn;
    MpfrOp exact;
};
const Op kOps[] = {{"add", addSSEasm, mpfr_add},
                   {"sub", subSSEasm, mpfr_sub},
                   {"mul", mulSSEasm, mpfr_mul},
                   {"div", divSSEasm, mpfr_div}};
enum { kAdd, kSub, kMul, kDiv };

struct Rounding {
    const char* name;
    unsigned bits;
    mpfr_rnd_t rnd;
};
const Rounding kRoundings[] = {{"nearest-even", _MM_ROUND_NEAREST, MPFR_RNDN},
                               {"down", _MM_ROUND_DOWN, MPFR_RNDD},
                               {"up", _MM_ROUND_UP, MPFR_RNDU},
                               {"toward-zero", _MM_ROUND_TOWARD_ZERO, MPFR_RNDZ}};

// An MXCSR setting: all exceptions masked, a rounding mode, optionally FTZ and DAZ.
struct Mode {
    Rounding rounding;
    bool ftz, daz;
    unsigned csr() const {
        return _MM_MASK_MASK | rounding.bits | (ftz ? _MM_FLUSH_ZERO_ON : 0u) |
               (daz ? _MM_DENORMALS_ZERO_ON : 0u);
    }
    std::string name() const {
        return std::string(rounding.name) + (ftz ? "+FTZ" : "") + (daz ? "+DAZ" : "");
    }
};
const Mode kDefaultMode{kRoundings[0], false, false};
const Mode kModes[] = {
    {kRoundings[0], false, false}, {kRoundings[1], false, false}, {kRoundings[2], false, false},
    {kRoundings[3], false, false}, {kRoundings[0], true, false},  {kRoundings[1], true, false},
    {kRoundings[2], true, false},  {kRoundings[3], true, false},  {kRoundings[0], false, true},
    {kRoundings[1], false, true},  {kRoundings[2], false, true},  {kRoundings[3], false, true},
    {kRoundings[0], true, true},   {kRoundings[1], true, true},   {kRoundings[2], true, true},
    {kRoundings[3], true, true}};

// Sets MXCSR for its lifetime and puts the previous value back.
class MxcsrGuard {
public:
    explicit MxcsrGuard(unsigned csr) : saved_(_mm_getcsr()) { _mm_setcsr(csr); }
    ~MxcsrGuard() { _mm_setcsr(saved_); }
    MxcsrGuard(const MxcsrGuard&) = delete;
    MxcsrGuard& operator=(const MxcsrGuard&) = delete;

private:
    unsigned saved_;
};

std::uint32_t bitsOf(float f) {
    std::uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}
float fromBits(std::uint32_t b) {
    float f;
    std::memcpy(&f, &b, sizeof f);
    return f;
}
bool isNaN(float f) { return (bitsOf(f) & 0x7fffffffu) > 0x7f800000u; }
bool isSubnormal(float f) { return (bitsOf(f) & 0x7f800000u) == 0 && (bitsOf(f) & 0x7fffffu) != 0; }
// Equal bit for bit, except that any NaN matches any NaN.
bool matches(float want, float got) {
    return isNaN(want) ? isNaN(got) : bitsOf(want) == bitsOf(got);
}
bool sameBits(const Vec& a, const Vec& b) { return std::memcmp(a.data(), b.data(), 16) == 0; }

std::string show(float f) {
    char text[48];
    std::snprintf(text, sizeof text, "%a [%08x]", static_cast<double>(f),
                  static_cast<unsigned>(bitsOf(f)));
    return text;
}

// left op right in binary32 as the processor computes it under `mode`; nothing for the lanes
// within a subnormal unit of the smallest normal under FTZ, where whether the processor
// detects tininess before or after rounding decides.
std::optional<float> reference(const Op& op, float left, float right, const Mode& mode) {
    if (mode.daz) {
        if (isSubnormal(left)) left = std::copysign(0.0f, left);
        if (isSubnormal(right)) right = std::copysign(0.0f, right);
    }
    mpfr_t a, b, wide, r;
    mpfr_inits2(24, a, b, r, static_cast<mpfr_ptr>(nullptr));
    mpfr_init2(wide, 53);
    mpfr_set_flt(a, left, MPFR_RNDN);
    mpfr_set_flt(b, right, MPFR_RNDN);
    // With the default, practically unbounded exponent range: close enough to the exact
    // value to place it relative to the smallest normal.
    op.exact(wide, a, b, MPFR_RNDN);
    const double magnitude = std::fabs(mpfr_get_d(wide, MPFR_RNDN));
    const double smallestNormal = std::ldexp(1.0, -126), unit = std::ldexp(1.0, -149);

    std::optional<float> result;
    if (mode.ftz && mpfr_regular_p(wide) && magnitude < smallestNormal + unit) {
        if (magnitude <= smallestNormal - unit) result = mpfr_signbit(wide) ? -0.0f : 0.0f;
    } else {
        // binary32: 24 bits, subnormals down to 2^-149 = 0.5 * 2^-148, largest below 2^128.
        const mpfr_exp_t emin = mpfr_get_emin(), emax = mpfr_get_emax();
        mpfr_set_emin(-148);
        mpfr_set_emax(128);
        const mpfr_rnd_t rnd = mode.rounding.rnd;
        int inexact = op.exact(r, a, b, rnd);
        inexact = mpfr_check_range(r, inexact, rnd);
        mpfr_subnormalize(r, inexact, rnd);
        result = mpfr_get_flt(r, rnd);
        mpfr_set_emin(emin);
        mpfr_set_emax(emax);
    }
    mpfr_clears(a, b, wide, r, static_cast<mpfr_ptr>(nullptr));
    return result;
}

// A vector `offset` bytes past a 16-byte boundary, at the very end of its own heap block so
// that AddressSanitizer sees any access beyond it.
class Placed {
public:
    explicit Placed(int offset)
        : offset_(static_cast<std::size_t>(offset)),
          block_(static_cast<unsigned char*>(::operator new(offset_ + 16, kAlign))) {}
    ~Placed() { ::operator delete(block_, kAlign); }
    Placed(const Placed&) = delete;
    Placed& operator=(const Placed&) = delete;

    float* at() { return reinterpret_cast<float*>(block_ + offset_); }
    void store(const Vec& v) { std::memcpy(block_ + offset_, v.data(), 16); }
    Vec load() const {
        Vec v;
        std::memcpy(v.data(), block_ + offset_, 16);
        return v;
    }

private:
    static constexpr std::align_val_t kAlign{16};
    std::size_t offset_;
    unsigned char* block_;
};

enum class Alias { none, dstIsLeft, dstIsRight };
const char* const kAliasNames[] = {"separate", "dst is left", "dst is right"};

struct Layout {
    int dst, right, left;  // offsets from a 16-byte boundary
    Alias alias;
};

struct Call {
    Vec out;
    bool returnedDst, operandsKept;
    unsigned csrAfter;  // status flags cleared
};

Call call(const Op& op, const Mode& mode, const Vec& left, const Vec& right, const Layout& at) {
    Placed l(at.left), r(at.right), d(at.dst);
    l.store(left);
    r.store(right);
    const float stale = fromBits(0x7fc0dead);
    d.store({stale, stale, stale, stale});
    Placed& out = at.alias == Alias::dstIsLeft ? l : at.alias == Alias::dstIsRight ? r : d;
    float* dst = out.at();
    Call c{};
    {
        MxcsrGuard guard(mode.csr());
        c.returnedDst = op.fn(dst, r.at(), l.at()) == dst;
        c.csrAfter = _mm_getcsr() & ~static_cast<unsigned>(_MM_EXCEPT_MASK);
    }
    c.out = out.load();
    c.operandsKept = (at.alias == Alias::dstIsLeft || sameBits(l.load(), left)) &&
                     (at.alias == Alias::dstIsRight || sameBits(r.load(), right));
    return c;
}

std::string where(const Op& op, const Mode& mode, const Layout& at) {
    return std::string(op.name) + "SSEasm, " + mode.name() + ", offsets dst " +
           std::to_string(at.dst) + " right " + std::to_string(at.right) + " left " +
           std::to_string(at.left) + ", " + kAliasNames[static_cast<int>(at.alias)];
}

// Checks everything but the lane values; true when all of it holds.
bool callKeptContract(const Call& c, const Mode& mode, const std::string& context) {
    EXPECT_TRUE(c.returnedDst) << context;
    EXPECT_TRUE(c.operandsKept) << context;
    EXPECT_EQ(c.csrAfter, mode.csr()) << context << ": MXCSR control bits changed";
    return c.returnedDst && c.operandsKept && c.csrAfter == mode.csr();
}

constexpr float kInf = std::numeric_limits<float>::infinity();
const float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kMax = std::numeric_limits<float>::max();

struct Example {
    int op;
    Vec right, left, want;
};
const Example kExamples[] = {
    {kSub, {1, 2, 3, 4}, {10, 20, 30, 40}, {9, 18, 27, 36}},
    {kDiv, {2, 0, -0.0f, 4}, {1, 1, 1, 0}, {0.5f, kInf, -kInf, 0}},
    {kDiv, {0, kInf, 0.5f, -3}, {0, kInf, kMax, 1.5f}, {kNaN, kNaN, kInf, -0.5f}},
    {kMul, {2, -0.0f, 1e-30f, 3}, {kMax, 5, 1e-30f, -1.5f}, {kInf, -0.0f, 0, -4.5f}},
    {kAdd, {1, -1, kInf, 0x1p-24f}, {2, 1, -kInf, 1}, {3, 0, kNaN, 1}},
};

TEST(Lanes, ExamplesUnderDefaultMxcsrInEveryPlacement) {
    const Layout layouts[] = {{0, 0, 0, Alias::none},      {3, 9, 14, Alias::none},
                              {0, 4, 0, Alias::dstIsLeft}, {7, 7, 1, Alias::dstIsRight},
                              {5, 2, 5, Alias::dstIsLeft}};
    for (const Example& ex : kExamples) {
        for (const Layout& at : layouts) {
            const Op& op = kOps[ex.op];
            const std::string context = where(op, kDefaultMode, at);
            const Call c = call(op, kDefaultMode, ex.left, ex.right, at);
            callKeptContract(c, kDefaultMode, context);
            for (int i = 0; i < 4; ++i) {
                EXPECT_TRUE(matches(ex.want[i], c.out[i]))
                    << context << ", lane " << i << ": " << show(ex.left[i]) << " op "
                    << show(ex.right[i]) << " gave " << show(c.out[i]) << ", want "
                    << show(ex.want[i]);
            }
        }
    }
}

// Random binary32 bit patterns, mostly from the classes where lanes go wrong.
class Floats {
public:
    explicit Floats(unsigned seed) : rng_(seed) {}

    float any() {
        const std::uint32_t sign = rng_() & 0x80000000u, fraction = rng_() & 0x7fffffu;
        std::uint32_t exponent;  // biased
        switch (rng_() % 8) {
        case 0: return fromBits(rng_());
        case 1: return fromBits(sign | fraction | 1);                            // subnormal
        case 2: return fromBits(sign);                                           // zero
        case 3: return fromBits(sign | 0x7f800000u);                             // infinity
        case 4: return fromBits(sign | 0x7f800000u | fraction | 1u << rng_() % 23);  // NaN
        case 5: exponent = 1 + rng_() % 24; break;                              // tiny
        case 6: exponent = 230 + rng_() % 25; break;                            // huge
        default: exponent = 64 + rng_() % 127; break;                           // 2^-63 .. 2^63
        }
        return fromBits(sign | exponent << 23 | fraction);
    }

    // Mostly independent of left; one time in four within a few units of +-left, so that
    // sums and differences cancel and quotients come out near 1.
    float partner(float left) {
        if (rng_() % 4 != 0) return any();
        const std::uint32_t near = bitsOf(left) + rng_() % 7 - 3;
        return fromBits(rng_() % 2 ? near ^ 0x80000000u : near);
    }

    const Mode& mode() { return kModes[rng_() % 16]; }

private:
    std::mt19937 rng_;
};

class RandomLanes : public testing::TestWithParam<int> {};

// Every offset triple with separate vectors, then every offset pair with dst on each operand:
// 3 * 4096 calls, 49152 lanes per operation, the mode drawn afresh for each call.
TEST_P(RandomLanes, MatchMpfrInEveryModeAndPlacement) {
    const Op& op = kOps[GetParam()];
    Floats gen(20240 + static_cast<unsigned>(GetParam()));
    int failures = 0, checked = 0, skipped = 0;
    for (int i = 0; i < 3 * 4096 && failures < 10; ++i) {
        const Alias alias = static_cast<Alias>(i / 4096);
        const int a = i % 16, b = i / 16 % 16, c = i / 256 % 16;
        const Layout at = alias == Alias::none        ? Layout{a, b, c, alias}
                          : alias == Alias::dstIsLeft ? Layout{a, b, a, alias}
                                                      : Layout{a, a, b, alias};
        const Mode& mode = gen.mode();
        Vec left, right;
        std::optional<float> want[4];
        for (int k = 0; k < 4; ++k) {
            left[k] = gen.any();
            right[k] = gen.partner(left[k]);
            want[k] = reference(op, left[k], right[k], mode);
        }
        const std::string context = where(op, mode, at);
        const Call result = call(op, mode, left, right, at);
        if (!callKeptContract(result, mode, context)) ++failures;
        for (int k = 0; k < 4; ++k) {
            if (!want[k]) {
                ++skipped;
                continue;
            }
            ++checked;
            if (!matches(*want[k], result.out[k])) {
                ++failures;
                ADD_FAILURE() << context << ", lane " << k << ": left " << show(left[k])
                              << ", right " << show(right[k]) << " gave " << show(result.out[k])
                              << ", want " << show(*want[k]);
            }
        }
    }
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(checked + skipped, 3 * 4096 * 4);
    EXPECT_LT(skipped, checked / 1000) << "too few lanes checked";
}

INSTANTIATE_TEST_SUITE_P(Ops, RandomLanes, testing::Range(0, 4),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::string(kOps[info.param].name);
                         });

}  // namespace

// SPDX-License-Identifier: MIT
// The benchmark cases as every measuring program sees them: kestrom loaded by file name as a
// host loads it (dlopen, or LoadLibrary on Windows), the same operands on every target from a
// generator of our own, the buffers of many calls in one block, and the checks that a call
// computed the right thing. Plain C++17, so that it builds with the 32-bit toolchains too.
#ifndef KESTROM_BENCH_CASES_H
#define KESTROM_BENCH_CASES_H

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "foreign_host.h"

namespace bench {

using Trit = signed char;

enum Op { kAdd, kSub, kMul, kDiv };
constexpr Op kOps[] = {kAdd, kSub, kMul, kDiv};
constexpr const char* kOpNames[] = {"add", "sub", "mul", "div"};
constexpr int kExpLen = 6;
constexpr int kMantLens[] = {6, 13, 20, 27, 39, 81, 243, 729};

inline bool parseOp(const std::string& name, Op& op) {
    for (Op o : kOps) {
        if (name == kOpNames[o]) {
            op = o;
            return true;
        }
    }
    return false;
}

struct Exports {
    foreign::AddFn add = nullptr;
    foreign::MulFn mul = nullptr;
    foreign::DivFn div = nullptr;
    foreign::InvFn invers = nullptr;
};

// Loads the library at path and resolves the exports; on failure says why in error.
inline bool loadExports(const char* path, Exports& k, std::string& error) {
#if defined(_WIN32)
    void* lib = reinterpret_cast<void*>(LoadLibraryA(path));
    auto find = [lib](const char* name) {
        return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(lib), name));
    };
#else
    void* lib = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    auto find = [lib](const char* name) { return dlsym(lib, name); };
#endif
    if (lib == nullptr) {
        error = std::string("cannot load ") + path;
        return false;
    }
    const char* const names[] = {foreign::kAddName, foreign::kMulName, foreign::kDivName,
                                 foreign::kInversName};
    void* found[4];
    for (int i = 0; i < 4; ++i) {
        found[i] = find(names[i]);
        if (found[i] == nullptr) {
            error = std::string("missing export ") + names[i];
            return false;
        }
    }
    std::memcpy(&k.add, &found[0], sizeof k.add);
    std::memcpy(&k.mul, &found[1], sizeof k.mul);
    std::memcpy(&k.div, &found[2], sizeof k.div);
    std::memcpy(&k.invers, &found[3], sizeof k.invers);
    return true;
}

// splitmix64: the same sequence on every target and with every standard library.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9e3779b97f4a7c15u);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
        return z ^ (z >> 31);
    }
    Trit trit() { return static_cast<Trit>(static_cast<int>(next() % 3) - 1); }

private:
    std::uint64_t state_;
};

// The buffers of one call, in the order they lie in a slot: the operands (which the refill
// copies in), then the strings the refill clears, in the order that lets each operation clear
// a prefix (add: resExp, expScratch, resMant; mul: + mantScratch; div: + quotA, quotB).
struct Buffers {
    Trit *expA, *expB, *mantA, *mantB;
    Trit *resExp, *expScratch, *resMant, *mantScratch, *quotA, *quotB;
};

inline Buffers buffersAt(Trit* p, int mantLen) {
    const int e = kExpLen + 1, m = mantLen + 1;
    Buffers b;
    b.expA = p;
    b.expB = b.expA + e;
    b.mantA = b.expB + e;
    b.mantB = b.mantA + m;
    b.resExp = b.mantB + m;
    b.expScratch = b.resExp + e;
    b.resMant = b.expScratch + e;
    b.mantScratch = b.resMant + m;
    b.quotA = b.mantScratch + m;
    b.quotB = b.quotA + m + 2;
    return b;
}

// The value of a trit string: sum s[i] * 3^i over i < len.
inline double intValue(const Trit* s, int len) {
    double v = 0;
    for (int i = len - 1; i >= 0; --i) v = 3 * v + s[i];
    return v;
}

// The value of a float: m * 3^e with m = sum mant[i] * 3^(i - mantLen), the exponent read
// with its guard. Low trits that a double cannot hold vanish, which the checks allow for.
inline double floatValue(const Trit* exp, const Trit* mant, int mantLen) {
    double m = 0;
    for (int i = 0; i < mantLen; ++i) m = (m + mant[i]) / 3;
    return m * std::pow(3.0, intValue(exp, kExpLen + 1));
}

// The buffers of `count` calls of one operation at one mantLen, one slot after the other,
// with the pristine operands they are refilled from. Slot i's operands depend only on the
// operation, mantLen and i, so every target computes the same calls.
class Batch {
public:
    Batch(Op op, int mantLen, size_t count)
        : op_(op), n_(mantLen), count_(count), operands_(2 * (kExpLen + 1) + 2 * (mantLen + 1)),
          stride_(operands_ + 2 * (kExpLen + 1) + 4 * (mantLen + 1) + 4),
          block_(count * stride_, 0), pristine_(count * operands_, 0) {
        const Buffers first = buffersAt(block_.data(), n_);
        const Trit* end = op == kDiv ? first.quotB + n_ + 3
                                     : (op == kMul ? first.mantScratch + n_ + 1 : first.resMant + n_ + 1);
        cleared_ = static_cast<size_t>(end - first.resExp);
        Random rng(0x6b657374726f6du ^ (static_cast<std::uint64_t>(op) << 32) ^
                   static_cast<std::uint64_t>(mantLen));
        for (size_t i = 0; i < count; ++i) {
            // Random normalized operands whose exponents lie within a few units of each other,
            // so that add aligns by small shifts as in a running computation.
            const Buffers b = buffersAt(pristine_.data() + i * operands_, n_);
            for (Trit* mant : {b.mantA, b.mantB}) {
                for (int t = 0; t < n_; ++t) mant[t] = rng.trit();
                mant[n_ - 1] = rng.next() % 2 ? 1 : -1;
            }
            for (Trit* exp : {b.expA, b.expB}) {
                exp[0] = rng.trit();
                exp[1] = rng.trit();
            }
        }
        refill();
    }

    size_t size() const { return count_; }
    int mantLen() const { return n_; }
    // Bytes of one call's buffers.
    size_t stride() const { return stride_; }

    // What a host does before every call: copy the operands in (add and div change them) and
    // clear the strings the operation writes.
    void refill() {
        for (size_t i = 0; i < count_; ++i) refillSlot(i);
    }

    // The same for slot i alone.
    void refillSlot(size_t i) {
        Trit* slot = block_.data() + i * stride_;
        std::memcpy(slot, pristine_.data() + i * operands_, operands_);
        std::memset(slot + operands_, 0, cleared_);
    }

    // The buffers of slot i.
    Buffers buffers(size_t i) { return buffersAt(block_.data() + i * stride_, n_); }

    // One call on slot i, through the exports; sub is inversStr then add.
    void call(const Exports& k, size_t i) {
        const Buffers b = buffersAt(block_.data() + i * stride_, n_);
        switch (op_) {
        case kSub:
            k.invers(b.mantB, n_);
            k.add(b.resExp, b.resMant, kExpLen, n_, b.expA, b.mantA, b.expB, b.mantB, b.expScratch);
            break;
        case kAdd:
            k.add(b.resExp, b.resMant, kExpLen, n_, b.expA, b.mantA, b.expB, b.mantB, b.expScratch);
            break;
        case kMul:
            k.mul(b.resExp, b.resMant, kExpLen, n_, b.expA, b.mantA, b.expB, b.mantB, b.expScratch,
                  b.mantScratch);
            break;
        case kDiv:
            k.div(b.resExp, b.resMant, kExpLen, n_, b.expA, b.mantA, b.expB, b.mantB, b.quotA,
                  b.quotB, b.mantScratch, b.expScratch);
            break;
        }
    }

    // FNV-1a over slot i's result and operands after a call (not the scratch, whose working
    // values may differ between paths): equal on two targets when the results and the
    // documented operand changes are.
    std::uint64_t hash(size_t i, std::uint64_t h = 0xcbf29ce484222325u) const {
        const Trit* slot = block_.data() + i * stride_;
        const Buffers b = buffersAt(const_cast<Trit*>(slot), n_);
        auto mix = [&h](const Trit* p, size_t len) {
            for (size_t j = 0; j < len; ++j) h = (h ^ static_cast<unsigned char>(p[j])) * 0x100000001b3u;
        };
        mix(slot, operands_);
        mix(b.resExp, kExpLen + 1);
        mix(b.resMant, static_cast<size_t>(n_) + 1);
        return h;
    }

    // Whether slot i holds a plausible result after a call: valid trits, normalized with a
    // zero guard, and within a few units in the last trit of the exact value (add loses the
    // shifted-out trits of the smaller operand, mul keeps a window). Empty when it does.
    std::string check(size_t i) const {
        const Buffers b = buffersAt(const_cast<Trit*>(block_.data() + i * stride_), n_);
        const Buffers p = buffersAt(const_cast<Trit*>(pristine_.data() + i * operands_), n_);
        for (int t = 0; t <= n_; ++t) {
            if (b.resMant[t] < -1 || b.resMant[t] > 1) return "invalid trit in resMant";
        }
        for (int t = 0; t <= kExpLen; ++t) {
            if (b.resExp[t] < -1 || b.resExp[t] > 1) return "invalid trit in resExp";
        }
        if (b.resMant[n_] != 0) return "resMant guard not zero";
        if (b.resMant[n_ - 1] == 0) return "result not normalized";
        const double x = floatValue(p.expA, p.mantA, n_), y = floatValue(p.expB, p.mantB, n_);
        double exact = 0, scale = 0;
        switch (op_) {
        case kAdd: exact = x + y; scale = std::fmax(std::fabs(x), std::fabs(y)); break;
        case kSub: exact = x - y; scale = std::fmax(std::fabs(x), std::fabs(y)); break;
        case kMul: exact = x * y; scale = std::fabs(exact); break;
        case kDiv: exact = x / y; scale = std::fabs(exact); break;
        }
        // A normalized mantissa is at least 1/6 in magnitude, so a unit in its last trit is
        // at most 6 * 3^-mantLen of the value: allow ten of them.
        const double tolerance = scale * std::fmax(60 * std::pow(3.0, -n_), 1e-12);
        const double got = floatValue(b.resExp, b.resMant, n_);
        if (!(std::fabs(got - exact) <= tolerance)) return "result too far from the exact value";
        return "";
    }

private:
    Op op_;
    int n_;
    size_t count_, operands_, stride_, cleared_ = 0;
    std::vector<Trit> block_, pristine_;
};

}  // namespace bench

#endif

// SPDX-License-Identifier: MIT
// libFuzzer target: each input becomes one call of an exported operation on separately
// allocated buffers of exactly the documented sizes, so the sanitizers see any access
// outside them. Inputs inside the call contract are also compared with the integer model.
//
// Input: op (add, subtract, mul, div), mantLen -2 ... 80, expLen -2 ... 40, a flags byte,
// then the bytes that fill the buffers.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "kestrom.h"
#include "oracle.h"

namespace {

// The input's bytes, then a stream of pseudo-random bytes seeded by all of them, so that
// a short input still fills long operands with varied trits.
struct Input {
    const uint8_t* data;
    size_t size;
    uint64_t state = 0xcbf29ce484222325u;

    Input(const uint8_t* d, size_t n) : data(d), size(n) {
        for (size_t i = 0; i < n; ++i) state = (state ^ d[i]) * 0x100000001b3u;
    }
    uint8_t next() {
        if (size > 0) return --size, *data++;
        state ^= state << 13, state ^= state >> 7, state ^= state << 17;
        return static_cast<uint8_t>(state >> 24);
    }
};

// One heap block of exactly `size` elements (none for size <= 0).
struct Buffer {
    int size;
    std::unique_ptr<signed char[]> p;
    explicit Buffer(int n)
        : size(n > 0 ? n : 0), p(new signed char[static_cast<size_t>(size)]()) {}
    signed char* data() { return p.get(); }
    oracle::Trits trits() const { return oracle::Trits(p.get(), p.get() + size); }
};

enum Flags : uint8_t {
    anyBytes = 0x07,       // all three bits set: buffers take raw bytes, not trits
    unnormalized = 0x08,   // leave the operands' top trits as they come
    dirtyScratch = 0x30,   // both bits set: results and scratch start non-zero
    zeroA = 0x40,
    zeroB = 0x80,
};

void check(bool ok, const char* what, int op, int expLen, int mantLen) {
    if (ok) return;
    std::fprintf(stderr, "op %d expLen %d mantLen %d: %s\n", op, expLen, mantLen, what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in(data, size);
    const int op = in.next() % 4;  // 0 add, 1 subtract (inversStr, add), 2 mul, 3 div
    const int mantLen = in.next() % 83 - 2;
    const int expLen = in.next() % 43 - 2;
    const uint8_t flags = in.next();
    const bool raw = (flags & anyBytes) == anyBytes;

    Buffer expA(expLen + 1), mantA(mantLen + 1), expB(expLen + 1), mantB(mantLen + 1);
    Buffer resExp(expLen + 1), resMant(mantLen + 1), expScratch(expLen + 1);
    Buffer mantScratch(mantLen + 1), quotA(mantLen + 3), quotB(mantLen + 3);
    const auto fill = [&](Buffer& b, bool guard) {
        for (int i = 0; i < b.size - (guard ? 0 : 1); ++i) {
            const uint8_t byte = in.next();
            b.data()[i] = static_cast<signed char>(raw ? byte : byte % 3 - 1);
        }
    };
    fill(expA, raw), fill(mantA, raw), fill(expB, raw), fill(mantB, raw);
    if (!raw && !(flags & unnormalized) && mantLen >= 1) {
        if (mantA.data()[mantLen - 1] == 0) mantA.data()[mantLen - 1] = 1;
        if (mantB.data()[mantLen - 1] == 0) mantB.data()[mantLen - 1] = -1;
    }
    for (Buffer* zero : {flags & zeroA ? &mantA : nullptr, flags & zeroB ? &mantB : nullptr}) {
        if (zero == nullptr) continue;
        for (int i = 0; i < zero->size; ++i) zero->data()[i] = 0;
        Buffer& exp = zero == &mantA ? expA : expB;
        for (int i = 0; i < exp.size; ++i) exp.data()[i] = 0;
    }
    if ((flags & dirtyScratch) == dirtyScratch || raw) {
        for (Buffer* b : {&resExp, &resMant, &expScratch, &mantScratch, &quotA, &quotB})
            fill(*b, true);
    }

    const oracle::Trits eA = expA.trits(), mA = mantA.trits(), eB = expB.trits();
    oracle::Trits mB = mantB.trits();
    switch (op) {
        case 0:
        case 1:
            if (op == 1) inversStr(mantB.data(), mantLen);
            add(resExp.data(), resMant.data(), expLen, mantLen, expA.data(), mantA.data(),
                expB.data(), mantB.data(), expScratch.data());
            break;
        case 2:
            mul(resExp.data(), resMant.data(), expLen, mantLen, expA.data(), mantA.data(),
                expB.data(), mantB.data(), expScratch.data(), mantScratch.data());
            break;
        default:
            div(resExp.data(), resMant.data(), expLen, mantLen, expA.data(), mantA.data(),
                expB.data(), mantB.data(), quotA.data(), quotB.data(), mantScratch.data(),
                expScratch.data());
            break;
    }
    check(expA.trits() == eA && expB.trits() == eB, "an exponent changed", op, expLen, mantLen);
    check(op < 2 || mantB.trits() == mB, "mantB changed", op, expLen, mantLen);
    check(op != 2 || mantA.trits() == mA, "mantA changed", op, expLen, mantLen);

    // Inside the contract (valid trits, zero guards, zero results and scratch, lengths the
    // model covers), the call must match the model. The model follows unnormalized operands
    // too, so they are compared as well.
    const bool inContract = !raw && (flags & dirtyScratch) != dirtyScratch && expLen <= 19 &&
                            mantLen >= (op == 3 ? 2 : 1) && expLen >= (op >= 2 ? 1 : 0);
    if (!inContract) return 0;
    if (op == 1) {
        for (int i = 0; i < mantLen; ++i) mB[size_t(i)] = static_cast<signed char>(-mB[size_t(i)]);
    }
    const oracle::Outcome want = op <= 1 ? oracle::add(expLen, mantLen, eA, mA, eB, mB)
                                 : op == 2 ? oracle::mul(expLen, mantLen, eA, mA, eB, mB)
                                           : oracle::div(expLen, mantLen, eA, mA, eB, mB);
    check(resExp.trits() == want.resExp, "result exponent differs", op, expLen, mantLen);
    check(resMant.trits() == want.resMant, "result mantissa differs", op, expLen, mantLen);
    check(mantA.trits() == want.mantA, "mantA differs from the model", op, expLen, mantLen);
    check(mantB.trits() == want.mantB, "mantB differs from the model", op, expLen, mantLen);
    return 0;
}

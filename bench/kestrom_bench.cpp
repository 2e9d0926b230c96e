// SPDX-License-Identifier: MIT
// Time per operation of kestrom called through its exports (loaded with dlopen, as a host
// does), next to the trit-level routines, MPFR at the same precision, and the cost of the
// host's per-call buffer refill, which the operation timings leave out. Also brennic's
// exports against the same SSE operation written inline.
//
// Names: <what>/<op>/<mantLen> with what = kestrom, trits, mpfr or refill, and
// brennic/<op> or intrinsics/<op>. script/bench runs everything and writes docs/.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <gmp.h>
#include <mpfr.h>
#include <xmmintrin.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "reference/operations.h"

namespace {

using Trit = signed char;
using AddFn = void (*)(Trit*, Trit*, int, int, Trit*, Trit*, Trit*, Trit*, Trit*);
using MulFn = void (*)(Trit*, Trit*, int, int, Trit*, Trit*, Trit*, Trit*, Trit*, Trit*);
using DivFn = void (*)(Trit*, Trit*, int, int, Trit*, Trit*, Trit*, Trit*, Trit*, Trit*, Trit*,
                       Trit*);
using InversFn = void (*)(Trit*, int);
using LaneFn = float* (*)(float*, const float*, const float*);

enum Op { kAdd, kSub, kMul, kDiv };
const char* const kOpNames[] = {"add", "sub", "mul", "div"};
constexpr int kExpLen = 6;
const int kMantLens[] = {6, 13, 20, 27, 39, 81, 243, 729};

void* openOrDie(const char* path) {
    void* handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        std::fprintf(stderr, "cannot load %s: %s\n", path, dlerror());
        std::exit(1);
    }
    return handle;
}

template <typename Fn>
Fn symbol(void* handle, const char* name) {
    void* p = dlsym(handle, name);
    if (p == nullptr) {
        std::fprintf(stderr, "missing export %s\n", name);
        std::exit(1);
    }
    Fn fn;
    std::memcpy(&fn, &p, sizeof fn);
    return fn;
}

struct Exports {
    AddFn add;
    MulFn mul;
    DivFn div;
    InversFn invers;
};

const Exports& kestromExports() {
    static const Exports e = [] {
        void* h = openOrDie(KESTROM_LIBRARY_PATH);
        return Exports{symbol<AddFn>(h, "_Z3addPaS_iiS_S_S_S_S_"),
                       symbol<MulFn>(h, "_Z3mulPaS_iiS_S_S_S_S_S_"),
                       symbol<DivFn>(h, "_Z3divPaS_iiS_S_S_S_S_S_S_S_"),
                       symbol<InversFn>(h, "_Z9inversStrPai")};
    }();
    return e;
}

// One call's buffers, laid out in one block, plus the pristine operands they are refilled
// from. The refill is what a host does before every call: copy the operands in (add and div
// change them) and clear the result, scratch and quotient strings that the operation uses.
struct Slot {
    Op op;
    int mantLen;
    std::vector<Trit> block, pristine;
    Trit *resExp, *resMant, *expA, *mantA, *expB, *mantB, *expScratch, *mantScratch, *quotA,
        *quotB;

    Slot(Op o, int n, const std::vector<Trit>& operands) : op(o), mantLen(n), pristine(operands) {
        const size_t e = kExpLen + 1, m = static_cast<size_t>(n) + 1;
        block.assign(2 * (e + m) + 2 * e + 2 * m + 2 * (m + 2), 0);
        Trit* p = block.data();
        for (Trit** b : {&expA, &expB}) (*b = p, p += e);
        for (Trit** b : {&mantA, &mantB}) (*b = p, p += m);
        for (Trit** b : {&resExp, &expScratch}) (*b = p, p += e);
        for (Trit** b : {&resMant, &mantScratch}) (*b = p, p += m);
        for (Trit** b : {&quotA, &quotB}) (*b = p, p += m + 2);
    }

    // The pointers point into block, whose storage a move keeps.
    Slot(const Slot&) = delete;
    Slot& operator=(const Slot&) = delete;
    Slot(Slot&&) = default;

    void refill() {
        std::memcpy(block.data(), pristine.data(), pristine.size());
        // resExp, expScratch, resMant, then mantScratch (mul, div), then quotA, quotB (div).
        Trit* end = op == kDiv ? quotB + mantLen + 3 : (op == kMul ? mantScratch + mantLen + 1 : resMant + mantLen + 1);
        std::memset(resExp, 0, static_cast<size_t>(end - resExp));
    }
};

// Random normalized operands with exponents within a few units of each other, so that add
// aligns by small shifts as in a running computation: expA, expB, mantA, mantB in order.
std::vector<Trit> randomOperands(std::mt19937& rng, int n) {
    std::vector<Trit> v(2 * (kExpLen + 1) + 2 * (static_cast<size_t>(n) + 1), 0);
    Trit* mant = v.data() + 2 * (kExpLen + 1);
    for (int k = 0; k < 2; ++k, mant += n + 1) {
        for (int i = 0; i < n; ++i) mant[i] = static_cast<Trit>(int(rng() % 3) - 1);
        mant[n - 1] = rng() % 2 ? 1 : -1;
        v[static_cast<size_t>(k) * (kExpLen + 1)] = static_cast<Trit>(int(rng() % 3) - 1);
        v[static_cast<size_t>(k) * (kExpLen + 1) + 1] = static_cast<Trit>(int(rng() % 3) - 1);
    }
    return v;
}

std::vector<Slot> makeSlots(Op op, int n) {
    // Enough slots that the pause for refilling them is negligible, few enough to stay in cache.
    const size_t bytes = 6 * (static_cast<size_t>(n) + 3) + 4 * (kExpLen + 1);
    size_t count = (256 * 1024) / bytes;
    count = count < 32 ? 32 : (count > 1024 ? 1024 : count);
    std::mt19937 rng(static_cast<unsigned>(n));
    std::vector<Slot> slots;
    slots.reserve(count);
    for (size_t i = 0; i < count; ++i) slots.emplace_back(op, n, randomOperands(rng, n));
    for (Slot& s : slots) s.refill();
    return slots;
}

void callExport(Op op, Slot& s) {
    const Exports& k = kestromExports();
    const int n = s.mantLen;
    switch (op) {
    case kSub:
        k.invers(s.mantB, n);
        [[fallthrough]];
    case kAdd:
        k.add(s.resExp, s.resMant, kExpLen, n, s.expA, s.mantA, s.expB, s.mantB, s.expScratch);
        break;
    case kMul:
        k.mul(s.resExp, s.resMant, kExpLen, n, s.expA, s.mantA, s.expB, s.mantB, s.expScratch,
              s.mantScratch);
        break;
    case kDiv:
        k.div(s.resExp, s.resMant, kExpLen, n, s.expA, s.mantA, s.expB, s.mantB, s.quotA, s.quotB,
              s.mantScratch, s.expScratch);
        break;
    }
}

void callTrits(Op op, Slot& s) {
    const int n = s.mantLen;
    switch (op) {
    case kSub:
        kestromExports().invers(s.mantB, n);
        [[fallthrough]];
    case kAdd:
        kestrom::addTrits(s.resExp, s.resMant, kExpLen, n, s.expA, s.mantA, s.expB, s.mantB,
                          s.expScratch);
        break;
    case kMul:
        kestrom::mulTrits(s.resExp, s.resMant, kExpLen, n, s.expA, s.mantA, s.expB, s.mantB,
                          s.expScratch, s.mantScratch);
        break;
    case kDiv:
        kestrom::divTrits(s.resExp, s.resMant, kExpLen, n, s.expA, s.mantA, s.expB, s.mantB,
                          s.quotA, s.quotB, s.mantScratch, s.expScratch);
        break;
    }
}

// The results and changed operands (not the working storage) after a call.
std::vector<Trit> outcome(const Slot& s) {
    const size_t e = kExpLen + 1, m = static_cast<size_t>(s.mantLen) + 1;
    std::vector<Trit> v(s.block.begin(), s.block.begin() + static_cast<long>(2 * (e + m)));
    v.insert(v.end(), s.resExp, s.resExp + e);
    v.insert(v.end(), s.resMant, s.resMant + m);
    return v;
}

template <bool viaExports>
void runKestrom(benchmark::State& state, Op op, int n) {
    std::vector<Slot> slots = makeSlots(op, n);
    {
        // What is timed must be the right work: both paths agree on the first operands.
        Slot a(op, n, slots[0].pristine), b(op, n, slots[0].pristine);
        a.refill();
        b.refill();
        callExport(op, a);
        callTrits(op, b);
        if (outcome(a) != outcome(b)) {
            state.SkipWithError("exports and trit-level routines disagree");
            return;
        }
    }
    size_t i = 0;
    for (auto _ : state) {
        if (viaExports)
            callExport(op, slots[i]);
        else
            callTrits(op, slots[i]);
        benchmark::ClobberMemory();
        if (++i == slots.size()) {
            state.PauseTiming();
            for (Slot& s : slots) s.refill();
            state.ResumeTiming();
            i = 0;
        }
    }
    state.counters["mantLen"] = n;
}

void runRefill(benchmark::State& state, Op op, int n) {
    std::vector<Slot> slots = makeSlots(op, n);
    size_t i = 0;
    for (auto _ : state) {
        slots[i].refill();
        benchmark::ClobberMemory();
        if (++i == slots.size()) i = 0;
    }
    state.counters["mantLen"] = n;
}

// MPFR at the precision that holds as much as mantLen trits: ceil(mantLen * log2(3)) bits.
int bitsFor(int n) { return static_cast<int>(std::ceil(n * std::log2(3.0))); }

void runMpfr(benchmark::State& state, Op op, int n) {
    const int bits = bitsFor(n);
    constexpr int kPairs = 64;
    gmp_randstate_t rand;
    gmp_randinit_default(rand);
    gmp_randseed_ui(rand, static_cast<unsigned long>(n));
    std::mt19937 rng(static_cast<unsigned>(n));
    std::vector<mpfr_t> a(kPairs), b(kPairs), r(kPairs);
    for (int i = 0; i < kPairs; ++i) {
        for (auto* x : {&a[i], &b[i]}) {
            mpfr_init2(*x, bits);
            do mpfr_urandomb(*x, rand);
            while (mpfr_zero_p(*x));
            mpfr_mul_2si(*x, *x, static_cast<long>(rng() % 9) - 4, MPFR_RNDN);
            if (rng() % 2) mpfr_neg(*x, *x, MPFR_RNDN);
        }
        mpfr_init2(r[i], bits);
    }
    int i = 0;
    for (auto _ : state) {
        switch (op) {
        case kAdd: mpfr_add(r[i], a[i], b[i], MPFR_RNDN); break;
        case kSub: mpfr_sub(r[i], a[i], b[i], MPFR_RNDN); break;
        case kMul: mpfr_mul(r[i], a[i], b[i], MPFR_RNDN); break;
        case kDiv: mpfr_div(r[i], a[i], b[i], MPFR_RNDN); break;
        }
        benchmark::ClobberMemory();
        i = (i + 1) % kPairs;
    }
    for (int k = 0; k < kPairs; ++k) {
        mpfr_clear(a[k]);
        mpfr_clear(b[k]);
        mpfr_clear(r[k]);
    }
    gmp_randclear(rand);
    state.counters["mantLen"] = n;
    state.counters["bits"] = bits;
}

// brennic: the exported lane operation against the same instruction inline.
template <bool viaExports>
void runLanes(benchmark::State& state, Op op) {
    static void* handle = openOrDie(BRENNIC_LIBRARY_PATH);
    static const char* const names[] = {"addSSEasm", "subSSEasm", "mulSSEasm", "divSSEasm"};
    const LaneFn fn = symbol<LaneFn>(handle, names[op]);
    alignas(16) float left[64][4], right[64][4], dst[64][4];
    for (int i = 0; i < 64; ++i)
        for (int j = 0; j < 4; ++j) {
            left[i][j] = 1.5f + static_cast<float>(i * 4 + j);
            right[i][j] = 0.25f + static_cast<float>(j);
        }
    int i = 0;
    for (auto _ : state) {
        if (viaExports) {
            benchmark::DoNotOptimize(fn(dst[i], right[i], left[i]));
        } else {
            const __m128 l = _mm_loadu_ps(left[i]), r = _mm_loadu_ps(right[i]);
            __m128 v;
            switch (op) {
            case kAdd: v = _mm_add_ps(l, r); break;
            case kSub: v = _mm_sub_ps(l, r); break;
            case kMul: v = _mm_mul_ps(l, r); break;
            default: v = _mm_div_ps(l, r); break;
            }
            _mm_storeu_ps(dst[i], v);
        }
        benchmark::ClobberMemory();
        i = (i + 1) & 63;
    }
}

}  // namespace

int main(int argc, char** argv) {
    for (const int n : kMantLens) {
        for (const Op op : {kAdd, kSub, kMul, kDiv}) {
            const std::string suffix = std::string("/") + kOpNames[op] + "/" + std::to_string(n);
            benchmark::RegisterBenchmark(("kestrom" + suffix).c_str(), runKestrom<true>, op, n);
            benchmark::RegisterBenchmark(("trits" + suffix).c_str(), runKestrom<false>, op, n);
            benchmark::RegisterBenchmark(("mpfr" + suffix).c_str(), runMpfr, op, n);
            benchmark::RegisterBenchmark(("refill" + suffix).c_str(), runRefill, op, n);
        }
    }
    for (const Op op : {kAdd, kSub, kMul, kDiv}) {
        benchmark::RegisterBenchmark((std::string("brennic/") + kOpNames[op]).c_str(),
                                     runLanes<true>, op);
        benchmark::RegisterBenchmark((std::string("intrinsics/") + kOpNames[op]).c_str(),
                                     runLanes<false>, op);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// SPDX-License-Identifier: MIT
// kestrom-math against MPFR's own functions at ceil(mantLen log2 3) bits, on the same random
// arguments (256 per case, fixed seed). Each kestrom case also reports, untimed, the share of
// calls that needed a second evaluation pass and the slowest argument (the least of five
// timings of each, the largest of those). script/bench-math runs it and writes
// docs/benchmarks-math.md.
#include <benchmark/benchmark.h>
#include <mpfr.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <string>
#include <vector>

#include <kestrom/math.hpp>

#include "functions.hpp"

namespace {

using kestrom::Format;
using kestrom::Number;
namespace d = kestrom::math::detail;

struct Function {
    const char* name;
    int arity;
    int lowExp, highExp;  // argument exponents
    bool positive;        // first argument positive
    Number (*unary)(const Number&, int*);
    Number (*binary)(const Number&, const Number&, int*);
    int (*mpfrUnary)(mpfr_ptr, mpfr_srcptr, mpfr_rnd_t);
    int (*mpfrBinary)(mpfr_ptr, mpfr_srcptr, mpfr_srcptr, mpfr_rnd_t);
};

int mpfrExp3(mpfr_ptr r, mpfr_srcptr x, mpfr_rnd_t rnd) { return mpfr_ui_pow(r, 3, x, rnd); }
Number fmaOf(const Number& x, const Number& y, int* passes) { return d::fmaOf(x, y, x, passes); }
int mpfrFma(mpfr_ptr r, mpfr_srcptr x, mpfr_srcptr y, mpfr_rnd_t rnd) { return mpfr_fma(r, x, y, x, rnd); }

const Function kFunctions[] = {
    {"sqrt", 1, -20, 20, true, d::sqrtOf, nullptr, mpfr_sqrt, nullptr},
    {"cbrt", 1, -20, 20, false, d::cbrtOf, nullptr, mpfr_cbrt, nullptr},
    {"exp", 1, -8, 4, false, d::expOf, nullptr, mpfr_exp, nullptr},
    {"exp3", 1, -8, 4, false, d::exp3Of, nullptr, mpfrExp3, nullptr},
    {"log", 1, -20, 20, true, d::logOf, nullptr, mpfr_log, nullptr},
    {"log3", 1, -20, 20, true, d::log3Of, nullptr, mpfr_log, nullptr},  // MPFR has no log3: its log
    {"sin", 1, -6, 4, false, d::sinOf, nullptr, mpfr_sin, nullptr},
    {"cos", 1, -6, 4, false, d::cosOf, nullptr, mpfr_cos, nullptr},
    {"tan", 1, -6, 4, false, d::tanOf, nullptr, mpfr_tan, nullptr},
    {"asin", 1, -6, 0, false, d::asinOf, nullptr, mpfr_asin, nullptr},
    {"acos", 1, -6, 0, false, d::acosOf, nullptr, mpfr_acos, nullptr},
    {"atan", 1, -10, 10, false, d::atanOf, nullptr, mpfr_atan, nullptr},
    {"pow", 2, -3, 3, true, nullptr, d::powOf, nullptr, mpfr_pow},
    {"atan2", 2, -10, 10, false, nullptr, d::atan2Of, nullptr, mpfr_atan2},
    {"hypot", 2, -10, 10, false, nullptr, d::hypotOf, nullptr, mpfr_hypot},
    {"fma", 2, -5, 5, false, nullptr, fmaOf, nullptr, mpfrFma},  // x*y + x
};

// Random normalized numbers of the format with exponents in [lowExp, highExp].
std::vector<Number> arguments(const Function& fn, Format f, unsigned seed, bool first) {
    std::mt19937_64 rng(seed);
    std::vector<Number> out;
    for (int i = 0; i < 256; ++i) {
        kestrom::Trits mant(static_cast<std::size_t>(f.mantLen), 0), exp(static_cast<std::size_t>(f.expLen), 0);
        for (auto& t : mant) t = static_cast<kestrom::trit>(static_cast<int>(rng() % 3) - 1);
        mant.back() = (fn.positive && first) || rng() % 2 ? 1 : -1;
        if (fn.positive && first) {  // the top trit decides the sign
            for (auto& t : mant) t = static_cast<kestrom::trit>(t * mant.back());
        }
        std::int64_t e = fn.lowExp + static_cast<std::int64_t>(rng() % static_cast<unsigned>(fn.highExp - fn.lowExp + 1));
        for (auto& t : exp) {
            std::int64_t r = ((e % 3) + 3) % 3;
            if (r == 2) r = -1;
            t = static_cast<kestrom::trit>(r);
            e = (e - r) / 3;
        }
        out.push_back(*Number::fromTrits(f, exp, mant));
    }
    return out;
}

Number call(const Function& fn, const Number& x, const Number& y, int* passes) {
    return fn.arity == 1 ? fn.unary(x, passes) : fn.binary(x, y, passes);
}

void kestromCase(benchmark::State& state, const Function& fn, int mantLen) {
    const Format f{6, mantLen};
    const std::vector<Number> xs = arguments(fn, f, 1, true), ys = arguments(fn, f, 2, false);
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(call(fn, xs[i], ys[i], nullptr));
        i = (i + 1) & 255;
    }
    // Untimed: passes and the slowest argument.
    int again = 0;
    double worst = 0;
    for (std::size_t k = 0; k < xs.size(); ++k) {
        double best = 1e30;
        for (int r = 0; r < 5; ++r) {
            int passes = 0;
            const auto t0 = std::chrono::steady_clock::now();
            benchmark::DoNotOptimize(call(fn, xs[k], ys[k], &passes));
            const auto t1 = std::chrono::steady_clock::now();
            best = std::min(best, std::chrono::duration<double, std::nano>(t1 - t0).count());
            if (r == 0 && passes > 1) ++again;
        }
        worst = std::max(worst, best);
    }
    state.counters["second_pass"] = static_cast<double>(again) / static_cast<double>(xs.size());
    state.counters["worst_ns"] = worst;
}

void mpfrCase(benchmark::State& state, const Function& fn, int mantLen) {
    const Format f{6, mantLen};
    const mpfr_prec_t prec = (static_cast<mpfr_prec_t>(mantLen) * 1584963 + 999999) / 1000000;  // ceil(n log2 3)
    const std::vector<Number> xs = arguments(fn, f, 1, true), ys = arguments(fn, f, 2, false);
    std::vector<mpfr_t> a(256), b(256);
    for (std::size_t k = 0; k < 256; ++k) {
        mpfr_init2(a[k], prec);
        mpfr_init2(b[k], prec);
        mpfr_set_d(a[k], xs[k].toDouble(), MPFR_RNDN);  // the arguments to double precision suffice for timing
        mpfr_set_d(b[k], ys[k].toDouble(), MPFR_RNDN);
    }
    mpfr_t r;
    mpfr_init2(r, prec);
    std::size_t i = 0;
    for (auto _ : state) {
        if (fn.arity == 1) fn.mpfrUnary(r, a[i], MPFR_RNDN);
        else fn.mpfrBinary(r, a[i], b[i], MPFR_RNDN);
        benchmark::DoNotOptimize(r);
        i = (i + 1) & 255;
    }
    mpfr_clear(r);
    for (std::size_t k = 0; k < 256; ++k) {
        mpfr_clear(a[k]);
        mpfr_clear(b[k]);
    }
}

int registerAll() {
    for (const Function& fn : kFunctions)
        for (int n : {27, 243}) {
            benchmark::RegisterBenchmark(("kestrom/" + std::string(fn.name) + "/" + std::to_string(n)).c_str(),
                                         [&fn, n](benchmark::State& s) { kestromCase(s, fn, n); });
            benchmark::RegisterBenchmark(("mpfr/" + std::string(fn.name) + "/" + std::to_string(n)).c_str(),
                                         [&fn, n](benchmark::State& s) { mpfrCase(s, fn, n); });
        }
    return 0;
}

const int registered = registerAll();

}  // namespace

BENCHMARK_MAIN();

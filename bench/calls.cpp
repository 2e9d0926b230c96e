// SPDX-License-Identifier: MIT
// Makes a known number of calls of one operation, for counting their instructions with
// callgrind (script/bench-count, script/bench): kestrom through its exports, with every
// call's buffers filled before the first call, or MPFR at the same precision.
//
//   kestrom_calls kestrom|mpfr OP MANTLEN CALLS
//
// OP is add, sub (kestrom: inversStr then add), mul or div. Run under callgrind with
// --toggle-collect on the called functions, so that only the calls themselves are counted.
#include <gmp.h>
#include <mpfr.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "timing/cases.h"

namespace {

int callKestrom(bench::Op op, int n, size_t calls) {
    bench::Exports k;
    std::string error;
    if (!bench::loadExports(KESTROM_LIBRARY_PATH, k, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    bench::Batch batch(op, n, calls);
    for (size_t i = 0; i < calls; ++i) batch.call(k, i);
    for (size_t i = 0; i < calls; ++i) {
        const std::string why = batch.check(i);
        if (!why.empty()) {
            std::fprintf(stderr, "call %zu: %s\n", i, why.c_str());
            return 1;
        }
    }
    return 0;
}

// The operands of the MPFR benchmark: random mantissas at ceil(mantLen * log2 3) bits, scaled
// by 2^-4 to 2^4, either sign.
int callMpfr(bench::Op op, int n, size_t calls) {
    const long bits = static_cast<long>(std::ceil(n * std::log2(3.0)));
    gmp_randstate_t rand;
    gmp_randinit_default(rand);
    gmp_randseed_ui(rand, static_cast<unsigned long>(n));
    bench::Random rng(static_cast<std::uint64_t>(n));
    std::vector<mpfr_t> a(calls), b(calls), r(calls);
    for (size_t i = 0; i < calls; ++i) {
        for (auto* x : {&a[i], &b[i]}) {
            mpfr_init2(*x, bits);
            do mpfr_urandomb(*x, rand);
            while (mpfr_zero_p(*x));
            mpfr_mul_2si(*x, *x, static_cast<long>(rng.next() % 9) - 4, MPFR_RNDN);
            if (rng.next() % 2) mpfr_neg(*x, *x, MPFR_RNDN);
        }
        mpfr_init2(r[i], bits);
    }
    for (size_t i = 0; i < calls; ++i) {
        switch (op) {
        case bench::kAdd: mpfr_add(r[i], a[i], b[i], MPFR_RNDN); break;
        case bench::kSub: mpfr_sub(r[i], a[i], b[i], MPFR_RNDN); break;
        case bench::kMul: mpfr_mul(r[i], a[i], b[i], MPFR_RNDN); break;
        case bench::kDiv: mpfr_div(r[i], a[i], b[i], MPFR_RNDN); break;
        }
    }
    for (size_t i = 0; i < calls; ++i) {
        mpfr_clear(a[i]);
        mpfr_clear(b[i]);
        mpfr_clear(r[i]);
    }
    gmp_randclear(rand);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    bench::Op op;
    const std::string lib = argc == 5 ? argv[1] : "";
    const int n = argc == 5 ? std::atoi(argv[3]) : 0;
    const long calls = argc == 5 ? std::atol(argv[4]) : 0;
    if ((lib != "kestrom" && lib != "mpfr") || !bench::parseOp(argv[2], op) || n < 2 || calls < 1) {
        std::fprintf(stderr, "usage: kestrom_calls kestrom|mpfr add|sub|mul|div MANTLEN CALLS\n");
        return 2;
    }
    const size_t count = static_cast<size_t>(calls);
    return lib == "kestrom" ? callKestrom(op, n, count) : callMpfr(op, n, count);
}

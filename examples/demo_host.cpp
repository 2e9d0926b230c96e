// SPDX-License-Identifier: MIT
// A host as a foreign program sees the library: it loads it by file name at run time, looks
// up the exported names, sizes and clears every buffer itself, and prints what comes back.
#include <dlfcn.h>

#include <cstdio>
#include <string>
#include <vector>

#include "foreign_host.h"

namespace {

using foreign::sc;

constexpr int kExpLen = 4;
constexpr int kMantLen = 6;

using Str = std::vector<sc>;

struct Number {
    Str exp = Str(kExpLen + 1, 0);
    Str mant = Str(kMantLen + 1, 0);
};

// Balanced-ternary trits of n, least significant first.
Str tritsOf(long long n) {
    Str t;
    while (n != 0) {
        long long r = n % 3;
        n /= 3;
        if (r == 2) r = -1, ++n;
        if (r == -2) r = 1, --n;
        t.push_back(static_cast<sc>(r));
    }
    return t;
}

long long valueOf(const Str& s, int len) {
    long long v = 0, p = 1;
    for (int i = 0; i < len; ++i, p *= 3) v += s[static_cast<size_t>(i)] * p;
    return v;
}

// n as a normalized ternary float: its trits at the top of the mantissa, exponent = their count.
Number fromInt(long long n) {
    Number x;
    const Str t = tritsOf(n);
    const int k = static_cast<int>(t.size());
    for (int i = 0; i < k; ++i) x.mant[static_cast<size_t>(kMantLen - k + i)] = t[static_cast<size_t>(i)];
    const Str e = tritsOf(k);
    for (size_t i = 0; i < e.size(); ++i) x.exp[i] = e[i];
    return x;
}

std::string tritText(const Str& s, int len) {
    std::string out;
    for (int i = 0; i < len; ++i) {
        const int t = s[static_cast<size_t>(i)];
        out += t > 0 ? " +1" : (t < 0 ? " -1" : "  0");
    }
    return out;
}

// The exact value m * 3^(e - mantLen) as a reduced fraction.
std::string valueText(const Number& x) {
    long long num = valueOf(x.mant, kMantLen), den = 1;
    for (long long e = valueOf(x.exp, kExpLen) - kMantLen; e != 0; e += e < 0 ? 1 : -1) {
        if (e > 0) num *= 3;
        else if (num % 3 == 0) num /= 3;
        else den *= 3;
    }
    return den == 1 ? std::to_string(num) : std::to_string(num) + "/" + std::to_string(den);
}

void show(const char* label, const Number& x) {
    std::printf("  %-8s mantissa%s | exponent%s  = %s\n", label, tritText(x.mant, kMantLen).c_str(),
                tritText(x.exp, kExpLen).c_str(), valueText(x).c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : "libkestrom.so";
    void* lib = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (lib == nullptr) {
        std::fprintf(stderr, "cannot load %s: %s\n", path, dlerror());
        return 1;
    }
    const auto add = reinterpret_cast<foreign::AddFn>(dlsym(lib, foreign::kAddName));
    const auto mul = reinterpret_cast<foreign::MulFn>(dlsym(lib, foreign::kMulName));
    const auto div = reinterpret_cast<foreign::DivFn>(dlsym(lib, foreign::kDivName));
    const auto inversStr = reinterpret_cast<foreign::InvFn>(dlsym(lib, foreign::kInversName));
    if (!add || !mul || !div || !inversStr) {
        std::fprintf(stderr, "%s lacks an exported operation\n", path);
        return 1;
    }

    std::printf("kestrom, loaded from %s; mantLen %d, expLen %d, trits from index 0 up\n\n", path,
                kMantLen, kExpLen);

    Number five = fromInt(5);
    std::printf("Negation with inversStr:\n");
    show("5", five);
    inversStr(five.mant.data(), kMantLen);
    show("-5", five);

    std::printf("\n2 - 1 (negate the subtrahend, then add):\n");
    Number a = fromInt(2), b = fromInt(1), r;
    Str expScratch(kExpLen + 1, 0);
    show("a", a);
    show("b", b);
    inversStr(b.mant.data(), kMantLen);
    add(r.exp.data(), r.mant.data(), kExpLen, kMantLen, a.exp.data(), a.mant.data(), b.exp.data(),
        b.mant.data(), expScratch.data());
    show("a - b", r);

    std::printf("\n2 x 3:\n");
    a = fromInt(2), b = fromInt(3), r = Number{};
    expScratch.assign(kExpLen + 1, 0);
    Str mantScratch(kMantLen + 1, 0);
    show("a", a);
    show("b", b);
    mul(r.exp.data(), r.mant.data(), kExpLen, kMantLen, a.exp.data(), a.mant.data(), b.exp.data(),
        b.mant.data(), expScratch.data(), mantScratch.data());
    show("a x b", r);

    std::printf("\n1 / 2 (six trits hold 1/2 only approximately):\n");
    a = fromInt(1), b = fromInt(2), r = Number{};
    expScratch.assign(kExpLen + 1, 0);
    mantScratch.assign(kMantLen + 1, 0);
    Str quotA(kMantLen + 3, 0), quotB(kMantLen + 3, 0);
    show("a", a);
    show("b", b);
    div(r.exp.data(), r.mant.data(), kExpLen, kMantLen, a.exp.data(), a.mant.data(), b.exp.data(),
        b.mant.data(), quotA.data(), quotB.data(), mantScratch.data(), expScratch.data());
    show("a / b", r);

    dlclose(lib);
    return 0;
}

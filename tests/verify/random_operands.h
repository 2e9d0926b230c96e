// SPDX-License-Identifier: MIT
// Random ternary floats for the verification tests, built from integer exponents so that a
// case can aim at the ends of the exponent range or at a given exponent difference.
#ifndef KESTROM_VERIFY_RANDOM_OPERANDS_H
#define KESTROM_VERIFY_RANDOM_OPERANDS_H

#include <random>

#include "trits.h"

namespace verify {

using testing_trits::Float;
using testing_trits::Str;

// The largest magnitude that len trits hold, (3^len - 1) / 2.
inline long long most(int len) {
    long long p = 1;
    for (int i = 0; i < len; ++i) p *= 3;
    return (p - 1) / 2;
}

// v in balanced ternary over count trits and a zero guard; v must fit.
inline Str tritsOf(long long v, int count) {
    Str s(static_cast<size_t>(count + 1), 0);
    for (int i = 0; i < count; ++i) {
        long long r = v % 3;
        if (r > 1) r -= 3;
        if (r < -1) r += 3;
        s[static_cast<size_t>(i)] = static_cast<signed char>(r);
        v = (v - r) / 3;
    }
    return s;
}

// Anywhere in the exponent range, or (a quarter of the time) within 2 of either end.
inline long long randomExponent(std::mt19937_64& rng, int expLen) {
    const long long top = most(expLen);
    if (rng() % 4 == 0) {
        const long long e = top - static_cast<long long>(rng() % 3);
        return rng() % 2 ? e : -e;
    }
    return static_cast<long long>(rng() % static_cast<unsigned long long>(2 * top + 1)) - top;
}

// A normalized float of random trits with exponent e (clamped into range).
inline Float randomFloat(std::mt19937_64& rng, int expLen, int mantLen, long long e) {
    const long long top = most(expLen);
    Float f{tritsOf(e < -top ? -top : (e > top ? top : e), expLen),
            Str(static_cast<size_t>(mantLen + 1), 0)};
    for (int i = 0; i < mantLen; ++i)
        f.mant[static_cast<size_t>(i)] = static_cast<signed char>(static_cast<int>(rng() % 3) - 1);
    f.mant[static_cast<size_t>(mantLen - 1)] = rng() % 2 ? 1 : -1;
    return f;
}

inline Float randomFloat(std::mt19937_64& rng, int expLen, int mantLen) {
    return randomFloat(rng, expLen, mantLen, randomExponent(rng, expLen));
}

}  // namespace verify

#endif

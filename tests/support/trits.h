// SPDX-License-Identifier: MIT
// Test helpers for trit strings and ternary floats. Every buffer is an exact-size heap
// allocation (len significant trits + guard), so AddressSanitizer sees any overrun.
#ifndef KESTROM_TESTS_TRITS_H
#define KESTROM_TESTS_TRITS_H

#include <initializer_list>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace testing_trits {

using Str = std::vector<signed char>;

// The given significant trits, index 0 first, followed by a zero guard.
inline Str str(std::initializer_list<int> significant) {
    Str s;
    for (int t : significant) s.push_back(static_cast<signed char>(t));
    s.push_back(0);
    return s;
}

// len significant zero trits plus a zero guard.
inline Str zeros(int len) { return Str(static_cast<size_t>(len < 0 ? 0 : len + 1), 0); }

inline std::string show(const Str& s) {
    std::string out;
    for (signed char t : s) out += t == 0 ? " 0" : (t == 1 ? " +" : (t == -1 ? " -" : " ?"));
    return out;
}

inline long long value(const Str& s, int len) {
    long long v = 0, p = 1;
    for (int i = 0; i < len; ++i, p *= 3) v += s[static_cast<size_t>(i)] * p;
    return v;
}

// A ternary float: exponent and mantissa strings, each with its guard.
struct Float {
    Str exp;
    Str mant;
    bool operator==(const Float& o) const { return exp == o.exp && mant == o.mant; }
};

inline std::ostream& operator<<(std::ostream& os, const Float& f) {
    return os << "{mant" << show(f.mant) << " | exp" << show(f.exp) << "}";
}

inline Float zeroFloat(int expLen, int mantLen) { return {zeros(expLen), zeros(mantLen)}; }

// A random float: normalized (top trit non-zero), or zero with probability 1/zeroOdds;
// exponent trits random over the low expTrits positions only, so exponents stay moderate.
inline Float randomFloat(std::mt19937& rng, int expLen, int mantLen, int expTrits,
                         int zeroOdds = 16) {
    Float f = zeroFloat(expLen, mantLen);
    if (zeroOdds > 0 && rng() % static_cast<unsigned>(zeroOdds) == 0) return f;
    for (int i = 0; i < mantLen; ++i) f.mant[static_cast<size_t>(i)] = static_cast<signed char>(int(rng() % 3) - 1);
    f.mant[static_cast<size_t>(mantLen - 1)] = rng() % 2 ? 1 : -1;
    for (int i = 0; i < expLen && i < expTrits; ++i)
        f.exp[static_cast<size_t>(i)] = static_cast<signed char>(int(rng() % 3) - 1);
    return f;
}

inline bool isNormalizedOrZero(const Float& f, int expLen, int mantLen) {
    if (f.mant[static_cast<size_t>(mantLen)] != 0) return false;
    if (mantLen > 0 && f.mant[static_cast<size_t>(mantLen - 1)] != 0) return true;
    for (int i = 0; i < mantLen; ++i)
        if (f.mant[static_cast<size_t>(i)] != 0) return false;
    for (int i = 0; i < expLen; ++i)
        if (f.exp[static_cast<size_t>(i)] != 0) return false;
    return true;
}

// m * 3^e as a double, correctly rounded for the small values of the worked examples.
inline double toDouble(const Float& f, int expLen, int mantLen) {
    const long long e = value(f.exp, expLen) - mantLen;
    double power = 1;
    for (long long i = 0; i < (e < 0 ? -e : e); ++i) power *= 3;
    const double m = static_cast<double>(value(f.mant, mantLen));
    return e < 0 ? m / power : m * power;
}

// The values of the worked examples, with mantLen 6 and expLen 4.
namespace worked {
constexpr int kExp = 4, kMant = 6;
inline Float zero() { return {str({0, 0, 0, 0}), str({0, 0, 0, 0, 0, 0})}; }
inline Float ninth() { return {str({-1, 0, 0, 0}), str({0, 0, 0, 0, 0, 1})}; }
inline Float third() { return {str({0, 0, 0, 0}), str({0, 0, 0, 0, 0, 1})}; }
inline Float one() { return {str({1, 0, 0, 0}), str({0, 0, 0, 0, 0, 1})}; }
inline Float minusOne() { return {str({1, 0, 0, 0}), str({0, 0, 0, 0, 0, -1})}; }
inline Float two() { return {str({-1, 1, 0, 0}), str({0, 0, 0, 0, -1, 1})}; }
inline Float minusTwo() { return {str({-1, 1, 0, 0}), str({0, 0, 0, 0, 1, -1})}; }
inline Float three() { return {str({-1, 1, 0, 0}), str({0, 0, 0, 0, 0, 1})}; }
inline Float five() { return {str({0, 1, 0, 0}), str({0, 0, 0, -1, -1, 1})}; }
inline Float six() { return {str({0, 1, 0, 0}), str({0, 0, 0, 0, -1, 1})}; }
inline Float minusSix() { return {str({0, 1, 0, 0}), str({0, 0, 0, 0, 1, -1})}; }
inline Float nine() { return {str({0, 1, 0, 0}), str({0, 0, 0, 0, 0, 1})}; }
inline Float ten() { return {str({0, 1, 0, 0}), str({0, 0, 0, 1, 0, 1})}; }
}  // namespace worked

}  // namespace testing_trits

#endif

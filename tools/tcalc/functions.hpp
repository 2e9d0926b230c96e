// SPDX-License-Identifier: MIT
// tcalc's functions and constants: sqrt(2), atan2(y, x), pi, e, ... Each is one call of
// kestrom-math, which returns the ternary float nearest to the exact result. A tcalc built
// without kestrom-math (no MPFR at build time, TCALC_HAVE_MATH undefined) knows the names,
// so that it can say why they are missing, but cannot evaluate them.
#ifndef TCALC_FUNCTIONS_HPP
#define TCALC_FUNCTIONS_HPP

#include <cstddef>
#include <string_view>

#include <kestrom/number.hpp>

#ifdef TCALC_HAVE_MATH
#include <kestrom/math.hpp>
#endif

namespace tcalc {

struct Function {
    const char* name;
    int arity;  // 1, 2 or 3 arguments
};

inline constexpr Function kFunctions[] = {
    {"sqrt", 1}, {"cbrt", 1}, {"exp", 1},  {"log", 1},  {"log3", 1},  {"exp3", 1},  {"pow", 2},   {"sin", 1},
    {"cos", 1},  {"tan", 1},  {"asin", 1}, {"acos", 1}, {"atan", 1},  {"atan2", 2}, {"hypot", 2}, {"fma", 3},
};

inline constexpr const char* kConstants[] = {"pi", "e"};

inline constexpr bool haveFunctions() {
#ifdef TCALC_HAVE_MATH
    return true;
#else
    return false;
#endif
}

inline const Function* findFunction(std::string_view name) {
    for (const Function& f : kFunctions)
        if (name == f.name) return &f;
    return nullptr;
}

inline bool isConstant(std::string_view name) { return name == "pi" || name == "e"; }

#ifdef TCALC_HAVE_MATH
// The function's value at a[0..arity-1] (all of one format).
inline kestrom::Number callFunction(const Function& f, const kestrom::Number* a) {
    namespace m = kestrom::math;
    using Unary = kestrom::Number (*)(const kestrom::Number&);
    using Binary = kestrom::Number (*)(const kestrom::Number&, const kestrom::Number&);
    static const struct {
        const char* name;
        Unary one;
        Binary two;
    } table[] = {{"sqrt", m::sqrt, nullptr}, {"cbrt", m::cbrt, nullptr}, {"exp", m::exp, nullptr},
                 {"log", m::log, nullptr},   {"log3", m::log3, nullptr}, {"exp3", m::exp3, nullptr},
                 {"sin", m::sin, nullptr},   {"cos", m::cos, nullptr},   {"tan", m::tan, nullptr},
                 {"asin", m::asin, nullptr}, {"acos", m::acos, nullptr}, {"atan", m::atan, nullptr},
                 {"pow", nullptr, m::pow},   {"atan2", nullptr, m::atan2}, {"hypot", nullptr, m::hypot}};
    if (f.arity == 3) return m::fma(a[0], a[1], a[2]);
    for (const auto& t : table)
        if (std::string_view(t.name) == f.name) return t.one != nullptr ? t.one(a[0]) : t.two(a[0], a[1]);
    return kestrom::Number(a[0].format());  // not reached: every name of kFunctions is in the table
}

inline kestrom::Number constant(std::string_view name, kestrom::Format format) {
    return name == "pi" ? kestrom::math::pi(format) : kestrom::math::e(format);
}
#endif

}  // namespace tcalc

#endif

// SPDX-License-Identifier: MIT
/// @file kestrom/rational.hpp
/// kestrom/rational.hpp: exact rational numbers for the host toolkit, and the conversions
/// between them and text and doubles.
///
/// A Rational is a sign and a numerator over a positive denominator, both BigUint; it is not
/// kept in lowest terms (toString reduces). Header-only, standard library only.
#ifndef KESTROM_RATIONAL_HPP
#define KESTROM_RATIONAL_HPP

#if (defined(_MSVC_LANG) ? _MSVC_LANG : __cplusplus) < 201703L
#error "kestrom's toolkit needs C++17 or later: compile with -std=c++17 (or newer), or link Kestrom::toolkit in CMake"
#endif

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "biguint.hpp"

namespace kestrom {

/// A rational number: a sign, a numerator and a positive denominator, not kept in lowest terms.
struct Rational {
    bool negative = false;  ///< the sign
    BigUint num;            ///< the numerator
    BigUint den = 1;        ///< the denominator, positive

    /// -1, 0 or +1.
    int sign() const { return num.isZero() ? 0 : (negative ? -1 : 1); }

    /// The exact value of a finite double (infinities and NaN give zero).
    static Rational fromDouble(double x) {
        Rational r;
        if (!std::isfinite(x) || x == 0) return r;
        r.negative = std::signbit(x);
        int exp2 = 0;
        const double m = std::frexp(std::fabs(x), &exp2);  // |x| = m * 2^exp2, 0.5 <= m < 1
        r.num = static_cast<std::uint64_t>(std::ldexp(m, 53));
        exp2 -= 53;
        if (exp2 >= 0) r.num <<= static_cast<std::size_t>(exp2);
        else r.den <<= static_cast<std::size_t>(-exp2);
        return r;
    }

    /// The nearest double, ties to even, overflowing to infinity and underflowing through the
    /// subnormals to a signed zero.
    double toDouble() const {
        if (num.isZero()) return 0.0;
        const double sign = negative ? -1.0 : 1.0;
        // b with 2^b <= num/den < 2^(b+1)
        long b = static_cast<long>(num.bitLength()) - static_cast<long>(den.bitLength());
        if (b > 1100) return sign * HUGE_VAL;
        if (b < -1100) return sign * 0.0;
        if (compare(scaled(num, b < 0 ? -b : 0), scaled(den, b > 0 ? b : 0)) < 0) --b;
        if (b > 1023) return sign * HUGE_VAL;
        const long unit = b >= -1022 ? b - 52 : -1074;  // weight of the last kept bit
        BigUint q, r;
        const BigUint n = scaled(num, unit < 0 ? -unit : 0), d = scaled(den, unit > 0 ? unit : 0);
        BigUint::divMod(n, d, q, r);
        const int half = compare(r << 1, d);
        std::uint64_t kept = q.low64();
        if (half > 0 || (half == 0 && (kept & 1) != 0)) ++kept;
        return sign * std::ldexp(static_cast<double>(kept), static_cast<int>(unit));
    }

    /// "n" or "-n/d" in lowest terms.
    std::string toString() const {
        if (num.isZero()) return "0";
        BigUint a = num, b = den;
        const BigUint g = gcd(a, b);
        BigUint rest;
        BigUint::divMod(num, g, a, rest);
        BigUint::divMod(den, g, b, rest);
        std::string out = negative ? "-" : "";
        out += a.toString();
        if (b != BigUint(1)) out += "/" + b.toString();
        return out;
    }

    /// The value rounded to `digits` significant decimal digits (ties to even), written as
    /// printf's %g would: plain for decimal exponents -4 to digits-1, else d.ddde+XX; trailing
    /// zeros dropped. *exact tells whether the text is the exact value. Needs digits >= 1.
    std::string toDecimal(int digits, bool* exact = nullptr) const {
        if (exact != nullptr) *exact = true;
        if (num.isZero()) return "0";
        // d with 10^d <= num/den < 10^(d+1); the bit lengths place it within one or two.
        long d = static_cast<long>(std::floor(
            (static_cast<double>(num.bitLength()) - static_cast<double>(den.bitLength())) *
            0.30102999566398120));
        while (compareWithPowerOf10(d) < 0) --d;
        while (compareWithPowerOf10(d + 1) >= 0) ++d;
        const long shift = digits - 1 - d;  // q = num/den * 10^shift has `digits` digits
        const BigUint n = shift > 0 ? num * BigUint::powerOf(10, static_cast<std::uint64_t>(shift)) : num;
        const BigUint m = shift < 0 ? den * BigUint::powerOf(10, static_cast<std::uint64_t>(-shift)) : den;
        BigUint q, r;
        BigUint::divMod(n, m, q, r);
        const int half = compare(r << 1, m);
        if (half > 0 || (half == 0 && (q.low64() & 1) != 0)) q += BigUint(1);
        if (exact != nullptr) *exact = r.isZero();
        return decimalText(negative, q, d, digits);
    }

    /// The text of q * 10^(d - digits + 1), where q has `digits` digits, or digits + 1 when
    /// rounding carried into a new one (q = 10^digits), laid out as toDecimal says.
    static std::string decimalText(bool negative, const BigUint& q, long d, int digits) {
        std::string text = q.toString();
        if (static_cast<long>(text.size()) > digits) {  // rounded up to the next power of 10
            text.pop_back();
            ++d;
        }
        std::string out = negative ? "-" : "";
        if (d < -4 || d >= digits) {
            std::string mantissa = text.substr(0, 1);
            const std::string fraction = stripZeros(text.substr(1));
            if (!fraction.empty()) mantissa += "." + fraction;
            const long ad = d < 0 ? -d : d;
            return out + mantissa + (d < 0 ? "e-" : "e+") + (ad < 10 ? "0" : "") + std::to_string(ad);
        }
        if (d < 0) return out + "0." + std::string(static_cast<std::size_t>(-d - 1), '0') + stripZeros(text);
        const std::string whole = text.substr(0, static_cast<std::size_t>(d + 1));
        const std::string fraction = stripZeros(text.substr(static_cast<std::size_t>(d + 1)));
        return out + whole + (fraction.empty() ? "" : "." + fraction);
    }

    /// -1, 0 or +1 as a is below, equal to or above b.
    friend int compare(const Rational& a, const Rational& b) {
        if (a.sign() != b.sign()) return a.sign() < b.sign() ? -1 : 1;
        const int magnitude = compare(a.num * b.den, b.num * a.den);
        return a.sign() < 0 ? -magnitude : magnitude;
    }
    /// Equal values.
    friend bool operator==(const Rational& a, const Rational& b) { return compare(a, b) == 0; }
    /// Different values.
    friend bool operator!=(const Rational& a, const Rational& b) { return compare(a, b) != 0; }

private:
    static BigUint scaled(const BigUint& v, long bits) { return v << static_cast<std::size_t>(bits); }

    static BigUint gcd(BigUint a, BigUint b) {
        while (!b.isZero()) {
            BigUint q, r;
            BigUint::divMod(a, b, q, r);
            a = b;
            b = r;
        }
        return a;
    }

    /// Sign of |this| - 10^p.
    int compareWithPowerOf10(long p) const {
        const BigUint power = BigUint::powerOf(10, static_cast<std::uint64_t>(p < 0 ? -p : p));
        return p >= 0 ? compare(num, den * power) : compare(num * power, den);
    }

    static std::string stripZeros(std::string s) {
        while (!s.empty() && s.back() == '0') s.pop_back();
        return s;
    }
};

/// Text of the form  [+|-] digits [. digits] [e|E [+|-] digits]  [ / the same without sign ]
/// (a decimal may also start with the point: ".5"), read exactly as
/// sign * num/den * 10^exp10. The decimal exponent is kept apart so that "1e999999" costs
/// nothing until someone asks for its digits; it saturates at +-10^15.
struct RationalText {
    bool ok = false;          ///< whether the text was read
    std::size_t errorAt = 0;  ///< offset into the text of the first character that does not fit
    std::string error;        ///< what was expected there
    bool negative = false;    ///< the sign
    BigUint num;              ///< the numerator's digits
    BigUint den = 1;          ///< the denominator's digits
    std::int64_t exp10 = 0;   ///< the power of 10 that multiplies num/den

    /// Reads the text; ok tells whether it fits the form above.
    static RationalText parse(std::string_view text) {
        RationalText t;
        std::size_t i = 0;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) t.negative = text[i++] == '-';
        std::int64_t numExp = 0, denExp = 0;
        if (!decimal(text, i, t.num, numExp, t)) return t;
        if (i < text.size() && text[i] == '/') {
            ++i;
            t.den = BigUint();
            const std::size_t denStart = i;
            if (!decimal(text, i, t.den, denExp, t)) return t;
            if (t.den.isZero()) return t.fail(denStart, "the denominator is zero");
        }
        if (i < text.size()) return t.fail(i, text[i] == '/' ? "only one '/' is allowed" : "unexpected character");
        t.exp10 = saturate(numExp - denExp);
        t.ok = true;
        return t;
    }

    /// The exact value; needs ok. Builds 10^|exp10|, so keep |exp10| moderate.
    Rational value() const {
        Rational r{negative, num, den};
        const BigUint power = BigUint::powerOf(10, static_cast<std::uint64_t>(exp10 < 0 ? -exp10 : exp10));
        if (exp10 >= 0) r.num = r.num * power;
        else r.den = r.den * power;
        return r;
    }

private:
    static constexpr std::int64_t kLimit = 1000000000000000;  // 10^15

    static std::int64_t saturate(std::int64_t v) { return v > kLimit ? kLimit : (v < -kLimit ? -kLimit : v); }
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }

    RationalText& fail(std::size_t at, const char* what) {
        ok = false;
        errorAt = at;
        error = what;
        return *this;
    }

    /// digits [. digits] [e [sign] digits], value = mantissa * 10^exp.
    static bool decimal(std::string_view s, std::size_t& i, BigUint& mantissa, std::int64_t& exp, RationalText& t) {
        std::size_t digits = 0;
        bool point = false;
        for (; i < s.size(); ++i) {
            if (isDigit(s[i])) {
                mantissa.mulSmall(10);
                mantissa += BigUint(static_cast<std::uint64_t>(s[i] - '0'));
                ++digits;
                if (point) --exp;
            } else if (s[i] == '.' && !point) {
                point = true;
            } else {
                break;
            }
        }
        if (digits == 0) {
            t.fail(i, "expected a digit");
            return false;
        }
        if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
            ++i;
            bool minus = false;
            if (i < s.size() && (s[i] == '+' || s[i] == '-')) minus = s[i++] == '-';
            if (i >= s.size() || !isDigit(s[i])) {
                t.fail(i, "expected the digits of the exponent");
                return false;
            }
            std::int64_t e = 0;
            for (; i < s.size() && isDigit(s[i]); ++i) e = saturate(e * 10 + (s[i] - '0'));
            exp = saturate(exp + (minus ? -e : e));
        }
        return true;
    }
};

}  // namespace kestrom

#endif

// SPDX-License-Identifier: MIT
/// @file kestrom/number.hpp
/// kestrom/number.hpp: a ternary float as a value, on top of the exported kestrom operations.
///
/// @code
///   kestrom::Format f{6, 27};                         // expLen 6, mantLen 27
///   kestrom::Number a = kestrom::Number::fromInt(2, f);
///   kestrom::Number b = *kestrom::Number::fromText("1/3", f);
///   kestrom::Number c = a / b - b;                    // operands are never changed
///   c.toText();     // "17/3"        exact value
///   c.toTrits();    // "0.+-0-0000... * 3^3"
///   c.toDecimal(14) // "5.6666666666667"
/// @endcode
///
/// A Number owns its exponent and mantissa strings (each with its guard) and is always
/// normalized or zero, with zero guards, so it can be handed to the library as it is. Every
/// operation copies its operands and hands the library freshly sized, all-zero result and
/// scratch buffers; the library's own results are kept as they are (the toolkit does not round
/// or correct them).
///
/// A result whose value means nothing is marked (fault(), meaningless()): a quotient by zero,
/// a NaN converted, operands of different formats, an operation whose exponent left the
/// range. The mark travels: every result computed from a marked operand is marked. A marked
/// number prints as what it is ("undefined (division by zero)", "overflow"), converts to a
/// NaN double and compares unordered, like a NaN; its trits stay what the library gave and
/// are still there to read (exponentTrits, mantissaTrits, toTrits).
///
/// Flags are sticky: a result carries its operands' flags and adds its own.
///   overflow / underflow  the exponent left its range, upwards or downwards. After an
///       operation that is the library's carry into the exponent's guard trit; the toolkit
///       clears the guard and keeps the wrapped exponent, so the value is meaningless. A
///       conversion that meets a magnitude too large to hold saturates to the largest number
///       of that sign; one that meets a non-zero magnitude below the range gives the nearest
///       of zero and the smallest number.
///   divisionByZero  the divisor was zero; the value is what the library returns for it
///       (finite and meaningless; 0/0 gives zero).
///   invalid  a NaN was converted (the value is zero), the format was out of range (it was
///       clamped), or two operands of different formats met (the value is zero).
///
/// Rounding: conversions from integers, doubles and text round the exact value to the nearest
/// ternary float; exact ties (possible only for values with an even denominator, such as 1/2
/// when its two neighbours are equally far, or halfway between the top of one exponent and
/// the bottom of the next) go away from zero. Back to double: nearest, ties to even.
/// Conversions from text, integers and doubles and to decimals are correctly rounded at every
/// format and take about the same time at any exponent: moderate exponents use exact powers
/// of 3 and 10, large ones estimates good to a few more bits than the result needs (see
/// estimate.hpp), and exponents beyond the format's range are decided from the magnitudes
/// alone. Only toText and toRational, exact by definition, grow with the exponent (3^e has
/// 1.6 e bits).
///
/// Header-only; needs C++17, the kestrom library and the standard library, nothing else.
/// The target Kestrom::toolkit carries all three.
#ifndef KESTROM_NUMBER_HPP
#define KESTROM_NUMBER_HPP

#if (defined(_MSVC_LANG) ? _MSVC_LANG : __cplusplus) < 201703L
#error "kestrom's toolkit needs C++17 or later: compile with -std=c++17 (or newer), or link Kestrom::toolkit in CMake"
#endif

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include <kestrom.h>
#include "biguint.hpp"
#include "estimate.hpp"
#include "rational.hpp"

namespace kestrom {

/// A trit string, least significant trit first.
using Trits = std::vector<trit>;

/// The lengths shared by every number of one computation. expLen 1..19 (exponents are exact
/// up to 19 trits), mantLen >= 2 (division needs two).
struct Format {
    int expLen = 6;    ///< exponent trits
    int mantLen = 27;  ///< mantissa trits

    static constexpr int kMaxExpLen = 19;  ///< the longest exponent

    /// Whether both lengths are in range.
    bool valid() const { return expLen >= 1 && expLen <= kMaxExpLen && mantLen >= 2; }

    /// The largest exponent, (3^expLen - 1) / 2; the smallest is its negation.
    std::int64_t maxExponent() const {
        std::int64_t p = 1;
        for (int i = 0; i < expLen && i < kMaxExpLen; ++i) p *= 3;
        return (p - 1) / 2;
    }

    /// Same lengths.
    friend bool operator==(Format a, Format b) { return a.expLen == b.expLen && a.mantLen == b.mantLen; }
    /// Different lengths.
    friend bool operator!=(Format a, Format b) { return !(a == b); }
};

/// The bits of Number::flags().
struct Flag {
    static constexpr unsigned overflow = 1;        ///< an exponent above the range
    static constexpr unsigned underflow = 2;       ///< an exponent below the range
    static constexpr unsigned divisionByZero = 4;  ///< a divisor was zero
    static constexpr unsigned invalid = 8;         ///< a NaN, a clamped format or mixed formats
};

/// Why a number's value means nothing (Number::fault()).
enum class Fault : unsigned char {
    none,            ///< the value is what the trits say
    divisionByZero,  ///< a quotient by zero
    invalid,         ///< a NaN converted, or operands of different formats
    overflow,        ///< an operation's exponent above the range
    underflow,       ///< an operation's exponent below the range
};

/// How a meaningless value prints: "undefined (division by zero)", "undefined (invalid
/// operation)", "overflow" or "underflow"; empty for Fault::none.
inline const char* faultText(Fault f) {
    switch (f) {
    case Fault::divisionByZero: return "undefined (division by zero)";
    case Fault::invalid: return "undefined (invalid operation)";
    case Fault::overflow: return "overflow";
    case Fault::underflow: return "underflow";
    default: return "";
    }
}

/// A ternary float as a value: its format, its trits, its flags and its fault.
class Number {
public:
    /// Zero. An invalid format is clamped into range and the invalid flag set.
    explicit Number(Format format = Format{})
        : format_(clamped(format)),
          exp_(static_cast<std::size_t>(format_.expLen) + 1, 0),
          mant_(static_cast<std::size_t>(format_.mantLen) + 1, 0),
          flags_(format.valid() ? 0 : Flag::invalid) {}

    /// The nearest number to v.
    static Number fromInt(long long v, Format format) { return fromInteger(v, format); }

    /// Nearest; infinities saturate with the overflow flag, NaN gives a meaningless number
    /// (Fault::invalid) with the invalid flag.
    static Number fromDouble(double x, Format format) {
        if (std::isnan(x)) {
            Number r(format);
            r.flags_ |= Flag::invalid;
            r.fault_ = Fault::invalid;
            return r;
        }
        if (std::isinf(x)) return saturated(x < 0, Flag::overflow, format);
        return fromRational(Rational::fromDouble(x), format);
    }

    /// The nearest number to q.
    static Number fromRational(const Rational& q, Format format) {
        return nearest(q.negative, q.num, q.den, 0, format);
    }

    /// Exact text ("-1.25", "2/3", "1e-3"; see RationalText) rounded to nearest. On bad text
    /// gives nothing and, if asked, the offset of the offending character and what was
    /// expected there.
    static std::optional<Number> fromText(std::string_view text, Format format,
                                          std::size_t* errorAt = nullptr, std::string* error = nullptr) {
        const RationalText t = RationalText::parse(text);
        if (!t.ok) {
            if (errorAt != nullptr) *errorAt = t.errorAt;
            if (error != nullptr) *error = t.error;
            return std::nullopt;
        }
        return nearest(t.negative, t.num, t.den, t.exp10, format);
    }

    /// A number from its trits, least significant first, with or without the guard (which
    /// must then be zero). Gives nothing unless the trits are valid and normalized or zero.
    static std::optional<Number> fromTrits(Format format, const Trits& exp, const Trits& mant) {
        if (!format.valid()) return std::nullopt;
        Number r(format);
        if (!copyTrits(exp, r.exp_) || !copyTrits(mant, r.mant_)) return std::nullopt;
        if (r.mant_[static_cast<std::size_t>(format.mantLen - 1)] == 0) {
            for (trit t : r.mant_)
                if (t != 0) return std::nullopt;
            for (trit t : r.exp_)
                if (t != 0) return std::nullopt;
        }
        return r;
    }

    /// The lengths of this number.
    Format format() const { return format_; }
    /// The Flag bits raised on the way to this number.
    unsigned flags() const { return flags_; }
    /// Whether Flag::overflow is set.
    bool overflow() const { return (flags_ & Flag::overflow) != 0; }
    /// Whether Flag::underflow is set.
    bool underflow() const { return (flags_ & Flag::underflow) != 0; }
    /// Whether Flag::divisionByZero is set.
    bool divisionByZero() const { return (flags_ & Flag::divisionByZero) != 0; }
    /// Whether Flag::invalid is set.
    bool invalid() const { return (flags_ & Flag::invalid) != 0; }
    /// Clears the flags. The fault stays: the value still means nothing.
    void clearFlags() { flags_ = 0; }

    /// Why the value means nothing, or Fault::none.
    Fault fault() const { return fault_; }
    /// Whether the value means nothing (a fault other than Fault::none).
    bool meaningless() const { return fault_ != Fault::none; }

    /// Exponent trits, least significant first, guard (always zero) included; as the library
    /// gave them, meaningless or not.
    const Trits& exponentTrits() const { return exp_; }
    /// Mantissa trits, least significant first, guard (always zero) included.
    const Trits& mantissaTrits() const { return mant_; }

    /// The sign of the trits: -1, 0 or +1.
    int sign() const { return mant_[static_cast<std::size_t>(format_.mantLen - 1)]; }
    /// Whether the trits are zero.
    bool isZero() const { return sign() == 0; }

    /// e, where the value is m * 3^e and 1/6 < |m| < 1/2.
    std::int64_t exponent() const {
        std::int64_t e = 0, p = 1;
        for (int i = 0; i < format_.expLen; ++i, p *= 3) e += exp_[static_cast<std::size_t>(i)] * p;
        return e;
    }

    /// The library's sum; operands of different formats give a meaningless zero.
    friend Number operator+(const Number& a, const Number& b) { return a.combine(b, '+'); }
    /// The library's sum of a and -b.
    friend Number operator-(const Number& a, const Number& b) { return a.combine(b, '-'); }
    /// The library's product.
    friend Number operator*(const Number& a, const Number& b) { return a.combine(b, '*'); }
    /// The library's quotient; a zero divisor gives a meaningless number.
    friend Number operator/(const Number& a, const Number& b) { return a.combine(b, '/'); }
    /// *this = *this + b.
    Number& operator+=(const Number& b) { return *this = *this + b; }
    /// *this = *this - b.
    Number& operator-=(const Number& b) { return *this = *this - b; }
    /// *this = *this * b.
    Number& operator*=(const Number& b) { return *this = *this * b; }
    /// *this = *this / b.
    Number& operator/=(const Number& b) { return *this = *this / b; }

    /// The negation, exact.
    Number operator-() const {
        Number r = *this;
        ::inversStr(r.mant_.data(), format_.mantLen);
        return r;
    }

    /// |x|, exact.
    friend Number abs(const Number& x) { return x.sign() < 0 ? -x : x; }

    /// Equality of the values; flags play no part. Numbers of different formats are compared
    /// by their exact values. A meaningless number is unordered: only != holds.
    friend bool operator==(const Number& a, const Number& b) { return a.compareTo(b) == 0; }
    /// Not ==.
    friend bool operator!=(const Number& a, const Number& b) { return a.compareTo(b) != 0; }
    /// Order of the values; false when one is meaningless.
    friend bool operator<(const Number& a, const Number& b) { return a.compareTo(b) == -1; }
    /// Order of the values; false when one is meaningless.
    friend bool operator<=(const Number& a, const Number& b) { const int c = a.compareTo(b); return c == -1 || c == 0; }
    /// Order of the values; false when one is meaningless.
    friend bool operator>(const Number& a, const Number& b) { return a.compareTo(b) == 1; }
    /// Order of the values; false when one is meaningless.
    friend bool operator>=(const Number& a, const Number& b) { const int c = a.compareTo(b); return c == 1 || c == 0; }

    /// The exact value of the trits, with the denominator a power of 3 (meaningless or not).
    /// Its size grows with the exponent: 1.6 |e| bits.
    Rational toRational() const {
        Rational r;
        if (isZero()) return r;
        const std::int64_t k = scaledMantissa(r.num);  // value = num * 3^k
        r.negative = sign() < 0;
        const BigUint power = BigUint::powerOf(3, static_cast<std::uint64_t>(k < 0 ? -k : k));
        if (k >= 0) r.num = r.num * power;
        else r.den = power;
        return r;
    }

    /// Nearest double, ties to even; NaN when meaningless.
    double toDouble() const {
        if (meaningless()) return std::numeric_limits<double>::quiet_NaN();
        if (isZero()) return 0.0;
        const std::int64_t e = exponent();  // 3^700 / 6 is beyond every double
        if (e > 700) return sign() * HUGE_VAL;
        if (e < -700) return sign() * 0.0;
        return toRational().toDouble();
    }

    /// The exact value as "n" or "-n/d" in lowest terms, which fromText reads back exactly;
    /// faultText() when meaningless. Its length grows with the exponent (0.48 |e| digits).
    std::string toText() const { return meaningless() ? faultText(fault_) : toRational().toString(); }

    /// Rounded to `digits` significant decimal digits (ties to even), laid out as
    /// Rational::toDecimal; faultText() when meaningless, with *exact false.
    std::string toDecimal(int digits, bool* exact = nullptr) const {
        if (digits < 1) digits = 1;
        if (meaningless()) {
            if (exact != nullptr) *exact = false;
            return faultText(fault_);
        }
        const std::int64_t e = exponent();
        if (isZero() || (e <= kExactTrits && e >= -kExactTrits)) return toRational().toDecimal(digits, exact);
        if (exact != nullptr) *exact = false;  // m * 3^k * 10^s is never a whole number here
        BigUint m;
        const std::int64_t k = scaledMantissa(m);
        const double log10 = (log2Of(m) + static_cast<double>(k) * kLog2of3) * kLog10of2;
        const std::size_t first = static_cast<std::size_t>(digits) * 4 + 64;
        for (std::size_t bits = first; bits <= first * kEstimateRetries; bits *= 2) {
            long d = static_cast<long>(std::floor(log10));
            for (int step = 0; step < 4; ++step) {
                const Estimate y = estimate(m, BigUint(1), k, digits - 1 - d, bits);
                if (!y.clearOf12ths()) break;
                const BigUint low = BigUint::powerOf(10, static_cast<std::uint64_t>(digits - 1));
                if (y.compareTwelfths(low * BigUint(12)) < 0) {
                    --d;
                    continue;
                }
                if (y.compareTwelfths(low * BigUint(120)) > 0) {
                    ++d;
                    continue;
                }
                const BigUint q = (y.floorTimes(2) + BigUint(1)) >> 1;  // never a tie here
                return Rational::decimalText(sign() < 0, q, d, digits);
            }
        }
        return toRational().toDecimal(digits, exact);
    }

    /// The stored form, mantissa trits most significant first after the radix point, then
    /// the exponent: 5 with mantLen 6 is "0.+--000 * 3^3". Trits are '+', '0' and '-' (ASCII
    /// hyphen-minus for -1). Meaningless numbers show their trits too.
    std::string toTrits() const {
        std::string out = "0.";
        for (int i = format_.mantLen - 1; i >= 0; --i) {
            const int t = mant_[static_cast<std::size_t>(i)];
            out += t > 0 ? '+' : (t < 0 ? '-' : '0');
        }
        return out + " * 3^" + std::to_string(exponent());
    }

    /// The value's hash: equal values hash alike, across formats too.
    std::size_t hash() const {
        std::size_t h = std::hash<int>()(sign());
        if (isZero() || meaningless()) return h;
        const auto mix = [&h](std::size_t v) { h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2); };
        mix(std::hash<std::int64_t>()(exponent()));
        int low = 0;
        while (mant_[static_cast<std::size_t>(low)] == 0) ++low;
        for (int i = format_.mantLen - 1; i >= low; --i) mix(static_cast<std::size_t>(mant_[static_cast<std::size_t>(i)] + 1));
        return h;
    }

    /// Arithmetic and comparisons with an integer: the integer is first converted into the
    /// Number's format as fromInt does.
    template <class I, class = std::enable_if_t<std::is_integral_v<I>>>
    friend Number operator+(const Number& a, I b) { return a + fromInteger(b, a.format_); }
    /// See operator+(const Number&, I).
    template <class I, class = std::enable_if_t<std::is_integral_v<I>>>
    friend Number operator+(I a, const Number& b) { return fromInteger(a, b.format_) + b; }
    /// See operator+(const Number&, I).
    template <class I, class = std::enable_if_t<std::is_integral_v<I>>>
    friend Number operator-(const Number& a, I b) { return a - fromInteger(b, a.format_); }
    /// See operator+(const Number&, I).
    template <class I, class = std::enable_if_t<std::is_integral_v<I>>>
    friend Number operator-(I a, const Number& b) { return fromInteger(a, b.format_) - b; }
    /// See operator+(const Number&, I).
    template <class I, class = std::enable_if_t<std::is_integral_v<I>>>
    friend Number operator*(const Number& a, I b) { return a * fromInteger(b, a.format_); }
    /// See operator+(const Number&, I).
    template <class I, class = std::enable_if_t<std::is_integral_v<I>>>
    friend Number operator*(I a, const Number& b) { return fromInteger(a, b.format_) * b; }
    /// See operator+(const Number&, I).
    template <class I, class = std::enable_if_t<std::is_integral_v<I>>>
    friend Number operator/(const Number& a, I b) { return a / fromInteger(b, a.format_); }
    /// See operator+(const Number&, I).
    template <class I, class = std::enable_if_t<std::is_integral_v<I>>>
    friend Number operator/(I a, const Number& b) { return fromInteger(a, b.format_) / b; }
    /// See operator+(const Number&, I).
    template <class I, class = std::enable_if_t<std::is_integral_v<I>>>
    friend bool operator==(const Number& a, I b) { return a == fromInteger(b, a.format_); }
    /// See operator+(const Number&, I).
    template <class I, class = std::enable_if_t<std::is_integral_v<I>>>
    friend bool operator==(I a, const Number& b) { return b == a; }
    /// See operator+(const Number&, I).
    template <class I, class = std::enable_if_t<std::is_integral_v<I>>>
    friend bool operator!=(const Number& a, I b) { return a != fromInteger(b, a.format_); }
    /// See operator+(const Number&, I).
    template <class I, class = std::enable_if_t<std::is_integral_v<I>>>
    friend bool operator!=(I a, const Number& b) { return b != a; }
    /// See operator+(const Number&, I).
    template <class I, class = std::enable_if_t<std::is_integral_v<I>>>
    friend bool operator<(const Number& a, I b) { return a < fromInteger(b, a.format_); }
    /// See operator+(const Number&, I).
    template <class I, class = std::enable_if_t<std::is_integral_v<I>>>
    friend bool operator<(I a, const Number& b) { return fromInteger(a, b.format_) < b; }
    /// See operator+(const Number&, I).
    template <class I, class = std::enable_if_t<std::is_integral_v<I>>>
    friend bool operator<=(const Number& a, I b) { return a <= fromInteger(b, a.format_); }
    /// See operator+(const Number&, I).
    template <class I, class = std::enable_if_t<std::is_integral_v<I>>>
    friend bool operator<=(I a, const Number& b) { return fromInteger(a, b.format_) <= b; }
    /// See operator+(const Number&, I).
    template <class I, class = std::enable_if_t<std::is_integral_v<I>>>
    friend bool operator>(const Number& a, I b) { return a > fromInteger(b, a.format_); }
    /// See operator+(const Number&, I).
    template <class I, class = std::enable_if_t<std::is_integral_v<I>>>
    friend bool operator>(I a, const Number& b) { return fromInteger(a, b.format_) > b; }
    /// See operator+(const Number&, I).
    template <class I, class = std::enable_if_t<std::is_integral_v<I>>>
    friend bool operator>=(const Number& a, I b) { return a >= fromInteger(b, a.format_); }
    /// See operator+(const Number&, I).
    template <class I, class = std::enable_if_t<std::is_integral_v<I>>>
    friend bool operator>=(I a, const Number& b) { return fromInteger(a, b.format_) >= b; }

    /// Writes toDecimal(precision of the stream, 6 when it is 0), or the fault.
    friend std::ostream& operator<<(std::ostream& out, const Number& x) {
        const std::streamsize p = out.precision();
        return out << x.toDecimal(p > 0 ? static_cast<int>(p < 1000 ? p : 1000) : 6);
    }

private:
    static constexpr int kUnordered = 2;
    /// Exponents up to this size in trits are converted with exact powers; larger ones with
    /// estimates. 3^2000 has 3170 bits, cheap; 10^400 likewise.
    static constexpr std::int64_t kExactTrits = 2000, kExactDecades = 400;
    // Estimates are tried with 1, 2, 4 and 8 times the bits first asked for; a value still too
    // close to a threshold (an exact tie, possible only for long inputs) is then done exactly.
    static constexpr std::size_t kEstimateRetries = 8;
    static constexpr double kLog2of3 = 1.5849625007211562, kLog2of10 = 3.3219280948873622,
                            kLog10of2 = 0.30102999566398120;

    template <class I>
    static Number fromInteger(I v, Format format) {
        bool negative = false;
        if constexpr (std::is_signed_v<I>) negative = v < 0;
        std::uint64_t magnitude = static_cast<std::uint64_t>(v);
        if (negative) magnitude = 0 - magnitude;
        return nearest(negative, magnitude, 1, 0, format);
    }

    static Format clamped(Format f) {
        if (f.expLen < 1) f.expLen = 1;
        if (f.expLen > Format::kMaxExpLen) f.expLen = Format::kMaxExpLen;
        if (f.mantLen < 2) f.mantLen = 2;
        return f;
    }

    static bool copyTrits(const Trits& from, Trits& to) {
        const std::size_t len = to.size() - 1;
        if (from.size() != len && from.size() != len + 1) return false;
        if (from.size() == len + 1 && from[len] != 0) return false;
        for (std::size_t i = 0; i < len; ++i) {
            if (from[i] < -1 || from[i] > 1) return false;
            to[i] = from[i];
        }
        return true;
    }

    /// |mantissa| without its trailing zero trits into m; gives k with |value| = m * 3^k.
    /// Needs a non-zero number.
    std::int64_t scaledMantissa(BigUint& m) const {
        const int n = format_.mantLen;
        int low = 0;  // trailing zero trits: the mantissa is divisible by 3^low
        while (mant_[static_cast<std::size_t>(low)] == 0) ++low;
        m = BigUint();
        for (int i = n - 1; i >= low; --i) {  // Horner on the magnitude; it stays positive
            m.mulSmall(3);
            const int t = mant_[static_cast<std::size_t>(i)] * sign();
            if (t > 0) m += BigUint(1);
            if (t < 0) m -= BigUint(1);
        }
        return exponent() - n + low;
    }

    /// Balanced trits of v, least significant first, into `count` positions of `out`.
    static void writeInt(Trits& out, int count, std::int64_t v) {
        for (int i = 0; i < count; ++i) {
            std::int64_t r = v % 3;
            v /= 3;
            if (r > 1) r -= 3, ++v;
            if (r < -1) r += 3, --v;
            out[static_cast<std::size_t>(i)] = static_cast<trit>(r);
        }
    }

    /// The largest magnitude of the given sign.
    static Number saturated(bool negative, unsigned flag, Format format) {
        Number r(format);
        for (int i = 0; i < r.format_.mantLen; ++i) r.mant_[static_cast<std::size_t>(i)] = negative ? -1 : 1;
        writeInt(r.exp_, r.format_.expLen, r.format_.maxExponent());
        r.flags_ |= flag;
        return r;
    }

    /// The smallest magnitude of the given sign: mantissa +1 -1 -1 ... -1, exponent -max.
    static Number smallest(bool negative, Format format) {
        Number r(format);
        const int n = r.format_.mantLen;
        for (int i = 0; i < n; ++i) r.mant_[static_cast<std::size_t>(i)] = (i == n - 1) != negative ? 1 : -1;
        writeInt(r.exp_, r.format_.expLen, -r.format_.maxExponent());
        return r;
    }

    /// The number (negative ? -mant : mant) * 3^(e - mantLen); mant has mantLen balanced trits.
    static Number fromMantissa(bool negative, BigUint mant, std::int64_t e, Format format) {
        Number r(format);
        for (int i = 0; i < r.format_.mantLen; ++i) {
            int t = static_cast<int>(mant.divSmall(3));
            if (t == 2) {
                t = -1;
                mant += BigUint(1);
            }
            r.mant_[static_cast<std::size_t>(i)] = static_cast<trit>(negative ? -t : t);
        }
        writeInt(r.exp_, r.format_.expLen, e);
        return r;
    }

    /// Sign of 2 * num/den - 3^e.
    static int compareTwiceWithPowerOf3(const BigUint& num, const BigUint& den, std::int64_t e) {
        const BigUint power = BigUint::powerOf(3, static_cast<std::uint64_t>(e < 0 ? -e : e));
        const BigUint twice = num << 1;
        return e >= 0 ? compare(twice, den * power) : compare(twice * power, den);
    }

    /// The ternary float nearest to (negative ? -1 : 1) * num/den * 10^exp10.
    static Number nearest(bool negative, const BigUint& num, const BigUint& den, std::int64_t exp10, Format format) {
        Number r(format);
        if (num.isZero()) return r;
        const std::int64_t maxE = r.format_.maxExponent();
        // log3 of the magnitude, within a small fraction of a trit wherever it matters: values
        // more than two trits beyond the range are decided by it alone.
        const double log3 = (log2Of(num) - log2Of(den) + static_cast<double>(exp10) * kLog2of10) / kLog2of3;
        if (log3 > static_cast<double>(maxE) + 2) return saturated(negative, Flag::overflow, format);
        if (log3 < -static_cast<double>(maxE) - 3) {
            r.flags_ |= Flag::underflow;
            return r;
        }
        // Exact powers cost what the input's own digits cost, unless the decimal exponent is
        // large; the input's digits bound the rest (100 of them give at most 10^100).
        if (exp10 <= kExactDecades && exp10 >= -kExactDecades) return nearestExact(negative, num, den, exp10, format);
        const std::size_t first = static_cast<std::size_t>(r.format_.mantLen) * 8 / 5 + 64;
        for (std::size_t bits = first; bits <= first * kEstimateRetries; bits *= 2) {
            const std::optional<Number> x = nearestEstimated(negative, num, den, exp10, log3, bits, format);
            if (x) return *x;
        }
        return nearestExact(negative, num, den, exp10, format);  // a tie or a near one
    }

    /// nearest() from estimates of `bits` bits; nothing when they are too close to call.
    static std::optional<Number> nearestEstimated(bool negative, const BigUint& num, const BigUint& den,
                                                  std::int64_t exp10, double log3, std::size_t bits, Format format) {
        const Format f = clamped(format);
        const int n = f.mantLen;
        const std::int64_t maxE = f.maxExponent();
        const BigUint top = BigUint::powerOf(3, static_cast<std::uint64_t>(n));  // 3^n
        const BigUint third = BigUint::powerOf(3, static_cast<std::uint64_t>(n - 1));
        // e with 3^(e-1) <= 2x < 3^e, so that y = x / 3^(e-n) lies in [3^(n-1)/2, 3^n/2)
        std::int64_t e = static_cast<std::int64_t>(std::floor(log3 + 0.63092975357145743)) + 1;
        Estimate y;
        for (int step = 0;; ++step) {
            if (step == 4) return std::nullopt;
            y = estimate(num, den, n - e, exp10, bits);
            if (!y.clearOf12ths()) return std::nullopt;
            if (y.compareTwelfths(top * BigUint(6)) > 0) ++e;
            else if (y.compareTwelfths(third * BigUint(6)) < 0) --e;
            else break;
        }
        BigUint bottom = third;  // the smallest normalized mantissa, (3^(n-1)+1)/2
        bottom += BigUint(1);
        bottom.divSmall(2);
        if (e > maxE) return saturated(negative, Flag::overflow, format);
        if (e < -maxE) {  // below the range: the nearest of zero and the smallest number
            const Estimate low = estimate(num, den, maxE + n, exp10, bits);
            if (!low.clearOf12ths()) return std::nullopt;
            Number r = low.compareTwelfths(bottom * BigUint(6)) > 0 ? smallest(negative, format) : Number(format);
            r.flags_ |= Flag::underflow;
            return r;
        }
        BigUint mant = (y.floorTimes(2) + BigUint(1)) >> 1;  // floor(y + 1/2)
        // At the bottom of its range the lower neighbour is the top of the range below, two
        // thirds of a unit away: take it when it is nearer.
        if (mant == bottom && e > -maxE && y.compareTwelfths((top + BigUint(1)) * BigUint(2)) < 0) {
            mant = top;
            mant.divSmall(2);
            --e;
        }
        return fromMantissa(negative, mant, e, format);
    }

    /// nearest() with exact powers of 3 and 10.
    static Number nearestExact(bool negative, const BigUint& num0, const BigUint& den0, std::int64_t exp10, Format format) {
        Number r(format);
        const Format f = r.format_;
        const int n = f.mantLen;
        const std::int64_t maxE = f.maxExponent();
        BigUint num = num0, den = den0;
        const BigUint power10 = BigUint::powerOf(10, static_cast<std::uint64_t>(exp10 < 0 ? -exp10 : exp10));
        if (exp10 >= 0) num = num * power10;
        else den = den * power10;

        // e with 3^(e-1) <= 2x < 3^e: then x / 3^(e-n) lies in [3^(n-1)/2, 3^n/2) and rounds
        // to a mantissa of exactly n trits.
        std::int64_t e = static_cast<std::int64_t>(std::floor(
            (static_cast<double>(num.bitLength()) - static_cast<double>(den.bitLength()) + 1) / kLog2of3));
        while (compareTwiceWithPowerOf3(num, den, e) >= 0) ++e;
        while (compareTwiceWithPowerOf3(num, den, e - 1) < 0) --e;
        const BigUint top = BigUint::powerOf(3, static_cast<std::uint64_t>(n));  // 3^n
        BigUint bottom = top;  // the smallest normalized mantissa, (3^(n-1)+1)/2
        bottom.divSmall(3);
        bottom += BigUint(1);
        bottom.divSmall(2);
        if (e > maxE) return saturated(negative, Flag::overflow, format);
        if (e < -maxE) {  // below the range: the nearest of zero and the smallest number
            const BigUint scale = BigUint::powerOf(3, static_cast<std::uint64_t>(maxE + n));
            if (compare((num << 1) * scale, bottom * den) >= 0) r = smallest(negative, format);
            r.flags_ |= Flag::underflow;
            return r;
        }

        const std::int64_t k = e - n;  // the mantissa's last trit weighs 3^k
        const BigUint power3 = BigUint::powerOf(3, static_cast<std::uint64_t>(k < 0 ? -k : k));
        if (k < 0) num = num * power3;
        else den = den * power3;
        BigUint mant, rest;
        BigUint::divMod((num << 1) + den, den << 1, mant, rest);  // floor(x/3^k + 1/2)
        // At the bottom of its range the mantissa's lower neighbour is the top of the range
        // below, two thirds of a unit away rather than one: take it when it is nearer.
        if (mant == bottom && e > -maxE && compare(num * BigUint(6), (top + BigUint(1)) * den) < 0) {
            mant = top;
            mant.divSmall(2);  // (3^n-1)/2
            --e;
        }
        return fromMantissa(negative, mant, e, format);
    }

    /// a op b through the library, on copies of the operands and fresh all-zero buffers.
    Number combine(const Number& b, char op) const {
        Number r(format_);
        r.flags_ = flags_ | b.flags_;
        r.fault_ = meaningless() ? fault_ : b.fault_;
        if (b.format_ != format_) {
            r.flags_ |= Flag::invalid;
            if (!r.meaningless()) r.fault_ = Fault::invalid;
            return r;
        }
        const int expLen = format_.expLen, mantLen = format_.mantLen;
        Trits expA = exp_, mantA = mant_, expB = b.exp_, mantB = b.mant_;
        Trits expScratch(static_cast<std::size_t>(expLen) + 1, 0);
        Trits mantScratch(static_cast<std::size_t>(mantLen) + 1, 0);
        Trits quotA(static_cast<std::size_t>(mantLen) + 3, 0), quotB(quotA);
        switch (op) {
        case '-':
            ::inversStr(mantB.data(), mantLen);
            [[fallthrough]];
        case '+':
            ::add(r.exp_.data(), r.mant_.data(), expLen, mantLen, expA.data(), mantA.data(), expB.data(),
                  mantB.data(), expScratch.data());
            break;
        case '*':
            ::mul(r.exp_.data(), r.mant_.data(), expLen, mantLen, expA.data(), mantA.data(), expB.data(),
                  mantB.data(), expScratch.data(), mantScratch.data());
            break;
        default:
            if (b.isZero()) {
                r.flags_ |= Flag::divisionByZero;
                if (!r.meaningless()) r.fault_ = Fault::divisionByZero;
            }
            ::div(r.exp_.data(), r.mant_.data(), expLen, mantLen, expA.data(), mantA.data(), expB.data(),
                  mantB.data(), quotA.data(), quotB.data(), mantScratch.data(), expScratch.data());
            break;
        }
        trit& guard = r.exp_[static_cast<std::size_t>(expLen)];
        if (guard != 0) {
            r.flags_ |= guard > 0 ? Flag::overflow : Flag::underflow;
            if (!r.meaningless()) r.fault_ = guard > 0 ? Fault::overflow : Fault::underflow;
        }
        guard = 0;
        return r;
    }

    /// -1, 0 or +1 as a is below, equal to or above b; kUnordered when either is meaningless.
    /// Normalized numbers order by exponent first, then by their trits from the top, whatever
    /// their lengths (a shorter mantissa reads as zeros below its end).
    int compareTo(const Number& b) const {
        if (meaningless() || b.meaningless()) return kUnordered;
        if (sign() != b.sign()) return sign() < b.sign() ? -1 : 1;
        if (isZero()) return 0;
        const std::int64_t ea = exponent(), eb = b.exponent();
        if (ea != eb) return (ea < eb ? -1 : 1) * sign();
        const int na = format_.mantLen, nb = b.format_.mantLen;
        for (int i = 0; i < na || i < nb; ++i) {
            const int ta = i < na ? mant_[static_cast<std::size_t>(na - 1 - i)] : 0;
            const int tb = i < nb ? b.mant_[static_cast<std::size_t>(nb - 1 - i)] : 0;
            if (ta != tb) return ta < tb ? -1 : 1;
        }
        return 0;
    }

    Format format_;
    Trits exp_;   // expLen trits + guard
    Trits mant_;  // mantLen trits + guard
    unsigned flags_;
    Fault fault_ = Fault::none;
};

}  // namespace kestrom

namespace std {
/// std::hash of a Number: equal values hash alike (Number::hash).
template <>
struct hash<kestrom::Number> {
    /// The hash of x.
    std::size_t operator()(const kestrom::Number& x) const { return x.hash(); }
};
}  // namespace std

#endif

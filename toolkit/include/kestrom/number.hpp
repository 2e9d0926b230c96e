// SPDX-License-Identifier: MIT
// kestrom/number.hpp: a ternary float as a value, on top of the exported kestrom operations.
//
//   kestrom::Format f{6, 27};                         // expLen 6, mantLen 27
//   kestrom::Number a = kestrom::Number::fromInt(2, f);
//   kestrom::Number b = *kestrom::Number::fromText("1/3", f);
//   kestrom::Number c = a / b - b;                    // operands are never changed
//   c.toText();     // "17/3"        exact value
//   c.toTrits();    // "0.+-0-0000... * 3^3"
//   c.toDecimal(14) // "5.6666666666667"
//
// A Number owns its exponent and mantissa strings (each with its guard) and is always
// normalized or zero, with zero guards, so it can be handed to the library as it is. Every
// operation copies its operands and hands the library freshly sized, all-zero result and
// scratch buffers; the library's own results are kept as they are (the toolkit does not round
// or correct them).
//
// Flags are sticky: a result carries its operands' flags and adds its own.
//   overflow / underflow  the exponent left its range, upwards or downwards. After an
//       operation that is the library's carry into the exponent's guard trit; the toolkit
//       clears the guard and keeps the wrapped exponent, so the value is meaningless. A
//       conversion that meets a magnitude too large to hold saturates to the largest number
//       of that sign; one that meets a non-zero magnitude below the range gives the nearest
//       of zero and the smallest number.
//   divisionByZero  the divisor was zero; the value is what the library returns for it
//       (finite and meaningless; 0/0 gives zero).
//   invalid  a NaN was converted (the value is zero), the format was out of range (it was
//       clamped), or two operands of different formats met (the value is zero).
//
// Rounding: conversions from integers, doubles and text round the exact value to the nearest
// ternary float; exact ties (possible only for values with an even denominator, such as 1/2
// when its two neighbours are equally far, or halfway between the top of one exponent and
// the bottom of the next) go away from zero. Back to double: nearest, ties to even.
// Conversions are exact and build powers of 3 and 10 as large as the exponents involved:
// instant for expLen up to about 10 (|e| <= 29524), slow for extreme values near expLen 19.
//
// Header-only; needs C++17, the kestrom library and the standard library, nothing else.
// The target Kestrom::toolkit carries all three.
#ifndef KESTROM_NUMBER_HPP
#define KESTROM_NUMBER_HPP

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <kestrom.h>
#include "biguint.hpp"
#include "rational.hpp"

namespace kestrom {

using Trits = std::vector<trit>;

// The lengths shared by every number of one computation. expLen 1..19 (exponents are exact
// up to 19 trits), mantLen >= 2 (division needs two).
struct Format {
    int expLen = 6;
    int mantLen = 27;

    static constexpr int kMaxExpLen = 19;

    bool valid() const { return expLen >= 1 && expLen <= kMaxExpLen && mantLen >= 2; }

    // The largest exponent, (3^expLen - 1) / 2; the smallest is its negation.
    std::int64_t maxExponent() const {
        std::int64_t p = 1;
        for (int i = 0; i < expLen && i < kMaxExpLen; ++i) p *= 3;
        return (p - 1) / 2;
    }

    friend bool operator==(Format a, Format b) { return a.expLen == b.expLen && a.mantLen == b.mantLen; }
    friend bool operator!=(Format a, Format b) { return !(a == b); }
};

struct Flag {
    static constexpr unsigned overflow = 1;
    static constexpr unsigned underflow = 2;
    static constexpr unsigned divisionByZero = 4;
    static constexpr unsigned invalid = 8;
};

class Number {
public:
    // Zero. An invalid format is clamped into range and the invalid flag set.
    explicit Number(Format format = Format{})
        : format_(clamped(format)),
          exp_(static_cast<std::size_t>(format_.expLen) + 1, 0),
          mant_(static_cast<std::size_t>(format_.mantLen) + 1, 0),
          flags_(format.valid() ? 0 : Flag::invalid) {}

    static Number fromInt(long long v, Format format) {
        const std::uint64_t magnitude = v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
        return nearest(v < 0, magnitude, 1, 0, format);
    }

    // Nearest; infinities saturate with the overflow flag, NaN gives zero and the invalid flag.
    static Number fromDouble(double x, Format format) {
        if (std::isnan(x)) {
            Number r(format);
            r.flags_ |= Flag::invalid;
            return r;
        }
        if (std::isinf(x)) return saturated(x < 0, Flag::overflow, format);
        return fromRational(Rational::fromDouble(x), format);
    }

    static Number fromRational(const Rational& q, Format format) {
        return nearest(q.negative, q.num, q.den, 0, format);
    }

    // Exact text ("-1.25", "2/3", "1e-3"; see RationalText) rounded to nearest. On bad text
    // gives nothing and, if asked, the offset of the offending character and what was
    // expected there.
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

    // A number from its trits, least significant first, with or without the guard (which
    // must then be zero). Gives nothing unless the trits are valid and normalized or zero.
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

    Format format() const { return format_; }
    unsigned flags() const { return flags_; }
    bool overflow() const { return (flags_ & Flag::overflow) != 0; }
    bool underflow() const { return (flags_ & Flag::underflow) != 0; }
    bool divisionByZero() const { return (flags_ & Flag::divisionByZero) != 0; }
    bool invalid() const { return (flags_ & Flag::invalid) != 0; }
    void clearFlags() { flags_ = 0; }

    // Trits, least significant first, guard (always zero) included.
    const Trits& exponentTrits() const { return exp_; }
    const Trits& mantissaTrits() const { return mant_; }

    int sign() const { return mant_[static_cast<std::size_t>(format_.mantLen - 1)]; }
    bool isZero() const { return sign() == 0; }

    // e, where the value is m * 3^e and 1/6 < |m| < 1/2.
    std::int64_t exponent() const {
        std::int64_t e = 0, p = 1;
        for (int i = 0; i < format_.expLen; ++i, p *= 3) e += exp_[static_cast<std::size_t>(i)] * p;
        return e;
    }

    friend Number operator+(const Number& a, const Number& b) { return a.combine(b, '+'); }
    friend Number operator-(const Number& a, const Number& b) { return a.combine(b, '-'); }
    friend Number operator*(const Number& a, const Number& b) { return a.combine(b, '*'); }
    friend Number operator/(const Number& a, const Number& b) { return a.combine(b, '/'); }
    Number& operator+=(const Number& b) { return *this = *this + b; }
    Number& operator-=(const Number& b) { return *this = *this - b; }
    Number& operator*=(const Number& b) { return *this = *this * b; }
    Number& operator/=(const Number& b) { return *this = *this / b; }

    Number operator-() const {
        Number r = *this;
        ::inversStr(r.mant_.data(), format_.mantLen);
        return r;
    }

    // Equality and order of the values; flags play no part. Numbers of different formats are
    // compared by their exact values.
    friend bool operator==(const Number& a, const Number& b) { return a.compareTo(b) == 0; }
    friend bool operator!=(const Number& a, const Number& b) { return a.compareTo(b) != 0; }
    friend bool operator<(const Number& a, const Number& b) { return a.compareTo(b) < 0; }
    friend bool operator<=(const Number& a, const Number& b) { return a.compareTo(b) <= 0; }
    friend bool operator>(const Number& a, const Number& b) { return a.compareTo(b) > 0; }
    friend bool operator>=(const Number& a, const Number& b) { return a.compareTo(b) >= 0; }

    // The exact value, with the denominator a power of 3.
    Rational toRational() const {
        Rational r;
        if (isZero()) return r;
        const int n = format_.mantLen;
        r.negative = sign() < 0;
        int low = 0;  // trailing zero trits: the mantissa is divisible by 3^low
        while (mant_[static_cast<std::size_t>(low)] == 0) ++low;
        for (int i = n - 1; i >= low; --i) {  // Horner on the magnitude; it stays positive
            r.num.mulSmall(3);
            const int t = mant_[static_cast<std::size_t>(i)] * sign();
            if (t > 0) r.num += BigUint(1);
            if (t < 0) r.num -= BigUint(1);
        }
        const std::int64_t k = exponent() - n + low;  // value = num * 3^k
        const BigUint power = BigUint::powerOf(3, static_cast<std::uint64_t>(k < 0 ? -k : k));
        if (k >= 0) r.num = r.num * power;
        else r.den = power;
        return r;
    }

    // Nearest double, ties to even.
    double toDouble() const {
        if (isZero()) return 0.0;
        const std::int64_t e = exponent();  // 3^700 / 6 is beyond every double
        if (e > 700) return sign() * HUGE_VAL;
        if (e < -700) return sign() * 0.0;
        return toRational().toDouble();
    }

    // The exact value as "n" or "-n/d" in lowest terms; fromText reads it back exactly.
    std::string toText() const { return toRational().toString(); }

    // Rounded to `digits` significant decimal digits; see Rational::toDecimal.
    std::string toDecimal(int digits, bool* exact = nullptr) const {
        return toRational().toDecimal(digits < 1 ? 1 : digits, exact);
    }

    // The stored form, mantissa trits most significant first after the radix point, then
    // the exponent: 5 with mantLen 6 is "0.+--000 * 3^3". Trits are '+', '0' and '-' (ASCII
    // hyphen-minus for -1).
    std::string toTrits() const {
        std::string out = "0.";
        for (int i = format_.mantLen - 1; i >= 0; --i) {
            const int t = mant_[static_cast<std::size_t>(i)];
            out += t > 0 ? '+' : (t < 0 ? '-' : '0');
        }
        return out + " * 3^" + std::to_string(exponent());
    }

private:
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

    // Balanced trits of v, least significant first, into `count` positions of `out`.
    static void writeInt(Trits& out, int count, std::int64_t v) {
        for (int i = 0; i < count; ++i) {
            std::int64_t r = v % 3;
            v /= 3;
            if (r > 1) r -= 3, ++v;
            if (r < -1) r += 3, --v;
            out[static_cast<std::size_t>(i)] = static_cast<trit>(r);
        }
    }

    // The largest magnitude of the given sign.
    static Number saturated(bool negative, unsigned flag, Format format) {
        Number r(format);
        for (int i = 0; i < r.format_.mantLen; ++i) r.mant_[static_cast<std::size_t>(i)] = negative ? -1 : 1;
        writeInt(r.exp_, r.format_.expLen, r.format_.maxExponent());
        r.flags_ |= flag;
        return r;
    }

    // The smallest magnitude of the given sign: mantissa +1 -1 -1 ... -1, exponent -max.
    static Number smallest(bool negative, Format format) {
        Number r(format);
        const int n = r.format_.mantLen;
        for (int i = 0; i < n; ++i) r.mant_[static_cast<std::size_t>(i)] = (i == n - 1) != negative ? 1 : -1;
        writeInt(r.exp_, r.format_.expLen, -r.format_.maxExponent());
        return r;
    }

    // Sign of 2 * num/den - 3^e.
    static int compareTwiceWithPowerOf3(const BigUint& num, const BigUint& den, std::int64_t e) {
        const BigUint power = BigUint::powerOf(3, static_cast<std::uint64_t>(e < 0 ? -e : e));
        const BigUint twice = num << 1;
        return e >= 0 ? compare(twice, den * power) : compare(twice * power, den);
    }

    // The ternary float nearest to (negative ? -1 : 1) * num/den * 10^exp10.
    static Number nearest(bool negative, const BigUint& num0, const BigUint& den0, std::int64_t exp10, Format format) {
        Number r(format);
        if (num0.isZero()) return r;
        const Format f = r.format_;
        const int n = f.mantLen;
        const std::int64_t maxE = f.maxExponent();

        // A decimal estimate first (within a third of a decade), so that a literal such as
        // 1e999999999 is judged without building its powers.
        const double log10 = (static_cast<double>(num0.bitLength()) - static_cast<double>(den0.bitLength())) *
                                 0.30102999566398120 + static_cast<double>(exp10);
        const double log10of3 = 0.47712125471966244;
        if (log10 - 1 > static_cast<double>(maxE) * log10of3 + 1) return saturated(negative, Flag::overflow, format);
        if (log10 + 1 < -static_cast<double>(maxE + 2) * log10of3 - 1) {
            r.flags_ |= Flag::underflow;
            return r;
        }
        BigUint num = num0, den = den0;
        const BigUint power10 = BigUint::powerOf(10, static_cast<std::uint64_t>(exp10 < 0 ? -exp10 : exp10));
        if (exp10 >= 0) num = num * power10;
        else den = den * power10;

        // e with 3^(e-1) <= 2x < 3^e: then x / 3^(e-n) lies in [3^(n-1)/2, 3^n/2) and rounds
        // to a mantissa of exactly n trits.
        std::int64_t e = static_cast<std::int64_t>(std::floor(
            (static_cast<double>(num.bitLength()) - static_cast<double>(den.bitLength()) + 1) / 1.5849625007211562));
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
        for (int i = 0; i < n; ++i) {
            int t = static_cast<int>(mant.divSmall(3));
            if (t == 2) {
                t = -1;
                mant += BigUint(1);
            }
            r.mant_[static_cast<std::size_t>(i)] = static_cast<trit>(negative ? -t : t);
        }
        writeInt(r.exp_, f.expLen, e);
        return r;
    }

    // a op b through the library, on copies of the operands and fresh all-zero buffers.
    Number combine(const Number& b, char op) const {
        Number r(format_);
        r.flags_ = flags_ | b.flags_;
        if (b.format_ != format_) {
            r.flags_ |= Flag::invalid;
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
            if (b.isZero()) r.flags_ |= Flag::divisionByZero;
            ::div(r.exp_.data(), r.mant_.data(), expLen, mantLen, expA.data(), mantA.data(), expB.data(),
                  mantB.data(), quotA.data(), quotB.data(), mantScratch.data(), expScratch.data());
            break;
        }
        trit& guard = r.exp_[static_cast<std::size_t>(expLen)];
        if (guard > 0) r.flags_ |= Flag::overflow;
        if (guard < 0) r.flags_ |= Flag::underflow;
        guard = 0;
        return r;
    }

    int compareTo(const Number& b) const {
        if (b.format_ != format_) return compare(toRational(), b.toRational());
        if (sign() != b.sign()) return sign() < b.sign() ? -1 : 1;
        if (isZero()) return 0;
        int magnitude = 0;  // of |a| against |b|: the exponent first, then the trits from the top
        const std::int64_t ea = exponent(), eb = b.exponent();
        if (ea != eb) {
            magnitude = ea < eb ? -1 : 1;
        } else {
            for (int i = format_.mantLen - 1; i >= 0 && magnitude == 0; --i) {
                const int ta = mant_[static_cast<std::size_t>(i)], tb = b.mant_[static_cast<std::size_t>(i)];
                if (ta != tb) magnitude = (ta < tb ? -1 : 1) * sign();
            }
        }
        return magnitude * sign();
    }

    Format format_;
    Trits exp_;   // expLen trits + guard
    Trits mant_;  // mantLen trits + guard
    unsigned flags_;
};

}  // namespace kestrom

#endif

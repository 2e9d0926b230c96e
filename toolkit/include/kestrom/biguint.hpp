// SPDX-License-Identifier: MIT
/// @file kestrom/biguint.hpp
/// kestrom/biguint.hpp: a small arbitrary-precision unsigned integer for the host toolkit.
///
/// Only what exact conversions between ternary floats, decimal text and doubles need: add,
/// subtract, multiply, divide with remainder, shifts, comparison and decimal text. Schoolbook
/// algorithms throughout: the cost of an operation grows with the product of the operand
/// sizes, which is fine for the few thousand bits a ternary float of moderate exponent needs.
/// Header-only, standard library only.
#ifndef KESTROM_BIGUINT_HPP
#define KESTROM_BIGUINT_HPP

#if (defined(_MSVC_LANG) ? _MSVC_LANG : __cplusplus) < 201703L
#error "kestrom's toolkit needs C++17 or later: compile with -std=c++17 (or newer), or link Kestrom::toolkit in CMake"
#endif

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrom {

/// An unsigned integer of any size, least significant 32-bit limb first.
class BigUint {
public:
    /// Zero.
    BigUint() = default;
    /// The value v.
    BigUint(std::uint64_t v) {  // NOLINT: implicit on purpose, small literals read naturally
        while (v != 0) {
            limbs_.push_back(static_cast<std::uint32_t>(v));
            v >>= 32;
        }
    }

    /// Whether the value is zero.
    bool isZero() const { return limbs_.empty(); }

    /// Number of significant bits; 0 for zero.
    std::size_t bitLength() const {
        if (limbs_.empty()) return 0;
        std::size_t bits = 32 * (limbs_.size() - 1);
        for (std::uint32_t top = limbs_.back(); top != 0; top >>= 1) ++bits;
        return bits;
    }

    /// The low 64 bits.
    std::uint64_t low64() const {
        std::uint64_t v = 0;
        if (!limbs_.empty()) v = limbs_[0];
        if (limbs_.size() > 1) v |= static_cast<std::uint64_t>(limbs_[1]) << 32;
        return v;
    }

    /// -1, 0 or +1 as a is below, equal to or above b.
    friend int compare(const BigUint& a, const BigUint& b) {
        if (a.limbs_.size() != b.limbs_.size()) return a.limbs_.size() < b.limbs_.size() ? -1 : 1;
        for (std::size_t i = a.limbs_.size(); i-- > 0;)
            if (a.limbs_[i] != b.limbs_[i]) return a.limbs_[i] < b.limbs_[i] ? -1 : 1;
        return 0;
    }
    /// Comparisons of the values.
    friend bool operator==(const BigUint& a, const BigUint& b) { return a.limbs_ == b.limbs_; }
    /// \copydoc operator==
    friend bool operator!=(const BigUint& a, const BigUint& b) { return !(a == b); }
    /// \copydoc operator==
    friend bool operator<(const BigUint& a, const BigUint& b) { return compare(a, b) < 0; }
    /// \copydoc operator==
    friend bool operator<=(const BigUint& a, const BigUint& b) { return compare(a, b) <= 0; }
    /// \copydoc operator==
    friend bool operator>(const BigUint& a, const BigUint& b) { return compare(a, b) > 0; }
    /// \copydoc operator==
    friend bool operator>=(const BigUint& a, const BigUint& b) { return compare(a, b) >= 0; }

    /// *this := *this + b.
    BigUint& operator+=(const BigUint& b) {
        if (limbs_.size() < b.limbs_.size()) limbs_.resize(b.limbs_.size(), 0);
        std::uint64_t carry = 0;
        for (std::size_t i = 0; i < limbs_.size(); ++i) {
            carry += limbs_[i];
            if (i < b.limbs_.size()) carry += b.limbs_[i];
            limbs_[i] = static_cast<std::uint32_t>(carry);
            carry >>= 32;
        }
        if (carry != 0) limbs_.push_back(static_cast<std::uint32_t>(carry));
        return *this;
    }

    /// Needs *this >= b.
    BigUint& operator-=(const BigUint& b) {
        std::int64_t borrow = 0;
        for (std::size_t i = 0; i < limbs_.size(); ++i) {
            std::int64_t d = static_cast<std::int64_t>(limbs_[i]) - borrow;
            if (i < b.limbs_.size()) d -= b.limbs_[i];
            borrow = d < 0 ? 1 : 0;
            limbs_[i] = static_cast<std::uint32_t>(d + (borrow << 32));
        }
        trim();
        return *this;
    }

    /// *this := *this * m.
    BigUint& mulSmall(std::uint32_t m) {
        std::uint64_t carry = 0;
        for (std::uint32_t& limb : limbs_) {
            carry += static_cast<std::uint64_t>(limb) * m;
            limb = static_cast<std::uint32_t>(carry);
            carry >>= 32;
        }
        if (carry != 0) limbs_.push_back(static_cast<std::uint32_t>(carry));
        trim();
        return *this;
    }

    /// *this := *this / d, returning the remainder. Needs d > 0.
    std::uint32_t divSmall(std::uint32_t d) {
        std::uint64_t rem = 0;
        for (std::size_t i = limbs_.size(); i-- > 0;) {
            const std::uint64_t cur = (rem << 32) | limbs_[i];
            limbs_[i] = static_cast<std::uint32_t>(cur / d);
            rem = cur % d;
        }
        trim();
        return static_cast<std::uint32_t>(rem);
    }

    /// a + b.
    friend BigUint operator+(BigUint a, const BigUint& b) { return a += b; }
    /// a - b; needs a >= b.
    friend BigUint operator-(BigUint a, const BigUint& b) { return a -= b; }

    /// a * b, schoolbook.
    friend BigUint operator*(const BigUint& a, const BigUint& b) {
        BigUint r;
        if (a.isZero() || b.isZero()) return r;
        r.limbs_.assign(a.limbs_.size() + b.limbs_.size(), 0);
        for (std::size_t i = 0; i < a.limbs_.size(); ++i) {
            std::uint64_t carry = 0;
            for (std::size_t j = 0; j < b.limbs_.size(); ++j) {
                carry += static_cast<std::uint64_t>(a.limbs_[i]) * b.limbs_[j] + r.limbs_[i + j];
                r.limbs_[i + j] = static_cast<std::uint32_t>(carry);
                carry >>= 32;
            }
            r.limbs_[i + b.limbs_.size()] = static_cast<std::uint32_t>(carry);
        }
        r.trim();
        return r;
    }

    /// *this := *this * 2^bits.
    BigUint& operator<<=(std::size_t bits) {
        if (isZero()) return *this;
        const std::size_t whole = bits / 32, part = bits % 32;
        if (part != 0) {
            std::uint32_t carry = 0;
            for (std::uint32_t& limb : limbs_) {
                const std::uint32_t next = limb >> (32 - part);
                limb = (limb << part) | carry;
                carry = next;
            }
            if (carry != 0) limbs_.push_back(carry);
        }
        limbs_.insert(limbs_.begin(), whole, 0);
        return *this;
    }
    /// a * 2^bits.
    friend BigUint operator<<(BigUint a, std::size_t bits) { return a <<= bits; }

    /// Division by 2^bits, rounding down.
    BigUint& operator>>=(std::size_t bits) {
        const std::size_t whole = bits / 32, part = bits % 32;
        if (whole >= limbs_.size()) {
            limbs_.clear();
            return *this;
        }
        limbs_.erase(limbs_.begin(), limbs_.begin() + static_cast<std::ptrdiff_t>(whole));
        if (part != 0) {
            for (std::size_t i = 0; i < limbs_.size(); ++i) {
                limbs_[i] >>= part;
                if (i + 1 < limbs_.size()) limbs_[i] |= limbs_[i + 1] << (32 - part);
            }
        }
        trim();
        return *this;
    }
    /// a / 2^bits, rounded down.
    friend BigUint operator>>(BigUint a, std::size_t bits) { return a >>= bits; }

    /// The low `bits` bits: the remainder of division by 2^bits.
    BigUint low(std::size_t bits) const {
        BigUint r;
        const std::size_t whole = bits / 32, part = bits % 32;
        r.limbs_.assign(limbs_.begin(), limbs_.begin() + static_cast<std::ptrdiff_t>(std::min(whole + (part != 0 ? 1 : 0), limbs_.size())));
        if (part != 0 && whole < r.limbs_.size()) r.limbs_[whole] &= (std::uint32_t{1} << part) - 1;
        r.trim();
        return r;
    }

    /// Quotient and remainder of n / d by shift and subtract; the cost is the number of
    /// quotient bits times the size of n, so a small quotient of huge operands is cheap.
    /// Needs d > 0.
    static void divMod(const BigUint& n, const BigUint& d, BigUint& quotient, BigUint& remainder) {
        remainder = n;
        quotient = BigUint();
        if (n < d) return;
        std::size_t shift = n.bitLength() - d.bitLength();
        BigUint step = d << shift;
        quotient.limbs_.assign(shift / 32 + 1, 0);
        for (std::size_t i = shift + 1; i-- > 0;) {
            if (remainder >= step) {
                remainder -= step;
                quotient.limbs_[i / 32] |= std::uint32_t{1} << (i % 32);
            }
            step.shiftRightOne();
        }
        quotient.trim();
    }

    /// base^exponent, multiplying by the largest power of base that fits a limb at a time.
    /// Needs base >= 2.
    static BigUint powerOf(std::uint32_t base, std::uint64_t exponent) {
        std::uint32_t chunk = base;
        std::uint64_t perChunk = 1;
        while (static_cast<std::uint64_t>(chunk) * base <= UINT32_MAX) {
            chunk *= base;
            ++perChunk;
        }
        BigUint r(1);
        for (; exponent >= perChunk; exponent -= perChunk) r.mulSmall(chunk);
        for (; exponent > 0; --exponent) r.mulSmall(base);
        return r;
    }

    /// Decimal digits, no sign, "0" for zero.
    std::string toString() const {
        if (isZero()) return "0";
        BigUint v = *this;
        std::string out;
        while (!v.isZero()) {
            std::uint32_t chunk = v.divSmall(1000000000);
            for (int k = 0; k < 9; ++k) {
                out.push_back(static_cast<char>('0' + chunk % 10));
                chunk /= 10;
                if (v.isZero() && chunk == 0) break;
            }
        }
        std::reverse(out.begin(), out.end());
        return out;
    }

private:
    void trim() {
        while (!limbs_.empty() && limbs_.back() == 0) limbs_.pop_back();
    }
    void shiftRightOne() {
        for (std::size_t i = 0; i < limbs_.size(); ++i) {
            limbs_[i] >>= 1;
            if (i + 1 < limbs_.size()) limbs_[i] |= limbs_[i + 1] << 31;
        }
        trim();
    }

    std::vector<std::uint32_t> limbs_;  // least significant first, no leading zero limbs
};

}  // namespace kestrom

#endif

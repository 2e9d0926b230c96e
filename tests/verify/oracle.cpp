// SPDX-License-Identifier: MIT
#include "oracle.h"

namespace oracle {

namespace {

// 3^k and (3^k - 1) / 2 for k >= 0 (1 and 0 for k < 0), remembered: the tests call the
// model millions of times. (3^k - 1) / 2 is the largest magnitude that k trits hold.
const mpz_class& power(long k, bool half) {
    static std::vector<mpz_class> powers{1}, halves{0};
    while (static_cast<long>(powers.size()) <= k) {
        powers.push_back(3 * powers.back());
        halves.push_back((powers.back() - 1) / 2);
    }
    return (half ? halves : powers)[static_cast<size_t>(k < 0 ? 0 : k)];
}
const mpz_class& pow3(long k) { return power(k, false); }
const mpz_class& most(long k) { return power(k, true); }

// Whether v needs more than k trits.
bool exceeds(const mpz_class& v, long k) {
    return mpz_cmpabs(v.get_mpz_t(), most(k).get_mpz_t()) > 0;
}

// v := v / 3^k rounded to nearest, which is what dropping k low trits leaves. 3^k is odd, so
// there are no ties: floor((v + (3^k - 1) / 2) / 3^k).
void drop(mpz_class& v, long k) {
    v += most(k);
    mpz_fdiv_q(v.get_mpz_t(), v.get_mpz_t(), pow3(k).get_mpz_t());
}

// v := v reduced into k trits (-(3^k - 1) / 2 ... (3^k - 1) / 2): what a k-trit string keeps
// when the carry out of its top is lost.
void wrap(mpz_class& v, long k) {
    v += most(k);
    mpz_fdiv_r(v.get_mpz_t(), v.get_mpz_t(), pow3(k).get_mpz_t());
    v -= most(k);
}
mpz_class wrapped(mpz_class v, long k) { return wrap(v, k), v; }

// The lowest trit of v.
int lowTrit(const mpz_class& v) {
    const unsigned long r = mpz_fdiv_ui(v.get_mpz_t(), 3);
    return r == 2 ? -1 : static_cast<int>(r);
}

Trits toTrits(mpz_class v, int count) {
    Trits t;
    for (int i = 0; i < count; ++i, drop(v, 1)) t.push_back(static_cast<signed char>(lowTrit(v)));
    return t;
}

// An exponent as the library keeps it (expLen trits and a guard, carries lost above the
// guard) next to the exponent it should be.
struct Exponent {
    int len;
    mpz_class kept, ideal;

    Exponent(int expLen, const mpz_class& e)
        : len(expLen), kept(wrapped(e, expLen + 1)), ideal(e) {}
    void raise(long by) {
        kept += by, wrap(kept, len + 1);
        ideal += by;
    }
    // Normalizing past z leading zeros lowers the exponent by z exactly; without significant
    // exponent trits only the guard remains, and it is left alone.
    void lower(long z) {
        if (len > 0) kept -= z, wrap(kept, len + 1);
        ideal -= z;
    }
    // A zero result clears the significant trits; the guard keeps what it had.
    void clear() {
        kept -= wrapped(kept, len);
        ideal = 0;
    }
    bool overflow() const { return kept != ideal || exceeds(ideal, len); }
};

// Brings a raw mantissa m of mantLen+1 trits to normalized form: one trit down if it reaches
// the guard, otherwise up past its leading zeros; zero clears the exponent.
void normalize(Exponent& e, mpz_class& m, int mantLen) {
    if (exceeds(m, mantLen)) {
        drop(m, 1);
        e.raise(1);
        return;
    }
    if (m == 0) {
        e.clear();
        return;
    }
    int used = 1;
    while (exceeds(m, used)) ++used;
    m *= pow3(mantLen - used);
    if (used < mantLen) e.lower(mantLen - used);
}

Outcome outcome(const Exponent& e, const mpz_class& m, const mpz_class& a, const mpz_class& b,
                int mantLen) {
    return {toTrits(e.kept, e.len + 1), toTrits(m, mantLen + 1), toTrits(a, mantLen + 1),
            toTrits(b, mantLen + 1), e.overflow()};
}

}  // namespace

mpz_class value(const Trits& s, int count) {
    mpz_class v = 0;
    for (int i = count - 1; i >= 0; --i) v = 3 * v + s[static_cast<size_t>(i)];
    return v;
}

Outcome add(int expLen, int mantLen, const Trits& expA, const Trits& mantA, const Trits& expB,
            const Trits& mantB) {
    mpz_class a = value(mantA, mantLen + 1), b = value(mantB, mantLen + 1);
    const mpz_class eA = value(expA, expLen), eB = value(expB, expLen);
    const bool zeroA = wrapped(a, mantLen) == 0, zeroB = wrapped(b, mantLen) == 0;
    // A zero operand is never aligned; otherwise the smaller exponent's mantissa loses its
    // low trits (all of them past mantLen+1). Without exponent trits both exponents are 0.
    Exponent e(expLen, zeroA ? eB : (zeroB || eA > eB ? eA : eB));
    if (!zeroA && !zeroB) {
        const mpz_class d = eA - eB, distance = abs(d);
        const long shift = distance > mantLen ? mantLen + 1L : distance.get_si();
        drop(d < 0 ? a : b, d == 0 ? 0 : shift);
    }
    mpz_class m = a + b;
    wrap(m, mantLen + 1);
    normalize(e, m, mantLen);
    return outcome(e, m, a, b, mantLen);
}

Outcome mul(int expLen, int mantLen, const Trits& expA, const Trits& mantA, const Trits& expB,
            const Trits& mantB) {
    const mpz_class a = value(mantA, mantLen);
    mpz_class b = value(mantB, mantLen);
    // Shift and add over B's trits, lowest first, in a window of mantLen+1 trits: each round
    // after the first drops the running product's lowest trit.
    mpz_class p = a * lowTrit(b);
    for (int i = 1; i < mantLen; ++i) {
        drop(b, 1);
        drop(p, 1);
        p += lowTrit(b) * a;
        wrap(p, mantLen + 1);
    }
    // The window holds 3 * (fraction of A) * (fraction of B) in units of 3^-mantLen.
    Exponent e(expLen, value(expA, expLen + 1) + value(expB, expLen + 1));
    e.raise(-1);
    normalize(e, p, mantLen);
    return outcome(e, p, value(mantA, mantLen + 1), value(mantB, mantLen + 1), mantLen);
}

Outcome div(int expLen, int mantLen, const Trits& expA, const Trits& mantA, const Trits& expB,
            const Trits& mantB) {
    mpz_class r = value(mantA, mantLen + 1);
    const mpz_class d = value(mantB, mantLen);
    const int dTop = exceeds(d, mantLen - 1) ? sgn(d) : 0;  // the divisor's top trit
    // Selection on magnitudes: a remainder that needs more than mantLen-2 trits is reduced
    // by the divisor towards zero; a zero top trit of the divisor always selects -1.
    mpz_class q = 0;
    for (int p = mantLen; p >= 0; --p) {
        for (int twice = 0; twice < 2; ++twice) {
            if (!exceeds(r, mantLen - 2)) continue;
            if (sgn(r) == dTop) {
                q += pow3(p), r -= d;
            } else {
                q -= pow3(p), r += d;
            }
            wrap(r, mantLen + 1);
        }
        r *= 3;
        wrap(r, mantLen + 1);  // the remainder's guard falls off the top
    }
    // q approximates (A / B) * 3^mantLen; keep its top mantLen trits.
    Exponent e(expLen, value(expA, expLen + 1) - value(expB, expLen + 1));
    if (exceeds(q, mantLen + 1)) {
        drop(q, 2);
        e.raise(2);
    } else if (exceeds(q, mantLen)) {
        drop(q, 1);
        e.raise(1);
    } else if (!exceeds(q, mantLen - 1)) {
        q = 0;
        e.clear();
    }
    return outcome(e, q, r, value(mantB, mantLen + 1), mantLen);
}

}  // namespace oracle

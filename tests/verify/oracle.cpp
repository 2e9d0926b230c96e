#include "oracle.h"

namespace oracle {

namespace {

// 3^k and (3^k - 1) / 2 for k >= 0 (1 and 0 for k < 0), remembered: the tests call the
// model millions of times. (3^k - 1) / 2 is the largest magnitude that k trits hold; a
// number needs more than k trits exactly when its magnitude exceeds it.
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

// v / 3^k rounded to nearest: what is left after dropping k low trits. 3^k is odd, so
// there are no ties.
mpz_class drop(const mpz_class& v, long k) {
    const mpz_class p = pow3(k);
    mpz_class q = 2 * v + p, twice = 2 * p;
    mpz_fdiv_q(q.get_mpz_t(), q.get_mpz_t(), twice.get_mpz_t());
    return q;
}

// v reduced into k trits: what a k-trit string keeps when the carry out of its top is lost.
mpz_class wrap(const mpz_class& v, long k) { return v - pow3(k) * drop(v, k); }

Trits toTrits(mpz_class v, int count) {
    Trits t;
    for (int i = 0; i < count; ++i) {
        t.push_back(static_cast<signed char>(wrap(v, 1).get_si()));
        v = drop(v, 1);
    }
    return t;
}

// An exponent as the library keeps it (expLen trits and a guard, carries lost above the
// guard) next to the exponent it should be.
struct Exponent {
    int len;
    mpz_class kept, ideal;

    Exponent(int expLen, const mpz_class& e) : len(expLen), kept(wrap(e, expLen + 1)), ideal(e) {}
    void raise(long by) {
        kept = wrap(kept + by, len + 1);
        ideal += by;
    }
    // Normalizing after z leading zeros: z itself is written into len trits first.
    void lower(long z) {
        kept = wrap(kept - wrap(z, len), len + 1);
        ideal -= z;
    }
    // A zero result clears the significant trits; the guard keeps what it had.
    void clear() {
        kept -= wrap(kept, len);
        ideal = 0;
    }
    bool overflow() const { return kept != ideal || abs(ideal) > most(len); }
};

// Brings a raw mantissa m of mantLen+1 trits to normalized form: one trit down if it reaches
// the guard, otherwise up past its leading zeros; zero clears the exponent.
void normalize(Exponent& e, mpz_class& m, int mantLen) {
    if (abs(m) > most(mantLen)) {
        m = drop(m, 1);
        e.raise(1);
        return;
    }
    if (m == 0) {
        e.clear();
        return;
    }
    int used = 1;
    while (abs(m) > most(used)) ++used;
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
    const bool zeroA = wrap(a, mantLen) == 0, zeroB = wrap(b, mantLen) == 0;
    // A zero operand is never aligned; otherwise the smaller exponent's mantissa loses its
    // low trits (all of them past mantLen+1). Without exponent trits both exponents are 0.
    Exponent e(expLen, zeroA ? eB : (zeroB || eA > eB ? eA : eB));
    if (!zeroA && !zeroB) {
        const mpz_class d = eA - eB;
        const mpz_class dist = abs(d);
        const long shift = dist > mantLen ? mantLen + 1L : dist.get_si();
        if (d < 0) a = drop(a, shift);
        if (d > 0) b = drop(b, shift);
    }
    mpz_class m = wrap(a + b, mantLen + 1);
    normalize(e, m, mantLen);
    return outcome(e, m, a, b, mantLen);
}

Outcome mul(int expLen, int mantLen, const Trits& expA, const Trits& mantA, const Trits& expB,
            const Trits& mantB) {
    const mpz_class a = value(mantA, mantLen);
    mpz_class b = value(mantB, mantLen);
    // Shift and add over B's trits, lowest first, in a window of mantLen+1 trits: each round
    // after the first drops the running product's lowest trit.
    mpz_class p = a * wrap(b, 1);
    for (int i = 1; i < mantLen; ++i) {
        b = drop(b, 1);
        p = wrap(drop(p, 1) + a * wrap(b, 1), mantLen + 1);
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
    const int dSign = abs(d) > most(mantLen - 1) ? sgn(d) : 0;  // the divisor's top trit
    // Selection on magnitudes: a remainder that needs more than mantLen-2 trits is reduced
    // by the divisor towards zero; a zero top trit of the divisor always selects -1.
    const auto select = [&](const mpz_class& rem) {
        if (abs(rem) <= most(mantLen - 2)) return 0;
        return sgn(rem) == dSign ? 1 : -1;
    };
    mpz_class q = 0;
    for (int p = mantLen; p >= 0; --p) {
        for (int twice = 0; twice < 2; ++twice) {
            const int t = select(r);
            q += t * pow3(p);
            r = wrap(r - t * d, mantLen + 1);
        }
        r = wrap(3 * r, mantLen + 1);  // the remainder's guard falls off the top
    }
    // q approximates (A / B) * 3^mantLen; keep its top mantLen trits.
    Exponent e(expLen, value(expA, expLen + 1) - value(expB, expLen + 1));
    mpz_class m = q;
    if (abs(q) > most(mantLen + 1)) {
        m = drop(q, 2);
        e.raise(2);
    } else if (abs(q) > most(mantLen)) {
        m = drop(q, 1);
        e.raise(1);
    } else if (abs(q) <= most(mantLen - 1)) {
        m = 0;
        e.clear();
    }
    return outcome(e, m, r, value(mantB, mantLen + 1), mantLen);
}

}  // namespace oracle

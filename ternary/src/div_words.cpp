#include "normalize.h"
#include "operations.h"
#include "trit_string.h"
#include "words.h"

namespace kestrom {

#if KESTROM_WORD_PATHS

using namespace words;

// The trit-level recurrence as integer arithmetic. With a normalized divisor D (d = |D|) and a
// remainder R of valid trits with a zero guard, a selection looks at R's three top positions,
// which are all zero exactly when |R| <= T = (3^(mantLen-2) - 1) / 2; otherwise it subtracts
// sign(R) * d, recording sign(R) * sign(D). The two selections of one position therefore
// subtract s * sign(R) * d with
//   s = 2 when |R| > d + T,  s = 1 when d - T <= |R| <= d + T,  s = 0 below d - T
// (s = 0 includes the case where the first selection overshoots past -T and the second one
// adds d back). Starting from |R| <= (3^mantLen - 1) / 2 < 3d, every remainder stays below 3d
// before and below d after the selections, so neither a subtraction nor the shift up ever
// loses a trit past the guard: the trit strings are the integers' exact representations.
// The quotient digits sum to Q = sum of s_p * sign(R_p) * sign(D) * 3^p, which quotA + quotB
// holds, and the remainder ends as 3^(mantLen+1) * A - 3 * D * Q.

namespace {

// Mantissas of up to 39 trits: the remainder, below 3d, fits one word, and so does |Q|.
bool divShort(trit* resExp, trit* resMant, int expLen, int n, trit* expA, trit* mantA,
              trit* expB, trit* mantB, trit* quotA, trit* quotB, trit* mantScratch,
              trit* expScratch) {
    i64 a, b, ea, eb;
    const bool validA = readTrits(mantA, n + 1, a);
    const bool validB = readTrits(mantB, n, b);
    const bool validEA = readTrits(expA, expLen + 1, ea);  // the guards take part
    const bool validEB = readTrits(expB, expLen + 1, eb);
    if (!(validA && validB && validEA && validEB) || mantA[n] != 0 || mantB[n - 1] == 0 ||
        mantScratch[n] != 0 || (quotA[n + 1] | quotA[n + 2] | quotB[n + 1] | quotB[n + 2]) != 0 ||
        !allZero(expScratch + 1, expLen))
        return false;

    const i64 d = b < 0 ? -b : b;
    const i64 t = static_cast<i64>(most(n - 2));
    const i64 low = d - t, high = d + t;
    // One position per pass: the remainder's magnitude picks s, the new remainder is
    // 3 * sign * (|R| - s*d). Q is summed modulo 2^64 (|Q| < 3^(mantLen+1) may pass 2^63);
    // its sign is that of its first non-zero digit, as the lower digits cannot outweigh it.
    i64 r = a;
    u64 q = 0;
    i64 first = 0;
    for (int p = n; p >= 0; --p) {
        const i64 mag = r < 0 ? -r : r;
        const i64 x = mag > high ? mag - 2 * d : (mag >= low ? mag - d : mag);
        const i64 s = mag > high ? 2 : (mag >= low ? 1 : 0);
        const i64 digit = r < 0 ? -s : s;
        r = r < 0 ? -3 * x : 3 * x;
        q = 3 * q + static_cast<u64>(digit);
        first = first != 0 ? first : digit;
    }
    if (b < 0) {
        q = 0 - q;
        first = -first;
    }

    // normalizeQuotient: the top non-zero trit of Q lies at mantLen+1, mantLen or mantLen-1
    // (or below, which gives zero); Q never reaches mantLen+2.
    const int expTrits = expLen + 1;
    const i64 e = wrap(ea - eb, expTrits);
    const bool negative = first < 0;
    const u64 mag = negative ? 0 - q : q;
    const auto withSign = [negative](u64 m) { return negative ? -static_cast<i64>(m) : static_cast<i64>(m); };
    if (mag > most(n + 1)) {
        writeTrits(resMant, n, withSign((mag + 4) / 9));
        writeTrits(resExp, expTrits, wrap(e + 2, expTrits));
    } else if (mag > most(n)) {
        writeTrits(resMant, n + 1, withSign((mag + 1) / 3));
        writeTrits(resExp, expTrits, wrap(e + 1, expTrits));
    } else if (mag > most(n - 1)) {
        writeTrits(resMant, n, withSign(mag));
        writeTrits(resExp, expTrits, e);
    } else {
        writeTrits(resMant, n, 0);
        for (int i = 0; i < expLen; ++i) resExp[i] = 0;
        const i64 top = static_cast<i64>(most(expLen));
        resExp[expLen] = static_cast<trit>(e > top ? 1 : (e < -top ? -1 : 0));
    }
    writeTrits(mantA, n + 1, r);
    return true;
}

// Lexicographic comparison of sign * r with x, both canonical: -1, 0 or +1.
int compare(const i64* r, i64 sign, const i64* x, int limbs) {
    for (int j = limbs - 1; j >= 0; --j) {
        const i64 v = sign * r[j] - x[j];
        if (v != 0) return v > 0 ? 1 : -1;
    }
    return 0;
}

// out := a + f * b in canonical limbs, f = -1 or +1; the result must fit the limbs.
void addScaled(i64* out, const i64* a, i64 f, const i64* b, int limbs) {
    i64 carry = 0;
    for (int j = 0; j < limbs; ++j) {
        const i64 s = a[j] + f * b[j] + carry;
        carry = s > kLimbMost ? 1 : (s < -kLimbMost ? -1 : 0);
        out[j] = s - carry * kLimbRadix;
    }
}

// Longer mantissas: the same recurrence on limbs, with Q summed on limbs too; the exponent
// and normalizeQuotient are the trit-level steps.
bool divLong(trit* resExp, trit* resMant, int expLen, int n, trit* expA, trit* mantA,
             trit* expB, trit* mantB, trit* quotA, trit* quotB, trit* mantScratch,
             trit* expScratch) {
    const int limbs = limbsFor(n + 1);
    i64 r[kMaxLimbs], d[kMaxLimbs] = {}, t[kMaxLimbs], low[kMaxLimbs], high[kMaxLimbs];
    i64 quot[kMaxLimbs + 1] = {};  // Q fits mantLen+2 trits
    const bool validA = readLimbs(mantA, n + 1, r);
    const bool validB = readLimbs(mantB, n, d);
    if (!(validA && validB) || mantA[n] != 0 || mantB[n - 1] == 0 || mantScratch[n] != 0 ||
        (quotA[n + 1] | quotA[n + 2] | quotB[n + 1] | quotB[n + 2]) != 0)
        return false;

    const i64 signD = mantB[n - 1];
    for (int j = 0; j < limbs; ++j) {
        d[j] *= signD;
        // T: +1 in every position below mantLen-2.
        const int count = n - 2 - j * kLimbTrits;
        t[j] = static_cast<i64>(most(count <= 0 ? 0 : (count > kLimbTrits ? kLimbTrits : count)));
    }
    addScaled(low, d, -1, t, limbs);
    addScaled(high, d, 1, t, limbs);
    // -f*d for f = -2 ... 2, limb by limb (not canonical for |f| = 2; the update allows that).
    i64 minus[5][kMaxLimbs];
    for (int j = 0; j < limbs; ++j) {
        for (int f = -2; f <= 2; ++f) minus[f + 2][j] = -f * d[j];
    }

    subtractStr(resExp, expLen, expA, expB);
    // Remainders stay below 3d, so 3 * (r - f*d) per limb stays within 9 * kLimbMost and its
    // carry, floor((v + most) / radix), within -4 ... 4.
    constexpr u64 kBias = static_cast<u64>(kLimbMost) + 5 * static_cast<u64>(kLimbRadix);
    for (int p = n; p >= 0; --p) {
        int top = limbs - 1;
        while (top > 0 && r[top] == 0) --top;
        const i64 sign = r[top] < 0 ? -1 : 1;
        // Both comparisons, combined without branches: s follows the data, not a pattern.
        const int aboveHigh = compare(r, sign, high, limbs) > 0;
        const int atLeastLow = compare(r, sign, low, limbs) >= 0;
        const i64 s = aboveHigh + atLeastLow;
        // The position's digit goes straight into Q's limbs (each limb then sums digits of
        // up to 2 in magnitude: below 3^38, carried into canonical form at the end).
        const int at = p / kLimbTrits;
        quot[at] += sign * signD * s * static_cast<i64>(pow3(p - at * kLimbTrits));
        // Each limb's carry comes from its own value, not from the carry below it, so the
        // limbs are independent; a limb that the incoming carry pushes past the canonical
        // range (by at most 4) is fixed in a second, usually empty, pass.
        const i64* subtrahend = minus[sign * s + 2];
        i64 incoming = 0;
        for (int j = 0; j < limbs; ++j) {
            const i64 v = 3 * (r[j] + subtrahend[j]);
            const i64 carry =
                static_cast<i64>((static_cast<u64>(v) + kBias) / static_cast<u64>(kLimbRadix)) - 5;
            r[j] = v - carry * kLimbRadix + incoming;
            incoming = carry;
        }
        for (int j = 0; j + 1 < limbs; ++j) {
            if (r[j] > kLimbMost) {
                r[j] -= kLimbRadix;
                ++r[j + 1];
            } else if (r[j] < -kLimbMost) {
                r[j] += kLimbRadix;
                --r[j + 1];
            }
        }
    }
    writeLimbs(mantA, n + 1, r);
    // quotA := Q over its mantLen+3 trits, as quotA + quotB leaves it; then the trit-level
    // normalization picks the window.
    const int quotLimbs = limbsFor(n + 3);
    for (int j = 0, carry = 0; j < quotLimbs; ++j) {
        const i64 v = quot[j] + carry;
        carry = v > kLimbMost ? 1 : (v < -kLimbMost ? -1 : 0);
        quot[j] = v - carry * kLimbRadix;
    }
    writeLimbs(quotA, n + 3, quot);
    normalizeQuotient(resExp, resMant, expLen, n, quotA, n + 2, expScratch);
    return true;
}

}  // namespace

bool divWords(trit* resExp, trit* resMant, int expLen, int mantLen, trit* expA, trit* mantA,
              trit* expB, trit* mantB, trit* quotA, trit* quotB, trit* mantScratch,
              trit* expScratch) {
    if (mantLen < 2 || mantLen > kMaxLongTrits) return false;
    if (mantLen < kWordTrits) {
        if (expLen < 1 || expLen > 19) return false;
        return divShort(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, quotA, quotB,
                        mantScratch, expScratch);
    }
    return divLong(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, quotA, quotB,
                   mantScratch, expScratch);
}

#else

bool divWords(trit*, trit*, int, int, trit*, trit*, trit*, trit*, trit*, trit*, trit*, trit*) {
    return false;
}

#endif

}  // namespace kestrom

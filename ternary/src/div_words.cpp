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

// Mantissas of up to 39 trits: the remainder, below 3d, fits one word; Q fits 128 bits.
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
    i64 r = a;
    i128 q = 0;
    for (int p = n; p >= 0; --p) {
        const i64 sign = r < 0 ? -1 : 1;
        const i64 mag = r * sign;
        const i64 s = (mag > high ? 1 : 0) + (mag >= low ? 1 : 0);
        r = 3 * sign * (mag - s * d);
        q = 3 * q + sign * s;
    }
    if (b < 0) q = -q;

    // normalizeQuotient: the top non-zero trit of Q lies at mantLen+1, mantLen or mantLen-1
    // (or below, which gives zero); Q never reaches mantLen+2.
    const int expTrits = expLen + 1;
    const i64 e = wrap(ea - eb, expTrits);
    const bool negative = q < 0;
    const u64 mag = static_cast<u64>(negative ? -q : q);
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

// Longer mantissas: the same recurrence on limbs. The selections are recorded in quotA and
// quotB as the trit-level loop records them (the second one cancelling the first where it
// adds d back), and the exponent and the final quotient steps are the trit-level ones.
bool divLong(trit* resExp, trit* resMant, int expLen, int n, trit* expA, trit* mantA,
             trit* expB, trit* mantB, trit* quotA, trit* quotB, trit* mantScratch,
             trit* expScratch) {
    const int limbs = limbsFor(n + 1);
    i64 r[kMaxLimbs], d[kMaxLimbs] = {}, t[kMaxLimbs], low[kMaxLimbs], high[kMaxLimbs];
    const bool validA = readLimbs(mantA, n + 1, r);
    const bool validB = readLimbs(mantB, n, d);
    if (!(validA && validB) || mantA[n] != 0 || mantB[n - 1] == 0 || mantScratch[n] != 0)
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

    subtractStr(resExp, expLen, expA, expB);
    // Remainders stay below 3d, so 3 * (r - f*d) per limb stays below 9 * kLimbMost + 5 and
    // the carry, floor((v + most) / radix), within -5 ... 5.
    constexpr u64 kBias = static_cast<u64>(kLimbMost) + 5 * static_cast<u64>(kLimbRadix);
    for (int p = n; p >= 0; --p) {
        int top = limbs - 1;
        while (top > 0 && r[top] == 0) --top;
        const i64 sign = r[top] < 0 ? -1 : 1;
        int s = compare(r, sign, high, limbs) > 0 ? 2 : (compare(r, sign, low, limbs) >= 0 ? 1 : 0);
        const trit digit = static_cast<trit>(sign * signD);
        if (s == 2) {
            quotA[p] = digit;
            quotB[p] = digit;
        } else if (s == 1) {
            quotA[p] = digit;
            quotB[p] = 0;
        } else if (compare(r, sign, t, limbs) > 0) {
            quotA[p] = digit;
            quotB[p] = static_cast<trit>(-digit);
        } else {
            quotA[p] = 0;
            quotB[p] = 0;
        }
        const i64 f = sign * s;
        i64 carry = 0;
        for (int j = 0; j < limbs; ++j) {
            const i64 v = 3 * (r[j] - f * d[j]) + carry;
            carry = static_cast<i64>((static_cast<u64>(v) + kBias) / static_cast<u64>(kLimbRadix)) - 5;
            r[j] = v - carry * kLimbRadix;
        }
    }
    writeLimbs(mantA, n + 1, r);
    finishQuotient(resExp, resMant, expLen, n, quotA, quotB, expScratch);
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

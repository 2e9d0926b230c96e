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

// The remainder before the selections of position p, and what one position does to it:
// X := 3 * (X - digit * D), Q += digit * 3^p. Both are exact, on canonical limbs.
struct LongState {
    int limbs;
    i64 signD;
    i64 r[kMaxLimbs];
    const i64* high;     // d + T
    const i64* low;      // d - T
    const i64 (*minus)[kMaxLimbs];
    i128* quot;          // Q's limbs, each summing digits at positions 38j ... 38j + 75
};

// One position, every limb compared: for selections the top limbs cannot settle.
__attribute__((noinline)) void exactStep(LongState& st, int p) {
    const int limbs = st.limbs;
    i64* r = st.r;
    int top = limbs - 1;
    while (top > 0 && r[top] == 0) --top;
    const i64 sign = r[top] < 0 ? -1 : 1;
    const int aboveHigh = compare(r, sign, st.high, limbs) > 0;
    const int atLeastLow = compare(r, sign, st.low, limbs) >= 0;
    const i64 s = aboveHigh + atLeastLow;
    const int at = p / kLimbTrits;
    st.quot[at] += sign * st.signD * s * static_cast<i64>(pow3(p - at * kLimbTrits));
    // Remainders stay below 3d, so 3 * (r - f*d) per limb stays within 9 * kLimbMost and its
    // carry, floor((v + most) / radix), within -4 ... 4; a limb that the incoming carry pushes
    // past the canonical range (by at most 4) is fixed in a second, usually empty, pass.
    constexpr u64 kBias = static_cast<u64>(kLimbMost) + 5 * static_cast<u64>(kLimbRadix);
    const i64* subtrahend = st.minus[sign * s + 2];
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

// Longer mantissas: the same recurrence on limbs, several positions per pass. With S = 3^s
// the weight of the second limb from the top, X = Xh * S + Xl and d = dh * S + dl, where the
// low parts are below S/2 (canonical limbs), and T = Th * S + (S - 1) / 2. Running the
// recurrence on Xh, dh alone, Xh := 3 * (Xh - f * dh), leaves an error E = X - Xh * S with
// E' = 3 * (E - f * dl), so |E| < (2 * 3^j - 1.5) * S after j positions. A selection is
// certain when |Xh| is at least m = 2 * 3^j + 2 away from Lh = dh - Th and Hh = dh + Th (the
// thresholds d - T and d + T lie within one S below Lh and above Hh): then it is the one the
// exact remainder makes. The first position that is not certain ends the pass and runs on all
// limbs. A pass of k positions leaves X := 3^k * X - 3 * D * B, B the pass's digits as an
// integer, which goes into Q at the pass's lowest position.
bool divLong(trit* resExp, trit* resMant, int expLen, int n, trit* expA, trit* mantA,
             trit* expB, trit* mantB, trit* quotA, trit* quotB, trit* mantScratch,
             trit* expScratch) {
    const int limbs = limbsFor(n + 1);
    LongState st;
    i64 d[kMaxLimbs] = {}, t[kMaxLimbs], low[kMaxLimbs], high[kMaxLimbs];
    i128 quot[kMaxLimbs + 1] = {};  // Q fits mantLen+2 trits
    const bool validA = readLimbs(mantA, n + 1, st.r);
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
    st.limbs = limbs;
    st.signD = signD;
    st.high = high;
    st.low = low;
    st.minus = minus;
    st.quot = quot;

    // The top two limbs hold w = n + 1 - s trits of X, 39 ... 76; rounded to their top 39
    // trits (S grows by 3^(w-39), the low part still below S/2), Xh and dh fit a word: dh has
    // 38 trits, |Xh| < 3 * dh + m < 3^39, and Th = (3^36 - 1) / 2. Passes of up to 35
    // positions keep m below 3^35, a few hundredths of the thresholds' scale, so a pass seldom
    // stops short; and |b| < 3^35 keeps the update below in 128 bits.
    constexpr i128 kRadix = kLimbRadix;
    constexpr u64 kFixBias = static_cast<u64>(kLimbMost) + 5 * static_cast<u64>(kLimbRadix);
    constexpr int kMaxPass = 35;
    const int drop = n + 1 - (limbs - 2) * kLimbTrits - 39;
    const i64 dh = roundDivPow3(d[limbs - 1] * kRadix + d[limbs - 2], drop);
    const i64 th = static_cast<i64>(most(36));
    const i64 lh = dh - th, hh = dh + th;

    subtractStr(resExp, expLen, expA, expB);
    int p = n;
    while (p >= 0) {
        const int room = p + 1 < kMaxPass ? p + 1 : kMaxPass;
        i64 x = roundDivPow3(st.r[limbs - 1] * kRadix + st.r[limbs - 2], drop);
        i64 m = 4;  // 2 * 3^0 + 2
        i64 b = 0;  // the pass's digits times signD: the multiples of d subtracted
        int k = 0;
        for (; k < room; ++k) {
            // Uncertain when |Xh| lies within m of Lh or Hh.
            const i64 a = x < 0 ? -x : x;
            if (static_cast<u64>(a - lh + m) < static_cast<u64>(2 * m) ||
                static_cast<u64>(a - hh + m) < static_cast<u64>(2 * m))
                break;
            // The four comparisons are independent of each other; f = sign * s.
            const i64 f = (x > hh) + (x >= lh) - (x < -hh) - (x <= -lh);
            x = 3 * (x - f * dh);
            b = 3 * b + f;
            m = 3 * m - 4;
        }
        if (k > 0) {
            // X := 3^k * X - 3 * b * d; every limb's value and carry fit 128 and 64 bits.
            const i128 scale = static_cast<i128>(pow3(k));
            const i128 sub = 3 * static_cast<i128>(b);
            // |v| <= (4 * 3^k - 3) * kLimbMost, so each limb's carry, taken from its own value,
            // stays below 2 * 3^k; the incoming carry then leaves a limb less than a radix past
            // the canonical range, which a second pass of carries of -1 ... 1 fixes.
            i64 incoming = 0;
            for (int j = 0; j < limbs; ++j) {
                const i128 v = scale * st.r[j] - sub * d[j];
                const i64 carry = roundDivPow3(v, kLimbTrits);
                st.r[j] = static_cast<i64>(v - static_cast<i128>(carry) * kRadix) + incoming;
                incoming = carry;
            }
            i64 fix = 0;
            for (int j = 0; j < limbs; ++j) {
                const i64 v = st.r[j] + fix;
                fix = static_cast<i64>((static_cast<u64>(v) + kFixBias) / static_cast<u64>(kLimbRadix)) - 5;
                st.r[j] = v - fix * kLimbRadix;
            }
            const int lowest = p - k + 1;
            const int at = lowest / kLimbTrits;
            quot[at] += static_cast<i128>(signD * b) *
                        static_cast<i128>(pow3(lowest - at * kLimbTrits));
            p -= k;
        }
        if (k < room) {
            exactStep(st, p);
            --p;
        }
    }
    writeLimbs(mantA, n + 1, st.r);
    // quotA := Q over its mantLen+3 trits, as quotA + quotB leaves it; then the trit-level
    // normalization picks the window.
    const int quotLimbs = limbsFor(n + 3);
    i64 q[kMaxLimbs + 1];
    i64 carry = 0;
    for (int j = 0; j < quotLimbs; ++j) {
        const i128 v = quot[j] + carry;
        carry = roundDivPow3(v, kLimbTrits);
        q[j] = static_cast<i64>(v - static_cast<i128>(carry) * kRadix);
    }
    writeLimbs(quotA, n + 3, q);
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

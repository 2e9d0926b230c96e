// SPDX-License-Identifier: MIT
// The long division's passes: the selections of up to kMaxPass positions on the remainder's
// estimate, those in doubt settled from the exact remainder, and the remainder's update; from
// kFusedLimbs limbs on, groups of passes and their fused update.
// A part of div.cpp, the one file that includes it: its routines have internal linkage there.
#ifndef KESTROM_WORDS_DIV_PASSES_H
#define KESTROM_WORDS_DIV_PASSES_H

#include "div_long_setup.h"

namespace kestrom {
namespace words {
namespace {

// The remainders a group's passes start from: stage 0 is X, stage g is stage g-1 after the
// group's pass g-1, 3^k * stage(g-1) - sub * D, in applyPass's limbs. A later stage's limbs
// low ... top are formed; `pending` holds the low word and the carry of the wide update of
// limb low-1, which forming limb low took.
struct Stage {
    limb* r;
    int low;
    limb scale, sub;
    limb pendingLow, pendingCarry;
};
struct Stages {
    const DivisorSide* dv;
    Stage at[kGroupPasses];
    limb (*formed)[kMaxLimbs];  // the later stages' limbs
};

// Stage g's limbs from st.low - 1 down to `floor` >= 0, stage g-1 being formed down to floor - 1:
// applyPass's limb j is v_j's low word less c_j * R, plus c_(j-1).
KESTROM_INLINE void formDown(Stage& st, const Stage& prev, const limb* d, int floor) {
    const limb scale = st.scale, sub = st.sub;
    const limb* from = prev.r;
    ulimb low = static_cast<ulimb>(st.pendingLow);
    limb carry = st.pendingCarry;
    for (int j = st.low - 1; j >= floor; --j) {
        ulimb nextLow = 0;
        limb nextCarry = 0;
        if (j > 0) {
            const wide v = static_cast<wide>(scale) * from[j - 1] - static_cast<wide>(sub) * d[j - 1];
            nextCarry = carryOf(v);
            nextLow = static_cast<ulimb>(v);
        }
        st.r[j] = static_cast<limb>(low - static_cast<ulimb>(carry) * kLimbRadix +
                                    static_cast<ulimb>(nextCarry));
        low = nextLow;
        carry = nextCarry;
    }
    st.low = floor;
    st.pendingLow = static_cast<limb>(low);
    st.pendingCarry = carry;
}

// Stage g (g >= 1) down to limb `i` (clamped at 0), forming what it needs of the stages
// before it first.
void formStage(Stages& s, int g, int i) {
    if (i < 0) i = 0;
    Stage& st = s.at[g];
    if (st.low <= i) return;
    if (g > 1 && s.at[g - 1].low > i - 1) formStage(s, g - 1, i - 1);
    formDown(st, s.at[g - 1], s.dv->d, i);
}

// Starts stage g after a pass of k positions with digits b on stage g-1, and forms it down to
// limb `floor` (clamped at 0), stage g-1 being formed down to floor - 1. The top limb takes the
// rest, as in applyPass: it has no carry out.
KESTROM_INLINE void startStage(Stages& s, int g, int k, limb b, int floor) {
    Stage& st = s.at[g];
    const Stage& prev = s.at[g - 1];
    const int top = s.dv->limbs - 1;
    st.r = s.formed[g - 1];
    st.low = top + 1;
    st.scale = static_cast<limb>(pow3(k));
    st.sub = 3 * b;
    st.pendingLow = static_cast<limb>(static_cast<ulimb>(st.scale) * static_cast<ulimb>(prev.r[top]) -
                                      static_cast<ulimb>(st.sub) * static_cast<ulimb>(s.dv->d[top]));
    st.pendingCarry = 0;
    formDown(st, prev, s.dv->d, floor > 0 ? floor : 0);
}

// What a pass's selections in doubt need: the stage it runs on (r, its limbs formed so far;
// the stages to form more of it) and its estimate at the pass's start, and where the pass ends.
struct PassStart {
    const limb* r;
    const DivisorSide* dv;
    Stages* stages;
    int stage;
    const Bounds* first;
    const Bounds* end;
    limb xh0;
};
constexpr limb kPassEnd = 3;
// The digit f at the position of `at` when the estimate xh leaves it in doubt, or kPassEnd at
// the pass's end. The estimate leaves only one threshold in doubt, d - T (tau = -1; s is 0 or 1) or
// d + T (tau = 1; s is 1 or 2), and the sign of X certain (|xh| > m). With j positions done and
// digits b, the sign of Z = sign * (3^j * X - 3 * b * d) - (d + tau * T) comes from the limbs'
// sum taken from the top down, until its part so far outweighs what the limbs below can add:
// each of their terms is below (3^j * (4/3 + 3/2) - 1/2) * R, so they add less than
// 3^(j+1) + 1 times the weight of the last limb taken.
// kStaged: the stage may need limbs formed.
template <bool kStaged>
__attribute__((noinline)) limb settleDoubt(const PassStart& ps, const Bounds* at, limb xh) {
    const DivisorSide& dv = *ps.dv;
    const int j = static_cast<int>(at - ps.first);
    const limb b = passDigits(dv, ps.xh0, xh, j);
    const limb sign = xh < 0 ? -1 : 1;
    const limb tau = sign * xh >= at->one ? 1 : -1;
    const limb scale = sign * static_cast<limb>(pow3(j));
    const limb sub = 3 * sign * b + 1;
    const wide bound = static_cast<wide>(pow3(j + 1)) + 1;
    wide z = 0;
    for (int i = dv.limbs - 1; i >= 0; --i) {
        if (kStaged && i < ps.stages->at[ps.stage].low) formStage(*ps.stages, ps.stage, i);
        z = z * kLimbRadix + static_cast<wide>(scale) * ps.r[i] - static_cast<wide>(sub) * dv.d[i] -
            tau * tLimb(dv.n, i);
        if (z > bound || z < -bound) break;
    }
    // |X| >= d - T, or |X| > d + T.
    const limb s = tau < 0 ? (z >= 0 ? 1 : 0) : (z > 0 ? 2 : 1);
    return sign * s;
}

// The pass's end needs no call (and no frame).
template <bool kStaged>
KESTROM_INLINE limb settle(const PassStart& ps, const Bounds* at, limb xh) {
    return at == ps.end ? kPassEnd : settleDoubt<kStaged>(ps, at, xh);
}

// Runs `room` positions on the estimate of stage `stage` (its top two limbs formed), settling
// the selections it leaves in doubt from that exact remainder; returns their digits (times
// sign(D)) as the integer b. bounds.at[room] is the one that settles nothing.
template <bool kStaged>
KESTROM_INLINE limb estimatePass(Stages& stages, int stage, const PassBounds& bounds, int room) {
    const DivisorSide& dv = *stages.dv;
    const limb xh0 = estimateOf(stages.at[stage].r, dv);
    const PassStart ps = {stages.at[stage].r, &dv, &stages, stage, bounds.at, bounds.at + room, xh0};
    const limb dh = dv.dh, dh2 = 2 * dv.dh;
    // The recurrence X := 3 * (X - f * d) on the magnitude a of the estimate, f = sign * s, so
    // that s alone picks the branch; the sign changes where a subtraction takes a below zero.
    limb sign = xh0 < 0 ? -1 : 1;
    limb a = sign * xh0;
    // One position; false at the pass's end.
    const auto step = [&](const Bounds* at) {
        if (a <= at->lower) {
            a = 3 * a;
            return true;
        }
        if (a >= at->two) {
            a -= dh2;
        } else if (a >= at->one && a <= at->upper) {
            a -= dh;
        } else {
            const limb f = settle<kStaged>(ps, at, sign * a);
            if (f == kPassEnd) return false;
            a -= sign * f * dh;
        }
        if (a < 0) {
            a = -a;
            sign = -sign;
        }
        a = 3 * a;
        return true;
    };
    // Four positions an iteration (fewer jumps), until the pass's end.
    const Bounds* at = bounds.at;
    while (step(at) && step(at + 1) && step(at + 2) && step(at + 3)) at += 4;
    const limb xh = sign * a;
    return passDigits(dv, xh0, xh, room);
}

// X := 3^k * X - 3 * b * d on every limb (scale = 3^k, sub = 3b), carried lazily.
KESTROM_INLINE void applyPass(Remainder& x, const DivisorSide& dv, limb scale, limb sub) {
    const int top = dv.limbs - 1;
    limb incoming = 0;
#pragma GCC unroll 2
    for (int j = 0; j < top; ++j) {
        const wide v = static_cast<wide>(scale) * x.r[j] - static_cast<wide>(sub) * dv.d[j];
        const limb carry = carryOf(v);
        x.r[j] = static_cast<limb>(static_cast<ulimb>(v) - static_cast<ulimb>(carry) * kLimbRadix +
                                   static_cast<ulimb>(incoming));
        incoming = carry;
    }
    // The top limb takes the rest: X stays below 3d, so it stays within a limb.
    x.r[top] = static_cast<limb>(static_cast<ulimb>(scale) * static_cast<ulimb>(x.r[top]) -
                                 static_cast<ulimb>(sub) * static_cast<ulimb>(dv.d[top]) +
                                 static_cast<ulimb>(incoming));
}

// out := R^U * scale * in - sub * D, sub = 3B in U + 1 limbs, carried from limb to limb
// (fusedCarryOf); in and D have U zero limbs below them. U = 1 ... kPad.
template <int U>
__attribute__((noinline)) void applyGroup(const limb* in, limb* out, const DivisorSide& dv,
                                          limb scale, const limb* sub) {
    const int top = dv.limbs - 1;
    const limb* d = dv.d;
    limb carry = 0;
#if KESTROM_LIMB_BITS == 32
#pragma GCC unroll 4
#endif
    for (int j = 0; j < top; ++j) {
        wide v = static_cast<wide>(carry) + static_cast<wide>(scale) * in[j - U];
#pragma GCC unroll 4
        for (int i = 0; i <= U; ++i) v -= static_cast<wide>(sub[i]) * d[j - i];
        carry = fusedCarryOf(v);
        out[j] = static_cast<limb>(static_cast<ulimb>(v) - static_cast<ulimb>(carry) * kLimbRadix);
    }
    // The top limb takes the rest, the sums of its column and the U above it, modulo 2^W: the
    // new X stays below 3d, so it stays within a limb.
    ulimb rest = static_cast<ulimb>(carry), weight = 1;
    for (int m = 0; m <= U; ++m) {
        ulimb column = static_cast<ulimb>(scale) * static_cast<ulimb>(in[top + m - U]);
        for (int i = m; i <= U; ++i)
            column -= static_cast<ulimb>(sub[i]) * static_cast<ulimb>(d[top + m - i]);
        rest += weight * column;
        weight *= static_cast<ulimb>(kLimbRadix);
    }
    out[top] = static_cast<limb>(rest);
}

// v = c * R + low with |low| <= (R-1)/2, returning c; |v| below 3^kMaxPass * R, where
// fusedCarryOf leaves v - c * R in (-R/4, 4R/3).
KESTROM_INLINE limb splitBalanced(wide v, limb& low) {
    limb c = fusedCarryOf(v);
    limb l = static_cast<limb>(static_cast<ulimb>(v) - static_cast<ulimb>(c) * kLimbRadix);
    if (l > kLimbMost) {
        l -= kLimbRadix;
        ++c;
    }
    low = l;
    return c;
}

// 3B of a group in balanced limbs: sub := sub * 3^k + 3b over `count` limbs (|3b| < R/2), the
// top one taking the rest; returns the new count.
int appendDigits(limb* sub, int count, int k, limb b) {
    const wide scale = static_cast<wide>(pow3(k));
    limb carry = 3 * b;
    for (int i = 0; i < count; ++i) carry = splitBalanced(sub[i] * scale + carry, sub[i]);
    sub[count] = carry;
    return count + 1;
}

// Q += sign(D) * b * 3^lowest, the digits of a pass whose lowest position is `lowest`.
KESTROM_INLINE void addDigits(Remainder& x, const DivisorSide& dv, int lowest, limb b) {
    const int at = lowest / kLimbTrits;
    x.quot[at] += static_cast<wide>(dv.signD * b) * static_cast<wide>(pow3(lowest - at * kLimbTrits));
}

// One pass of k <= kMaxPass positions from position p down.
KESTROM_INLINE void runPass(Remainder& x, Stages& s, PassBounds& bounds, int p, int k) {
    // Passes only get shorter, so the end of an earlier one needs no restoring.
    if (k < kMaxPass) bounds.at[k] = kPassStop;
    const limb b = estimatePass<false>(s, 0, bounds, k);
    addDigits(x, *s.dv, p + 1 - k, b);
    applyPass(x, *s.dv, static_cast<limb>(pow3(k)), 3 * b);
}

// One group of k > kMaxPass positions (groupTakes(k)) from position p down: its passes' digits
// go into Q, and X takes them at once. Stage 0 is X.
KESTROM_INLINE void runGroup(Remainder& x, Stages& s, PassBounds& bounds, int p, int k) {
    const DivisorSide& dv = *s.dv;
    int rooms[kGroupPasses] = {};
    limb digits[kGroupPasses] = {};
    int passes = 0;
    const int planned = (k + kMaxPass - 1) / kMaxPass;
    for (int left = k; left > 0; ++passes) {
        const int room = left < kMaxPass ? left : kMaxPass;
        if (room < kMaxPass) bounds.at[room] = kPassStop;
        // Each stage as deep as the later ones need for their estimates (two limbs).
        if (passes > 0)
            startStage(s, passes, rooms[passes - 1], digits[passes - 1],
                       dv.limbs - 2 - (planned - 1 - passes));
        const limb b = estimatePass<true>(s, passes, bounds, room);
        rooms[passes] = room;
        digits[passes] = b;
        left -= room;
        p -= room;
        addDigits(x, dv, p + 1, b);
    }
    limb sub[kPad + 2] = {3 * digits[0]};
    int count = 1;
    for (int g = 1; g < passes; ++g) count = appendDigits(sub, count, rooms[g], digits[g]);
    // count = passes > u: the limbs above sub[u] are zero, as 3B < 3^(k+1) <= R^u * R/2.
    const int u = k / kLimbTrits;
    limb* out = x.r == x.buffers[0] + kPad ? x.buffers[1] + kPad : x.buffers[0] + kPad;
    const limb scale = static_cast<limb>(pow3(k - u * kLimbTrits));
    static_assert(kPad == 3, "one update for each u");
    if (u == 1) applyGroup<1>(x.r, out, dv, scale, sub);
    if (u == 2) applyGroup<2>(x.r, out, dv, scale, sub);
    if (u == 3) applyGroup<3>(x.r, out, dv, scale, sub);
    x.r = out;
}

// The recurrence from position n down to 0 one pass at a time.
KESTROM_INLINE void dividePasses(Remainder& x, Stages& s, PassBounds& bounds, int n) {
    for (int p = n; p >= 0; p -= kMaxPass)
        runPass(x, s, bounds, p, p + 1 < kMaxPass ? p + 1 : kMaxPass);
}

// Remainders of fewer limbs take one pass at a time: there the stages cost more than the fused
// update saves.
#if KESTROM_LIMB_BITS == 64
constexpr int kFusedLimbs = 20;
#else
constexpr int kFusedLimbs = 22;
#endif

// The positions of the next group, at most `left`: as many as a group takes.
int groupLength(int left) {
    int k = left < kGroupPasses * kMaxPass ? left : kGroupPasses * kMaxPass;
    while (!groupTakes(k)) --k;
    return k;
}

// The recurrence from position n down to 0 in groups.
__attribute__((noinline)) void divideGroups(Remainder& x, const DivisorSide& dv, PassBounds& bounds,
                                            int n) {
    limb formed[kPad][kMaxLimbs];
    Stages s;
    s.dv = &dv;
    s.at[0].low = 0;
    s.formed = formed;
    for (int p = n; p >= 0;) {
        const int k = groupLength(p + 1);
        s.at[0].r = x.r;  // a fused update writes the other buffer
        if (k <= kMaxPass)
            runPass(x, s, bounds, p, k);
        else
            runGroup(x, s, bounds, p, k);
        p -= k;
    }
}

// The recurrence from position n down to 0 on X (read into x.r) and D (read into dv.d, of sign
// signD), leaving X lazily carried and Q's digits in x.quot.
__attribute__((noinline)) void divideLimbs(Remainder& x, DivisorSide& dv, int n, limb signD) {
    PassBounds bounds;
    prepareDivisor(dv, bounds, n, signD);
    for (int j = 0; j < limbsFor(n + 3); ++j) x.quot[j] = 0;
    if (dv.limbs >= kFusedLimbs) {
        divideGroups(x, dv, bounds, n);
        return;
    }
    Stages s;
    s.dv = &dv;
    s.at[0].r = x.r;
    s.at[0].low = 0;
    s.formed = nullptr;  // one stage only
    dividePasses(x, s, bounds, n);
}

}  // namespace
}  // namespace words
}  // namespace kestrom

#endif

# SPDX-License-Identifier: MIT
"""Rounding an exact rational to the nearest ternary float, ties away from zero.

nearest() decides from exact integers when they are small. When the exact powers would be
large (an exponent of millions of trits, as Format(19, n) allows), it works on intervals
of a few hundred bits that are known to hold the exact quotients, and only falls back to
the exact integers when an interval cannot decide (an exact tie, which needs small powers).
Both give the same answer; the interval one costs a few dozen multiplications of short
integers whatever the exponent.
"""
from __future__ import annotations

import math
from typing import Optional, Tuple

OVERFLOW, UNDERFLOW = 1, 2  # the values of kestrom.Flag

_LOG10_OF_2 = 0.30102999566398120
_LOG10_OF_3 = 0.47712125471966244
_LOG2_OF_3 = 1.5849625007211562
_LOG2_OF_10 = 3.3219280948873622

# Exact integers up to about this many bits are cheaper than intervals.
EXACT_BITS = 20000

Result = Tuple[int, int, int]  # (exponent, signed mantissa integer, flags)


def nearest(negative: bool, num: int, den: int, exp10: int, mant_len: int, max_e: int,
            exact_bits: int = EXACT_BITS) -> Result:
    """(e, m, flags) for the Number nearest to ±num/den * 10**exp10 (num >= 0, den > 0),
    whose value is m * 3**(e - mant_len) with m of exactly mant_len trits (or zero). Beyond
    the range: the largest magnitude with OVERFLOW; below it: the smallest magnitude or zero,
    whichever is nearer, with UNDERFLOW."""
    n = mant_len
    s = -1 if negative else 1
    top = 3**n
    if num == 0:
        return 0, 0, 0
    # A decimal estimate first (within a third of a decade): far beyond the range is
    # decided without any power.
    log10 = (num.bit_length() - den.bit_length()) * _LOG10_OF_2 + exp10
    if log10 - 1 > max_e * _LOG10_OF_3 + 1:
        return max_e, s * (top // 2), OVERFLOW
    if log10 + 1 < -(max_e + 2) * _LOG10_OF_3 - 1:
        return 0, 0, UNDERFLOW
    e_guess = math.floor((log10 / _LOG10_OF_3 + 1 / _LOG2_OF_3))
    cost = num.bit_length() + den.bit_length() + abs(exp10) * _LOG2_OF_10 + (abs(e_guess) + n) * _LOG2_OF_3
    if e_guess < -max_e + 2:
        cost += (max_e + n) * _LOG2_OF_3
    if cost > exact_bits:
        precision = int(n * _LOG2_OF_3) + 160
        for _ in range(4):
            decided = _by_intervals(num, den, exp10, n, max_e, e_guess, precision)
            if decided is not None:
                e, m, flags = decided
                return e, s * m, flags
            precision *= 2
    e, m, flags = _exactly(num, den, exp10, n, max_e)
    return e, s * m, flags


def _exactly(num: int, den: int, exp10: int, n: int, max_e: int) -> Result:
    """nearest() for a positive value, on exact integers."""
    top = 3**n
    bottom = (top // 3 + 1) // 2
    if exp10 >= 0:
        num *= 10**exp10
    else:
        den *= 10**-exp10

    def twice_against_power_of_3(e: int) -> int:  # sign of 2 * num/den - 3**e
        a, b = (2 * num, den * 3**e) if e >= 0 else (2 * num * 3**-e, den)
        return (a > b) - (a < b)

    # e with 3**(e-1) <= 2x < 3**e: then x / 3**(e-n) lies in [3**(n-1)/2, 3**n/2) and rounds
    # to a mantissa of exactly n trits.
    e = math.floor((num.bit_length() - den.bit_length() + 1) / _LOG2_OF_3)
    while twice_against_power_of_3(e) >= 0:
        e += 1
    while twice_against_power_of_3(e - 1) < 0:
        e -= 1
    if e > max_e:
        return max_e, top // 2, OVERFLOW
    if e < -max_e:  # below the range: the nearer of zero and the smallest number
        if 2 * num * 3 ** (max_e + n) >= bottom * den:
            return -max_e, bottom, UNDERFLOW
        return 0, 0, UNDERFLOW
    k = e - n  # the mantissa's last trit weighs 3**k
    if k < 0:
        num *= 3**-k
    else:
        den *= 3**k
    m = (2 * num + den) // (2 * den)  # floor(x / 3**k + 1/2)
    # At the bottom of its range the mantissa's lower neighbour is the top of the range
    # below, two thirds of a unit away rather than one: take it when it is nearer.
    if m == bottom and e > -max_e and 6 * num < (top + 1) * den:
        return e - 1, top // 2, 0
    return e, m, 0


# --- intervals ------------------------------------------------------------------------
# An interval (lo, hi, s) holds the reals from lo * 2**s to hi * 2**s, 0 < lo <= hi, with lo
# cut to `precision` bits: every operation rounds lo down and hi up, so the exact value stays
# inside whatever the number of operations.

Interval = Tuple[int, int, int]


def _cut(lo: int, hi: int, s: int, precision: int) -> Interval:
    drop = lo.bit_length() - precision
    if drop <= 0:
        return lo, hi, s
    return lo >> drop, -((-hi) >> drop), s + drop


def _of_int(v: int, precision: int) -> Interval:
    return _cut(v, v, 0, precision)


def _mul(a: Interval, b: Interval, precision: int) -> Interval:
    return _cut(a[0] * b[0], a[1] * b[1], a[2] + b[2], precision)


def _div(a: Interval, b: Interval, precision: int) -> Interval:
    shift = precision + b[1].bit_length()
    return _cut((a[0] << shift) // b[1], -((-(a[1] << shift)) // b[0]), a[2] - b[2] - shift, precision)


def _pow(base: int, k: int, precision: int) -> Interval:
    """base**k for k >= 0, by squaring from the top bit of k."""
    r = (1, 1, 0)
    b = _of_int(base, precision)
    for bit in bin(k)[2:]:
        r = _mul(r, r, precision)
        if bit == "1":
            r = _mul(r, b, precision)
    return r


def _side(x: Interval, num: int, den: int) -> Optional[int]:
    """-1 if the whole interval lies below num/den (num, den > 0), +1 if it lies at or above
    it, None if it holds num/den in its inside."""
    lo, hi, s = x
    level = num.bit_length() - den.bit_length()  # num/den lies in 2**(level-1) .. 2**(level+1)
    if hi.bit_length() + s < level - 1:
        return -1
    if lo.bit_length() - 1 + s > level + 1:
        return 1

    def below(v: int) -> bool:  # v * 2**s < num/den
        return (v * den << s if s >= 0 else v * den) < (num if s >= 0 else num << -s)

    if below(hi):
        return -1
    if not below(lo):
        return 1
    return None


def _scaled(num: int, den: int, exp10: int, power_of_3: int, precision: int) -> Interval:
    """num/den * 10**exp10 / 3**power_of_3."""
    top, bottom = _of_int(num, precision), _of_int(den, precision)
    ten = _pow(10, abs(exp10), precision)
    three = _pow(3, abs(power_of_3), precision)
    if exp10 >= 0:
        top = _mul(top, ten, precision)
    else:
        bottom = _mul(bottom, ten, precision)
    if power_of_3 >= 0:
        bottom = _mul(bottom, three, precision)
    else:
        top = _mul(top, three, precision)
    return _div(top, bottom, precision)


def _by_intervals(num: int, den: int, exp10: int, n: int, max_e: int, e: int,
                  precision: int) -> Optional[Result]:
    """nearest() for a positive value, from intervals of `precision` bits; e is a guess of
    the exponent within a few units. None when the intervals cannot decide."""
    top = 3**n
    bottom = (top // 3 + 1) // 2
    for _ in range(8):  # e with 3**(e-1) <= 2x < 3**e, i.e. 1/6 <= x / 3**e < 1/2
        y = _scaled(num, den, exp10, e, precision)
        upper, lower = _side(y, 1, 2), _side(y, 1, 6)
        if upper is None or lower is None:
            return None
        if upper > 0:
            e += 1
        elif lower < 0:
            e -= 1
        else:
            break
    else:
        return None
    if e > max_e:
        return max_e, top // 2, OVERFLOW
    if e < -max_e:  # the smallest number is bottom * 3**(-max_e - n): nearer than zero?
        side = _side(_scaled(num, den, exp10, -max_e - n, precision), bottom, 2)
        if side is None:
            return None
        return (-max_e, bottom, UNDERFLOW) if side > 0 else (0, 0, UNDERFLOW)
    mant = _scaled(num, den, exp10, e - n, precision)  # x / 3**k, the unrounded mantissa
    lo, hi, s = mant
    if s >= 0:
        return None
    half = 1 << (-s - 1)
    m = (lo + half) >> -s
    if (hi + half) >> -s != m:  # the interval holds a tie m + 1/2
        return None
    if m == bottom and e > -max_e:
        side = _side(mant, top + 1, 6)
        if side is None:
            return None
        if side < 0:
            return e - 1, top // 2, 0
    return e, m, 0

# SPDX-License-Identifier: MIT
"""Conversions cost little whatever the exponent: the interval rounding agrees with the exact
one, and every short input converts in milliseconds, Format(19, n) included."""
import math
import random
import time
from decimal import Decimal
from fractions import Fraction

import pytest

import kestrom
from kestrom import Format, Number, localcontext
from kestrom import _rounding


def hard_values(rng, n, top):
    """(num, den, exp10) near every boundary the rounding decides: ties and near-ties, the
    bottom of a mantissa range, the range's ends, plus decimals with large exponents."""
    e = rng.randint(-top, top)
    m = rng.randint((3 ** (n - 1) + 1) // 2, (3 ** n - 1) // 2)
    unit = Fraction(3) ** (e - n)
    bottom = Fraction((3 ** (n - 1) + 1) // 2)
    points = [(m + Fraction(1, 2)) * unit, m * unit, (bottom - Fraction(1, 3)) * unit,
              Fraction(3) ** top / 2, bottom * Fraction(3) ** (-top - n) / 2, Fraction(3) ** (e - 1) / 2]
    tiny = Fraction(1, 10 ** rng.randint(8, 15))
    out = []
    for p in points:
        for q in (p, p * (1 + tiny), p * (1 - tiny)):
            out.append((q.numerator, q.denominator, 0))
    d = rng.randint(1, 10 ** rng.randint(1, 60))
    out.append((d, 1, rng.randint(-int(top * 0.48) - 70, int(top * 0.48) + 70)))
    return out


@pytest.mark.parametrize("fmt", [Format(2, 2), Format(3, 5), Format(8, 27), Format(9, 40)])
def test_intervals_agree_with_exact_rounding(fmt):
    rng = random.Random(fmt.max_exponent)
    n, top = fmt.mant_len, fmt.max_exponent
    decided = total = 0
    for _ in range(150):
        for num, den, exp10 in hard_values(rng, n, top):
            exact = _rounding._exactly(num, den, exp10, n, top)
            assert _rounding.nearest(False, num, den, exp10, n, top, exact_bits=0) == exact, (num, den, exp10)
            for shift in (-2, 0, 3):
                by_intervals = _rounding._by_intervals(num, den, exp10, n, top, exact[0] + shift, 64 + 2 * n)
                total += 1
                if by_intervals is not None:
                    decided += 1
                    assert by_intervals == exact, (num, den, exp10, shift)
    assert decided > total * 0.6  # exact ties and boundaries are left to the exact path


F19 = Format(19, 27)
LIMIT = 3 ** 19 // 2  # 581130733: magnitudes from about 5.4e-277269826 to 1.5e277269824
EXTREMES = [
    ("1e-10000000", F19), ("1e10000000", F19), ("-" + "9" * 49 + "e-277269800", F19),
    ("6e-277269826", F19), ("3e-277269826", F19), ("2e-277269826", F19), ("1e277269824", F19),
    ("2e277269824", F19), ("1e-999999999999999999", F19), ("1" * 99, F19),
    ("12345678901234567890123456789/9876543210987654321e-200000000", F19), (".5e-277269825", F19),
    ("1e-10000000", Format(19, 200)), ("1e-4000", Format(9, 27)), ("7e-3", Format(1, 2)),
    (Decimal("3e-277269826"), F19), (10 ** 98, F19), (Fraction(7, 10 ** 97), F19), (5e-324, F19),
]


@pytest.mark.parametrize("value, fmt", EXTREMES)
def test_every_short_input_converts_within_10_ms(value, fmt):
    with localcontext(traps=()):
        fastest = 1.0
        for _ in range(5):  # the fastest of several runs: the machine may be busy
            start = time.perf_counter()
            x = Number(value, fmt)
            fastest = min(fastest, time.perf_counter() - start)
    assert fastest < 0.010, f"{value!r} in {fmt!r} took {fastest * 1000:.1f} ms"
    assert -fmt.max_exponent <= x.exponent <= fmt.max_exponent


def test_extremes_land_where_magnitudes_say():
    # (exponent, flags, top mantissa trits); Numbers of such exponents are not compared
    # whole, which would build their exact values.
    def seen(text):
        with localcontext(traps=()):
            x = Number(text, F19)
        return x.exponent, int(x.flags), x.trits().mantissa[-3:]
    # 10**-10000000 is 3**-20959032.6...: its exponent e has 3**(e-1) <= 2x < 3**e
    assert seen("1e-10000000")[:2] == (-20959032, 0) and seen("1e10000000")[:2] == (20959034, 0)
    assert [seen(t) for t in ("1e277269824", "2e277269824", "-2e277269824")] == [
        (LIMIT, 0, (0, 0, 1)), (LIMIT, 1, (1, 1, 1)), (LIMIT, 1, (-1, -1, -1))]
    # the smallest magnitude, +--...-+ * 3**-LIMIT, is about 5.45e-277269826
    assert [seen(t) for t in ("6e-277269826", "3e-277269826", "2e-277269826")] == [
        (-LIMIT, 0, (-1, -1, 1)), (-LIMIT, 2, (-1, -1, 1)), (0, 2, (0, 0, 0))]


def test_integer_conversions_of_huge_exponents_need_no_exact_value():
    with localcontext(traps=()):
        tiny, minus = Number("1e-10000000", F19), Number("-3e-277269826", F19)
    start = time.perf_counter()
    got = [f(x) for x in (tiny, minus) for f in (int, round, math.floor, math.ceil, math.trunc)]
    assert got == [0, 0, 0, 1, 0, 0, 0, -1, 0, 0] and time.perf_counter() - start < 1.0
    with localcontext(traps=()):
        for x in (tiny, minus, Number("1e999", Format(8, 6)), Number("1e600", F19) * 3):
            back = eval(repr(x), vars(kestrom))  # short and exact, without the exact value
            assert (back.trits(), back.flags, back.format) == (x.trits(), x.flags, x.format)
            assert len(repr(x)) < 300 and repr(x).startswith("Number.from_trits(")


def test_order_near_and_far_follows_exact_values():
    rng = random.Random(11)
    fmt = Format(6, 8)
    for _ in range(2000):
        x = Number(Fraction(rng.randint(-10 ** 6, 10 ** 6), rng.randint(1, 10 ** 6)) * Fraction(3) ** rng.randint(-300, 300), fmt)
        q = x.to_fraction() * rng.choice([1, Fraction(1001, 1000), Fraction(999, 1000), 3, Fraction(1, 3), 7, -1]) \
            + rng.choice([0, 0, Fraction(1, 3 ** 400)])
        y = Number(q, Format(6, 5)) if rng.random() < 0.3 else q
        exact = y.to_fraction() if isinstance(y, Number) else y
        r = x.to_fraction()
        assert (x < y, x == y, x >= y) == (r < exact, r == exact, r >= exact), (x, y)


def test_huge_exponents_compare_without_their_exact_values():
    with localcontext(traps=()):
        tiny, minus = Number("1e-10000000", F19), Number("-3e-277269826", F19)
        huge = Number("1e10000000", F19)
    start = time.perf_counter()
    assert sorted([huge, 1, tiny, -1e-9, minus, 0, -huge]) == [-huge, -1e-9, minus, 0, tiny, 1, huge]
    assert tiny != 0 and tiny < Fraction(1, 10 ** 300) and tiny > minus and not (huge < tiny) and huge > 10 ** 99
    assert time.perf_counter() - start < 1.0

# SPDX-License-Identifier: MIT
"""kestrom.Number: conversions against an exhaustive exact oracle, operators, flags, bad input."""
import bisect
import math
import random
import sys
from fractions import Fraction

import pytest

from kestrom import Flag, Format, Number, localcontext

F46 = Format(4, 6)


@pytest.mark.parametrize("value, fmt, exact, exponent, mantissa", [
    (1.501, F46, "364/243", (1, 0, 0, 0), (1, 1, 1, 1, 1, 1)),  # top of the range below
    ("7.5", Format(4, 2), "9", (0, 1, 0, 0), (0, 1)),             # a tie, away from zero
    (0.5, F46, "364/729", (0, 0, 0, 0), (1, 1, 1, 1, 1, 1)),
    (100, F46, "100", (-1, -1, 1, 0), (0, 1, 0, -1, 1, 1)),
    (-2, F46, "-2", (-1, 1, 0, 0), (0, 0, 0, 0, 1, -1)),
    ("1/9", F46, "1/9", (-1, 0, 0, 0), (0, 0, 0, 0, 0, 1)),
    (0, F46, "0", (0, 0, 0, 0), (0, 0, 0, 0, 0, 0)),
])
def test_worked_conversions(value, fmt, exact, exponent, mantissa):
    x = Number(value, fmt)
    assert (str(x), x.trits(), x.flags) == (exact, (exponent, mantissa), 0)


def every_number(fmt):
    """All non-negative values of a small format, sorted, built from the definition alone."""
    n, top = fmt.mant_len, fmt.max_exponent
    mantissas = range((3 ** (n - 1) + 1) // 2, (3 ** n - 1) // 2 + 1)
    return sorted({Fraction(m, 3 ** n) * Fraction(3) ** e for e in range(-top, top + 1) for m in mantissas})


def oracle(x, fmt, values):
    """(value, flags) the conversion of x must give, from the sorted non-negative values."""
    a, smallest, largest = abs(x), values[0], values[-1]
    if a == 0:
        r, flags = 0, 0
    elif a >= Fraction(3) ** fmt.max_exponent / 2:  # needs an exponent above the range
        r, flags = largest, Flag.OVERFLOW
    elif a < Fraction(1, 2 * 3 ** (fmt.max_exponent + 1)):  # needs one below it
        r, flags = (smallest if a >= smallest / 2 else 0), Flag.UNDERFLOW
    else:
        i = bisect.bisect_left(values, a)
        below = values[i - 1] if i > 0 else 0
        above = values[i] if i < len(values) else largest
        r, flags = (below if a - below < above - a else above), 0
    return (r if x >= 0 else -r), flags


@pytest.fixture
def untrapped():
    """The library's results with their flags instead of exceptions."""
    with localcontext(traps=()) as ctx:
        yield ctx


@pytest.mark.parametrize("fmt", [Format(2, 4), Format(1, 3), Format(2, 2), Format(3, 2)])
def test_conversion_is_nearest_ties_away_from_zero(fmt, untrapped):
    values = every_number(fmt)
    rng = random.Random(fmt.exp_len * 10 + fmt.mant_len)
    points = [values[0] / 2, values[0] / 3, values[-1] * 2, Fraction(3 ** fmt.max_exponent, 2)]
    for a, b in zip([Fraction(0)] + values, values):  # ties, and just either side of them
        mid = (a + b) / 2
        points += [mid, mid - (b - a) / 1000, mid + (b - a) / 1000, b]
    points += [Fraction(rng.randint(1, 10 ** 6), rng.randint(1, 10 ** 6)) * values[-1] for _ in range(200)]
    for p in points:
        for x in (p, -p):
            got = Number.from_fraction(x, fmt)
            assert (got.to_fraction(), got.flags) == oracle(x, fmt, values), f"{x} in {fmt}"


def test_text_and_big_integers():
    assert Number.from_int(3 ** 30 + 1, Format(4, 6)) == 3 ** 30
    assert Number("-1.25e1", F46) == Number("-125/10", F46)
    assert Number("+.5e1", F46) == 5 and Number("0.004e+3/4", F46) == 1
    assert Number("1e-3", Format(6, 27)) == Number(Fraction(1, 1000), Format(6, 27))
    assert Number("1" + "0" * 5000, Format(10, 27)) == Number(10 ** 5000, Format(10, 27))


@pytest.mark.parametrize("text, offset", [
    ("", 0), ("-", 1), ("1.2.3", 3), ("1e", 2), ("1e+", 3), ("2/", 2), ("2/0", 2), ("1/2/3", 3),
    ("x", 0), (" 1 2", 2), ("-2/-3", 3), ("1__0", 1), ("_1", 0), ("1_", 1), ("1_.5", 1),
    ("1e_5", 2), ("\t- 1", 2)])
def test_bad_text_names_the_offset(text, offset):
    with pytest.raises(ValueError, match=f"at offset {offset}$"):
        Number.from_str(text, F46)


def test_out_of_range_values(untrapped):
    f = Format(6, 27)
    largest = Number.from_trits((1,) * 6, (1,) * 27, f)
    cases = [(Number("1e175", f), largest, Flag.OVERFLOW),
             (Number("-1e99999999999999999999", f), -largest, Flag.OVERFLOW),
             (Number(-math.inf, f), -largest, Flag.OVERFLOW),
             (Number(-(10 ** 200), f), -largest, Flag.OVERFLOW),
             (Number("1e-180", f), 0, Flag.UNDERFLOW),
             (Number("-1e-99999999999", f), 0, Flag.UNDERFLOW)]
    for got, want, flags in cases:
        assert (got, got.flags) == (want, flags)
    assert largest.exponent == 364
    g = Format(7, 40)
    floats = [(Number("1e400", g), math.inf), (-Number("1e308", g) * 10, -math.inf),
              (Number("-1e-400", g), -0.0), (Number(1e300, g), 1e300), (Number(5e-324, g), 5e-324)]
    for got, want in floats:
        assert float(got) == want and math.copysign(1, float(got)) == math.copysign(1, want), got


def test_operators_mix_operands_and_leave_them_alone():
    a, b = Number(5, F46), Number("1/3", F46)
    before = (a.trits(), b.trits())
    assert [a + b, a - b, a * b, a / b, -a, abs(-a), +a] == [
        Fraction(16, 3), Fraction(14, 3), Fraction(5, 3), 15, -5, 5, 5]
    assert (a.trits(), b.trits()) == before
    for other in (2, Fraction(2, 3), 0.75, -1.5):
        o = Number(other, F46)
        assert [(a + other), (other + a), (a - other), (other - a), (a * other), (other * a),
                (a / other), (other / a)] == [a + o, o + a, a - o, o - a, a * o, o * a, a / o, o / a]
        assert all(isinstance(r, Number) and r.format == F46 for r in (other - a, a / other))
    assert Number(1, F46) / 2 == Fraction(122, 243)  # the library's quotient, not the nearest


def test_order_equality_and_hash_follow_exact_values():
    rng = random.Random(7)
    g = Format(3, 5)
    for _ in range(500):
        x, y = (Number(Fraction(rng.randint(-400, 400), rng.randint(1, 30)), F46) for _ in "xy")
        z = Number(x.to_fraction() * rng.choice([1, 1, 2]), g)  # another format, often equal
        qx, qy, qz = x.to_fraction(), y.to_fraction(), z.to_fraction()
        assert (x == y, x < y, x <= y, x > y, x >= y) == (qx == qy, qx < qy, qx <= qy, qx > qy, qx >= qy)
        assert (x == z, x < z, x == qz, x < float(qz)) == (qx == qz, qx < qz, qx == qz, qx < float(qz))
        assert hash(x) == hash(qx) and (x == z) <= (hash(x) == hash(z))
    assert Number(2, F46) == 2 and Number(0.5, F46) != 0.5 and Number(1, F46) != math.nan
    assert Number(1, F46) < math.inf and not Number(1, F46) == "1"
    assert hash(Number(5, F46)) == hash(5)


def test_flags(untrapped):
    f = Format(2, 6)  # exponents -4 .. 4: values up to about 40
    zero, one, big, tiny = Number(0, f), Number(1, f), Number(40, f), Number("1/243", f)
    cases = [("1 + 1", one + one, 0), ("40 * 40", big * big, Flag.OVERFLOW),
             ("40 + 40", big + big, Flag.OVERFLOW), ("40 / (1/243)", big / tiny, Flag.OVERFLOW),
             ("(1/243)^2", tiny * tiny, Flag.UNDERFLOW), ("(1/243) / 40", tiny / big, Flag.UNDERFLOW),
             ("1 / 0", one / zero, Flag.DIVISION_BY_ZERO), ("0 / 0", zero / zero, Flag.DIVISION_BY_ZERO),
             ("0 / 1", zero / one, 0), ("sticky", big * big - one, Flag.OVERFLOW),
             ("two", one / 0 * big * big, Flag.DIVISION_BY_ZERO | Flag.OVERFLOW),
             ("converted operand", one + 10 ** 9, Flag.OVERFLOW), ("negated", -(big * big), Flag.OVERFLOW)]
    for what, got, flags in cases:
        assert got.flags == flags, what
        assert (got.overflow, got.underflow, got.division_by_zero) == (
            bool(flags & Flag.OVERFLOW), bool(flags & Flag.UNDERFLOW), bool(flags & Flag.DIVISION_BY_ZERO))
    assert one / zero == -8 and (zero / zero).is_zero()  # the library's meaningless quotients
    assert (big * big).without_flags().flags == 0


def test_repr_round_trips_and_text_is_exact():
    sys.set_int_max_str_digits(0)  # for Fraction(str(x)) on values of thousands of digits
    rng = random.Random(3)
    for fmt in (F46, Format(10, 40)):
        for _ in range(100):
            x = Number(Fraction(rng.randint(-10 ** 9, 10 ** 9), rng.randint(1, 10 ** 9))
                       * Fraction(3) ** rng.randint(-fmt.max_exponent, fmt.max_exponent - 20), fmt)
            y = eval(repr(x), {"Number": Number, "Format": Format})
            assert (y.trits(), y.format, Fraction(str(x))) == (x.trits(), fmt, x.to_fraction())


def test_bad_input():
    bad = [(lambda: Number(math.nan, F46), ValueError, "NaN"),
           (lambda: Format(0, 6), ValueError, "exp_len"), (lambda: Format(20, 6), ValueError, "exp_len"),
           (lambda: Format(4, 1), ValueError, "mant_len"), (lambda: Format(4.0, 6), TypeError, "exp_len"),
           (lambda: Number(1, F46) + Number(1, Format(3, 6)), ValueError, "different formats"),
           (lambda: Number(1, F46) + "1", TypeError, ""), (lambda: Number(1, (4, 6)), TypeError, "Format"),
           (lambda: Number.from_int(1.5, F46), TypeError, "int"),
           (lambda: Number.from_fraction(0.5, F46), TypeError, "Fraction"),
           (lambda: Number.from_float("1", F46), TypeError, "float"),
           (lambda: Number.from_trits((0,) * 4, (1, 0, 0, 0, 0, 0), F46), ValueError, "top mantissa"),
           (lambda: Number.from_trits((0,) * 4, (0,) * 5 + (2,), F46), ValueError, "-1, 0 or 1"),
           (lambda: Number.from_trits((0,) * 3, (0,) * 5 + (1,), F46), ValueError, "4 trits"),
           (lambda: Number.from_trits((0,) * 4 + (1,), (0,) * 5 + (1,), F46), ValueError, "guard")]
    for make, error, words in bad:
        with pytest.raises(error, match=words):
            make()

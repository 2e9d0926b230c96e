# SPDX-License-Identifier: MIT
"""Number as a Python number: format(), round and friends, **, Fraction, statistics."""
import decimal
import math
import numbers
import random
import re
import statistics
from decimal import Decimal
from fractions import Fraction

import pytest

from kestrom import Format, Number

F = Format(6, 27)
FORMATS = [".3f", "f", ".0f", "e", ".2e", "E", "g", ".3g", "#.3g", "G", "%", ".1%", "12.3f", "<12.3f",
         "*^15.2e", "=+12.2f", "+.2f", " .2f", "-.2f", "012.3f", "012.3e", ",.2f", "_.2f", ",",
         "_g", ".10", "z.1f", "x>+16,.1f"]


@pytest.mark.parametrize("layout", FORMATS)
def test_layout_is_floats_for_values_that_are_floats(layout):
    for v in (0, 1, 7, -12, 1234567, -987654321, 3 ** 20, 10 ** 6):
        x = Number(v, Format(6, 40))
        assert format(x, layout) == format(float(v), layout) == f"{x:{layout}}" == "{:{}}".format(x, layout), (v, layout)


def decimal_of(q):
    with decimal.localcontext() as ctx:
        ctx.prec = 120
        return Decimal(q.numerator) / Decimal(q.denominator)


@pytest.mark.parametrize("kind", ["f", "e", "%", "g"])
def test_digits_are_the_exact_value_rounded(kind):
    rng = random.Random(ord(kind))
    for _ in range(300):
        x = Number(Fraction(rng.randint(-10 ** 12, 10 ** 12), rng.randint(1, 10 ** 6)) * Fraction(3) ** rng.randint(-40, 40), F)
        p = rng.randint(0, 20)
        want = format(decimal_of(x.to_fraction()), f".{p}{kind}")
        if kind == "g":  # decimal keeps its own exponent rules for g: compare the values
            assert Decimal(format(x, f".{p}g")) == Decimal(want), (x, p)
        else:
            assert format(x, f".{p}{kind}") == re.sub(r"e([+-])(\d)$", r"e\g<1>0\2", want), (x, p)


def test_without_precision_the_shortest_decimal_reads_back():
    rng = random.Random(5)
    for fmt in (Format(4, 6), F, Format(8, 40)):
        for _ in range(100):
            x = Number(Fraction(rng.randint(-10 ** 9, 10 ** 9), rng.randint(1, 10 ** 9)) * Fraction(3) ** rng.randint(-30, 30), fmt)
            text = format(x, ">1")
            digits = len(re.sub(r"[^0-9]", "", text.split("e")[0]).strip("0"))
            assert Number(text, fmt).trits() == x.trits(), (x, text)
            assert digits == 1 or Number(format(x, f".{digits - 2}e"), fmt).trits() != x.trits(), (x, text)
    assert format(Number("1.501", Format(4, 6)), "") == "364/243"
    assert format(Number(1e-7, F), "10") == "     1e-07" and format(Number(100, F), "") == "100"


def test_integers_rounding_and_the_exact_value():
    rng = random.Random(9)
    for _ in range(300):
        q = Fraction(rng.randint(-10 ** 6, 10 ** 6), rng.choice([1, 2, 3, 9, 7, 1000]))
        x = Number(q, F)
        r = x.to_fraction()
        assert (int(x), math.trunc(x), math.floor(x), math.ceil(x), round(x)) == (
            int(r), math.trunc(r), math.floor(r), math.ceil(r), round(r)), q
        assert round(x, 2) == Number(round(r, 2), F) and round(x, -2).format == F
        assert Fraction(x) == r and x.as_integer_ratio() == (r.numerator, r.denominator)
        assert (abs(x), -x, +x, bool(x)) == (abs(r), -r, r, bool(r))
    assert isinstance(Number(1), numbers.Number) and isinstance(round(Number(1)), int)


def test_powers_by_square_and_multiply():
    x = Number("1.1", Format(4, 6))
    assert x ** 5 == (x * x) * (x * x) * x and (x ** 5).trits() == ((x * x) * (x * x) * x).trits()
    assert (x ** 6).trits() == (((x * x) * x) * ((x * x) * x)).trits()
    assert (x ** -3).trits() == (1 / ((x * x) * x)).trits()
    assert x ** 0 == 1 and (x ** 1).trits() == x.trits() and Number(2) ** 10 == 1024
    for bad in (0.5, Number(2), "2"):
        with pytest.raises(TypeError):
            x ** bad
    with pytest.raises(TypeError):
        pow(x, 2, 3)


def test_mean_and_sum():
    xs = [Number(v, F) for v in ("1.5", "2.25", "-0.75", "10")]
    assert statistics.mean(xs) == Number(Fraction(13, 4), F) and isinstance(statistics.mean(xs), Number)
    assert sum(xs) == xs[0] + xs[1] + xs[2] + xs[3] and isinstance(sum(xs), Number)
    assert statistics.median(xs) == (xs[0] + xs[1]) / 2


@pytest.mark.parametrize("value, same", [
    (" 1.5 ", "1.5"), ("\n-2_000\t", "-2000"), ("1_0.2_5e1_0", "10.25e10"), (Decimal("1.25"), "1.25"),
    (Decimal("-0.5E+3"), "-500"), (Decimal("-0"), "0"), (Decimal("7e-100"), "7e-100"),
    (Decimal("3." + "3" * 5000), "3." + "3" * 5000)])
def test_text_and_decimals_as_decimal_reads_them(value, same):
    assert Number(value, F).trits() == Number(same, F).trits() and Number(value, F).flags == 0


@pytest.mark.parametrize("value, words", [
    ("inf", "infinity"), ("-Infinity", "infinity"), ("nan", "NaN"), (" +NaN ", "NaN"),
    (Decimal("inf"), "finite"), (Decimal("nan"), "finite")])
def test_infinities_and_nan_are_clear_value_errors(value, words):
    with pytest.raises(ValueError, match=words):
        Number(value, F)

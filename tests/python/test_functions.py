# SPDX-License-Identifier: MIT
"""kestrom.math: results against enclosures computed here with integers and the decimal module
(not MPFR), exact cases, traps and flags, Numbers of two Formats, finding the library."""
import decimal
import os
import random
import subprocess
import sys
from fractions import Fraction

import pytest

import kestrom
from kestrom import (Flag, Format, InvalidOperation, LibraryNotFoundError, Number, Overflow, Underflow,
                     localcontext)
from kestrom import math as km

if not os.environ.get("KESTROM_MATH_LIBRARY"):
    pytest.fail("KESTROM_MATH_LIBRARY is not set: run this through ctest", pytrace=False)

D = decimal.Context(prec=160)
SLACK = Fraction(1, 10 ** 140)  # far above the decimal module's error at 160 digits


def dec(q):
    return D.divide(decimal.Decimal(q.numerator), decimal.Decimal(q.denominator))


def around(d):
    """An enclosure of the real that the 160-digit Decimal d approximates."""
    q = Fraction(d)
    return q - SLACK * (1 + abs(q)), q + SLACK * (1 + abs(q))


def root(q, k):
    """An enclosure of the k-th root of the Fraction q >= 0, from integer roots."""
    scale = 2 ** 600
    a = q.numerator * q.denominator ** (k - 1) * scale ** k
    lo, hi = 0, 1 << (a.bit_length() // k + 2)
    while hi - lo > 1:  # lo**k <= a < hi**k
        mid = (lo + hi) // 2
        lo, hi = (mid, hi) if mid ** k <= a else (lo, mid)
    return Fraction(lo, q.denominator * scale), Fraction(hi, q.denominator * scale)


def series(x, odd):
    """sin (odd) or cos of the Decimal x by its Taylor series at 160 digits."""
    term = x if odd else D.create_decimal(1)
    total, k = term, 1 if odd else 0
    while abs(term) > decimal.Decimal(10) ** -170:
        term = D.divide(D.multiply(D.multiply(term, x), D.minus(x)), (k + 1) * (k + 2))
        total, k = D.add(total, term), k + 2
    return total


def pi():
    def atan_inverse(n):  # atan(1/n) by its series
        total, power, k = decimal.Decimal(0), D.divide(1, n), 0
        while power > decimal.Decimal(10) ** -170:
            total = D.add(total, D.divide(power, (2 * k + 1) * (-1) ** k))
            power, k = D.divide(power, n * n), k + 1
        return total
    return D.subtract(D.multiply(16, atan_inverse(5)), D.multiply(4, atan_inverse(239)))


def nearest(enclosure, fmt):
    """The Number nearest to the real inside the enclosure, when both ends agree on it."""
    lo, hi = (Number(q, fmt) for q in enclosure)
    assert lo.trits() == hi.trits(), "enclosure too wide to decide"
    return lo


def references():
    """(function, arguments as Fractions, enclosure of the exact result)"""
    ln3 = D.ln(decimal.Decimal(3))
    return {
        "sqrt": (lambda x: root(x, 2), lambda r: abs(r) + Fraction(1, 7)),
        "cbrt": (lambda x: root(x, 3), lambda r: abs(r) * 5),  # negative: the worked values
        "exp": (lambda x: around(D.exp(dec(x))), lambda r: r * 40),
        "exp3": (lambda x: around(D.exp(D.multiply(dec(x), ln3))), lambda r: r * 30),
        "log": (lambda x: around(D.ln(dec(x))), lambda r: abs(r) * 1000 + Fraction(1, 1000)),
        "log3": (lambda x: around(D.divide(D.ln(dec(x)), ln3)), lambda r: abs(r) * 7 + Fraction(1, 9)),
        "sin": (lambda x: around(series(dec(x), True)), lambda r: r * 3),
        "cos": (lambda x: around(series(dec(x), False)), lambda r: r * 3),
        "tan": (lambda x: around(D.divide(series(dec(x), True), series(dec(x), False))), lambda r: r),
        "hypot": (lambda x, y: root(x * x + y * y, 2), lambda r: r * 30),
        "fma": (lambda x, y, z: (x * y + z,) * 2, lambda r: r * 20),
        "pow": (lambda x, n: (x ** int(n),) * 2, None),
    }


@pytest.mark.parametrize("fmt", [Format(4, 6), Format(6, 27), Format(6, 81)], ids=repr)
@pytest.mark.parametrize("name", sorted(references()))
def test_random_arguments_give_the_nearest_number(name, fmt):
    reference, scale = references()[name]
    rng = random.Random(f"{name} {fmt!r}")
    arity = reference.__code__.co_argcount
    for _ in range(12):
        if name == "pow":  # an integer power, exact in rationals
            args = [Number(Fraction(rng.randrange(-10 ** 6, 10 ** 6), 10 ** 5), fmt), Number(rng.randrange(-6, 7), fmt)]
        else:
            args = [Number(scale(Fraction(rng.randrange(-10 ** 9, 10 ** 9), 10 ** 9)), fmt) for _ in range(arity)]
        expected = nearest(reference(*(a.to_fraction() for a in args)), fmt)
        got = getattr(km, name)(*args)
        assert (got.trits(), got.flags) == (expected.trits(), 0), f"{name}{tuple(map(str, args))}"


PI = around(pi())


@pytest.mark.parametrize("compute, exact", [
    (lambda f: km.pi(f), PI),
    (lambda f: km.e(f), around(D.exp(decimal.Decimal(1)))),
    (lambda f: km.acos(Number(-1, f)), PI),
    (lambda f: km.atan(Number(1, f)), tuple(q / 4 for q in PI)),
    (lambda f: km.asin(Number(-1, f)), tuple(-q / 2 for q in reversed(PI))),
    (lambda f: km.atan2(Number(1, f), Number(-1, f)), tuple(q * 3 / 4 for q in PI)),
    (lambda f: km.pow(Number(3, f), Number(4, f)), (Fraction(81),) * 2),
    (lambda f: km.pow(Number(729, f), Number(Fraction(1, 3), f)), (Fraction(9),) * 2),
    (lambda f: km.pow(Number(Fraction(1, 9), f), Number(-2, f)), (Fraction(81),) * 2),
    (lambda f: km.log3(Number(Fraction(1, 27), f)), (Fraction(-3),) * 2),
    (lambda f: km.exp3(Number(-5, f)), (Fraction(1, 243),) * 2),
    (lambda f: km.sqrt(Number(Fraction(4, 9), f)), (Fraction(2, 3),) * 2),
    (lambda f: km.cbrt(Number(-64, f)), (Fraction(-4),) * 2),
    (lambda f: km.hypot(Number(5, f), Number(-12, f)), (Fraction(13),) * 2),
    (lambda f: Number(2, f).sqrt(), root(Fraction(2), 2)),
    (lambda f: Number(2, f).exp(), around(D.exp(decimal.Decimal(2)))),
    (lambda f: Number(2, f).ln(), around(D.ln(decimal.Decimal(2)))),
])
@pytest.mark.parametrize("fmt", [Format(6, 27), Format(5, 243)], ids=repr)
def test_constants_and_worked_values(compute, exact, fmt):
    got = compute(fmt)
    assert got.format == fmt and (got.trits(), got.flags) == (nearest(exact, fmt).trits(), 0)


F = Format(2, 6)  # magnitudes from 3**-4/6 to below 3**4/2 = 40.5
LARGEST, SMALLEST = Fraction(364, 9), Fraction(122, 3 ** 10)


@pytest.mark.parametrize("compute, signal, flags, value", [
    (lambda: km.sqrt(Number(-1, F)), InvalidOperation, Flag.INVALID, 0),
    (lambda: km.log(Number(0, F)), InvalidOperation, Flag.INVALID, 0),
    (lambda: km.log3(Number(-3, F)), InvalidOperation, Flag.INVALID, 0),
    (lambda: km.asin(Number(2, F)), InvalidOperation, Flag.INVALID, 0),
    (lambda: km.pow(Number(0, F), Number(-1, F)), InvalidOperation, Flag.INVALID, 0),
    (lambda: km.pow(Number(-8, F), Number("1/3", F)), InvalidOperation, Flag.INVALID, 0),
    (lambda: km.atan2(Number(0, F), Number(0, F)), InvalidOperation, Flag.INVALID, 0),
    (lambda: km.hypot(Number(1, F), Number(1, Format(2, 7))), InvalidOperation, Flag.INVALID, 0),
    (lambda: km.fma(Number(1, F), 2, Number(1, Format(3, 6))), InvalidOperation, Flag.INVALID, 0),
    (lambda: km.exp(Number(5, F)), Overflow, Flag.OVERFLOW, LARGEST),
    (lambda: km.pow(Number(-3, F), Number(5, F)), Overflow, Flag.OVERFLOW, -LARGEST),
    (lambda: km.pi(Format(1, 4)), Overflow, Flag.OVERFLOW, Fraction(40, 27)),
    (lambda: km.exp(Number(-12, F)), Underflow, Flag.UNDERFLOW, 0),
    (lambda: km.exp3(Number(-5.9, F)), Underflow, Flag.UNDERFLOW, SMALLEST),
])
def test_conditions_raise_by_default_and_give_the_flagged_result_untrapped(compute, signal, flags, value):
    with pytest.raises(signal) as raised:
        compute()
    assert isinstance(raised.value, ValueError) == (signal is InvalidOperation)
    with localcontext(traps={signal: False}):
        got = compute()
    assert (got.flags, got.to_fraction()) == (flags, value)
    assert eval(repr(got), vars(kestrom)).trits() == got.trits()


def test_results_keep_their_arguments_flags_and_other_numbers_take_their_format():
    with localcontext(traps=()):
        flagged = Number(1, F) / 0
    assert km.sin(flagged).flags == Flag.DIVISION_BY_ZERO
    assert km.hypot(Number(3, F), 4) == 5 and km.hypot(Number(3, F), 4).format == F
    with localcontext(format=Format(3, 9)):
        assert km.sqrt(Fraction(1, 9)) == Fraction(1, 3) and km.pi().format == Format(3, 9)
    with pytest.raises(TypeError):
        km.sqrt("2")


def test_the_library_is_found_from_the_variable_and_named_when_missing(tmp_path):
    assert km.library().path == os.environ["KESTROM_MATH_LIBRARY"]
    with pytest.raises(LibraryNotFoundError, match="does not export kestrom_math_"):
        km.Library(os.environ["KESTROM_LIBRARY"])
    env = dict(os.environ, KESTROM_MATH_LIBRARY=str(tmp_path / "none.so"))
    done = subprocess.run([sys.executable, "-c", "import kestrom.math as m; m.sqrt(2)"], env=env,
                          capture_output=True, text=True)
    assert done.returncode != 0 and "LibraryNotFoundError" in done.stderr and "KESTROM_MATH_LIBRARY" in done.stderr

#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Using the kestrom Python package: ternary Numbers as Python numbers, traps and flags,
brennic's four lanes.

    venv/bin/python examples/python/kestrom_example.py      # the wheel installed (README)
    KESTROM_LIBRARY=build/default/ternary/libkestrom.so \
    BRENNIC_LIBRARY=build/default/simd/libbrennic.so PYTHONPATH=python python3 examples/python/kestrom_example.py
"""
import statistics
from fractions import Fraction

from kestrom import DivisionByZero, Flag, Format, Number, Overflow, lanes, localcontext

f = Format(4, 6)  # 4 exponent trits (exponents -40 to 40), 6 mantissa trits

# Conversions round to the nearest ternary float; ties go away from zero.
x = Number.from_float(1.501, f)
print(f"1.501 is stored as {x} = {float(x)!r}, trits {x.trits()}")
print(f"7.5 with two mantissa trits: {Number('7.5', Format(4, 2))}")

# Operations are kestrom's own, one library call each; ints, Fractions and floats are
# converted to the Number's format first.
third = Number("1/3", f)
y = (x + 1) * third - Fraction(1, 9)
print(f"(x + 1) * 1/3 - 1/9 = {y!r}")
print(f"1 / 2 = {Number(1, f) / 2} (the library's quotient; the nearest to 1/2 is {Number(0.5, f)})")
print(f"compared by value: {Number(2, f) == 2}, {third < 0.34}, hash like Fraction: {hash(Number(5, f)) == hash(5)}")

# Python's number protocol.
print(f"format: {x:.3f} {x:e} {Number(1234567, f):,}; round: {round(x)}, {round(x, 2)!r}")
print(f"x ** 3 = {x ** 3}, Fraction(x) = {Fraction(x)!r}, mean = {statistics.mean([x, third, 2])!r}")

# As in the decimal module, what goes wrong raises by default ...
small = Format(2, 6)  # exponents -4 to 4: magnitudes up to about 40
big = Number(40, small)
try:
    big * big
except OverflowError as error:
    print(f"40 * 40 in {small!r}: {type(error).__name__}: {error}")
# ... and with the traps off the library's result comes back with sticky flags; the values
# they come with are meaningless.
with localcontext(traps={Overflow: False, DivisionByZero: False}):
    z = big * big / 0
    print(f"40 * 40 / 0 in {small!r}, traps off: {z!r}")
    print(f"1e30 in {f!r} saturates: {Number('1e30', f)!r}")
if z.flags != Flag.OVERFLOW | Flag.DIVISION_BY_ZERO or not z.overflow:
    raise SystemExit("unexpected flags")

# brennic: exactly four binary32 lanes.
print("four lanes:", lanes.div((1, 1, 1, 0), (2, 0, -0.0, 4)))
try:
    lanes.add((1, 2, 3), (4, 5, 6, 7))
except ValueError as error:
    print("three lanes:", error)

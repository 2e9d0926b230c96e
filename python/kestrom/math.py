# SPDX-License-Identifier: MIT
"""kestrom.math: correctly rounded functions of Numbers, by the kestrom-math library.

    from kestrom import Format, Number, math as kmath
    f = Format(6, 27)
    kmath.sqrt(Number(2, f))               # the Number of f nearest to the square root of 2
    kmath.pow(Number(3, f), 4)             # exactly 81
    kmath.pi(f), kmath.e(f)                # the constants, rounded to f
    Number(2, f).sqrt()                    # the same as kmath.sqrt

Every function returns the Number of its arguments' Format nearest to the exact result; a
tie (possible only when the exact result is a ternary number one trit longer than the
Format) goes away from zero, and exact results come out exact. Each is one call of the C
interface of libkestrom-math (<kestrom/math.h>), which evaluates with MPFR and decides the
rounding exactly; nothing is computed here.

Arguments are Numbers of one Format, or ints, Fractions, floats and Decimals, which are
first converted to the nearest Number of that Format (of the context's Format when no
argument is a Number). What goes wrong is signalled through the context (kestrom.context):
  InvalidOperation  an argument outside the domain (sqrt(-1), log(0), asin(2),
                    pow(-8, 1/3), pow(0, -1), atan2(0, 0)) or Numbers of two Formats; a
                    ValueError. With the trap off: zero, flagged INVALID.
  Overflow          the result is beyond the Format's range; with the trap off it saturates
                    at the largest Number of its sign, flagged OVERFLOW.
  Underflow         the result is below the range; with the trap off it is the nearer of
                    zero and the smallest Number of its sign, flagged UNDERFLOW.
Results carry their arguments' flags and add their own.

The library is found like the core ones: library(path), else KESTROM_MATH_LIBRARY, else the
copy a platform wheel carries (kestrom/lib/libkestrom-math.so.0), else the system's
libkestrom-math.so.0. It needs the system's MPFR and GMP (Debian's libmpfr6 and libgmp10)
and the kestrom library, which kestrom.raw opens first so that both use the same one.
"""
from __future__ import annotations

import ctypes
import decimal
import numbers
from typing import Optional, Tuple, Union

from . import raw
from ._format import Format
from ._loading import Shared, export, open_library
from .context import InvalidOperation, Overflow, Underflow, getcontext
from .number import Flag, Number

__all__ = ["Library", "acos", "asin", "atan", "atan2", "cbrt", "cos", "e", "exp", "exp3", "fma",
           "hypot", "library", "log", "log3", "pi", "pow", "sin", "sqrt", "tan"]

Argument = Union[Number, int, float, numbers.Rational, decimal.Decimal]

# The C functions kestrom_math_<name> and how many numbers each reads.
_ARITY = {"sqrt": 1, "cbrt": 1, "exp": 1, "exp3": 1, "log": 1, "log3": 1, "sin": 1, "cos": 1,
          "tan": 1, "asin": 1, "acos": 1, "atan": 1, "pow": 2, "atan2": 2, "hypot": 2, "fma": 3,
          "pi": 0, "e": 0}
_TRITS = ctypes.POINTER(ctypes.c_byte)  # signed char*
# The bits <kestrom/math.h> returns, which are the Flag values.
_MATH_FLAGS = Flag.OVERFLOW | Flag.UNDERFLOW | Flag.INVALID


class Library:
    """libkestrom-math, opened from `path`, else KESTROM_MATH_LIBRARY, else the wheel's copy,
    else the system's. Each function of <kestrom/math.h> is an attribute named without its
    kestrom_math_ prefix, with the C parameter list:
      sqrt(resExp, resMant, expLen, mantLen, expA, mantA) -> flags     (and the other unary ones)
      pow(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB) -> flags   (atan2, hypot)
      fma(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, expC, mantC) -> flags
      pi(resExp, resMant, expLen, mantLen) -> flags                   (and e)
    Buffers are kestrom.raw.trit_string()s. Opens kestrom.raw.library() first, whose
    libkestrom.so.0 the math library then uses. Raises LibraryNotFoundError, naming what it
    tried, when the library cannot be opened or lacks a function."""

    def __init__(self, path: Optional[str] = None) -> None:
        raw.library()
        self._dll, self.path = open_library("kestrom-math", path, "KESTROM_MATH_LIBRARY")
        for name, arity in _ARITY.items():
            fn = export(self._dll, self.path, "kestrom_math_" + name, "libkestrom-math")
            fn.argtypes = [_TRITS, _TRITS, ctypes.c_int, ctypes.c_int] + [_TRITS] * (2 * arity)
            fn.restype = ctypes.c_uint
            setattr(self, name, fn)

    def __repr__(self) -> str:
        return f"kestrom.math.Library({self.path!r})"


_shared: Shared[Library] = Shared(Library)


def library(path: Optional[str] = None) -> Library:
    """The library the functions call. Without `path`: the one already in use, or the one
    Library() opens on first use. With `path`: opens that one and uses it from now on."""
    return _shared.get(path)


def _numbers(name: str, args: Tuple[Argument, ...]) -> Tuple[Format, Optional[Tuple[Number, ...]]]:
    """The Format of the call (the first Number's, else the context's) and the arguments as
    Numbers of it; None for the Numbers when Numbers of two Formats meet. TypeError for an
    argument that is not a number (str included, as for the operators)."""
    given = [a.format for a in args if isinstance(a, Number)]
    fmt = given[0] if given else getcontext().format
    if any(f != fmt for f in given):
        return fmt, None
    out = []
    for a in args:
        if isinstance(a, Number):
            out.append(a)
        elif isinstance(a, (numbers.Rational, float, decimal.Decimal)):
            out.append(Number(a, fmt))
        else:
            raise TypeError(f"{name} needs numbers, not {type(a).__name__}")
    return fmt, tuple(out)


def _apply(name: str, *args: Argument) -> Number:
    """One call of kestrom_math_<name> on the arguments, its flags signalled."""
    fmt, operands = _numbers(name, args)
    carried = Flag(0)  # results keep their arguments' flags
    for a in args:
        if isinstance(a, Number):
            carried |= a.flags
    if operands is None:
        shown = ", ".join(repr(a.format) for a in args if isinstance(a, Number))
        getcontext().signal(InvalidOperation, f"{name} of numbers of different formats: {shown}")
        return Number.from_trits((0,) * fmt.exp_len, (0,) * fmt.mant_len, fmt, flags=carried | Flag.INVALID)
    e, m = fmt.exp_len, fmt.mant_len
    res_exp, res_mant = raw.trit_string(e), raw.trit_string(m)
    buffers = []
    for a in operands:
        exp, mant = a.trits()
        buffers += [raw.trit_string(e, exp), raw.trit_string(m, mant)]
    fresh = Flag(getattr(library(), name)(res_exp, res_mant, e, m, *buffers) & _MATH_FLAGS)
    _signal(name, fresh, fmt)
    return Number.from_trits(res_exp[:e], res_mant[:m], fmt, flags=carried | fresh)


def _signal(name: str, fresh: Flag, fmt: Format) -> None:
    """Raises for the first condition of the call whose trap is on."""
    ctx = getcontext()
    if fresh & Flag.INVALID:
        ctx.signal(InvalidOperation, f"{name}: an argument outside its domain")
    if fresh & Flag.OVERFLOW:
        ctx.signal(Overflow, f"{name}: the result is beyond the range of {fmt!r} "
                   f"(magnitudes below 3**{fmt.max_exponent}/2)")
    if fresh & Flag.UNDERFLOW:
        ctx.signal(Underflow, f"{name}: the result is below the range of {fmt!r} "
                   f"(magnitudes from 3**-{fmt.max_exponent}/6)")


def sqrt(x: Argument) -> Number:
    """The square root of x; InvalidOperation for x < 0."""
    return _apply("sqrt", x)


def cbrt(x: Argument) -> Number:
    """The real cube root of x (negative for x < 0)."""
    return _apply("cbrt", x)


def exp(x: Argument) -> Number:
    """e to the power x; Overflow or Underflow beyond the range."""
    return _apply("exp", x)


def exp3(x: Argument) -> Number:
    """3 to the power x; Overflow or Underflow beyond the range."""
    return _apply("exp3", x)


def log(x: Argument) -> Number:
    """The natural logarithm of x; InvalidOperation for x <= 0."""
    return _apply("log", x)


def log3(x: Argument) -> Number:
    """The logarithm of x to base 3; InvalidOperation for x <= 0."""
    return _apply("log3", x)


def pow(x: Argument, y: Argument) -> Number:
    """x to the power y; InvalidOperation for a negative x with a y that is not an integer
    and for 0 to a negative power; Overflow or Underflow beyond the range."""
    return _apply("pow", x, y)


def sin(x: Argument) -> Number:
    """The sine of x (radians); huge arguments are reduced exactly."""
    return _apply("sin", x)


def cos(x: Argument) -> Number:
    """The cosine of x (radians); huge arguments are reduced exactly."""
    return _apply("cos", x)


def tan(x: Argument) -> Number:
    """The tangent of x (radians); huge arguments are reduced exactly."""
    return _apply("tan", x)


def asin(x: Argument) -> Number:
    """The arc sine of x, in [-pi/2, pi/2]; InvalidOperation for |x| > 1."""
    return _apply("asin", x)


def acos(x: Argument) -> Number:
    """The arc cosine of x, in [0, pi]; InvalidOperation for |x| > 1."""
    return _apply("acos", x)


def atan(x: Argument) -> Number:
    """The arc tangent of x, in (-pi/2, pi/2)."""
    return _apply("atan", x)


def atan2(y: Argument, x: Argument) -> Number:
    """The angle of the point (x, y), in (-pi, pi]; InvalidOperation for atan2(0, 0)."""
    return _apply("atan2", y, x)


def hypot(x: Argument, y: Argument) -> Number:
    """The square root of x*x + y*y, without intermediate overflow."""
    return _apply("hypot", x, y)


def fma(x: Argument, y: Argument, z: Argument) -> Number:
    """x*y + z, rounded once."""
    return _apply("fma", x, y, z)


def pi(format: Optional[Format] = None) -> Number:
    """pi rounded to `format` (default: the context's Format)."""
    return _constant("pi", format)


def e(format: Optional[Format] = None) -> Number:
    """e rounded to `format` (default: the context's Format)."""
    return _constant("e", format)


def _constant(name: str, format: Optional[Format]) -> Number:
    fmt = getcontext().format if format is None else format
    if not isinstance(fmt, Format):
        raise TypeError(f"format must be a kestrom.Format, not {type(fmt).__name__}")
    e_len, m = fmt.exp_len, fmt.mant_len
    res_exp, res_mant = raw.trit_string(e_len), raw.trit_string(m)
    fresh = Flag(getattr(library(), name)(res_exp, res_mant, e_len, m) & _MATH_FLAGS)
    _signal(name, fresh, fmt)  # pi and e overflow Format(1, n), whose magnitudes stay below 3/2
    return Number.from_trits(res_exp[:e_len], res_mant[:m], fmt, flags=fresh)


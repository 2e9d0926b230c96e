# SPDX-License-Identifier: MIT
"""kestrom.Number: a balanced-ternary float as a Python number.

A Number is bound to a Format (exponent and mantissa lengths in trits). Its value is
m * 3**e with 1/6 < |m| < 1/2, m having exactly mant_len balanced trits and e exactly
exp_len, or zero. Conversions from int, Fraction, float, Decimal and text round the exact
value to the nearest Number; an exact tie goes away from zero. Arithmetic is kestrom's own:
each operation is one call of the library on fresh copies of the operands, and its result
is kept as the library gives it (a product or quotient may differ from the exact one in its
last trits).

What goes wrong is signalled as in the decimal module (see kestrom.context): by default
DivisionByZero (a ZeroDivisionError), InvalidOperation (0/0), Overflow (an OverflowError)
and Underflow (an ArithmeticError) raise. With a trap turned off by kestrom.localcontext()
the result comes back with a Flag instead, and the flags show in repr. Flags are sticky: a
result carries its operands' flags and adds its own.
  OVERFLOW / UNDERFLOW  the exponent left its range, upwards or downwards. After an
      operation the exponent has wrapped and the value is meaningless. A conversion of a
      magnitude too large saturates to the largest Number of that sign; one of a non-zero
      magnitude below the range gives the nearer of zero and the smallest Number.
  DIVISION_BY_ZERO  the divisor was zero; the value is the library's (finite and
      meaningless; 0/0 gives zero).
Errors a program can avoid raise ValueError (NaN, infinite Decimals, bad text, an invalid
Format, operands of different Formats) or TypeError (operands that are not numbers).
"""
from __future__ import annotations

import decimal
import enum
import math
import numbers
from fractions import Fraction
from typing import ContextManager, Iterable, NamedTuple, Optional, Tuple, Union

from . import raw
from ._format import Format, _index
from ._formatting import format_value, significant
from ._rounding import nearest
from ._text import digits_of_int, int_of_digits, parse
from .context import (Context, DivisionByZero, InvalidOperation, Overflow, Underflow, getcontext,
                      localcontext)

__all__ = ["Flag", "Format", "Number", "Trits"]

# What arithmetic and comparisons accept beside Numbers, converted to the Number's Format.
Operand = Union["Number", int, Fraction, float]


class Flag(enum.IntFlag):
    """What went wrong on the way to a Number, when its trap was off; the values are the
    C++ toolkit's."""

    OVERFLOW = 1
    UNDERFLOW = 2
    DIVISION_BY_ZERO = 4
    INVALID = 8  # a kestrom.math argument outside its function's domain, or of two Formats


class Trits(NamedTuple):
    """The stored form of a Number, least significant trit first, without guard trits."""

    exponent: Tuple[int, ...]
    mantissa: Tuple[int, ...]



class Number:
    """A balanced-ternary float of a given Format; immutable, hashable, a numbers.Rational.

    Number(value=0, format=None, *, flags=0) converts an int, Fraction (or other Rational),
    float, decimal.Decimal, str or Number to the nearest Number of `format` (default: the
    current context's, Format(6, 27) unless changed), ties away from zero, like the from_*
    methods. `flags` adds Flags to the result (repr uses it to show them).

    Raises Overflow or Underflow (subclasses of ArithmeticError) when the value lies beyond
    the Format's range and that trap is on; with it off, the result saturates (OVERFLOW) or
    is the nearer of zero and the smallest Number (UNDERFLOW). Raises ValueError for NaN,
    infinite Decimals and bad text, TypeError for other types.

    Operators: + - * / and ** (an int power) call the library, see __add__ and __pow__;
    comparisons, == and hash go by exact value; int(), round(), math.floor/ceil/trunc,
    float(), Fraction(x) (exact) and format() convert from the exact value."""

    __slots__ = ("_format", "_exp", "_mant", "_flags", "_value")

    def __init__(self, value: Union[Operand, str, decimal.Decimal] = 0, format: Optional[Format] = None,
                 *, flags: int = 0) -> None:
        fmt = getcontext().format if format is None else _checked_format(format)
        if isinstance(value, str):
            r = Number.from_str(value, fmt)
        elif isinstance(value, float):
            r = Number.from_float(value, fmt)
        elif isinstance(value, Number):
            r = value if value._format == fmt else Number.from_fraction(value.to_fraction(), fmt)
        elif isinstance(value, numbers.Rational):
            r = Number.from_fraction(value, fmt)
        elif isinstance(value, decimal.Decimal):
            r = Number.from_decimal(value, fmt)
        else:
            raise TypeError(f"cannot make a Number of {type(value).__name__} {value!r}")
        self._set(r._format, r._exp, r._mant, r._flags | Flag(flags))

    def _set(self, fmt: Format, exp: Tuple[int, ...], mant: Tuple[int, ...], flags: int) -> None:
        self._format = fmt
        self._exp = exp
        self._mant = mant
        self._flags = Flag(flags)
        self._value: Optional[Fraction] = None

    @classmethod
    def _make(cls, fmt: Format, exp: Tuple[int, ...], mant: Tuple[int, ...], flags: int) -> "Number":
        r = object.__new__(cls)
        r._set(fmt, exp, mant, flags)
        return r

    # --- conversions in ---------------------------------------------------------------

    @classmethod
    def from_int(cls, value: int, format: Format) -> "Number":
        """The Number nearest to the integer `value`; raises Overflow beyond the range (when
        trapped) and TypeError for a value that is not an int."""
        n = _index(value, "value")
        return _nearest(n < 0, abs(n), 1, 0, format)

    @classmethod
    def from_fraction(cls, value: Union[Fraction, int], format: Format) -> "Number":
        """The Number nearest to the rational `value` (a Fraction or another Rational); raises
        Overflow or Underflow beyond the range (when trapped), TypeError for other types."""
        if not isinstance(value, numbers.Rational):
            raise TypeError(f"from_fraction needs a Fraction or an int, not {type(value).__name__}")
        num, den = int(value.numerator), int(value.denominator)
        return _nearest(num < 0, abs(num), den, 0, format)

    @classmethod
    def from_float(cls, value: float, format: Format) -> "Number":
        """The Number nearest to the exact binary value of `value`. An infinity is beyond
        every range: it raises Overflow, or with that trap off saturates to the largest
        Number of its sign with the OVERFLOW flag. NaN raises ValueError."""
        if isinstance(value, bool) or not isinstance(value, (float, int)):
            raise TypeError(f"from_float needs a float, not {type(value).__name__}")
        x = float(value)
        if math.isnan(x):
            raise ValueError("NaN has no Number")
        fmt = _checked_format(format)
        if math.isinf(x):
            largest = 3**fmt.mant_len // 2
            return _from_rounding((fmt.max_exponent, -largest if x < 0 else largest, Flag.OVERFLOW),
                                  fmt, f"{x} has no Number:")
        num, den = x.as_integer_ratio()
        return _nearest(num < 0, abs(num), den, 0, fmt)

    @classmethod
    def from_decimal(cls, value: decimal.Decimal, format: Format) -> "Number":
        """The Number nearest to the exact value of a finite Decimal, decided from its digits
        and exponent; raises ValueError for infinities and NaN, Overflow or Underflow beyond
        the range (when trapped)."""
        if not isinstance(value, decimal.Decimal):
            raise TypeError(f"from_decimal needs a Decimal, not {type(value).__name__}")
        if not value.is_finite():
            raise ValueError(f"{value!r} has no Number: a Number is finite")
        sign, digits, exp10 = value.as_tuple()
        return _nearest(bool(sign), int_of_digits("".join(map(str, digits))), 1, int(exp10), format)

    @classmethod
    def from_str(cls, text: str, format: Format) -> "Number":
        """The Number nearest to the exact value of `text`: a decimal with optional sign,
        point and exponent ("-1.25", ".5", "1e-3", "2.5E+4"), optionally over a second one
        without sign ("2/3", "1/1e3"). Surrounding whitespace and single underscores between
        digits ("1_000") are allowed, as for Decimal. Raises ValueError naming the offending
        offset (and for "inf" and "nan"), Overflow or Underflow beyond the range (when
        trapped). Costs little whatever the exponent: "1e-10000000" in Format(19, 27) is
        decided from intervals of a few hundred bits."""
        if not isinstance(text, str):
            raise TypeError(f"from_str needs a str, not {type(text).__name__}")
        negative, num, den, exp10 = parse(text)
        return _nearest(negative, num, den, exp10, format)

    @classmethod
    def from_trits(cls, exponent: Iterable[int], mantissa: Iterable[int], format: Format,
                   *, flags: int = 0) -> "Number":
        """The Number with these trits, least significant first, with or without a (zero)
        guard trit, carrying `flags`. Raises ValueError unless they are trits of the Format's
        lengths and the number is normalized or zero."""
        fmt = _checked_format(format)
        exp = _trits_of(exponent, fmt.exp_len, "exponent")
        mant = _trits_of(mantissa, fmt.mant_len, "mantissa")
        if mant[-1] == 0 and any(mant + exp):
            raise ValueError("the top mantissa trit is zero but the number is not zero")
        return cls._make(fmt, exp, mant, Flag(flags))

    # --- what it is ---------------------------------------------------------------------

    @property
    def format(self) -> Format:
        """The Format this Number belongs to."""
        return self._format

    @property
    def flags(self) -> Flag:
        """The Flags of the conditions met on the way to this Number with their traps off."""
        return self._flags

    @property
    def overflow(self) -> bool:
        """Whether OVERFLOW is among the flags."""
        return bool(self._flags & Flag.OVERFLOW)

    @property
    def underflow(self) -> bool:
        """Whether UNDERFLOW is among the flags."""
        return bool(self._flags & Flag.UNDERFLOW)

    @property
    def division_by_zero(self) -> bool:
        """Whether DIVISION_BY_ZERO is among the flags."""
        return bool(self._flags & Flag.DIVISION_BY_ZERO)

    @property
    def invalid(self) -> bool:
        """Whether INVALID is among the flags."""
        return bool(self._flags & Flag.INVALID)

    def without_flags(self) -> "Number":
        """The same value with no flags."""
        return Number._make(self._format, self._exp, self._mant, 0)

    @property
    def exponent(self) -> int:
        """e, where the value is m * 3**e and 1/6 < |m| < 1/2 (0 for zero)."""
        return _int_of(self._exp)

    @property
    def sign(self) -> int:
        """-1, 0 or +1: the top mantissa trit."""
        return self._mant[-1]

    def is_zero(self) -> bool:
        """Whether the value is zero."""
        return self._mant[-1] == 0

    def trits(self) -> Trits:
        """The exponent and mantissa trits, least significant first, without guards."""
        return Trits(self._exp, self._mant)

    # --- conversions out ----------------------------------------------------------------

    def to_fraction(self) -> Fraction:
        """The exact value, a Fraction (Fraction(x) gives the same)."""
        if self._value is None:
            k = self.exponent - self._format.mant_len
            m = _int_of(self._mant)
            self._value = Fraction(m * 3**k) if k >= 0 else Fraction(m, 3**-k)
        return self._value

    @property
    def numerator(self) -> int:
        """The numerator of the exact value in lowest terms."""
        return self.to_fraction().numerator

    @property
    def denominator(self) -> int:
        """The denominator (> 0) of the exact value in lowest terms."""
        return self.to_fraction().denominator

    def as_integer_ratio(self) -> Tuple[int, int]:
        """(numerator, denominator) of the exact value in lowest terms, denominator > 0."""
        q = self.to_fraction()
        return q.numerator, q.denominator

    def __float__(self) -> float:
        """The nearest float, ties to even; beyond the floats, an infinity or a signed zero."""
        if self.is_zero():
            return 0.0
        e = self.exponent  # 3**700 / 6 is beyond every float, 3**-700 below every one
        if e > 700:
            return math.copysign(math.inf, self.sign)
        if e < -700:
            return math.copysign(0.0, self.sign)
        q = self.to_fraction()
        try:
            return q.numerator / q.denominator  # correctly rounded
        except OverflowError:
            return math.copysign(math.inf, self.sign)

    def __int__(self) -> int:
        """The exact value truncated toward zero, like int(Fraction)."""
        return self.__trunc__()

    def __trunc__(self) -> int:
        """math.trunc(x): the exact value truncated toward zero."""
        return 0 if self._below_half() else int(self.to_fraction())

    def __floor__(self) -> int:
        """math.floor(x): the largest int not above the exact value."""
        return min(self.sign, 0) if self._below_half() else math.floor(self.to_fraction())

    def __ceil__(self) -> int:
        """math.ceil(x): the smallest int not below the exact value."""
        return max(self.sign, 0) if self._below_half() else math.ceil(self.to_fraction())

    def _below_half(self) -> bool:
        """Whether |x| < 1/2, decided from the exponent alone (|x| < 3**e / 2): the integer
        conversions of a Number with a huge negative exponent need no exact value."""
        return self.exponent <= 0

    def __round__(self, ndigits: Optional[int] = None) -> Union[int, "Number"]:
        """round(x): the int nearest to the exact value, ties to even. round(x, n): the exact
        value rounded to n decimal places (ties to even), then to the nearest Number of x's
        Format, so the result is a Number and may differ from the decimal in its last trit."""
        if ndigits is None:
            return 0 if self._below_half() else round(self.to_fraction())
        return Number.from_fraction(round(self.to_fraction(), _index(ndigits, "ndigits")), self._format)

    def __str__(self) -> str:
        """The exact value, "n" or "-n/d" in lowest terms; from_str reads it back exactly."""
        q = self.to_fraction()
        text = ("-" if q < 0 else "") + digits_of_int(abs(q.numerator))
        return text if q.denominator == 1 else text + "/" + digits_of_int(q.denominator)

    def __repr__(self) -> str:
        """Number('exact value', Format(e, m)), with flags=... when there are flags; it
        evaluates back to the same trits and flags. Beyond 3**1000, whose exact text runs to
        hundreds of digits and more (millions at Format(19, n)), it is
        Number.from_trits(exponent trits, mantissa trits, Format(e, m)) instead."""
        flags = "|".join(f"Flag.{f.name}" for f in Flag if f & self._flags)
        tail = f", flags={flags})" if flags else ")"
        if abs(self.exponent) > 1000:
            return f"Number.from_trits({self._exp}, {self._mant}, {self._format!r}" + tail
        return f"Number('{self}', {self._format!r}" + tail

    def __format__(self, layout: str) -> str:
        """format(x, layout) with float's presentation types e E f F g G % and none, with
        fill, alignment, sign, z, width, grouping (, or _) and precision; the exact value is
        rounded to the requested digits, ties to even. Without type and precision the
        shortest decimal that converts back to this Number is shown. format(x, '') is str(x)."""
        if not layout:
            return str(self)
        return format_value(self.to_fraction(), layout, self._shortest)

    def _shortest(self) -> Tuple[int, int]:
        """The fewest significant decimal digits (digits, exp10) that convert back to self."""
        q = abs(self.to_fraction())
        n = self._format.mant_len
        with _no_traps():
            for count in range(1, int(n * 0.48) + 3):
                digits, exp10 = significant(q, count)
                back = _nearest(self.sign < 0, digits, 1, exp10, self._format)
                if back._exp == self._exp and back._mant == self._mant:
                    break
        return digits, exp10

    def __bool__(self) -> bool:
        """Whether the value is not zero."""
        return not self.is_zero()

    def __hash__(self) -> int:
        """The hash of the exact value: equal to the Fraction's, int's or float's of that value."""
        return hash(self.to_fraction())

    # --- arithmetic ---------------------------------------------------------------------

    def _operand(self, other: object) -> Optional["Number"]:
        """other in this Number's Format, None if it is no number we mix with."""
        if isinstance(other, Number):
            if other._format != self._format:
                raise ValueError(f"operands of different formats: {self._format!r} and {other._format!r}")
            return other
        if isinstance(other, float):
            return Number.from_float(other, self._format)
        if isinstance(other, numbers.Rational):
            return Number.from_fraction(other, self._format)
        return None

    def __add__(self, other: Operand) -> "Number":
        """self + other by the library's add. An int, Fraction or float operand is first
        converted to the nearest Number of self's Format; a Number must share it (ValueError
        otherwise). Raises Overflow or Underflow when the exponent leaves the range and the
        trap is on; otherwise the flagged, meaningless result comes back. -, * and / are
        alike, / by the library's div, raising DivisionByZero (x/0) or InvalidOperation (0/0)."""
        b = self._operand(other)
        return NotImplemented if b is None else _combine(self, b, "+")

    def __radd__(self, other: Operand) -> "Number":
        """other + self, as __add__."""
        a = self._operand(other)
        return NotImplemented if a is None else _combine(a, self, "+")

    def __sub__(self, other: Operand) -> "Number":
        """self - other: the library's add of self and -other; raises as __add__."""
        b = self._operand(other)
        return NotImplemented if b is None else _combine(self, b, "-")

    def __rsub__(self, other: Operand) -> "Number":
        """other - self, as __sub__."""
        a = self._operand(other)
        return NotImplemented if a is None else _combine(a, self, "-")

    def __mul__(self, other: Operand) -> "Number":
        """self * other by the library's mul (it keeps a window of trits); raises as __add__."""
        b = self._operand(other)
        return NotImplemented if b is None else _combine(self, b, "*")

    def __rmul__(self, other: Operand) -> "Number":
        """other * self, as __mul__."""
        a = self._operand(other)
        return NotImplemented if a is None else _combine(a, self, "*")

    def __truediv__(self, other: Operand) -> "Number":
        """self / other by the library's div. Raises DivisionByZero for x / 0 and
        InvalidOperation for 0 / 0 (with the trap off: the library's quotient, flagged
        DIVISION_BY_ZERO), Overflow and Underflow as __add__."""
        b = self._operand(other)
        return NotImplemented if b is None else _combine(self, b, "/")

    def __rtruediv__(self, other: Operand) -> "Number":
        """other / self, as __truediv__."""
        a = self._operand(other)
        return NotImplemented if a is None else _combine(a, self, "/")

    def __pow__(self, power: int, modulo: None = None) -> "Number":
        """self ** n for an int n, as tcalc computes it: square-and-multiply from the top bit
        of |n|, each step one library mul (rounding as mul does), and for a negative n one
        final div of 1 by self ** |n|. self ** 0 is 1. Raises like the operations it makes;
        TypeError for a power that is not an int or a modulo."""
        if modulo is not None:
            return NotImplemented
        if isinstance(power, bool) or not isinstance(power, numbers.Integral):
            return NotImplemented
        n = int(power)
        one = Number.from_int(1, self._format)
        if n == 0:
            return one
        r = self
        for bit in bin(abs(n))[3:]:
            r = _combine(r, r, "*")
            if bit == "1":
                r = _combine(r, self, "*")
        return _combine(one, r, "/") if n < 0 else r

    def __neg__(self) -> "Number":
        """-self, by the library's inversStr; exact, keeps the flags."""
        m = self._format.mant_len
        mant = raw.trit_string(m, self._mant)
        raw.library().inversStr(mant, m)
        return Number._make(self._format, self._exp, tuple(mant[:m]), self._flags)

    def __pos__(self) -> "Number":
        """self itself."""
        return self

    def __abs__(self) -> "Number":
        """|self|, by the library's inversStr for a negative self; exact."""
        return -self if self.sign < 0 else self

    # --- functions of kestrom.math, as decimal.Decimal has them ---------------------------

    def sqrt(self) -> "Number":
        """The square root, correctly rounded: kestrom.math.sqrt(self). Raises
        InvalidOperation (a ValueError) for a negative self when that trap is on."""
        from . import math as kmath  # it builds on Number
        return kmath.sqrt(self)

    def exp(self) -> "Number":
        """e ** self, correctly rounded: kestrom.math.exp(self); Overflow or Underflow beyond
        the range."""
        from . import math as kmath
        return kmath.exp(self)

    def ln(self) -> "Number":
        """The natural logarithm, correctly rounded: kestrom.math.log(self); InvalidOperation
        for self <= 0."""
        from . import math as kmath
        return kmath.log(self)

    # --- comparisons, by exact value ----------------------------------------------------
    # Decided from signs and exponents where they suffice, so that Numbers with exponents in
    # the millions compare without their exact values.

    def _order(self, other: object) -> Union[int, float, None]:
        """-1, 0 or +1 as self is below, equal to or above other; NaN against a NaN; None for
        a type we do not compare with."""
        if isinstance(other, Number):
            return _order_of_numbers(self, other)
        if isinstance(other, float):
            if math.isnan(other):
                return math.nan
            if math.isinf(other):
                return -1 if other > 0 else 1
            num, den = other.as_integer_ratio()
        elif isinstance(other, numbers.Rational):
            num, den = int(other.numerator), int(other.denominator)
        else:
            return None
        quick = _order_by_magnitude(self, num, den)
        if quick is not None:
            return quick
        a, b = self.to_fraction(), Fraction(num, den)
        return (a > b) - (a < b)

    def __eq__(self, other: object) -> bool:
        """Exact equality of values, across Formats and with int, Fraction and float."""
        o = self._order(other)
        return NotImplemented if o is None else o == 0

    def __lt__(self, other: Operand) -> bool:
        """Exact order of values, as for ==; TypeError for other types."""
        o = self._order(other)
        return NotImplemented if o is None else o < 0

    def __le__(self, other: Operand) -> bool:
        """Exact order of values, as for ==."""
        o = self._order(other)
        return NotImplemented if o is None else o <= 0

    def __gt__(self, other: Operand) -> bool:
        """Exact order of values, as for ==."""
        o = self._order(other)
        return NotImplemented if o is None else o > 0

    def __ge__(self, other: Operand) -> bool:
        """Exact order of values, as for ==."""
        o = self._order(other)
        return NotImplemented if o is None else o >= 0


def _order_of_numbers(a: Number, b: Number) -> int:
    """The sign of a - b. A non-zero value lies strictly between 3**e / 6 and 3**e / 2, so
    different exponents order the magnitudes; equal ones leave the mantissas to compare."""
    sa, sb = a.sign, b.sign
    if sa != sb or sa == 0:
        return (sa > sb) - (sa < sb)
    ea, eb = a.exponent, b.exponent
    if ea != eb:
        return sa if ea > eb else -sa
    ma = abs(_int_of(a._mant)) * 3**b._format.mant_len
    mb = abs(_int_of(b._mant)) * 3**a._format.mant_len
    return sa * ((ma > mb) - (ma < mb))


def _order_by_magnitude(a: Number, num: int, den: int) -> Optional[int]:
    """The sign of a - num/den (den > 0) when signs or magnitudes decide it, else None.
    log3|a| lies in (e - 1.631, e - 0.631); log3|num/den| within 0.631 of L below."""
    sa, sq = a.sign, (num > 0) - (num < 0)
    if sa != sq or sa == 0:
        return (sa > sq) - (sa < sq)
    e = a.exponent
    L = (abs(num).bit_length() - den.bit_length()) / 1.5849625007211562
    if L < e - 2.5:
        return sa
    if L > e + 0.25:
        return -sa
    return None


# Its value is exactly a rational, m * 3**k: as a numbers.Rational (and so a numbers.Number)
# it converts exactly by Fraction(x) on every Python, and Fractions compare with it exactly.
numbers.Rational.register(Number)


# --- helpers ------------------------------------------------------------------------------


def _no_traps() -> "ContextManager[Context]":
    return localcontext(traps=())


def _nearest(negative: bool, num: int, den: int, exp10: int, fmt: Format) -> Number:
    """The Number nearest to (-1 if negative else 1) * num/den * 10**exp10, ties away from
    zero; num >= 0, den > 0. Signals Overflow or Underflow beyond the range."""
    fmt = _checked_format(fmt)
    return _from_rounding(nearest(negative, num, den, exp10, fmt.mant_len, fmt.max_exponent), fmt, "the value")


def _from_rounding(rounded: Tuple[int, int, int], fmt: Format, what: str) -> Number:
    """The Number of nearest()'s (e, m, flags), after signalling its flags."""
    e, m, flags = rounded
    if flags & Flag.OVERFLOW:
        getcontext().signal(Overflow, f"{what} is beyond the range of {fmt!r}: its magnitude "
                            f"is at least 3**{fmt.max_exponent}/2")
    if flags & Flag.UNDERFLOW:
        getcontext().signal(Underflow, f"{what} is below the range of {fmt!r}: its magnitude "
                            f"is below 3**-{fmt.max_exponent}/2")
    return Number._make(fmt, _trits(e, fmt.exp_len) if m else (0,) * fmt.exp_len, _trits(m, fmt.mant_len), flags)


def _checked_format(fmt: object) -> Format:
    if not isinstance(fmt, Format):
        raise TypeError(f"format must be a kestrom.Format, not {type(fmt).__name__}")
    return fmt


def _int_of(trits: Tuple[int, ...]) -> int:
    """The integer value of balanced trits, least significant first."""
    v = 0
    for t in reversed(trits):
        v = 3 * v + t
    return v


def _trits(v: int, count: int) -> Tuple[int, ...]:
    """The balanced trits of v, least significant first, in `count` positions; v must fit."""
    out = []
    for _ in range(count):
        r = v % 3
        if r == 2:
            r = -1
        out.append(r)
        v = (v - r) // 3
    return tuple(out)


def _trits_of(values: Iterable[int], length: int, what: str) -> Tuple[int, ...]:
    trits = tuple(_index(t, f"a {what} trit") for t in values)
    if len(trits) == length + 1:
        if trits[length] != 0:
            raise ValueError(f"the {what} guard trit must be zero, not {trits[length]}")
        trits = trits[:length]
    if len(trits) != length:
        raise ValueError(f"the {what} needs {length} trits (or {length + 1} with the guard), not {len(trits)}")
    if any(t not in (-1, 0, 1) for t in trits):
        raise ValueError(f"{what} trits must be -1, 0 or 1: {trits}")
    return trits


def _combine(a: Number, b: Number, op: str) -> Number:
    """a op b by one call of the library, on fresh copies of the operands and fresh all-zero
    result and scratch strings. A carry into the result exponent's guard trit is flagged
    and the guard cleared."""
    lib = raw.library()
    fmt = a._format
    e, m = fmt.exp_len, fmt.mant_len
    string = raw.trit_string
    res_exp, res_mant = string(e), string(m)
    exp_a, mant_a = string(e, a._exp), string(m, a._mant)
    exp_b = string(e, b._exp)
    mant_b = string(m, [-t for t in b._mant] if op == "-" else b._mant)  # a - b = a + (-b)
    flags = a._flags | b._flags
    fresh = 0
    if op in "+-":
        lib.add(res_exp, res_mant, e, m, exp_a, mant_a, exp_b, mant_b, string(e))
    elif op == "*":
        lib.mul(res_exp, res_mant, e, m, exp_a, mant_a, exp_b, mant_b, string(e), string(m))
    else:
        if b.is_zero():
            fresh |= Flag.DIVISION_BY_ZERO
        lib.div(res_exp, res_mant, e, m, exp_a, mant_a, exp_b, mant_b,
                string(m + 2), string(m + 2), string(m), string(e))
    guard = res_exp[e]
    if guard > 0:
        fresh |= Flag.OVERFLOW
    elif guard < 0:
        fresh |= Flag.UNDERFLOW
    if fresh:
        _signal(fresh, a.is_zero(), _OPERATIONS[op], fmt)
    return Number._make(fmt, tuple(res_exp[:e]), tuple(res_mant[:m]), flags | fresh)


_OPERATIONS = {"+": "sum", "-": "difference", "*": "product", "/": "quotient"}


def _signal(fresh: int, zero_dividend: bool, result: str, fmt: Format) -> None:
    """Raises for the first condition of an operation whose trap is on."""
    ctx = getcontext()
    if fresh & Flag.DIVISION_BY_ZERO:
        if zero_dividend:
            ctx.signal(InvalidOperation, "0 / 0 has no value")
        else:
            ctx.signal(DivisionByZero, "division by zero")
    if fresh & Flag.OVERFLOW:
        ctx.signal(Overflow, f"the {result}'s exponent is above the range of {fmt!r} "
                   f"(up to {fmt.max_exponent})")
    if fresh & Flag.UNDERFLOW:
        ctx.signal(Underflow, f"the {result}'s exponent is below the range of {fmt!r} "
                   f"(down to -{fmt.max_exponent})")

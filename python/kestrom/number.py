# SPDX-License-Identifier: MIT
"""kestrom.Number: a balanced-ternary float as a Python number.

A Number is bound to a Format (exponent and mantissa lengths in trits). Its value is
m * 3**e with 1/6 < |m| < 1/2, m having exactly mant_len balanced trits and e exactly
exp_len, or zero. Conversions from int, Fraction, float and text round the exact value to
the nearest Number; an exact tie goes away from zero. Arithmetic is kestrom's own: each
operation is one call of the library on fresh copies of the operands, and its result is
kept as the library gives it (a product or quotient may differ from the exact one in its
last trits).

Flags are sticky: a result carries its operands' flags and adds its own.
  OVERFLOW / UNDERFLOW  the exponent left its range, upwards or downwards. After an
      operation the exponent has wrapped and the value is meaningless. A conversion of a
      magnitude too large saturates to the largest Number of that sign; one of a non-zero
      magnitude below the range gives the nearer of zero and the smallest Number.
  DIVISION_BY_ZERO  the divisor was zero; the value is the library's (finite and
      meaningless; 0/0 gives zero).
Errors a program can avoid raise instead: ValueError for NaN, bad text, an invalid Format
or operands of different Formats, TypeError for operands that are not numbers.
"""
from __future__ import annotations

import enum
import math
import numbers
from fractions import Fraction
from typing import Iterable, NamedTuple, Optional, Tuple, Union

from . import raw

__all__ = ["Flag", "Format", "Number", "Trits"]

# What arithmetic and comparisons accept beside Numbers, converted to the Number's Format.
Operand = Union["Number", int, Fraction, float]


def _index(value: object, name: str) -> int:
    if isinstance(value, bool) or not isinstance(value, numbers.Integral):
        raise TypeError(f"{name} must be an int, not {type(value).__name__}")
    return int(value)


class Format:
    """The lengths shared by the Numbers of one computation: exp_len exponent trits
    (1 to 19, exponents from -(3**exp_len - 1)/2 to +(3**exp_len - 1)/2) and mant_len
    mantissa trits (at least 2)."""

    MAX_EXP_LEN = 19
    __slots__ = ("_exp_len", "_mant_len")

    def __init__(self, exp_len: int, mant_len: int) -> None:
        exp_len, mant_len = _index(exp_len, "exp_len"), _index(mant_len, "mant_len")
        if not 1 <= exp_len <= Format.MAX_EXP_LEN:
            raise ValueError(f"exp_len must be 1 to {Format.MAX_EXP_LEN}, not {exp_len}")
        if mant_len < 2:
            raise ValueError(f"mant_len must be at least 2, not {mant_len}")
        self._exp_len = exp_len
        self._mant_len = mant_len

    @property
    def exp_len(self) -> int:
        return self._exp_len

    @property
    def mant_len(self) -> int:
        return self._mant_len

    @property
    def max_exponent(self) -> int:
        """The largest exponent, (3**exp_len - 1) // 2; the smallest is its negation."""
        return (3**self._exp_len - 1) // 2

    def __eq__(self, other: object) -> bool:
        if not isinstance(other, Format):
            return NotImplemented
        return (self._exp_len, self._mant_len) == (other._exp_len, other._mant_len)

    def __hash__(self) -> int:
        return hash((self._exp_len, self._mant_len))

    def __repr__(self) -> str:
        return f"Format({self._exp_len}, {self._mant_len})"


class Flag(enum.IntFlag):
    """What went wrong on the way to a Number; the values are the C++ toolkit's."""

    OVERFLOW = 1
    UNDERFLOW = 2
    DIVISION_BY_ZERO = 4


class Trits(NamedTuple):
    """The stored form of a Number, least significant trit first, without guard trits."""

    exponent: Tuple[int, ...]
    mantissa: Tuple[int, ...]


DEFAULT_FORMAT = Format(6, 27)


class Number:
    """A balanced-ternary float of a given Format; immutable.

    Number(value, format) converts an int, Fraction, float, str or Number to the nearest
    Number of `format` (default Format(6, 27)), like the from_* methods."""

    __slots__ = ("_format", "_exp", "_mant", "_flags", "_value")

    def __init__(self, value: Union[Operand, str] = 0, format: Format = DEFAULT_FORMAT) -> None:
        if not isinstance(format, Format):
            raise TypeError(f"format must be a kestrom.Format, not {type(format).__name__}")
        if isinstance(value, str):
            r = Number.from_str(value, format)
        elif isinstance(value, float):
            r = Number.from_float(value, format)
        elif isinstance(value, Number):
            r = value if value._format == format else Number.from_fraction(value.to_fraction(), format)
        elif isinstance(value, numbers.Rational):
            r = Number.from_fraction(value, format)
        else:
            raise TypeError(f"cannot make a Number of {type(value).__name__} {value!r}")
        self._set(r._format, r._exp, r._mant, r._flags)

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
        """The Number nearest to the integer `value`."""
        n = _index(value, "value")
        return _nearest(n < 0, abs(n), 1, 0, format)

    @classmethod
    def from_fraction(cls, value: Union[Fraction, int], format: Format) -> "Number":
        """The Number nearest to the rational `value` (a Fraction or another Rational)."""
        if not isinstance(value, numbers.Rational):
            raise TypeError(f"from_fraction needs a Fraction or an int, not {type(value).__name__}")
        num, den = int(value.numerator), int(value.denominator)
        return _nearest(num < 0, abs(num), den, 0, format)

    @classmethod
    def from_float(cls, value: float, format: Format) -> "Number":
        """The Number nearest to the exact binary value of `value`. An infinity saturates to
        the largest Number of its sign with the OVERFLOW flag; NaN raises ValueError."""
        if isinstance(value, bool) or not isinstance(value, (float, int)):
            raise TypeError(f"from_float needs a float, not {type(value).__name__}")
        x = float(value)
        if math.isnan(x):
            raise ValueError("NaN has no Number")
        if math.isinf(x):
            return _saturated(x < 0, format)
        num, den = x.as_integer_ratio()
        return _nearest(num < 0, abs(num), den, 0, format)

    @classmethod
    def from_str(cls, text: str, format: Format) -> "Number":
        """The Number nearest to the exact value of `text`: a decimal with optional sign,
        point and exponent ("-1.25", ".5", "1e-3", "2.5E+4"), optionally over a second one
        without sign ("2/3", "1/1e3"). Raises ValueError naming the offending offset."""
        if not isinstance(text, str):
            raise TypeError(f"from_str needs a str, not {type(text).__name__}")
        negative, num, den, exp10 = _parse(text)
        return _nearest(negative, num, den, exp10, format)

    @classmethod
    def from_trits(cls, exponent: Iterable[int], mantissa: Iterable[int], format: Format) -> "Number":
        """The Number with these trits, least significant first, with or without a (zero)
        guard trit. Raises ValueError unless they are trits of the Format's lengths and the
        number is normalized or zero."""
        fmt = _checked_format(format)
        exp = _trits_of(exponent, fmt.exp_len, "exponent")
        mant = _trits_of(mantissa, fmt.mant_len, "mantissa")
        if mant[-1] == 0 and any(mant + exp):
            raise ValueError("the top mantissa trit is zero but the number is not zero")
        return cls._make(fmt, exp, mant, 0)

    # --- what it is ---------------------------------------------------------------------

    @property
    def format(self) -> Format:
        return self._format

    @property
    def flags(self) -> Flag:
        return self._flags

    @property
    def overflow(self) -> bool:
        return bool(self._flags & Flag.OVERFLOW)

    @property
    def underflow(self) -> bool:
        return bool(self._flags & Flag.UNDERFLOW)

    @property
    def division_by_zero(self) -> bool:
        return bool(self._flags & Flag.DIVISION_BY_ZERO)

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
        return self._mant[-1] == 0

    def trits(self) -> Trits:
        """The exponent and mantissa trits, least significant first, without guards."""
        return Trits(self._exp, self._mant)

    # --- conversions out ----------------------------------------------------------------

    def to_fraction(self) -> Fraction:
        """The exact value."""
        if self._value is None:
            k = self.exponent - self._format.mant_len
            m = _int_of(self._mant)
            self._value = Fraction(m * 3**k) if k >= 0 else Fraction(m, 3**-k)
        return self._value

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

    def __str__(self) -> str:
        """The exact value, "n" or "-n/d" in lowest terms; from_str reads it back exactly."""
        q = self.to_fraction()
        text = ("-" if q < 0 else "") + _digits_of_int(abs(q.numerator))
        return text if q.denominator == 1 else text + "/" + _digits_of_int(q.denominator)

    def __repr__(self) -> str:
        return f"Number('{self}', {self._format!r})"

    def __bool__(self) -> bool:
        return not self.is_zero()

    def __hash__(self) -> int:
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
        b = self._operand(other)
        return NotImplemented if b is None else _combine(self, b, "+")

    def __radd__(self, other: Operand) -> "Number":
        a = self._operand(other)
        return NotImplemented if a is None else _combine(a, self, "+")

    def __sub__(self, other: Operand) -> "Number":
        b = self._operand(other)
        return NotImplemented if b is None else _combine(self, b, "-")

    def __rsub__(self, other: Operand) -> "Number":
        a = self._operand(other)
        return NotImplemented if a is None else _combine(a, self, "-")

    def __mul__(self, other: Operand) -> "Number":
        b = self._operand(other)
        return NotImplemented if b is None else _combine(self, b, "*")

    def __rmul__(self, other: Operand) -> "Number":
        a = self._operand(other)
        return NotImplemented if a is None else _combine(a, self, "*")

    def __truediv__(self, other: Operand) -> "Number":
        b = self._operand(other)
        return NotImplemented if b is None else _combine(self, b, "/")

    def __rtruediv__(self, other: Operand) -> "Number":
        a = self._operand(other)
        return NotImplemented if a is None else _combine(a, self, "/")

    def __neg__(self) -> "Number":
        """-self, by the library's inversStr."""
        m = self._format.mant_len
        mant = raw.trit_string(m, self._mant)
        raw.library().inversStr(mant, m)
        return Number._make(self._format, self._exp, tuple(mant[:m]), self._flags)

    def __pos__(self) -> "Number":
        return self

    def __abs__(self) -> "Number":
        return -self if self.sign < 0 else self

    # --- comparisons, by exact value ----------------------------------------------------

    def _exact(self, other: object) -> Union[Fraction, float, None]:
        if isinstance(other, Number):
            return other.to_fraction()
        if isinstance(other, (float, numbers.Rational)):
            return other  # type: ignore[return-value]
        return None

    def __eq__(self, other: object) -> bool:
        b = self._exact(other)
        return NotImplemented if b is None else self.to_fraction() == b

    def __lt__(self, other: Operand) -> bool:
        b = self._exact(other)
        return NotImplemented if b is None else self.to_fraction() < b

    def __le__(self, other: Operand) -> bool:
        b = self._exact(other)
        return NotImplemented if b is None else self.to_fraction() <= b

    def __gt__(self, other: Operand) -> bool:
        b = self._exact(other)
        return NotImplemented if b is None else self.to_fraction() > b

    def __ge__(self, other: Operand) -> bool:
        b = self._exact(other)
        return NotImplemented if b is None else self.to_fraction() >= b


# --- helpers ------------------------------------------------------------------------------


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


def _saturated(negative: bool, fmt: Format) -> Number:
    """The largest magnitude of the given sign, flagged OVERFLOW."""
    fmt = _checked_format(fmt)
    s = -1 if negative else 1
    return Number._make(fmt, _trits(fmt.max_exponent, fmt.exp_len), (s,) * fmt.mant_len, Flag.OVERFLOW)


_LOG10_OF_2 = 0.30102999566398120
_LOG10_OF_3 = 0.47712125471966244
_LOG2_OF_3 = 1.5849625007211562


def _nearest(negative: bool, num: int, den: int, exp10: int, fmt: Format) -> Number:
    """The Number nearest to (-1 if negative else 1) * num/den * 10**exp10, ties away from
    zero; num >= 0, den > 0."""
    fmt = _checked_format(fmt)
    n, max_e = fmt.mant_len, fmt.max_exponent
    if num == 0:
        return Number._make(fmt, (0,) * fmt.exp_len, (0,) * n, 0)
    # A decimal estimate first (within a third of a decade), so that 1e999999999 is judged
    # without building its powers.
    log10 = (num.bit_length() - den.bit_length()) * _LOG10_OF_2 + exp10
    if log10 - 1 > max_e * _LOG10_OF_3 + 1:
        return _saturated(negative, fmt)
    if log10 + 1 < -(max_e + 2) * _LOG10_OF_3 - 1:
        return Number._make(fmt, (0,) * fmt.exp_len, (0,) * n, Flag.UNDERFLOW)
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
    top = 3**n
    bottom = (top // 3 + 1) // 2  # the smallest normalized mantissa, (3**(n-1) + 1) / 2
    if e > max_e:
        return _saturated(negative, fmt)
    s = -1 if negative else 1
    if e < -max_e:  # below the range: the nearer of zero and the smallest number
        if 2 * num * 3 ** (max_e + n) >= bottom * den:
            mant = tuple([-s] * (n - 1) + [s])
            return Number._make(fmt, _trits(-max_e, fmt.exp_len), mant, Flag.UNDERFLOW)
        return Number._make(fmt, (0,) * fmt.exp_len, (0,) * n, Flag.UNDERFLOW)

    k = e - n  # the mantissa's last trit weighs 3**k
    if k < 0:
        num *= 3**-k
    else:
        den *= 3**k
    mant_int = (2 * num + den) // (2 * den)  # floor(x / 3**k + 1/2)
    # At the bottom of its range the mantissa's lower neighbour is the top of the range
    # below, two thirds of a unit away rather than one: take it when it is nearer.
    if mant_int == bottom and e > -max_e and 6 * num < (top + 1) * den:
        mant_int = (top - 1) // 2
        e -= 1
    return Number._make(fmt, _trits(e, fmt.exp_len), _trits(s * mant_int, n), 0)


_TEN_TO_15 = 10**15  # decimal exponents saturate here, far beyond every Format's range


def _parse(text: str) -> Tuple[bool, int, int, int]:
    """(negative, num, den, exp10) of  [+|-] decimal [ / decimal ],  a decimal being
    digits [. digits] [e|E [+|-] digits] that may also start with the point."""
    i = 0
    negative = False
    if text[:1] in ("+", "-"):
        negative = text[0] == "-"
        i = 1
    num, num_exp, i = _decimal(text, i)
    den, den_exp = 1, 0
    if i < len(text) and text[i] == "/":
        start = i + 1
        den, den_exp, i = _decimal(text, start)
        if den == 0:
            raise _bad(text, start, "the denominator is zero")
    if i < len(text):
        raise _bad(text, i, "only one '/' is allowed" if text[i] == "/" else "unexpected character")
    return negative, num, den, _saturate(num_exp - den_exp)


def _decimal(s: str, i: int) -> Tuple[int, int, int]:
    """(mantissa, exp10, end) of the decimal at s[i:]."""
    point = False
    digits = []
    exp = 0
    while i < len(s):
        c = s[i]
        if "0" <= c <= "9":
            digits.append(c)
            if point:
                exp -= 1
        elif c == "." and not point:
            point = True
        else:
            break
        i += 1
    if not digits:
        raise _bad(s, i, "expected a digit")
    if i < len(s) and s[i] in "eE":
        i += 1
        minus = False
        if i < len(s) and s[i] in "+-":
            minus = s[i] == "-"
            i += 1
        j = i
        while j < len(s) and "0" <= s[j] <= "9":
            j += 1
        if j == i:
            raise _bad(s, i, "expected the digits of the exponent")
        e = s[i:j].lstrip("0")
        e = _saturate(int(e or "0") if len(e) <= 16 else _TEN_TO_15 + 1)
        exp = _saturate(exp + (-e if minus else e))
        i = j
    return _int_of_digits("".join(digits)), exp, i


# Python refuses to convert ints of more than a few thousand decimal digits to and from
# text at once (sys.get_int_max_str_digits); exact values can be longer, so they go in pieces.
_CHUNK = 2000


def _int_of_digits(digits: str) -> int:
    v = 0
    for i in range(0, len(digits), _CHUNK):
        piece = digits[i : i + _CHUNK]
        v = v * 10 ** len(piece) + int(piece)
    return v


def _digits_of_int(v: int) -> str:
    """The decimal digits of v >= 0."""
    if v.bit_length() < 3 * _CHUNK:
        return str(v)
    k = int(v.bit_length() * _LOG10_OF_2 / 2)  # about half the digits: high is not zero
    high, low = divmod(v, 10**k)
    return _digits_of_int(high) + _digits_of_int(low).rjust(k, "0")


def _saturate(v: int) -> int:
    return max(-_TEN_TO_15, min(_TEN_TO_15, v))


def _bad(text: str, at: int, what: str) -> ValueError:
    return ValueError(f"cannot read {text!r} as a number: {what} at offset {at}")


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
    if op in "+-":
        lib.add(res_exp, res_mant, e, m, exp_a, mant_a, exp_b, mant_b, string(e))
    elif op == "*":
        lib.mul(res_exp, res_mant, e, m, exp_a, mant_a, exp_b, mant_b, string(e), string(m))
    else:
        if b.is_zero():
            flags |= Flag.DIVISION_BY_ZERO
        lib.div(res_exp, res_mant, e, m, exp_a, mant_a, exp_b, mant_b,
                string(m + 2), string(m + 2), string(m), string(e))
    guard = res_exp[e]
    if guard > 0:
        flags |= Flag.OVERFLOW
    elif guard < 0:
        flags |= Flag.UNDERFLOW
    return Number._make(fmt, tuple(res_exp[:e]), tuple(res_mant[:m]), flags)


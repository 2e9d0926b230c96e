# SPDX-License-Identifier: MIT
"""Reading numbers from text and writing big integers as text."""
from __future__ import annotations

from typing import Tuple

_LOG10_OF_2 = 0.30102999566398120

_TEN_TO_15 = 10**15  # decimal exponents saturate here, far beyond every Format's range

_NOT_FINITE = {"inf": "an infinity", "infinity": "an infinity", "nan": "NaN", "snan": "NaN"}


def parse(text: str) -> Tuple[bool, int, int, int]:
    """(negative, num, den, exp10) of  [+|-] decimal [ / decimal ],  a decimal being
    digits [. digits] [e|E [+|-] digits] that may also start with the point. Surrounding
    whitespace is ignored and one underscore may stand between two digits, as for
    decimal.Decimal. Raises ValueError naming the offset (in `text`) of what is wrong, or
    saying that infinities and NaN have no Number."""
    body = text.strip()
    lead = len(text) - len(text.lstrip())
    special = _NOT_FINITE.get(body.lstrip("+-").lower())
    if special is not None:
        raise ValueError(f"cannot read {text!r} as a number: a Number cannot be {special}")
    try:
        i = 0
        negative = False
        if body[:1] in ("+", "-"):
            negative = body[0] == "-"
            i = 1
        num, num_exp, i = _decimal(body, i)
        den, den_exp = 1, 0
        if i < len(body) and body[i] == "/":
            start = i + 1
            den, den_exp, i = _decimal(body, start)
            if den == 0:
                raise _Bad(start, "the denominator is zero")
        if i < len(body):
            raise _Bad(i, "only one '/' is allowed" if body[i] == "/" else "unexpected character")
    except _Bad as bad:
        raise ValueError(f"cannot read {text!r} as a number: {bad.what} at offset {bad.at + lead}") from None
    return negative, num, den, _saturate(num_exp - den_exp)


class _Bad(Exception):
    def __init__(self, at: int, what: str) -> None:
        super().__init__(what)
        self.at, self.what = at, what


def _digit(s: str, i: int) -> bool:
    return i < len(s) and "0" <= s[i] <= "9"


def _digits(s: str, i: int) -> Tuple[str, int]:
    """The run of digits at s[i:], with single underscores between digits left out, and
    where it ends."""
    j = i
    while _digit(s, j) or (s[j : j + 1] == "_" and j > i and _digit(s, j - 1) and _digit(s, j + 1)):
        j += 1
    return s[i:j].replace("_", ""), j


def _decimal(s: str, i: int) -> Tuple[int, int, int]:
    """(mantissa, exp10, end) of the decimal at s[i:]."""
    whole, i = _digits(s, i)
    fraction = ""
    if i < len(s) and s[i] == ".":
        fraction, i = _digits(s, i + 1)
    digits = whole + fraction
    if not digits:
        raise _Bad(i, "expected a digit")
    exp = -len(fraction)
    if i < len(s) and s[i] in "eE":
        i += 1
        minus = False
        if i < len(s) and s[i] in "+-":
            minus = s[i] == "-"
            i += 1
        e, j = _digits(s, i)
        if not e:
            raise _Bad(i, "expected the digits of the exponent")
        e = e.lstrip("0")
        value = _saturate(int(e or "0") if len(e) <= 16 else _TEN_TO_15 + 1)
        exp = _saturate(exp + (-value if minus else value))
        i = j
    return int_of_digits(digits), exp, i


# Python refuses to convert ints of more than a few thousand decimal digits to and from
# text at once (sys.get_int_max_str_digits); exact values can be longer, so they go in pieces.
_CHUNK = 2000


def int_of_digits(digits: str) -> int:
    v = 0
    for i in range(0, len(digits), _CHUNK):
        piece = digits[i : i + _CHUNK]
        v = v * 10 ** len(piece) + int(piece)
    return v


def digits_of_int(v: int) -> str:
    """The decimal digits of v >= 0."""
    if v.bit_length() < 3 * _CHUNK:
        return str(v)
    k = int(v.bit_length() * _LOG10_OF_2 / 2)  # about half the digits: high is not zero
    high, low = divmod(v, 10**k)
    return digits_of_int(high) + digits_of_int(low).rjust(k, "0")


def _saturate(v: int) -> int:
    return max(-_TEN_TO_15, min(_TEN_TO_15, v))

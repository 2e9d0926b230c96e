# SPDX-License-Identifier: MIT
"""format() for Numbers: float's presentation types, rounding the exact value.

The exact value is first rounded to the digits the format string asks for (ties to even, as
format() does for floats); the resulting decimal, exact, is then laid out by the decimal
module's formatter, which handles fill, alignment, sign, zero padding, width and grouping.
"""
from __future__ import annotations

import re
from decimal import Decimal
from fractions import Fraction
from typing import Callable, Optional, Tuple

_FORMAT = re.compile(
    r"(?P<align>(?:.?[<>=^])?)(?P<sign>[-+ ]?)(?P<z>z?)(?P<alt>\#?)(?P<zero>0?)(?P<width>\d*)"
    r"(?P<grouping>[,_]?)(?:\.(?P<precision>\d+))?(?P<type>[eEfFgG%]?)\Z", re.DOTALL)

# The decimal digits nearest to a value, as (digits, exp10): the value is digits * 10**exp10.
Digits = Tuple[int, int]


def _decade(q: Fraction) -> int:
    """d with 10**d <= q < 10**(d+1), for q > 0."""
    d = int((q.numerator.bit_length() - q.denominator.bit_length()) * 0.30102999566398120)
    while q >= Fraction(10) ** (d + 1):
        d += 1
    while q < Fraction(10) ** d:
        d -= 1
    return d


def significant(q: Fraction, count: int) -> Digits:
    """q > 0 rounded to `count` significant digits, ties to even."""
    exp10 = _decade(q) - count + 1
    digits = round(q / Fraction(10) ** exp10)
    if digits == 10**count:  # rounded up into the next decade
        digits, exp10 = digits // 10, exp10 + 1
    return digits, exp10


def fixed(q: Fraction, places: int) -> Digits:
    """q >= 0 rounded to `places` digits after the point, ties to even."""
    return round(q * 10**places), -places


def format_value(q: Fraction, layout: str, shortest: Callable[[], Digits]) -> str:
    """q laid out by the format string `layout`; shortest() gives the fewest digits that
    read back as the same Number, used when neither a type nor a precision is given."""
    match = _FORMAT.match(layout)
    if match is None:
        raise ValueError(f"invalid format string {layout!r} for a kestrom.Number")
    part = match.groupdict()
    kind, precision = part["type"], part["precision"]
    p: Optional[int] = None if precision is None else int(precision)
    magnitude = abs(q)
    point = False  # at least one digit after the point in fixed notation, as float's repr
    if kind == "" and p is None:  # like repr(float): the shortest digits, fixed or scientific
        digits, exp10 = shortest() if q else (0, 0)
        leading = len(str(digits)) - 1 + exp10
        kind, point = ("f", True) if -4 <= leading < 16 else ("e", False)
        p = max(-exp10, 1) if kind == "f" else len(str(digits)) - 1
    elif kind in ("e", "E"):
        p = 6 if p is None else p
        digits, exp10 = significant(magnitude, p + 1) if q else (0, -p)
    elif kind in ("f", "F", "%"):
        p = 6 if p is None else p
        digits, exp10 = fixed(magnitude * (100 if kind == "%" else 1), p)
        if kind == "%":
            exp10 -= 2
    else:  # g, G, or no type with a precision: significant digits, then the shorter layout
        point, upper = kind == "", kind == "G"
        p = 6 if p is None else max(p, 1)
        digits, exp10 = significant(magnitude, p) if q else (0, 1 - p)
        leading = len(str(digits)) - 1 + exp10 if q else 0
        if not part["alt"]:  # trailing zeros go
            exp10 = exp10 if digits else 0
            while digits and digits % 10 == 0:
                digits, exp10 = digits // 10, exp10 + 1
        fixed_layout = -4 <= leading < (p - 1 if point else p)  # float's rule for no type
        kind = ("F" if upper else "f") if fixed_layout else ("E" if upper else "e")
        p = max(-exp10, 0) if fixed_layout else len(str(digits)) - 1
        point = point and fixed_layout
    if point:
        p = max(p, 1)
    exact = Decimal((1 if q < 0 else 0, tuple(int(c) for c in str(digits)), exp10))
    grouping = part["grouping"]
    if kind in ("e", "E") or (part["alt"] and p == 0):
        # Laid out here: float's two-digit exponent, the point that '#' keeps.
        text = format(exact, part["sign"] + part["z"] + ("," if grouping else "") + f".{p}" + kind)
        text = _exponent_of_two_digits(text)
        if part["alt"] and p == 0:
            at = len(text.rstrip("%")) if kind not in ("e", "E") else text.index(kind)
            text = text[:at] + "." + text[at:]
        return _pad(text.replace(",", "_") if grouping == "_" else text, part)
    # The decimal module groups with ',' only: '_' goes through a placeholder fill.
    align = part["align"]
    fill = align[0] if len(align) == 2 else None
    if grouping == "_" and fill is not None:
        align = "\0" + align[1]
    inner = (align + part["sign"] + part["z"] + part["zero"] + part["width"]
             + ("," if grouping else "") + f".{p}" + kind)
    text = format(exact, inner)
    if grouping == "_":
        text = text.replace(",", "_")
        if fill is not None:
            text = text.replace("\0", fill)
    return text


def _exponent_of_two_digits(text: str) -> str:
    """1e+5 as float writes it, 1e+05."""
    return re.sub(r"([eE][+-])(\d)$", r"\g<1>0\2", text)


def _pad(text: str, part: dict) -> str:
    """text widened to the format string's width by its fill and alignment ('=' and the '0'
    flag pad after the sign)."""
    width = int(part["width"] or 0)
    align = part["align"]
    fill, how = (align[0], align[1]) if len(align) == 2 else (" ", align or ">")
    if part["zero"] and not align:
        fill, how = "0", "="
    room = width - len(text)
    if room <= 0:
        return text
    if how == "<":
        return text + fill * room
    if how == "^":
        return fill * (room // 2) + text + fill * (room - room // 2)
    if how == "=" and text[:1] in "+- ":
        return text[0] + fill * room + text[1:]
    return fill * room + text

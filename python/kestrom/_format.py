# SPDX-License-Identifier: MIT
"""kestrom.Format: the exponent and mantissa lengths that Numbers share."""
from __future__ import annotations

import numbers

__all__ = ["Format"]


def _index(value: object, name: str) -> int:
    if isinstance(value, bool) or not isinstance(value, numbers.Integral):
        raise TypeError(f"{name} must be an int, not {type(value).__name__}")
    return int(value)


class Format:
    """The lengths shared by the Numbers of one computation: exp_len exponent trits
    (1 to 19, exponents from -(3**exp_len - 1)/2 to +(3**exp_len - 1)/2) and mant_len
    mantissa trits (at least 2). Format(exp_len, mant_len) raises TypeError for lengths that
    are not ints and ValueError for lengths out of range. Immutable and hashable."""

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
        """The number of exponent trits."""
        return self._exp_len

    @property
    def mant_len(self) -> int:
        """The number of mantissa trits."""
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


DEFAULT_FORMAT = Format(6, 27)

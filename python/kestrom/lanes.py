# SPDX-License-Identifier: MIT
"""brennic's four lane-wise binary32 operations on Python sequences of four numbers.

    from kestrom import lanes
    lanes.div((1, 1, 1, 0), (2, 0, -0.0, 4))     # (0.5, inf, -inf, 0.0)

Each lane is converted to the nearest binary32 first (so 0.1 becomes 0.100000001490116...),
and each result lane is one binary32 operation under the processor's current SSE rounding
and exception masks: with the defaults, a zero divisor gives a signed infinity, 0/0 a NaN and
an overflow an infinity, and nothing is reported. Results come back as a tuple of four floats
holding the binary32 values exactly. A vector must have exactly four lanes (ValueError
otherwise), each an int, float or Fraction (TypeError otherwise); a finite lane too large
for binary32 is a ValueError rather than a silent infinity.
"""
from __future__ import annotations

import ctypes
import math
import numbers
from typing import Optional, Sequence, Tuple, Union

from ._loading import LibraryNotFoundError, Shared, export, open_library

__all__ = ["Brennic", "LibraryNotFoundError", "Vector", "add", "div", "library", "mul", "sub"]

LANES = 4
Lane = Union[int, float, numbers.Rational]
Vector = Tuple[float, float, float, float]  # what the operations return: four floats

_FOUR = ctypes.c_float * LANES
# The smallest magnitude that rounds to infinity in binary32: halfway past the largest float.
_BEYOND_BINARY32 = 2.0**128 - 2.0**103


def _vector(values: Sequence[Lane], side: str) -> "ctypes.Array[ctypes.c_float]":
    if isinstance(values, (str, bytes)) or not hasattr(values, "__len__"):
        raise TypeError(f"the {side} vector must be a sequence of {LANES} numbers, not {type(values).__name__}")
    if len(values) != LANES:
        raise ValueError(f"brennic works on exactly {LANES} lanes; the {side} vector has {len(values)}")
    out = []
    for lane, v in enumerate(values):
        if isinstance(v, bool) or not isinstance(v, (float, numbers.Rational)):
            raise TypeError(f"lane {lane} of the {side} vector is {v!r} ({type(v).__name__}), not a number")
        x = float(v)
        if math.isfinite(x) and abs(x) >= _BEYOND_BINARY32:
            raise ValueError(f"lane {lane} of the {side} vector, {v!r}, is beyond binary32 (about 3.4028235e+38)")
        out.append(x)
    return _FOUR(*out)


class Brennic:
    """The brennic shared library, opened from `path`, else BRENNIC_LIBRARY, else the system.
    Raises LibraryNotFoundError, naming what it tried, when it cannot be opened."""

    _NAMES = {"add": "addSSEasm", "sub": "subSSEasm", "mul": "mulSSEasm", "div": "divSSEasm"}

    def __init__(self, path: Optional[str] = None) -> None:
        self._dll, self.path = open_library("brennic", path, "BRENNIC_LIBRARY")
        vec = ctypes.POINTER(ctypes.c_float)
        self._fn = {}
        for op, name in self._NAMES.items():
            fn = export(self._dll, self.path, name, "the brennic library")
            fn.argtypes = [vec, vec, vec]
            fn.restype = vec
            self._fn[op] = fn

    def _call(self, op: str, left: Sequence[Lane], right: Sequence[Lane]) -> Vector:
        # The library takes (dst, right, left) and computes dst[i] = left[i] op right[i].
        a, b = _vector(left, "left"), _vector(right, "right")
        dst = _FOUR()
        self._fn[op](dst, b, a)
        return (dst[0], dst[1], dst[2], dst[3])

    def add(self, left: Sequence[Lane], right: Sequence[Lane]) -> Vector:
        """left[i] + right[i] for the four lanes."""
        return self._call("add", left, right)

    def sub(self, left: Sequence[Lane], right: Sequence[Lane]) -> Vector:
        """left[i] - right[i] for the four lanes."""
        return self._call("sub", left, right)

    def mul(self, left: Sequence[Lane], right: Sequence[Lane]) -> Vector:
        """left[i] * right[i] for the four lanes."""
        return self._call("mul", left, right)

    def div(self, left: Sequence[Lane], right: Sequence[Lane]) -> Vector:
        """left[i] / right[i] for the four lanes."""
        return self._call("div", left, right)

    def __repr__(self) -> str:
        return f"kestrom.lanes.Brennic({self.path!r})"


_shared: Shared[Brennic] = Shared(Brennic)


def library(path: Optional[str] = None) -> Brennic:
    """The Brennic the module functions use: without `path` the one in use, opened on first
    use; with `path`, that one from now on."""
    return _shared.get(path)


def add(left: Sequence[Lane], right: Sequence[Lane]) -> Vector:
    """left[i] + right[i] for the four lanes, by brennic's addSSEasm.

    Each lane is first rounded to the nearest binary32; the result is a tuple of four floats
    holding the binary32 results, rounded under the thread's SSE rounding mode (to nearest by
    default; a zero divisor gives an infinity, 0/0 a NaN). Raises ValueError unless both
    vectors have exactly four lanes or for a finite lane beyond binary32, TypeError for a lane
    that is not a number, LibraryNotFoundError when brennic cannot be opened."""
    return library().add(left, right)


def sub(left: Sequence[Lane], right: Sequence[Lane]) -> Vector:
    """left[i] - right[i] for the four lanes, by brennic's subSSEasm.

    Each lane is first rounded to the nearest binary32; the result is a tuple of four floats
    holding the binary32 results, rounded under the thread's SSE rounding mode (to nearest by
    default; a zero divisor gives an infinity, 0/0 a NaN). Raises ValueError unless both
    vectors have exactly four lanes or for a finite lane beyond binary32, TypeError for a lane
    that is not a number, LibraryNotFoundError when brennic cannot be opened."""
    return library().sub(left, right)


def mul(left: Sequence[Lane], right: Sequence[Lane]) -> Vector:
    """left[i] * right[i] for the four lanes, by brennic's mulSSEasm.

    Each lane is first rounded to the nearest binary32; the result is a tuple of four floats
    holding the binary32 results, rounded under the thread's SSE rounding mode (to nearest by
    default; a zero divisor gives an infinity, 0/0 a NaN). Raises ValueError unless both
    vectors have exactly four lanes or for a finite lane beyond binary32, TypeError for a lane
    that is not a number, LibraryNotFoundError when brennic cannot be opened."""
    return library().mul(left, right)


def div(left: Sequence[Lane], right: Sequence[Lane]) -> Vector:
    """left[i] / right[i] for the four lanes, by brennic's divSSEasm.

    Each lane is first rounded to the nearest binary32; the result is a tuple of four floats
    holding the binary32 results, rounded under the thread's SSE rounding mode (to nearest by
    default; a zero divisor gives an infinity, 0/0 a NaN). Raises ValueError unless both
    vectors have exactly four lanes or for a finite lane beyond binary32, TypeError for a lane
    that is not a number, LibraryNotFoundError when brennic cannot be opened."""
    return library().div(left, right)

# SPDX-License-Identifier: MIT
"""kestrom for Python: balanced-ternary floating point on the kestrom shared library.

    from kestrom import Number, Format, localcontext, DivisionByZero
    f = Format(4, 6)                       # 4 exponent trits, 6 mantissa trits
    x = Number.from_float(1.501, f)        # nearest: 364/243
    y = x / 3 - Number("2/3", f)           # each operation one call of the library
    str(y), float(y), format(y, ".3f"), y.trits()
    Number(1, f) / 0                       # raises DivisionByZero, a ZeroDivisionError
    with localcontext(traps={DivisionByZero: False}):
        Number(1, f) / 0                   # the library's quotient, flagged DIVISION_BY_ZERO

Number is the value type (a numbers.Number); kestrom.context decides which conditions
raise; kestrom.raw calls the library's exports on trit arrays the host owns; kestrom.lanes
calls brennic's four-lane binary32 operations; kestrom.math has the correctly rounded
functions (sqrt, exp, log, sin, pi, ...) of the kestrom-math library. The libraries are
found from an explicit path (raw.library(path), lanes.library(path), math.library(path)),
the KESTROM_LIBRARY, BRENNIC_LIBRARY and KESTROM_MATH_LIBRARY environment variables, the
copies a platform wheel carries in kestrom/lib, or the system
(ctypes.util.find_library).
"""
from . import context, lanes, math, raw
from ._loading import LibraryNotFoundError
from .context import (Context, DivisionByZero, InvalidOperation, KestromException, Overflow,
                      Underflow, getcontext, localcontext, setcontext)
from .number import Flag, Format, Number, Trits

__all__ = ["Context", "DivisionByZero", "Flag", "Format", "InvalidOperation", "KestromException",
           "LibraryNotFoundError", "Number", "Overflow", "Trits", "Underflow", "context",
           "getcontext", "lanes", "localcontext", "math", "raw", "setcontext"]
__version__ = "0.2.0"

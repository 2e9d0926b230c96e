# SPDX-License-Identifier: MIT
"""kestrom for Python: balanced-ternary floating point on the kestrom shared library.

    from kestrom import Number, Format
    f = Format(4, 6)                       # 4 exponent trits, 6 mantissa trits
    x = Number.from_float(1.501, f)        # nearest: 364/243
    y = x / 3 - Number("2/3", f)           # each operation one call of the library
    str(y), float(y), y.trits(), y.flags

Number is the value type; kestrom.raw calls the library's exports on trit arrays the host
owns; kestrom.lanes calls brennic's four-lane binary32 operations. The libraries are found
from an explicit path (raw.library(path), lanes.library(path)), the KESTROM_LIBRARY and
BRENNIC_LIBRARY environment variables, or the system (ctypes.util.find_library).
"""
from .number import Flag, Format, Number, Trits
from ._loading import LibraryNotFoundError

__all__ = ["Flag", "Format", "LibraryNotFoundError", "Number", "Trits"]
__version__ = "0.2.0"

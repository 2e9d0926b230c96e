# SPDX-License-Identifier: MIT
"""kestrom's four exports, called on trit arrays the host owns.

A trit string of length n is a ctypes array of n + 1 signed bytes (c_byte), least
significant trit first, the last element the guard. trit_string() makes one. The calls
take and change the arrays exactly as the C header kestrom.h describes: results, scratch
and quotient strings must be all zero on entry, both operands and the result share
exp_len and mant_len, and nothing is checked.

    from kestrom import raw
    lib = raw.library()                  # KESTROM_LIBRARY or the system's libkestrom
    e, m = 4, 6
    res_exp, res_mant = raw.trit_string(e), raw.trit_string(m)
    lib.add(res_exp, res_mant, e, m,
            raw.trit_string(e, [1]), raw.trit_string(m, [0, 0, 0, 0, 0, 1]),   # 1
            raw.trit_string(e, [1]), raw.trit_string(m, [0, 0, 0, 0, 0, 1]),   # 1
            raw.trit_string(e))
    list(res_mant)                       # [0, 0, 0, 0, -1, 1, 0]: 2/9 * 3^2 = 2
"""
from __future__ import annotations

import ctypes
import struct
import sys
from typing import Iterable, Optional

from ._loading import LibraryNotFoundError, Shared, export, open_library

__all__ = ["Library", "LibraryNotFoundError", "library", "trit_string"]

# kestrom's exports are C++ functions: their names encode the parameter lists.
_ITANIUM_NAMES = {
    "add": "_Z3addPaS_iiS_S_S_S_S_",
    "mul": "_Z3mulPaS_iiS_S_S_S_S_S_",
    "div": "_Z3divPaS_iiS_S_S_S_S_S_S_S_",
    "inversStr": "_Z9inversStrPai",
}
_MSVC_X86_NAMES = {
    "add": "?add@@YAXPAC0HH00000@Z",
    "mul": "?mul@@YAXPAC0HH000000@Z",
    "div": "?div@@YAXPAC0HH00000000@Z",
    "inversStr": "?inversStr@@YAXPACH@Z",
}

_TRITS = ctypes.POINTER(ctypes.c_byte)  # signed char*
_LENGTH = ctypes.c_int
_SIGNATURES = {
    "add": [_TRITS, _TRITS, _LENGTH, _LENGTH] + [_TRITS] * 5,
    "mul": [_TRITS, _TRITS, _LENGTH, _LENGTH] + [_TRITS] * 6,
    "div": [_TRITS, _TRITS, _LENGTH, _LENGTH] + [_TRITS] * 8,
    "inversStr": [_TRITS, _LENGTH],
}

def trit_string(length: int, trits: Iterable[int] = ()) -> "ctypes.Array[ctypes.c_byte]":
    """A trit string of `length` trits plus the guard (length + 1 bytes), holding `trits`
    from index 0 and zero everywhere else."""
    values = list(trits)
    if len(values) > length + 1:
        raise ValueError(f"{len(values)} trits do not fit a trit string of length {length}")
    return (ctypes.c_byte * (length + 1))(*values)


def _export_names() -> dict:
    if sys.platform != "win32":
        return _ITANIUM_NAMES
    if struct.calcsize("P") != 4:
        raise OSError("kestrom.dll is a 32-bit DLL: it needs a 32-bit Python")
    return _MSVC_X86_NAMES


class Library:
    """The kestrom shared library, opened from `path`, else KESTROM_LIBRARY, else the system.

    add, mul, div and inversStr are the exports themselves, with their C++ parameter lists:
      add(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, expScratch)
      mul(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB, expScratch, mantScratch)
      div(resExp, resMant, expLen, mantLen, expA, mantA, expB, mantB,
          quotA, quotB, mantScratch, expScratch)        # quotA, quotB: mant_len + 2 trits
      inversStr(str, len)
    Raises LibraryNotFoundError, naming what it tried, when the library cannot be opened."""

    def __init__(self, path: Optional[str] = None) -> None:
        names = _export_names()
        self._dll, self.path = open_library("kestrom", path, "KESTROM_LIBRARY")
        for op, name in names.items():
            fn = export(self._dll, self.path, name, f"the kestrom library ({op})")
            fn.argtypes = _SIGNATURES[op]
            fn.restype = None
            setattr(self, op, fn)

    def __repr__(self) -> str:
        return f"kestrom.raw.Library({self.path!r})"


_shared: Shared[Library] = Shared(Library)


def library(path: Optional[str] = None) -> Library:
    """The library that kestrom.Number calls. Without `path`: the one already in use, or the
    one Library() opens (KESTROM_LIBRARY, else the system's) on first use. With `path`: opens
    that one and uses it from now on."""
    return _shared.get(path)

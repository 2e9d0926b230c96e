# SPDX-License-Identifier: MIT
"""Finding and opening the shared libraries, for kestrom.raw, kestrom.lanes and kestrom.math."""
from __future__ import annotations

import ctypes
import ctypes.util
import os
import sys
import threading
from typing import Callable, Generic, List, Optional, Tuple, TypeVar

# A platform wheel (script/wheel) carries the libraries of its build here.
_BUNDLED = os.path.join(os.path.dirname(os.path.abspath(__file__)), "lib")
# The name of a library's runtime package file on Linux, for the dynamic loader's search.
_SONAME = "lib{}.so.0"


class LibraryNotFoundError(OSError):
    """The shared library could not be opened; the message lists every place tried."""


def open_library(name: str, path: Optional[str], variable: str) -> Tuple[ctypes.CDLL, str]:
    """The library `name` (kestrom or brennic) and the path it was opened from.

    The first of these that is given decides, and its failure is final: the explicit `path`,
    then the environment variable `variable`. Without either: the copy a platform wheel
    carries (kestrom/lib/lib<name>.so.0), then on Linux lib<name>.so.0 as the dynamic loader
    finds it (LD_LIBRARY_PATH, the installed runtime package), then what
    ctypes.util.find_library(name) finds on the system. Both libraries use the C
    calling convention that ctypes.CDLL expects, also as 32-bit Windows DLLs."""
    tried: List[str] = []
    candidates: List[Tuple[str, str]] = []
    if path is not None:
        candidates.append((f"the path given, {path!r}", os.fspath(path)))
    else:
        tried.append("no path given")
        from_env = os.environ.get(variable)
        if from_env:
            candidates.append((f"{variable}={from_env!r}", from_env))
        else:
            tried.append(f"{variable} not set")
            bundled = os.path.join(_BUNDLED, f"lib{name}.so.0")
            if sys.platform.startswith("linux") and os.path.isfile(bundled):
                candidates.append((f"the copy in the package, {bundled!r}", bundled))
            else:
                tried.append(f"no copy in the package ({_BUNDLED})")
            if sys.platform.startswith("linux"):  # the runtime package's library by its soname
                soname = _SONAME.format(name)
                candidates.append((f"the loader's search for {soname}", soname))
            found = ctypes.util.find_library(name)
            if found is None:
                tried.append(f"ctypes.util.find_library({name!r}) found nothing")
            elif all(found != c for _, c in candidates):
                candidates.append((f"ctypes.util.find_library({name!r}) gave {found!r}", found))
    for label, candidate in candidates:
        try:
            return ctypes.CDLL(candidate), candidate
        except OSError as error:
            tried.append(f"{label}: {error}")
    raise LibraryNotFoundError(
        f"cannot open the {name} library; tried: " + "; ".join(tried)
        + f". Pass its path, set {variable}, or install the library."
    )


def export(dll: ctypes.CDLL, path: str, symbol: str, what: str) -> ctypes._CFuncPtr:
    """The function `symbol` of the library opened from `path`; LibraryNotFoundError, naming
    `what` the library should have been, when it has no such export."""
    try:
        return dll[symbol]
    except AttributeError:
        raise LibraryNotFoundError(f"{path} does not export {symbol}: is it {what}?") from None


_Opened = TypeVar("_Opened")


class Shared(Generic[_Opened]):
    """The one opened library a module's functions call: opened by `open_()` on first use, or
    by `open_(path)` whenever a path is given, which then stays in use."""

    def __init__(self, open_: Callable[..., _Opened]) -> None:
        self._open = open_
        self._opened: Optional[_Opened] = None
        self._lock = threading.Lock()

    def get(self, path: Optional[str] = None) -> _Opened:
        with self._lock:
            if path is not None:
                self._opened = self._open(path)
            elif self._opened is None:
                self._opened = self._open()
            return self._opened

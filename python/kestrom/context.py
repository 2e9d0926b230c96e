# SPDX-License-Identifier: MIT
"""The arithmetic context: which conditions raise, as in Python's decimal module.

Every operation and conversion of a Number signals the conditions it meets. A condition
whose trap is on (all of them, by default) raises its exception; one whose trap is off sets
the matching Flag on the result, which then carries the library's own value.

    from kestrom import Number, localcontext, DivisionByZero
    Number(1) / 0                          # raises DivisionByZero (a ZeroDivisionError)
    with localcontext() as ctx:
        ctx.traps[DivisionByZero] = False
        q = Number(1) / 0                  # Number('-8', Format(6, 27), flags=Flag.DIVISION_BY_ZERO)

  DivisionByZero    a non-zero dividend over zero            ZeroDivisionError
  InvalidOperation  0 / 0, a function outside its domain     ZeroDivisionError, ValueError
                    (kestrom.math)
  Overflow          an exponent above the Format's range     OverflowError
  Underflow         an exponent below the Format's range     ArithmeticError
All four derive from KestromException, an ArithmeticError. The context belongs to the
current thread (and asyncio task), like decimal's.
"""
from __future__ import annotations

import contextlib
import contextvars
from typing import Dict, Iterable, Iterator, Mapping, Optional, Type, Union

from ._format import DEFAULT_FORMAT, Format

__all__ = ["Context", "DivisionByZero", "InvalidOperation", "KestromException", "Overflow",
           "Underflow", "getcontext", "localcontext", "setcontext"]


class KestromException(ArithmeticError):
    """The base of the conditions a Number's arithmetic signals."""


class DivisionByZero(KestromException, ZeroDivisionError):
    """A non-zero number was divided by zero."""


class InvalidOperation(KestromException, ZeroDivisionError, ValueError):
    """An operation without a meaningful result: zero divided by zero (so a
    ZeroDivisionError), or a kestrom.math function outside its domain or given Numbers of two
    Formats (so a ValueError as well)."""


class Overflow(KestromException, OverflowError):
    """A result's exponent lies above its Format's range."""


class Underflow(KestromException):
    """A non-zero result's exponent lies below its Format's range."""


Signal = Type[KestromException]
SIGNALS = (DivisionByZero, InvalidOperation, Overflow, Underflow)


class Context:
    """Which signals raise, and the Format of Numbers made without one.

    traps   maps each of DivisionByZero, InvalidOperation, Overflow and Underflow to True
            (raise) or False (return the flagged result). Context(traps=...) takes a mapping
            (signals left out are trapped) or a collection of the signals to trap (the others
            are not); by default all four are trapped.
    format  the Format of Number(value) without a format, and so of the results of
            statistics.mean and friends; Format(6, 27) by default.
    Raises KeyError for a trap that is not one of the four signals."""

    __slots__ = ("traps", "format")

    def __init__(self, traps: Union[Mapping[Signal, bool], Iterable[Signal], None] = None,
                 format: Format = DEFAULT_FORMAT) -> None:
        if not isinstance(format, Format):
            raise TypeError(f"format must be a kestrom.Format, not {type(format).__name__}")
        self.format = format
        self.traps: Dict[Signal, bool] = dict.fromkeys(SIGNALS, True)
        if traps is None:
            return
        if isinstance(traps, Mapping):
            chosen = {s: bool(on) for s, on in traps.items()}
        else:
            chosen = dict.fromkeys(SIGNALS, False)
            chosen.update(dict.fromkeys(traps, True))
        unknown = [s for s in chosen if s not in SIGNALS]
        if unknown:
            raise KeyError(f"not a kestrom signal: {unknown[0]!r}")
        self.traps.update(chosen)

    def copy(self) -> "Context":
        """An independent copy."""
        return Context(self.traps, self.format)

    def signal(self, condition: Signal, message: str) -> None:
        """Raises condition(message) when its trap is on; returns otherwise."""
        if self.traps.get(condition, True):
            raise condition(message)

    def __repr__(self) -> str:
        on = ", ".join(s.__name__ for s in SIGNALS if self.traps[s])
        return f"Context(traps=[{on}], format={self.format!r})"


_current: contextvars.ContextVar[Context] = contextvars.ContextVar("kestrom_context")


def getcontext() -> Context:
    """The current context; a fresh Context() (every trap on) on first use in a thread."""
    try:
        return _current.get()
    except LookupError:
        ctx = Context()
        _current.set(ctx)
        return ctx


def setcontext(ctx: Context) -> None:
    """Makes ctx the current context."""
    if not isinstance(ctx, Context):
        raise TypeError(f"setcontext needs a kestrom.Context, not {type(ctx).__name__}")
    _current.set(ctx)


@contextlib.contextmanager
def localcontext(ctx: Optional[Context] = None, *,
                 traps: Union[Mapping[Signal, bool], Iterable[Signal], None] = None,
                 format: Optional[Format] = None) -> Iterator[Context]:
    """A copy of ctx (default: the current context) as the current context for the `with`
    block; the previous one comes back afterwards. `format` replaces the copy's format;
    `traps` as for Context, except that a mapping changes only the signals it names:

        with localcontext(traps={Overflow: False}):      # overflow gives the flagged result
            ...
        with localcontext(traps=()) as ctx:              # nothing raises
            ...
    """
    new = (ctx if ctx is not None else getcontext()).copy()
    if traps is not None:
        chosen = Context(traps).traps
        new.traps.update(chosen if not isinstance(traps, Mapping) else {s: chosen[s] for s in traps})
    if format is not None:
        new = Context(new.traps, format)
    token = _current.set(new)
    try:
        yield new
    finally:
        _current.reset(token)

# SPDX-License-Identifier: MIT
"""Traps: what raises by default, what localcontext() turns off, and what then comes back."""
import threading

import pytest

import kestrom
from kestrom import (Context, DivisionByZero, Flag, Format, InvalidOperation, KestromException,
                     Number, Overflow, Underflow, getcontext, localcontext, setcontext)

F = Format(2, 6)  # exponents -4 .. 4: magnitudes up to about 40


def cases():
    """(what, computation, signal, flags with the trap off)"""
    big, tiny, one, zero = (lambda: Number(40, F)), (lambda: Number("1/243", F)), (lambda: Number(1, F)), (lambda: Number(0, F))
    return [
        ("1 / 0", lambda: one() / zero(), DivisionByZero, Flag.DIVISION_BY_ZERO),
        ("1 / 0 by an int", lambda: one() / 0, DivisionByZero, Flag.DIVISION_BY_ZERO),
        ("0 / 0", lambda: zero() / zero(), InvalidOperation, Flag.DIVISION_BY_ZERO),
        ("40 * 40", lambda: big() * big(), Overflow, Flag.OVERFLOW),
        ("40 + 40", lambda: big() + big(), Overflow, Flag.OVERFLOW),
        ("(1/243) * (1/243)", lambda: tiny() * tiny(), Underflow, Flag.UNDERFLOW),
        ("40 ** 3", lambda: big() ** 3, Overflow, Flag.OVERFLOW),
        ("1e9 converted", lambda: Number("1e9", F), Overflow, Flag.OVERFLOW),
        ("-inf converted", lambda: Number(float("-inf"), F), Overflow, Flag.OVERFLOW),
        ("1e-9 converted", lambda: Number(10 ** -9 * 1.0, F), Underflow, Flag.UNDERFLOW),
        ("an int operand", lambda: one() + 10 ** 9, Overflow, Flag.OVERFLOW),
    ]


@pytest.mark.parametrize("what, compute, signal, flags", cases())
def test_each_condition_raises_by_default_and_is_flagged_without_its_trap(what, compute, signal, flags):
    with pytest.raises(signal):
        compute()
    others = [s for s in (DivisionByZero, InvalidOperation, Overflow, Underflow) if s is not signal]
    with localcontext(traps={s: False for s in others}):  # only the other traps off
        with pytest.raises(signal):
            compute()
    with localcontext(traps={signal: False}):
        got = compute()
    assert got.flags == flags and f"flags=Flag.{flags.name}" in repr(got), what
    assert eval(repr(got), vars(kestrom)).trits() == got.trits()


def test_the_exceptions_are_pythons_own():
    assert issubclass(DivisionByZero, ZeroDivisionError) and issubclass(InvalidOperation, ZeroDivisionError)
    assert issubclass(Overflow, OverflowError)
    assert all(issubclass(s, KestromException) and issubclass(s, ArithmeticError)
               for s in (DivisionByZero, InvalidOperation, Overflow, Underflow))
    with pytest.raises(ZeroDivisionError):
        Number(1) / 0
    with pytest.raises(OverflowError):
        Number("1e150") * Number("1e150")


def test_untrapped_results_are_the_librarys_and_keep_their_flags():
    with localcontext(traps=()):
        q = Number(1) / 0
        sticky = (Number(40, F) * 40 - 1) / 0
    assert (q, q.flags) == (-8, Flag.DIVISION_BY_ZERO)
    assert repr(q) == "Number('-8', Format(6, 27), flags=Flag.DIVISION_BY_ZERO)"
    assert sticky.flags == Flag.OVERFLOW | Flag.DIVISION_BY_ZERO
    assert "flags=Flag.OVERFLOW|Flag.DIVISION_BY_ZERO" in repr(sticky)
    assert (sticky + 1).flags == sticky.flags  # inherited flags do not raise again
    assert repr(Number(1)) == "Number('1', Format(6, 27))"


def test_contexts_nest_and_belong_to_their_thread():
    before = getcontext()
    with localcontext(traps=()) as outer:
        assert getcontext() is outer and not any(outer.traps.values())
        with localcontext(traps=[Overflow], format=F) as inner:
            assert [s for s, on in inner.traps.items() if on] == [Overflow]
            assert Number(1).format == F
            seen = []
            t = threading.Thread(target=lambda: seen.append(getcontext().traps[DivisionByZero]))
            t.start(), t.join()
            assert seen == [True]
        assert Number(1).format == Format(6, 27) and getcontext() is outer
    assert getcontext() is before and all(before.traps.values())
    setcontext(Context(traps={Underflow: False}))
    try:
        assert [s.__name__ for s, on in getcontext().traps.items() if not on] == ["Underflow"]
    finally:
        setcontext(before)
    with pytest.raises(KeyError):
        Context(traps={ZeroDivisionError: False})

#!/usr/bin/env python3
"""A Python host for kestrom and brennic that uses nothing but ctypes.

It loads both libraries by file name, looks up the names they export (kestrom's in the
platform's C++ encoding, brennic's plain) and calls them with arrays it owns, as any foreign
host must. to_ternary() and from_ternary() turn Python numbers (int, Fraction, float) into
the trits of a ternary float and back; from_ternary() is exact and gives a Fraction.

    python3 kestrom_host.py [libkestrom.so [libbrennic.so]]

runs a few worked cases, prints them and exits non-zero if any result is wrong.
"""
import ctypes
import math
import random
import struct
import sys
from fractions import Fraction

# kestrom's exports are C++ functions, so their names encode the parameter lists.
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
_BRENNIC_NAMES = ("addSSEasm", "subSSEasm", "mulSSEasm", "divSSEasm")


def _kestrom_names():
    if sys.platform != "win32":
        return _ITANIUM_NAMES
    if struct.calcsize("P") != 4:
        raise OSError("kestrom.dll is a 32-bit DLL: use a 32-bit Python")
    return _MSVC_X86_NAMES


# --- Python numbers and trits ------------------------------------------------------------


def int_to_trits(n, length):
    """The balanced-ternary digits of n, least significant first, in exactly length trits."""
    trits = []
    for _ in range(length):
        digit = n % 3
        if digit == 2:
            digit = -1
        trits.append(digit)
        n = (n - digit) // 3
    if n != 0:
        raise OverflowError(f"does not fit in {length} trits")
    return trits


def trits_to_int(trits):
    """The integer value of trits, least significant first."""
    return sum(t * 3**i for i, t in enumerate(trits))


def _round_nearest(x):
    """x rounded to the nearest integer, a tie toward zero: truncating the balanced-ternary
    expansion 0.111... of 1/2 does the same."""
    whole, frac = divmod(abs(x), 1)
    whole += frac > Fraction(1, 2)
    return int(whole) if x >= 0 else -int(whole)


def to_ternary(value, exp_len, mant_len):
    """(exponent trits, mantissa trits) of the normalized ternary float nearest to value.

    value is an int, a Fraction or a finite float (taken at its exact binary value). The
    value is m * 3**e with m = trits_to_int(mantissa) / 3**mant_len and e the exponent's
    value; zero is all zero trits. OverflowError when e needs more than exp_len trits."""
    x = Fraction(value)
    if x == 0:
        return [0] * exp_len, [0] * mant_len
    largest = (3**mant_len - 1) // 2

    def scaled(e):
        return _round_nearest(x * Fraction(3) ** (mant_len - e))

    # The smallest e whose rounded mantissa still fits is the normalized one: one e less
    # would need a trit above the top, so the top trit of this one is not zero. A normalized
    # mantissa lies within (1/6, 1/2], so e >= log3|x| + 0.63: start below that and go up.
    e = math.floor(math.log(abs(x.numerator), 3) - math.log(x.denominator, 3)) - 1
    while abs(scaled(e)) > largest:
        e += 1
    return int_to_trits(e, exp_len), int_to_trits(scaled(e), mant_len)


def from_ternary(exponent, mantissa):
    """The exact value of a ternary float given by its trits (no guards), as a Fraction."""
    return Fraction(trits_to_int(mantissa), 3 ** len(mantissa)) * Fraction(3) ** trits_to_int(
        exponent
    )


# --- the libraries --------------------------------------------------------------------


class Kestrom:
    """kestrom's operations on Python numbers, with fixed lengths for every call."""

    def __init__(self, path, exp_len=4, mant_len=6):
        if exp_len < 1 or mant_len < 2:
            raise ValueError("needs exp_len >= 1 and mant_len >= 2")
        self.exp_len, self.mant_len = exp_len, mant_len
        lib = ctypes.CDLL(path)
        trits = ctypes.POINTER(ctypes.c_byte)  # signed char*
        length = ctypes.c_int
        signatures = {
            "add": [trits, trits, length, length] + [trits] * 5,
            "mul": [trits, trits, length, length] + [trits] * 6,
            "div": [trits, trits, length, length] + [trits] * 8,
            "inversStr": [trits, length],
        }
        self._fn = {}
        for op, name in _kestrom_names().items():
            fn = lib[name]
            fn.argtypes = signatures[op]
            fn.restype = None
            self._fn[op] = fn

    def _string(self, length, trits=()):
        """A trit string the host owns: length trits plus the guard, zero where not given."""
        return (ctypes.c_byte * (length + 1))(*trits)

    def call(self, op, a, b):
        """Runs add, mul or div on operands given as (exponent, mantissa) trit lists and
        returns the result the same way. OverflowError when the result exponent's guard is
        set, the library's sign of an exponent overflow."""
        e, m = self.exp_len, self.mant_len
        res_exp, res_mant = self._string(e), self._string(m)
        exp_a, mant_a = self._string(e, a[0]), self._string(m, a[1])
        exp_b, mant_b = self._string(e, b[0]), self._string(m, b[1])
        if op == "add":
            self._fn["add"](res_exp, res_mant, e, m, exp_a, mant_a, exp_b, mant_b, self._string(e))
        elif op == "mul":
            self._fn["mul"](res_exp, res_mant, e, m, exp_a, mant_a, exp_b, mant_b,
                            self._string(e), self._string(m))
        elif op == "div":
            # Note the order: quotient strings, then mantissa scratch before exponent scratch.
            self._fn["div"](res_exp, res_mant, e, m, exp_a, mant_a, exp_b, mant_b,
                            self._string(m + 2), self._string(m + 2), self._string(m),
                            self._string(e))
        else:
            raise ValueError(op)
        if res_exp[e] != 0:
            raise OverflowError(f"exponent overflow in {op}")
        return list(res_exp[:e]), list(res_mant[:m])

    def negate(self, number):
        """-number for (exponent, mantissa) trits, by the library's inversStr."""
        mant = self._string(self.mant_len, number[1])
        self._fn["inversStr"](mant, self.mant_len)
        return list(number[0]), list(mant[: self.mant_len])

    def trits(self, value):
        return to_ternary(value, self.exp_len, self.mant_len)

    def add(self, a, b):
        return from_ternary(*self.call("add", self.trits(a), self.trits(b)))

    def sub(self, a, b):
        return from_ternary(*self.call("add", self.trits(a), self.negate(self.trits(b))))

    def mul(self, a, b):
        return from_ternary(*self.call("mul", self.trits(a), self.trits(b)))

    def div(self, a, b):
        # The library does not detect a zero divisor; the host does.
        if b == 0:
            raise ZeroDivisionError("kestrom division by zero")
        return from_ternary(*self.call("div", self.trits(a), self.trits(b)))


class Brennic:
    """brennic's four lane-wise operations on tuples of four floats (rounded to binary32)."""

    def __init__(self, path):
        lib = ctypes.CDLL(path)  # the caller removes the arguments (cdecl)
        vec = ctypes.POINTER(ctypes.c_float)
        self._fn = {}
        for name in _BRENNIC_NAMES:
            fn = lib[name]
            fn.argtypes = [vec, vec, vec]
            fn.restype = vec
            self._fn[name[:3]] = fn

    def call(self, op, left, right):
        """dst[i] = left[i] op right[i]; note that the library takes (dst, right, left)."""
        four = ctypes.c_float * 4
        dst = four()
        back = self._fn[op](dst, four(*right), four(*left))
        if ctypes.addressof(back.contents) != ctypes.addressof(dst):
            raise RuntimeError(f"{op}SSEasm did not return dst")
        return tuple(dst)


# --- worked cases ---------------------------------------------------------------------


def _same_float(a, b):
    return a == b and math.copysign(1, a) == math.copysign(1, b) or (a != a and b != b)


def run(kestrom_path, brennic_path):
    failures = []
    passed = 0

    def check(label, got, want, same=lambda g, w: g == w):
        nonlocal passed
        ok = same(got, want)
        print(f"{'ok  ' if ok else 'FAIL'} {label} = {got}" + ("" if ok else f", expected {want}"))
        if ok:
            passed += 1
        else:
            failures.append(label)

    # mantLen 6, expLen 4: (exponent trits, mantissa trits), least significant first.
    table = [
        (0, [0, 0, 0, 0], [0, 0, 0, 0, 0, 0]),
        (Fraction(1, 9), [-1, 0, 0, 0], [0, 0, 0, 0, 0, 1]),
        (Fraction(1, 3), [0, 0, 0, 0], [0, 0, 0, 0, 0, 1]),
        (1, [1, 0, 0, 0], [0, 0, 0, 0, 0, 1]),
        (-1, [1, 0, 0, 0], [0, 0, 0, 0, 0, -1]),
        (2.0, [-1, 1, 0, 0], [0, 0, 0, 0, -1, 1]),
        (5, [0, 1, 0, 0], [0, 0, 0, -1, -1, 1]),
        (10, [0, 1, 0, 0], [0, 0, 0, 1, 0, 1]),
        # 1/2 = 0.111... in balanced ternary: six trits keep 364/729.
        (0.5, [0, 0, 0, 0], [1, 1, 1, 1, 1, 1]),
        (-Fraction(1, 2), [0, 0, 0, 0], [-1, -1, -1, -1, -1, -1]),
        # 100 = 300/729 * 3^5, and 300 = 243 + 81 - 27 + 3 exactly.
        (100, [-1, -1, 1, 0], [0, 1, 0, -1, 1, 1]),
    ]
    for value, exponent, mantissa in table:
        check(f"to_ternary({value})", to_ternary(value, 4, 6), (exponent, mantissa))
    check("from_ternary(trits of 10)", from_ternary([0, 1, 0, 0], [0, 0, 0, 1, 0, 1]), 10)
    check("from_ternary(trits of 1/2)", from_ternary([0, 0, 0, 0], [1] * 6), Fraction(364, 729))

    # Against exact rationals: normalized, within half a unit of the last trit, and exact
    # whenever the value has a six-trit mantissa.
    rng = random.Random(9)
    wrong = []
    for _ in range(2000):
        x = Fraction(rng.randint(-10**6, 10**6), rng.randint(1, 10**4))
        exponent, mantissa = to_ternary(x, 4, 6)
        e = trits_to_int(exponent)
        got = from_ternary(exponent, mantissa)
        if x != 0 and (mantissa[-1] == 0 or abs(got - x) > Fraction(3) ** (e - 6) / 2):
            wrong.append(x)
        n = rng.randint(-364, 364) * Fraction(3) ** rng.randint(-20, 20)
        if from_ternary(*to_ternary(n, 4, 6)) != n:
            wrong.append(n)
    check("to_ternary against exact rationals, wrong cases", wrong[:5], [])

    kestrom = Kestrom(kestrom_path, exp_len=4, mant_len=6)
    check("2 - 1", kestrom.sub(2, 1), 1)
    check("2 * 3", kestrom.mul(2, 3), 6)
    # The quotient's digit recurrence lands on the neighbour above one half, 122/243, not on
    # the nearest value 364/729 that to_ternary(1/2) gives.
    check("1 / 2 as trits", kestrom.call("div", kestrom.trits(1), kestrom.trits(2)),
          ([1, 0, 0, 0], [-1, -1, -1, -1, -1, 1]))
    check("1 / 2", kestrom.div(1, 2), Fraction(122, 243))
    check("5 + 10", kestrom.add(5, 10), 15)
    check("-2 * 5", kestrom.mul(-2, 5), -10)

    brennic = Brennic(brennic_path)
    inf = math.inf
    check("(1, 1, 1, 0) / (2, 0, -0, 4)", brennic.call("div", (1, 1, 1, 0), (2, 0, -0.0, 4)),
          (0.5, inf, -inf, 0.0), lambda g, w: all(map(_same_float, g, w)))
    check("(10, 20, 30, 40) - (1, 2, 3, 4)", brennic.call("sub", (10, 20, 30, 40), (1, 2, 3, 4)),
          (9.0, 18.0, 27.0, 36.0))

    print(f"{passed} passed, {len(failures)} failed")
    return not failures


def main(argv):
    kestrom_path = argv[1] if len(argv) > 1 else "libkestrom.so"
    brennic_path = argv[2] if len(argv) > 2 else "libbrennic.so"
    return 0 if run(kestrom_path, brennic_path) else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))

# SPDX-License-Identifier: MIT
"""The independent side of the kestrom-math comparison: ternary floats as rationals, the
toolkit's rounding to nearest done in fractions, exact results where they are rational, and
mpmath (Debian's python3-mpmath, not MPFR) at a much higher precision for the others."""

import ctypes
import os
from fractions import Fraction

import mpmath

OVERFLOW, UNDERFLOW, INVALID = 1, 2, 8


class Fmt:
    def __init__(self, exp_len, mant_len):
        self.exp_len, self.n = exp_len, mant_len
        self.max_e = (3 ** exp_len - 1) // 2
        self.bottom = (3 ** (mant_len - 1) + 1) // 2
        self.top = (3 ** mant_len - 1) // 2

    def value(self, m, e):
        """The number with integer mantissa m (sign included) and exponent e."""
        return Fraction(m) * Fraction(3) ** (e - self.n) if m else Fraction(0)


def round_ternary(q, f):
    """q rounded to f as the toolkit's conversions do: (mantissa, exponent, flags)."""
    if q == 0:
        return (0, 0, 0)
    s = 1 if q > 0 else -1
    a = abs(q)
    e = int((a.numerator.bit_length() - a.denominator.bit_length() + 1) / 1.5849625007211562)
    while 2 * a >= Fraction(3) ** e:
        e += 1
    while 2 * a < Fraction(3) ** (e - 1):
        e -= 1
    if e > f.max_e:
        return (s * f.top, f.max_e, OVERFLOW)
    if e < -f.max_e:
        if 2 * a * Fraction(3) ** (f.max_e + f.n) >= f.bottom:
            return (s * f.bottom, -f.max_e, UNDERFLOW)
        return (0, 0, UNDERFLOW)
    z = a / Fraction(3) ** (e - f.n)
    m = (2 * z + 1) // 2
    if m == f.bottom and e > -f.max_e and 6 * z < 3 ** f.n + 1:
        m, e = f.top, e - 1
    return (s * m, e, 0)


def breakpoint_distance(q, f):
    """How far q lies from the nearest rounding boundary, in units of its last trit (for
    choosing hard cases)."""
    m, e, flags = round_ternary(q, f)
    if flags or m == 0:
        return 1.0
    unit = Fraction(3) ** (e - f.n)
    frac = abs(q) / unit - abs(m)
    return float(Fraction(1, 2) - abs(frac))


# The exact rational value of an algebraic result, where there is one.
def iroot(a, k):
    """The k-th root of a >= 0 when it is an integer, else None."""
    if a < 2:
        return a
    r = int(round(a ** (1.0 / k))) if a.bit_length() < 1000 else int(mpmath.nthroot(a, k))
    for c in (r - 1, r, r + 1):
        if c >= 0 and c ** k == a:
            return c
    lo, hi = 0, 1 << (a.bit_length() // k + 1)
    while lo < hi:
        mid = (lo + hi) // 2
        if mid ** k < a:
            lo = mid + 1
        else:
            hi = mid
    return lo if lo ** k == a else None


def rational_root(q, k):
    if q < 0:
        r = rational_root(-q, k)
        return -r if r is not None and k % 2 else None
    n, d = iroot(q.numerator, k), iroot(q.denominator, k)
    return Fraction(n, d) if n is not None and d is not None else None


def exact(name, args):
    """The exact result as a Fraction when it is rational, else None."""
    if not args:
        return None
    x = args[0]
    if name == 'sqrt':
        return rational_root(x, 2)
    if name == 'cbrt':
        return rational_root(x, 3)
    if name in ('exp', 'exp3', 'cos') and x == 0:
        return Fraction(1)
    if name in ('sin', 'tan', 'asin', 'atan') and x == 0:
        return Fraction(0)
    if name == 'acos' and x == 1:
        return Fraction(0)
    if name in ('log', 'log3') and x == 1:
        return Fraction(0)
    if name == 'exp3' and x.denominator == 1:
        return Fraction(3) ** int(x)
    if name == 'log3':
        for a, b, sign in ((x.numerator, x.denominator, 1), (x.denominator, x.numerator, -1)):
            if b == 1 and a > 0:
                j = 0
                while a % 3 == 0:
                    a, j = a // 3, j + 1
                if a == 1:
                    return Fraction(sign * j)
        return None
    if name == 'atan2' and args[0] == 0 and args[1] > 0:
        return Fraction(0)
    if name == 'hypot':
        return rational_root(args[0] ** 2 + args[1] ** 2, 2)
    if name == 'fma':
        return args[0] * args[1] + args[2]
    if name == 'pow':
        y = args[1]
        if y == 0:
            return Fraction(1)
        r = rational_root(x, y.denominator) if y.denominator < 10 ** 6 else None
        if r is not None and abs(y.numerator) * max(1, abs(r.numerator).bit_length(), r.denominator.bit_length()) < 10 ** 6:
            return r ** y.numerator
    return None


def invalid(name, args):
    if not args:
        return False
    x = args[0]
    return ((name == 'sqrt' and x < 0) or (name in ('log', 'log3') and x <= 0)
            or (name in ('asin', 'acos') and abs(x) > 1)
            or (name == 'pow' and ((x < 0 and args[1].denominator != 1) or (x == 0 and args[1] < 0)))
            or (name == 'atan2' and x == 0 and args[1] == 0))


def to_fraction(v):
    """The exact value of an mpf."""
    sign, man, exp, _ = v._mpf_
    q = Fraction(int(man)) * (Fraction(2) ** int(exp) if exp >= 0 else Fraction(1, 2 ** int(-exp)))
    return -q if sign else q


def mp_of(q):
    return mpmath.mpf(q.numerator) / q.denominator


def approximate(name, args):
    a = [mp_of(q) for q in args]
    x = a[0] if a else None
    if name == 'sqrt': return mpmath.sqrt(x)
    if name == 'cbrt': return mpmath.cbrt(x) if x >= 0 else -mpmath.cbrt(-x)
    if name == 'exp': return mpmath.exp(x)
    if name == 'exp3': return mpmath.power(3, x)
    if name == 'log': return mpmath.log(x)
    if name == 'log3': return mpmath.log(x) / mpmath.log(3)
    if name == 'sin': return mpmath.sin(x)
    if name == 'cos': return mpmath.cos(x)
    if name == 'tan': return mpmath.tan(x)
    if name == 'asin': return mpmath.asin(x)
    if name == 'acos': return mpmath.acos(x)
    if name == 'atan': return mpmath.atan(x)
    if name == 'atan2': return mpmath.atan2(x, a[1])
    if name == 'hypot': return mpmath.hypot(x, a[1])
    if name == 'pow':
        r = mpmath.power(abs(x), a[1])
        return -r if x < 0 and args[1].numerator % 2 else r
    if name == 'pi': return +mpmath.pi
    if name == 'e': return +mpmath.e
    raise KeyError(name)


def log3_magnitude(name, args):
    """log3 of the result's magnitude at low precision, or None where it is moderate."""
    with mpmath.workprec(64):
        if not args:
            return None
        x = mp_of(args[0])
        if name == 'exp':
            return float(x / mpmath.log(3))
        if name == 'exp3':
            return float(x)
        if name == 'pow' and args[0] != 0:
            return float(mp_of(args[1]) * mpmath.log(abs(x)) / mpmath.log(3))
    return None


def expected(name, args, f):
    """(mantissa, exponent, flags) the function must give for args in format f."""
    if invalid(name, args):
        return (0, 0, INVALID)
    mag = log3_magnitude(name, args)
    if mag is None or abs(mag) < f.max_e + f.n + 8:
        q = exact(name, args)
        if q is not None:
            return round_ternary(q, f)
    if mag is not None and mag > f.max_e + 3:
        sign = -1 if name == 'pow' and args[0] < 0 and args[1].numerator % 2 else 1
        return (sign * f.top, f.max_e, OVERFLOW)
    if mag is not None and mag < -(f.max_e + f.n + 4):
        return (0, 0, UNDERFLOW)
    # Arguments held exactly up to their integer part, so that huge ones are reduced exactly.
    prec = 4 * f.n + 64 + max([0] + [a.numerator.bit_length() - a.denominator.bit_length() for a in args])
    while prec < 40000:
        with mpmath.workprec(prec):
            v = approximate(name, args)
        center = to_fraction(v)
        err = abs(center) / 2 ** (prec - 8)
        lo, hi = round_ternary(center - err, f), round_ternary(center + err, f)
        if lo == hi:
            return lo
        prec *= 4
    raise AssertionError('oracle undecided for %s%r' % (name, args))


class Library:
    """kestrom-math's C interface through ctypes."""

    UNARY = ['sqrt', 'cbrt', 'exp', 'exp3', 'log', 'log3', 'sin', 'cos', 'tan', 'asin', 'acos', 'atan']
    BINARY = ['pow', 'atan2', 'hypot']

    def __init__(self, path=None):
        self.lib = ctypes.CDLL(path or os.environ['KESTROM_MATH_LIBRARY'])

    @staticmethod
    def trits(v, count):
        out = []
        for _ in range(count):
            r = v % 3
            v //= 3
            if r == 2:
                r, v = -1, v + 1
            out.append(r)
        assert v == 0
        return out + [0]

    def call(self, name, f, numbers):
        """numbers: (mantissa, exponent) pairs; gives (mantissa, exponent, flags)."""
        Exp, Mant = ctypes.c_byte * (f.exp_len + 1), ctypes.c_byte * (f.n + 1)
        res_e, res_m = Exp(), Mant()
        bufs = []
        for m, e in numbers:
            bufs += [Exp(*self.trits(e if m else 0, f.exp_len)), Mant(*self.trits(m, f.n))]
        flags = getattr(self.lib, 'kestrom_math_' + name)(res_e, res_m, f.exp_len, f.n, *bufs)
        m = sum(t * 3 ** i for i, t in enumerate(res_m[:f.n]))
        e = sum(t * 3 ** i for i, t in enumerate(res_e[:f.exp_len]))
        assert res_m[f.n] == 0 and res_e[f.exp_len] == 0, 'guard written'
        return (m, e if m else 0, flags)

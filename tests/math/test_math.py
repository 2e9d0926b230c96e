# SPDX-License-Identifier: MIT
"""kestrom-math against the independent oracle of oracle.py: every number of a tiny format
for every unary function, a grid of pairs and triples for the others, random arguments at
mantLen 27, 81 and 243, results beside rounding boundaries found by searching, and the
domain edges and exponent extremes. KESTROM_MATH_TEST_SCALE multiplies the random and
searched counts (default 1: well under a minute on two cores).

Usage: test_math.py [suite...]   (suites: exhaustive grid random hard edges; default all)"""

import os
import random
import sys

from oracle import Fmt, Library, expected, breakpoint_distance, approximate, to_fraction
import mpmath

LIB = Library()
SCALE = float(os.environ.get('KESTROM_MATH_TEST_SCALE', '1'))
failures = []
counts = {}


def check(name, f, numbers):
    args = [f.value(m, e) for m, e in numbers]
    want = expected(name, args, f)
    got = LIB.call(name, f, numbers)
    key = (f.exp_len, f.n)
    counts[key] = counts.get(key, 0) + 1
    if got != want:
        failures.append('%s%s at (%d, %d): got %s, want %s' % (
            name, tuple(str(a) for a in args), f.exp_len, f.n, got, want))
        if len(failures) <= 20:
            print('FAIL', failures[-1], flush=True)


def all_numbers(f):
    out = [(0, 0)]
    for e in range(-f.max_e, f.max_e + 1):
        for m in range(f.bottom, f.top + 1):
            out += [(m, e), (-m, e)]
    return out


def random_number(f, rng, lo_e, hi_e, positive=False):
    m = rng.randint(f.bottom, f.top)
    if not positive and rng.random() < 0.5:
        m = -m
    return (m, rng.randint(lo_e, hi_e))


# Where each function's arguments are drawn from (exponent ranges), for random and searched cases.
RANGES = {
    'sqrt': (-20, 20, True), 'cbrt': (-20, 20, False), 'exp': (-8, 5, False), 'exp3': (-8, 5, False),
    'log': (-20, 20, True), 'log3': (-20, 20, True), 'sin': (-6, 12, False), 'cos': (-6, 12, False),
    'tan': (-6, 12, False), 'asin': (-6, 0, False), 'acos': (-6, 0, False), 'atan': (-10, 10, False),
}
PAIRS = {'pow': ((-3, 3, True), (-3, 3, False)), 'atan2': ((-10, 10, False), (-10, 10, False)),
         'hypot': ((-10, 10, False), (-10, 10, False))}


def exhaustive():
    f = Fmt(3, 6)
    numbers = all_numbers(f)
    for name in Library.UNARY:
        for x in numbers:
            check(name, f, [x])
    rng = random.Random(6)
    grid = [numbers[0]] + rng.sample(numbers, 110)
    for name in Library.BINARY:
        for x in grid:
            for y in grid:
                check(name, f, [x, y])
    small = [numbers[0]] + rng.sample(numbers, 27)
    for x in small:
        for y in small:
            for z in small:
                check('fma', f, [x, y, z])
    for fmt in (Fmt(1, 2), Fmt(2, 3), Fmt(3, 6)):
        check('pi', fmt, [])
        check('e', fmt, [])


def randomized():
    rng = random.Random(27)
    for n in (27, 81, 243):
        f = Fmt(6, n)
        count = max(1, int(200 * SCALE * (27 / n) ** 0.5))
        for name in Library.UNARY:
            lo, hi, pos = RANGES[name]
            for _ in range(count):
                check(name, f, [random_number(f, rng, lo, hi, pos)])
        for name, (a, b) in PAIRS.items():
            for _ in range(count):
                check(name, f, [random_number(f, rng, *a), random_number(f, rng, *b)])
        for _ in range(count):
            check('fma', f, [random_number(f, rng, -5, 5) for _ in range(3)])
        check('pi', f, [])
        check('e', f, [])


def hard():
    """Arguments whose results lie within a thousandth of a unit of a rounding boundary,
    found among random candidates by the oracle at low precision."""
    rng = random.Random(81)
    for n in (6, 9, 27):
        f = Fmt(6, n)
        wanted = max(1, int(4 * SCALE))
        for name in Library.UNARY + ['pow']:
            lo, hi, pos = RANGES.get(name, (-2, 2, True))
            found = tries = 0
            while found < wanted and tries < 20000:
                tries += 1
                x = random_number(f, rng, lo, hi, pos)
                numbers = [x] if name != 'pow' else [x, random_number(f, rng, -2, 1)]
                args = [f.value(m, e) for m, e in numbers]
                try:
                    with mpmath.workprec(3 * n + 40):
                        v = approximate(name, args)
                    if not mpmath.isfinite(v) or mpmath.im(v) != 0 or v == 0:
                        continue
                    d = breakpoint_distance(to_fraction(v), f)
                except (ValueError, ZeroDivisionError):
                    continue
                if d < 1e-3:
                    found += 1
                    check(name, f, numbers)


def edges():
    """Domain edges, exact cases and the exponent extremes of several formats."""
    for el, n in ((1, 2), (2, 3), (3, 6), (6, 27), (7, 81)):
        f = Fmt(el, n)
        one = (3 ** (n - 1), 1)
        largest, smallest = (f.top, f.max_e), (f.bottom, -f.max_e)
        below_one = (f.top, 0)  # the largest number below 1/2
        pts = [one, (-one[0], 1), largest, (-f.top, f.max_e), smallest, (-f.bottom, -f.max_e), (0, 0), below_one,
               (f.bottom, 1), (f.top, 1), (-f.top, 1), (3 ** (n - 1), 2), (3 ** (n - 1), -2)]
        pts = [p for p in pts if abs(p[1]) <= f.max_e]
        names = Library.UNARY if el <= 6 else ['sqrt', 'cbrt', 'log', 'log3', 'atan', 'asin', 'acos', 'exp', 'exp3']
        for name in names:
            for x in pts:
                check(name, f, [x])
        for name in ('pow', 'hypot', 'atan2'):
            for x in pts[:7]:
                for y in pts[:7]:
                    if el > 6 and name == 'pow' and y[1] > 3 and x != one:
                        continue
                    check(name, f, [x, y])
        check('fma', f, [largest, largest, (-f.top, f.max_e)])
        check('fma', f, [smallest, smallest, smallest])
        check('fma', f, [one, one, (-one[0], 1)])


SUITES = {'exhaustive': exhaustive, 'grid': None, 'random': randomized, 'hard': hard, 'edges': edges}

if __name__ == '__main__':
    chosen = sys.argv[1:] or ['exhaustive', 'random', 'hard', 'edges']
    for s in chosen:
        SUITES[s]()
    for (el, n), c in sorted(counts.items()):
        print('expLen %2d mantLen %4d: %6d cases' % (el, n, c))
    print('%d cases, %d failures' % (sum(counts.values()), len(failures)))
    sys.exit(1 if failures else 0)

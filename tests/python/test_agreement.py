# SPDX-License-Identifier: MIT
"""The package and the C++ toolkit give the same trits and flags for the same requests."""
import random
from fractions import Fraction

import pytest

from kestrom import Format, Number, localcontext

FORMATS = [Format(4, 6), Format(2, 5), Format(3, 2), Format(6, 27), Format(8, 40)]


def encode(x):
    trits = x.trits()
    def text(ts):
        return "".join("+" if t > 0 else "-" if t < 0 else "0" for t in ts)
    return f"{text(trits.exponent)} {text(trits.mantissa)} {int(x.flags)}"


def answer(request):
    """The package's answer with every trap off, so that it carries flags as the toolkit's does."""
    kind, exp_len, mant_len, *args = request.split(" ")
    f = Format(int(exp_len), int(mant_len))
    with localcontext(traps=()):
        return answer_of(kind, f, args)


def answer_of(kind, f, args):
    try:
        if kind == "d":
            return encode(Number.from_float(float.fromhex(args[0]), f))
        a = Number.from_str(args[0], f)
        if kind == "t":
            return encode(a)
        b = Number.from_str(args[2], f)
        return encode({"+": a + b, "-": a - b, "*": a * b, "/": a / b}[args[1]])
    except ValueError:
        return "error"


def values(rng, f):
    """Text for values of every kind: ties and near-ties at range boundaries, random
    fractions and decimals, beyond the range."""
    n, top = f.mant_len, f.max_exponent
    e = rng.randint(-top, top)
    m = rng.randint((3 ** (n - 1) + 1) // 2, (3 ** n - 1) // 2)
    unit = Fraction(3) ** (e - n)
    bottom = Fraction((3 ** (n - 1) + 1) // 2) * unit
    below = Fraction((3 ** n - 1) // 2) * unit / 3  # top of the range under bottom
    near = [m * unit, (m + Fraction(1, 2)) * unit, (below + bottom) / 2,
            (below + bottom) / 2 + rng.choice([-1, 1]) * unit / 10 ** 6]
    near += [Fraction(rng.randint(1, 10 ** 12), rng.randint(1, 10 ** 6)) * Fraction(3) ** rng.randint(-top, top)]
    texts = [f"{q.numerator}/{q.denominator}" for q in near]
    texts += [f"{rng.randint(0, 10 ** 8)}.{rng.randint(0, 999)}e{rng.randint(-top // 2 - 2, top // 2 + 2)}",
              rng.choice(["1e999999", "1e-999999", "0", "-0.0", "1.501", "7.5", "bad", "1/0", "."])]
    return [("-" if rng.random() < 0.5 and not t.startswith("-") else "") + t for t in texts]


def test_conversions_and_operations_agree(toolkit):
    rng = random.Random(16)
    requests = []
    for i in range(600):
        f = FORMATS[i % len(FORMATS)]
        head = f"{f.exp_len} {f.mant_len}"
        texts = values(rng, f)
        requests += [f"t {head} {t}" for t in texts]
        d = rng.uniform(-1, 1) * 2.0 ** rng.randint(-1074, 1023) if i % 3 else rng.choice([1.501, 0.5, float("inf")])
        requests.append(f"d {head} {d.hex()}")
        a, b = rng.sample(texts, 2)
        requests.append(f"o {head} {a} {rng.choice('+-*/')} {b}")
        requests.append(f"o {head} {a} / 0")
    assert len(requests) > 5000
    expected = toolkit(requests)
    wrong = [(r, got, want) for r, want in zip(requests, expected) if (got := answer(r)) != want]
    assert not wrong, f"{len(wrong)} differ, e.g. (request, package, toolkit): {wrong[:5]}"
    assert expected.count("error") < len(requests) // 10  # mostly numbers, so a real comparison


@pytest.mark.parametrize("request_, want", [("t 4 6 1.501", "+000 ++++++ 0"), ("t 4 2 -7.5", "0+00 0- 0")])
def test_toolkit_program_answers_the_worked_cases(toolkit, request_, want):
    assert toolkit([request_]) == [want] == [answer(request_)]

# SPDX-License-Identifier: MIT
"""kestrom.lanes (brennic), kestrom.raw and how both find their libraries."""
import ctypes.util
import math
import random
import struct

import pytest

from kestrom import LibraryNotFoundError, _loading, lanes, raw
from kestrom.lanes import Brennic


def f32(x):
    return struct.unpack("f", struct.pack("f", x))[0]


def test_lanes_are_binary32_operations():
    # Rounding the double result of two binary32 operands is the correctly rounded binary32
    # result for + - * /, so this is an independent oracle.
    rng = random.Random(2)
    ops = {"add": float.__add__, "sub": float.__sub__, "mul": float.__mul__, "div": float.__truediv__}
    for _ in range(200):
        left = [rng.uniform(-1, 1) * 10.0 ** rng.randint(-30, 30) for _ in range(4)]
        right = [rng.uniform(-1, 1) * 10.0 ** rng.randint(-30, 30) for _ in range(4)]
        for name, op in ops.items():
            want = tuple(f32(op(f32(a), f32(b))) for a, b in zip(left, right))
            assert getattr(lanes, name)(left, right) == want, (name, left, right)


def test_worked_lanes():
    got = lanes.div((1, 1, 1, 0), (2, 0, -0.0, 4))
    assert got == (0.5, math.inf, -math.inf, 0.0) and math.copysign(1, got[3]) == 1
    assert lanes.sub([10, 20, 30, 40], (1, 2, 3, 4)) == (9, 18, 27, 36)
    assert math.isnan(lanes.div((0, 1, 1, 1), (0, 1, 1, 1))[0])
    assert lanes.mul((3e38, 1, 1, 1), (10, 1, 1, 1))[0] == math.inf
    assert lanes.add((0.1, 1, 1, 1), (0, 0, 0, 0))[0] == f32(0.1) != 0.1


@pytest.mark.parametrize("left, right, error, words", [
    ((1,), (1, 2, 3, 4), ValueError, "exactly 4 lanes; the left vector has 1"),
    ((1, 2, 3, 4), (1, 2, 3, 4, 5), ValueError, "exactly 4 lanes; the right vector has 5"),
    ((), (1, 2, 3, 4), ValueError, "has 0"),
    ("abcd", (1, 2, 3, 4), TypeError, "sequence"),
    (iter((1, 2, 3, 4)), (1, 2, 3, 4), TypeError, "sequence"),
    ((1, "2", 3, 4), (1, 2, 3, 4), TypeError, "lane 1 of the left vector"),
    ((1, 2, 3, 4), (1, 2, 3, None), TypeError, "lane 3 of the right vector"),
    ((1, 2, 3, 4), (1, 1e39, 3, 4), ValueError, "beyond binary32"),
])
def test_bad_vectors(left, right, error, words):
    with pytest.raises(error, match=words):
        lanes.add(left, right)


def test_raw_calls_the_exports_on_host_arrays():
    lib, e, m = raw.library(), 4, 6
    one = ([1, 0, 0, 0], [0, 0, 0, 0, 0, 1])
    two = ([-1, 1, 0, 0], [0, 0, 0, 0, -1, 1, 0])
    res_exp, res_mant = raw.trit_string(e), raw.trit_string(m)
    lib.add(res_exp, res_mant, e, m, raw.trit_string(e, one[0]), raw.trit_string(m, one[1]),
            raw.trit_string(e, one[0]), raw.trit_string(m, one[1]), raw.trit_string(e))
    assert (list(res_exp[:e]), list(res_mant)) == (two[0], two[1])
    # 1 / 2 by the digit recurrence: 122/243, as the library gives it
    res_exp, res_mant = raw.trit_string(e), raw.trit_string(m)
    lib.div(res_exp, res_mant, e, m, raw.trit_string(e, one[0]), raw.trit_string(m, one[1]),
            raw.trit_string(e, two[0]), raw.trit_string(m, two[1]), raw.trit_string(m + 2),
            raw.trit_string(m + 2), raw.trit_string(m), raw.trit_string(e))
    assert (list(res_exp[:e]), list(res_mant[:m])) == ([1, 0, 0, 0], [-1, -1, -1, -1, -1, 1])
    s = raw.trit_string(m, two[1])
    lib.inversStr(s, m)
    assert list(s) == [0, 0, 0, 0, 1, -1, 0]
    with pytest.raises(ValueError, match="do not fit"):
        raw.trit_string(2, [1, 1, 1, 1])


def test_libraries_are_found_or_the_error_says_where_it_looked(monkeypatch, tmp_path):
    assert Brennic().path == lanes.library().path  # from BRENNIC_LIBRARY
    assert raw.Library(raw.library().path).path == raw.library().path
    missing = str(tmp_path / "libnothing.so")
    with pytest.raises(LibraryNotFoundError, match=f"the path given, '{missing}'"):
        Brennic(missing)
    monkeypatch.setenv("KESTROM_LIBRARY", missing)
    with pytest.raises(LibraryNotFoundError, match=f"KESTROM_LIBRARY='{missing}'"):
        raw.Library()
    monkeypatch.delenv("BRENNIC_LIBRARY")
    monkeypatch.setattr(ctypes.util, "find_library", lambda name: None)
    monkeypatch.setattr(_loading, "_SONAME", "libnothing-{}.so.0")
    with pytest.raises(LibraryNotFoundError, match=r"BRENNIC_LIBRARY not set; no copy in the package \(.*\); ctypes.util.find_library\('brennic'\) found nothing"):
        Brennic()
    with pytest.raises(LibraryNotFoundError, match="does not export addSSEasm"):
        Brennic(raw.library().path)  # a library, but the wrong one


def test_a_wheels_copy_comes_after_the_variables_and_before_the_system(monkeypatch, tmp_path):
    (tmp_path / "libbrennic.so.0").symlink_to(lanes.library().path)
    monkeypatch.setattr(_loading, "_BUNDLED", str(tmp_path))
    assert Brennic().path == lanes.library().path  # BRENNIC_LIBRARY still wins
    monkeypatch.delenv("BRENNIC_LIBRARY")
    monkeypatch.setattr(ctypes.util, "find_library", lambda name: "/usr/lib/libbrennic-elsewhere.so")
    assert Brennic().path == str(tmp_path / "libbrennic.so.0")

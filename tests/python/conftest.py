# SPDX-License-Identifier: MIT
"""Shared by the tests of the kestrom package: the C++ toolkit's answers."""
import os
import subprocess

import pytest


@pytest.fixture(scope="session")
def toolkit():
    """A function from request lines (see toolkit_conversions.cpp) to the toolkit's answers."""
    program = os.environ.get("KESTROM_TOOLKIT_CONVERSIONS")
    if not program:
        pytest.fail("KESTROM_TOOLKIT_CONVERSIONS is not set: run this through ctest")

    def ask(requests):
        out = subprocess.run([program], input="\n".join(requests) + "\n", capture_output=True,
                             text=True, check=True).stdout.splitlines()
        assert len(out) == len(requests)
        return out

    return ask

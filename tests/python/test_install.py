# SPDX-License-Identifier: MIT
"""python/ installs the ordinary way, offline, and builds a wheel with its type information."""
import os
import pathlib
import shutil
import subprocess
import sys
import zipfile

import pytest

SOURCE = pathlib.Path(__file__).resolve().parents[2] / "python"
ONE_LINER = ("from kestrom import Number, Format; f = Format(4, 6); "
             "print(Number.from_float(1.501, f).to_fraction())")


@pytest.fixture
def package(tmp_path):
    """A copy of python/, so that building leaves nothing in the source tree."""
    copy = tmp_path / "python"
    shutil.copytree(SOURCE, copy, ignore=shutil.ignore_patterns("build", "dist", "*.egg-info", "__pycache__"))
    return copy


def run(*command, **kwargs):
    done = subprocess.run(command, capture_output=True, text=True, **kwargs)
    assert done.returncode == 0, f"{command} failed:\n{done.stdout}\n{done.stderr}"
    return done.stdout


def test_pip_install_in_a_fresh_venv(tmp_path, package):
    venv = tmp_path / "venv"
    # The system's pip, setuptools and wheel install and build it; nothing comes from an index.
    run(sys.executable, "-m", "venv", "--system-site-packages", "--without-pip", str(venv))
    python = venv / ("Scripts" if os.name == "nt" else "bin") / "python"
    run(str(python), "-m", "pip", "install", "--no-index", "--no-build-isolation", "--no-deps", str(package))
    env = {k: v for k, v in os.environ.items() if k != "PYTHONPATH"}  # only the installed copy
    assert run(str(python), "-c", ONE_LINER, cwd=tmp_path, env=env) == "364/243\n"
    where = run(str(python), "-c", "import kestrom, sys; print(kestrom.__file__, sys.prefix)", cwd=tmp_path, env=env)
    installed, prefix = where.split()
    assert installed.startswith(prefix) and os.path.isfile(os.path.join(os.path.dirname(installed), "py.typed"))


def test_wheel_holds_the_modules_and_py_typed(tmp_path, package):
    pytest.importorskip("build", reason="python3-build builds wheels")
    run(sys.executable, "-m", "build", "--no-isolation", "--wheel", "--outdir", str(tmp_path / "dist"), str(package))
    (wheel,) = (tmp_path / "dist").glob("kestrom-*-py3-none-any.whl")
    names = set(zipfile.ZipFile(wheel).namelist())
    assert {f"kestrom/{m}" for m in ("__init__.py", "number.py", "raw.py", "lanes.py", "_loading.py", "py.typed")} <= names

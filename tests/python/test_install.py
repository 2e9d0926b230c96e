# SPDX-License-Identifier: MIT
"""The README's install commands work in a fresh venv, offline; python/ installs the ordinary
way too; the wheels carry the license, the type information and (the platform wheel) the
libraries, which the installed package opens first."""
import os
import pathlib
import re
import shutil
import subprocess
import sys
import zipfile

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
SOURCE = ROOT / "python"
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
    assert_license(zipfile.ZipFile(wheel))


def readme_commands():
    """The shell block of python/README.md's "Installing" section that starts with script/wheel,
    minus its first line (building the libraries, which ctest has done)."""
    text = (SOURCE / "README.md").read_text(encoding="utf-8")
    section = text[text.index("## Installing"):]
    block = re.search(r"```sh\n(.*?)```", section, re.DOTALL).group(1).splitlines()
    assert block[0].startswith("cmake --preset demo") and block[1].startswith("script/wheel build/demo ")
    top = (ROOT / "README.md").read_text(encoding="utf-8")
    assert "\n".join(block) in top, "README.md and python/README.md give other commands"
    return block[1:]


def test_readme_commands_install_the_wheel_in_a_venv_without_system_site_packages(tmp_path):
    build = os.environ.get("KESTROM_BUILD_DIR")
    if not build:
        pytest.fail("KESTROM_BUILD_DIR is not set: run this through ctest")
    # python3 is this interpreter; nothing from the environment points at the libraries or
    # the source tree, and pip may not reach any index.
    bin_dir = tmp_path / "bin"
    bin_dir.mkdir()
    (bin_dir / "python3").symlink_to(sys.executable)
    env = {k: v for k, v in os.environ.items()
           if k not in ("PYTHONPATH", "KESTROM_LIBRARY", "BRENNIC_LIBRARY", "KESTROM_MATH_LIBRARY", "VIRTUAL_ENV")}
    env.update(PATH=f"{bin_dir}{os.pathsep}{env.get('PATH', '')}", PIP_NO_INDEX="1",
               PIP_CONFIG_FILE=os.devnull, http_proxy="http://127.0.0.1:9", https_proxy="http://127.0.0.1:9")
    work = tmp_path / "work"
    work.mkdir()
    outputs = []
    for command in readme_commands():
        command = command.replace("script/wheel build/demo", f"{ROOT}/script/wheel {build}", 1)
        outputs.append(run("sh", "-ec", command, cwd=work, env=env))
    assert outputs[-1] == "364/243\n"
    python = str(work / "venv" / "bin" / "python")
    assert subprocess.run([python, "-c", "import pytest"], capture_output=True).returncode != 0  # no system site packages
    where = run(python, "-c", "import kestrom; from kestrom import lanes, raw; print(raw.library().path, lanes.library().path)",
                cwd=work, env=env).split()
    (lib,) = (work / "venv").glob("lib/python*/site-packages/kestrom/lib")  # the wheel's copies first
    assert where == [str(lib / "libkestrom.so.0"), str(lib / "libbrennic.so.0")]
    run(python, "-c", "import kestrom.math", cwd=work, env=env)
    if (pathlib.Path(build) / "math" / "libkestrom-math.so.0").is_file():  # the build has kestrom-math
        # Its copy runs on the wheel's libkestrom, not the one its build run path names.
        used = run(python, "-c", "import kestrom.math as m; print(m.sqrt(9), m.library().path); "
                   "print(*sorted({l.split()[-1] for l in open('/proc/self/maps') if 'libkestrom' in l}))",
                   cwd=work, env=env).splitlines()
        assert used == [f"3 {lib / 'libkestrom-math.so.0'}", f"{lib / 'libkestrom-math.so.0'} {lib / 'libkestrom.so.0'}"]
    env["KESTROM_LIBRARY"] = os.environ["KESTROM_LIBRARY"]  # an explicit library still wins
    assert run(python, "-c", "from kestrom import raw; print(raw.library().path)", cwd=work, env=env).strip() == env["KESTROM_LIBRARY"]
    (wheel,) = (work / "dist").glob("kestrom-*-py3-none-linux_x86_64.whl")
    names = zipfile.ZipFile(wheel).namelist()
    assert {"kestrom/lib/libkestrom.so.0", "kestrom/lib/libbrennic.so.0", "kestrom/py.typed", "kestrom/math.py"} <= set(names)
    assert ("kestrom/lib/libkestrom-math.so.0" in names) == (pathlib.Path(build) / "math" / "libkestrom-math.so.0").is_file()
    assert_license(zipfile.ZipFile(wheel))
    assert run(python, "-m", "pip", "check", cwd=work, env=env).startswith("No broken requirements")


def assert_license(wheel):
    """The MIT license, as metadata and as the LICENSE file, in the wheel's .dist-info."""
    metadata = next(n for n in wheel.namelist() if n.endswith(".dist-info/METADATA"))
    fields = wheel.read(metadata).decode().split("\n\n")[0].splitlines()
    assert "License: MIT" in fields or "License-Expression: MIT" in fields, fields
    licenses = [n for n in wheel.namelist() if ".dist-info/" in n and n.endswith("LICENSE")]
    assert licenses and wheel.read(licenses[0]) == (ROOT / "LICENSE").read_bytes()


def test_import_gives_every_module_the_readme_names_and_help_for_every_public_name():
    # A fresh interpreter: kestrom.lanes without importing it by name.
    run(sys.executable, "-c", "import kestrom; kestrom.lanes.add, kestrom.raw.library, kestrom.context.localcontext, kestrom.math.sqrt")
    import inspect
    import kestrom
    undocumented = []
    for module in (kestrom, kestrom.lanes, kestrom.raw, kestrom.context, kestrom.math):
        for name in module.__all__:
            thing = getattr(module, name)
            members = vars(thing).items() if inspect.isclass(thing) else ()
            for label, item in [(name, thing)] + [(f"{name}.{m}", v) for m, v in members if not m.startswith("_")]:
                item = getattr(item, "__func__", item)
                if (inspect.isclass(item) or inspect.isroutine(item) or isinstance(item, property)) and not (item.__doc__ or "").strip():
                    undocumented.append(f"{module.__name__}.{label}")
    assert not undocumented
    assert len(inspect.getdoc(kestrom.Number)) > 800 and "Overflow" in inspect.getdoc(kestrom.Number.__add__)
